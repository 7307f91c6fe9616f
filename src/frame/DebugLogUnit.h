// "Debug.Txt": one line per export call while logging is on.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vexilo {

bool DebugEnabled();

// Appends "yyyy-mm-dd hh:mm:ss ZZZ <name> Success|Fail" CRLF when logging is
// on. False when the line could not be written whole (a full disk); true
// when it was, or when logging is off.
bool WriteDebugLine(std::string_view name, bool success);

// User_UseDebug: 1 starts logging, any other value stops it; false on a file error.
bool UseDebug(int32_t debugOn);

// Load: logging off. Unload: an open log gets its counter line and " End Debug".
void DebugLogLoad();
void DebugLogUnload();

}  // namespace vexilo

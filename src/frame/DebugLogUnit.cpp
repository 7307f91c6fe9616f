#include "frame/DebugLogUnit.h"

#include <cstdint>
#include <cstdio>

#include "frame/ClockUnit.h"
#include "frame/FrameCountersUnit.h"
#include "frame/HostFilesUnit.h"
#include "lang/StringTableUnit.h"

namespace vexilo {
namespace {

struct DebugLogState {
  bool Enabled = false;
  AppendFile* File = nullptr;
};

DebugLogState g_log;

// "yyyy-mm-dd hh:mm:ss ZZZ" for the current local time.
std::string DebugTimeStamp() {
  LocalTime t = NowLocal();
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d %03d", t.Year, t.Month, t.Day, t.Hour,
                t.Minute, t.Second, t.Millisecond);
  return buf;
}

// Writes one whole line, CRLF added; false when the file took less.
bool AppendLine(std::string line) {
  if (g_log.File == nullptr) return false;
  line += "\r\n";
  return AppendToFile(g_log.File, line);
}

void CloseLogFile() {
  CloseAppendFile(g_log.File);
  g_log.File = nullptr;
  g_log.Enabled = false;
}

std::string CounterLine() {
  std::string line = strings::kSentFrames;
  line += std::to_string(SentFrameCount());
  line += strings::kConfirmedFrames;
  line += std::to_string(ConfirmedFrameCount());
  return line;
}

// Writes the counter line and the closing marker, then closes the file. When
// a line cannot be written the log stays open and on, and false is given.
bool CloseLog(const char* marker) {
  if (!AppendLine(CounterLine()) || !AppendLine(DebugTimeStamp() + marker)) return false;
  CloseLogFile();
  return true;
}

}  // namespace


bool DebugEnabled() { return g_log.Enabled; }

bool WriteDebugLine(std::string_view name, bool success) {
  if (!g_log.Enabled) return true;
  std::string line = DebugTimeStamp();
  line += ' ';
  line.append(name);
  line += success ? " Success" : " Fail";
  return AppendLine(std::move(line));
}

bool UseDebug(int32_t debugOn) {
  if (debugOn == 1) {
    if (g_log.Enabled) return true;
    g_log.File = OpenAppendFile(HostFilePath("Debug.Txt"));
    if (g_log.File == nullptr) return false;
    if (!AppendLine(DebugTimeStamp() + " Start Debug")) {
      CloseLogFile();
      return false;
    }
    g_log.Enabled = true;
    return true;
  }
  if (!g_log.Enabled || g_log.File == nullptr) return false;
  return CloseLog(" Stop Debug");
}

void DebugLogLoad() {
  g_log.Enabled = false;
  g_log.File = nullptr;
}

void DebugLogUnload() {
  if (g_log.Enabled && g_log.File != nullptr && !CloseLog(" End Debug")) CloseLogFile();
}

}  // namespace vexilo

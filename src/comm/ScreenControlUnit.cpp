#include "comm/ScreenControlUnit.h"

namespace vexilo {

// The commands are not built yet: every one fails before anything is sent.
bool OpenScreen(int32_t) { return false; }
bool CloseScreen(int32_t) { return false; }
bool OpenScreenEx(int32_t, uint8_t) { return false; }
bool CloseScreenEx(int32_t, uint8_t) { return false; }
bool OpenToUdpScreen(const char*, uint16_t) { return false; }
bool CloseToUdpScreen(const char*, uint16_t) { return false; }
bool AdjustTime(int32_t) { return false; }
bool AdjustToUdpTime(const char*, uint16_t) { return false; }
bool SendToScreen(int32_t) { return false; }
bool SendToScreenX(int32_t, int32_t, int32_t, int32_t) { return false; }
bool SendToAddrScreen(int32_t, uint8_t, int32_t, int32_t, int32_t, int32_t) { return false; }
bool SendToUdpScreen(int32_t, const char*, uint16_t, int32_t, int32_t, uint16_t, uint16_t) { return false; }
bool SelectScreenProgram(int32_t, uint8_t, uint8_t) { return false; }
bool SelectToUdpScreenProgram(const char*, uint16_t, uint8_t) { return false; }

}  // namespace vexilo

// One screen's settings from the configuration file ("LED.INI").
#pragma once
#include <cstdint>
#include <string>

namespace vexilo {

enum LinkModeValue : uint8_t { kLinkSerial = 1, kLinkUdp = 2, kLinkGprs = 3 };

struct TScreenConfig {
  int32_t LinkAddr = 0;         // card address; the low 8 bits address frames
  char COMPort[6] = {};         // at most 5 bytes, zero-terminated
  char CardType[11] = {};       // at most 10 bytes
  uint8_t DisplayInverted = 0;  // 1 when Display is exactly "取反"
  uint8_t LinkMode = 0;         // 1 serial, 2 UDP, 3 GPRS
  uint8_t BaudIndex = 0;        // 1 9600, 2 38400, 3 115200 baud
  char IPAddr[16] = {};         // at most 15 bytes
  uint16_t PortNO = 0;
  uint8_t Color = 0;            // colour mode of the panel
  int32_t Width = 0;
  int32_t Height = 0;
  uint8_t Light = 0;
  uint8_t ScanMode = 0;
  uint8_t ColMode = 0;
  uint8_t RowMode = 0;
  uint8_t Electric = 0;
  uint8_t Memo = 0;
  uint16_t WaitmSec = 0;        // least wait for a card's reply, ms
};

struct ScreenConfigState {
  std::string ConfigFilePath;        // empty: "LED.INI" in the host folder
  TScreenConfig CurrentScreenConfig; // read by the last User_InitBuffer
  uint32_t ReplyWaitFloor = 0;       // least wait for a card's reply, ms
};

// The configuration state, read-only; the functions below change it.
const ScreenConfigState& ScreenConfig();

// User_InitBufferEx_Ini: the file every later call reads; null or empty
// goes back to "LED.INI" in the host folder.
void SetConfigFilePath(const char* path);

// User_InitBuffer: reads the screen's section into CurrentScreenConfig (kept
// as it was when the read fails) and sets the reply floor from its WaitmSec.
bool LoadCurrentScreenConfig(int32_t screenNo);

// The least wait for a card's reply, in milliseconds. Set from the current
// screen's WaitmSec; the serial port search raises it for the send exports.
uint32_t ReplyWaitFloor();
void SetReplyWaitFloor(uint32_t ms);

// Reads the section of screenNo from the file at path; an empty path means
// "LED.INI" in the host folder. Callers pass ConfigFilePath. On false the
// target is unchanged.
bool ReadScreenConfig(int32_t screenNo, TScreenConfig& target, const std::string& path);

struct IniFile;
// The same from a file already parsed.
bool ScreenConfigFromIni(const IniFile& ini, int32_t screenNo, TScreenConfig& target);

// 2 gives 38400, 3 gives 115200, anything else 9600.
int32_t BaudFromIndex(uint8_t index);

}  // namespace vexilo

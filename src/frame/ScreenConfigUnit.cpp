#include "frame/ScreenConfigUnit.h"

#include <algorithm>
#include <cstring>

#include "frame/HostFilesUnit.h"
#include "frame/IniReaderUnit.h"
#include "lang/StringTableUnit.h"

namespace vexilo {
namespace {

template <size_t N>
void CopyText(char (&field)[N], const std::string& value) {
  size_t n = std::min(value.size(), N - 1);
  std::memset(field, 0, N);
  std::memcpy(field, value.data(), n);
}

}  // namespace

namespace {

ScreenConfigState g_config;

}  // namespace

const ScreenConfigState& ScreenConfig() { return g_config; }

void SetConfigFilePath(const char* path) { g_config.ConfigFilePath = path != nullptr ? path : ""; }

bool LoadCurrentScreenConfig(int32_t screenNo) {
  const bool read = ReadScreenConfig(screenNo, g_config.CurrentScreenConfig, g_config.ConfigFilePath);
  g_config.ReplyWaitFloor = g_config.CurrentScreenConfig.WaitmSec;
  return read;
}

uint32_t ReplyWaitFloor() { return g_config.ReplyWaitFloor; }
void SetReplyWaitFloor(uint32_t ms) { g_config.ReplyWaitFloor = ms; }

bool ReadScreenConfig(int32_t screenNo, TScreenConfig& target, const std::string& path) {
  std::string file = path.empty() ? HostFilePath("LED.INI") : path;
  if (!FileExists(file)) return false;
  std::optional<IniFile> ini = LoadIniFile(file);
  return ini && ScreenConfigFromIni(*ini, screenNo, target);
}

bool ScreenConfigFromIni(const IniFile& ini, int32_t screenNo, TScreenConfig& target) {
  const std::string n = std::to_string(screenNo);
  const std::string address = strings::kAddress;
  const std::string candidates[] = {
      address + ": " + n,
      address + strings::kFullWidthColon + n,
      address + ":" + n,
      "Address:" + n,
  };
  const IniSection* section = nullptr;
  for (const std::string& name : candidates) {
    const IniSection* s = FindSection(ini, name);
    if (s != nullptr && (!ReadString(*s, "COMPort").empty() || ReadString(*s, "LinkMode") == "TCP/IP")) {
      section = s;
      break;
    }
  }
  if (section == nullptr) return false;

  TScreenConfig c;
  c.LinkAddr = ReadInt(*section, "LinkAddr");
  CopyText(c.COMPort, ReadString(*section, "COMPort"));
  CopyText(c.CardType, ReadString(*section, "CardType"));
  c.DisplayInverted = ReadString(*section, "Display") == strings::kInverted ? 1 : 0;
  const std::string linkMode = ReadString(*section, "LinkMode");
  c.LinkMode = linkMode == "GPRS" ? kLinkGprs : linkMode == "TCP/IP" ? kLinkUdp : kLinkSerial;
  const std::string baud = ReadString(*section, "BaudRate");
  c.BaudIndex = baud == "115200bps" ? 3 : baud == "38400bps" ? 2 : 1;
  CopyText(c.IPAddr, ReadString(*section, "IPAddr"));
  c.PortNO = static_cast<uint16_t>(ReadInt(*section, "PortNO"));
  c.Color = static_cast<uint8_t>(ReadInt(*section, "Color"));
  c.Width = ReadInt(*section, "Width");
  c.Height = ReadInt(*section, "Height");
  c.Light = static_cast<uint8_t>(ReadInt(*section, "Light"));
  c.ScanMode = static_cast<uint8_t>(ReadInt(*section, "ScanMode"));
  c.ColMode = static_cast<uint8_t>(ReadInt(*section, "ColMode"));
  c.RowMode = static_cast<uint8_t>(ReadInt(*section, "RowMode"));
  c.Electric = static_cast<uint8_t>(ReadInt(*section, "Electric"));
  c.Memo = static_cast<uint8_t>(ReadInt(*section, "Memo"));
  c.WaitmSec = static_cast<uint16_t>(ReadInt(*section, "WaitmSec"));
  target = c;
  return true;
}

int32_t BaudFromIndex(uint8_t index) {
  switch (index) {
    case 2: return 38400;
    case 3: return 115200;
    default: return 9600;
  }
}

}  // namespace vexilo

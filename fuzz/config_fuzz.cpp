// Feeds arbitrary bytes to the configuration reader as an "LED.INI" and reads
// a few screens from it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "frame/IniReaderUnit.h"
#include "frame/ScreenConfigUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vexilo::IniFile ini = vexilo::ParseIni(std::string_view(reinterpret_cast<const char*>(data), size));
  for (int32_t screen : {0, 1, 2, -1, 10}) {
    vexilo::TScreenConfig config;
    if (vexilo::ScreenConfigFromIni(ini, screen, config)) {
      // Text fields stay terminated within their capacity.
      if (config.COMPort[5] != 0 || config.CardType[10] != 0 || config.IPAddr[15] != 0) __builtin_trap();
    }
  }
  for (const auto& section : ini.Sections) {
    for (const auto& key : section.Keys) (void)vexilo::ParseProfileInt(key.Value);
  }
  return 0;
}

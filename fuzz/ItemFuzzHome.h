// What the item fuzz targets share: a home folder with an LED.INI of screens
// 1 to 4 (colour modes 1, 2, 3 and 0) and the library loaded there, and the
// bound that keeps drawable areas small.
#pragma once
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "frame/LifecycleUnit.h"
#include "render/DrawingUnit.h"

namespace vexilo::fuzzing {

// Makes the home folder, points VEXILO_HOME at it and loads the library;
// gives the folder.
inline std::string LoadLibraryInFuzzHome() {
  char tmpl[] = "/tmp/vexilo-fuzz-XXXXXX";
  std::string home = ::mkdtemp(tmpl);
  ::setenv("VEXILO_HOME", home.c_str(), 1);
  // GBK: [地址: 1] .. [地址: 4] with colour modes 1, 2, 3 and 0.
  std::string ini;
  const int colors[] = {1, 2, 3, 0};
  for (int i = 0; i < 4; ++i) {
    ini += "[\xB5\xD8\xD6\xB7: " + std::to_string(i + 1) + "]\r\nCOMPort=COM1\r\nColor=" + std::to_string(colors[i]) + "\r\n";
  }
  FILE* f = std::fopen((home + "/LED.INI").c_str(), "wb");
  std::fwrite(ini.data(), 1, ini.size(), f);
  std::fclose(f);
  LibraryLoad();
  return home;
}

// Drawable areas are kept to at most 2^18 pixels so that runs are not spent
// drawing huge pages; larger ones go to the items as drawn (they refuse them
// before allocating anything).
inline void KeepDrawableAreaSmall(int32_t& w, int32_t& h) {
  if (!RasterSizeAllowed(w, h) || static_cast<int64_t>(w) * h <= (int64_t{1} << 18)) return;
  w = 1 + w % 1024;
  h = 1 + h % 256;
}

}  // namespace vexilo::fuzzing

// What the item fuzz targets share: the reader that turns the input into
// record fields, a home folder with an LED.INI of screens 1 to 4 (colour
// modes 1, 2, 3 and 0) and the library loaded there, and the bound that keeps
// drawable areas small.
#pragma once
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "frame/LifecycleUnit.h"
#include "render/DrawingUnit.h"

namespace vexilo::fuzzing {

// Record fields from the fuzz input, zeros once it is used up.
struct Reader {
  const uint8_t* Data;
  size_t Size;
  size_t Pos = 0;
  uint8_t Byte() { return Pos < Size ? Data[Pos++] : 0; }
  int32_t Small(int32_t lo, int32_t hi) { return lo + static_cast<int32_t>(Byte() % static_cast<uint32_t>(hi - lo + 1)); }
  int32_t Int() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
    return static_cast<int32_t>(v);
  }
  // A 32-bit field: mostly a value from lo to hi, as hosts pass, and one time
  // in four any 32-bit value.
  int32_t Field(int32_t lo, int32_t hi) { return (Byte() & 3) == 0 ? Int() : Small(lo, hi); }
  // A flag: mostly 0 or 1, now and then any byte.
  uint8_t Flag() {
    const uint8_t b = Byte();
    return (b & 0xF0) == 0xF0 ? b : (b & 1);
  }
  // The next n bytes of the input (fewer at its end).
  std::vector<uint8_t> Take(size_t n) {
    n = std::min(n, Size - Pos);
    std::vector<uint8_t> out(Data + Pos, Data + Pos + n);
    Pos += n;
    return out;
  }
};

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

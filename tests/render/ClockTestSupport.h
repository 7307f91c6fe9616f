// What the tests of clock glyphs, clock pages and timer pages share: the
// 宋体 font of a size, and the lit pixels of one-plane data.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lang/CodePageUnit.h"
#include "vexilo.h"

namespace vexilo::testing {

using Bytes = std::vector<uint8_t>;

inline const std::string& SongName() {
  static const std::string name = Utf8ToGbk("宋体");
  return name;
}

inline FontSpec Song(int size) {
  FontSpec f{};
  f.FaceName = SongName().c_str();
  f.Size = size;
  f.TextColor = 1;
  return f;
}

// Pixel (x, y) of one-plane data `width` pixels wide, as a lit (1) bit.
inline bool Bit(const Bytes& data, int width, int x, int y) {
  const size_t row = (static_cast<size_t>(width) + 7) / 8;
  const uint8_t b = data[static_cast<size_t>(y) * row + static_cast<size_t>(x) / 8];
  return ((b >> (7 - x % 8)) & 1) != 0;
}

// Lit pixels in the rectangle [x0, x1) x [y0, y1).
inline int LitIn(const Bytes& data, int width, int x0, int x1, int y0, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) n += Bit(data, width, x, y) ? 1 : 0;
  }
  return n;
}

}  // namespace vexilo::testing

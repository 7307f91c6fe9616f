// Small writers of Windows bitmaps for tests, benchmarks and fuzz seeds:
// every header form and depth the bitmap reader takes, with the pixel values
// given as they are stored, so that a test can also write what no ordinary
// tool would.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vexilo::testing {

struct BmpLayout {
  int Bits = 24;
  uint32_t Compression = 0;  // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields, 6 bit fields with alpha
  uint32_t InfoSize = 40;    // 12 (OS/2 1.x), 16 to 64, 40, 52, 56, 108, 124
  bool FileHeader = true;    // false: a bare DIB
  bool TopDown = false;      // a negative height
  uint32_t ColorsUsed = 0;
  std::vector<uint32_t> Palette;  // 0xRRGGBB entries, written as the header form asks
  std::array<uint32_t, 4> Masks{};  // red, green, blue, alpha: written for bit fields
};

// A bitmap of width x values.size() pixels. values holds the rows top first;
// each value is a palette index (up to 8 bits), a 16- or 32-bit pixel, or
// 0xRRGGBB (24 bits). Rows are packed and padded as stored.
std::vector<uint8_t> WriteBmp(const BmpLayout& layout, int width, const std::vector<std::vector<uint32_t>>& values);

// A bitmap whose pixel data is the given bytes as they are (an RLE stream,
// or rows packed by the caller), with a height of `height` rows.
std::vector<uint8_t> WriteBmpData(const BmpLayout& layout, int width, int height, const std::vector<uint8_t>& pixelData);

// A 24-bit bottom-up bitmap of the picture given as 0xRRGGBB values, top row first.
std::vector<uint8_t> WriteBmp24(int width, int height, const std::vector<uint32_t>& rgb);

bool WriteBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace vexilo::testing

// What every picture decoder shares: the size check made before anything is
// allocated, the raster a picture is decoded into, and colour helpers.
#pragma once
#include <cstdint>
#include <string>

#include "render/DrawingUnit.h"

namespace vexilo {

// True when a picture of width x height fits the raster bounds of
// DrawingUnit.h; otherwise false with the reason in error. Decoders call it
// with the sizes their headers claim, before they allocate anything.
bool PictureSizeAllowed(int64_t width, int64_t height, std::string& error);

// A 24-bit raster of the picture's size, filled black; null with the reason
// in error when the size is not allowed or memory runs out.
RasterPtr NewPictureRaster(int64_t width, int64_t height, std::string& error);

// Pixel x of a 24-bit row set to (r, g, b), in the raster's blue, green, red order.
inline void PutRgb(uint8_t* row, int x, uint8_t r, uint8_t g, uint8_t b) {
  uint8_t* p = row + static_cast<size_t>(x) * 3;
  p[0] = b;
  p[1] = g;
  p[2] = r;
}

// A value of `bits` bits (1 to 32) scaled to 0..255, rounded to nearest.
inline uint8_t ScaleToByte(uint32_t value, int bits) {
  uint64_t max = (uint64_t{1} << bits) - 1;
  return static_cast<uint8_t>((uint64_t{value} * 255 + max / 2) / max);
}

}  // namespace vexilo

// Pictures of pages for people: PagePixelData or a raster as a PNG
// file (libpng), for tests, the preview tool and the demo.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "render/DrawingUnit.h"

namespace vexilo {

struct LedPngStyle {
  int Scale = 1;                               // each LED is Scale x Scale image pixels (1 to 64)
  bool Gaps = false;                           // with Scale 3 or more: a dark line between LEDs
  ColorRef MonoLit = MakeColorRef(255, 0, 0);  // a lit LED of a one-plane page
  ColorRef Unlit = MakeColorRef(0, 0, 0);
};

// The image of one- or two-plane pixel data of width x height LEDs: lit LEDs
// in their colour (one plane: MonoLit; two planes: red, green or yellow),
// unlit ones in Unlit. Rows are ceil(width / 8) bytes per plane, planes of a
// row in order red then green, as EncodePage writes them. Empty when the
// sizes are bad or the data is shorter than height x planes x ceil(width / 8).
std::vector<uint8_t> PagePngBytes(const uint8_t* data, size_t size, int width, int height, int planes,
                                  const LedPngStyle& style = {});
bool WritePagePng(const std::string& path, const uint8_t* data, size_t size, int width, int height, int planes,
                  const LedPngStyle& style = {});

// A raster of any pixel kind as an RGB image, pixel for pixel (scaled up).
std::vector<uint8_t> RasterPngBytes(const Raster& raster, int scale = 1);
bool WriteRasterPng(const std::string& path, const Raster& raster, int scale = 1);

}  // namespace vexilo

// JPEG pictures (jpg, jpeg, jpe, jfif), decoded by libjpeg-turbo into plain
// rasters like every other picture.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "render/DrawingUnit.h"

namespace vexilo {

// JPEG data (baseline, progressive or arithmetic; grey, YCbCr, RGB, CMYK or
// YCCK) as a 24-bit raster. Null with the reason in error when the data is
// not a JPEG, is damaged, ends before the last scan, or is too large.
RasterPtr DecodeJpeg(const uint8_t* data, size_t size, std::string& error);

}  // namespace vexilo

// PNG pictures, decoded by libpng.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "render/DrawingUnit.h"

namespace vexilo {

// PNG data as a 24-bit raster: every colour type and depth; 16-bit samples
// keep their high byte, grey becomes RGB, and alpha (also that of a tRNS
// chunk) is ignored. Null with the reason in error when the data is not a
// PNG, is damaged or truncated (CRC errors included), or is too large.
RasterPtr DecodePng(const uint8_t* data, size_t size, std::string& error);

}  // namespace vexilo

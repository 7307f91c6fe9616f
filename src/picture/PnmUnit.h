// Our reader of the portable any-map family: ppm, pgm and pbm pictures.
//
// Read: P1 to P3 (ASCII) and P4 to P6 (binary) with comments in the header,
// maximum sample values from 1 to 65535 (two bytes, most significant first,
// above 255), samples scaled to 0..255. In bitmaps (P1, P4) 1 is black. The
// first picture of the data is read. Samples above the maximum value, and
// data that ends before the last sample, fail.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "render/DrawingUnit.h"

namespace vexilo {

RasterPtr DecodePnm(const uint8_t* data, size_t size, std::string& error);

}  // namespace vexilo

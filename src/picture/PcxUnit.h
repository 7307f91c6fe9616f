// Our ZSoft Paintbrush (PCX) reader: pcx, and pcc and scr, which are the
// same format.
//
// Read: 1 bit in 1 plane (black and white), 1 bit in 2 to 4 planes and 2 or
// 4 bits in 1 plane (the 16-entry palette of the header), 8 bits in 1 plane
// (the 256-entry palette after the pixel data, or grey where there is none),
// 8 bits in 3 or 4 planes (RGB, a fourth plane of alpha ignored);
// run-length encoded (runs may cross row ends) or, rarely, stored plainly.
// The data must hold every row: a stream that ends early, or a 256-colour
// palette that is cut short, fails.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "render/DrawingUnit.h"

namespace vexilo {

RasterPtr DecodePcx(const uint8_t* data, size_t size, std::string& error);

}  // namespace vexilo

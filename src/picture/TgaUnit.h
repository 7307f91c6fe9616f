// Our Truevision TGA (Targa) reader: tga and the Targa extensions vst, vda,
// icb and win.
//
// Read: colour-mapped (8- or 16-bit indices into a map of 15-, 16-, 24- or
// 32-bit entries), true-colour (15, 16, 24, 32 bits) and grey (8 bits, or 16
// with alpha) pictures, uncompressed or run-length encoded (runs may cross
// row ends), stored from the bottom or the top, left to right or right to
// left. Alpha and attribute bits are ignored; indices outside the colour map
// are black. The data must hold every pixel: sizes are checked against it
// before anything is allocated.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "render/DrawingUnit.h"

namespace vexilo {

RasterPtr DecodeTga(const uint8_t* data, size_t size, std::string& error);

}  // namespace vexilo

// TIFF pictures (tif, tiff) and fax pictures (CCITT-compressed TIFF),
// decoded by libtiff.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "render/DrawingUnit.h"

namespace vexilo {

// The first image of TIFF data as a 24-bit raster, through libtiff's RGBA
// interface: every compression and photometric kind it knows (uncompressed,
// LZW, Deflate, PackBits, JPEG, CCITT G3 and G4 fax, palette, grey, RGB,
// CMYK, YCbCr), strips or tiles. Pictures with alpha come out as libtiff
// gives them, their colours multiplied by alpha (transparent is black). Null
// with the reason in error when libtiff cannot read it, or it is too large.
RasterPtr DecodeTiff(const uint8_t* data, size_t size, std::string& error);

}  // namespace vexilo

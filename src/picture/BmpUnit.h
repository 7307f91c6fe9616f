// Our Windows bitmap (BMP, RLE, DIB) reader, for picture files and for the
// bitmaps that list entries carry in memory.
//
// Read: the 14-byte file header ("BM") or none (a bare DIB that starts with
// its info header); OS/2 1.x core headers (12 bytes, 3-byte palette entries),
// OS/2 2.x headers (16 to 64 bytes), BITMAPINFOHEADER (40) and its V2, V3,
// V4 and V5 forms (52, 56, 108, 124); 1, 2, 4 and 8 bits per pixel through
// the palette, 16 and 32 bits by bit-field masks (5-5-5 and 8-8-8 when the
// file gives none), 24 bits; BI_RLE8 and BI_RLE4; bottom-up and top-down rows.
//
// How pictures come out:
// - Alpha is ignored: bitmaps are drawn opaque.
// - A palette shorter than the depth allows (biClrUsed, or a pixel-data
//   offset that leaves room for fewer entries) is used as given; indices past
//   its end are black.
// - Pixels that an RLE stream leaves out (skipped by a delta, or rows and row
//   ends passed over by end-of-line or end-of-bitmap) are black; runs that
//   reach past the right edge are cut there.
// - An RLE stream must end with end-of-bitmap or reach past the top row;
//   one that stops earlier is truncated and fails.
// - Every size and offset is checked against the data before it is used and
//   before the raster is allocated: short or lying data fails with a message.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "render/DrawingUnit.h"

namespace vexilo {

// A Windows bitmap file (BMP, DIB) held in memory, as a 24-bit raster; null
// with the reason in error when it does not decode.
RasterPtr DecodeBmp(const uint8_t* data, size_t size, std::string& error);

}  // namespace vexilo

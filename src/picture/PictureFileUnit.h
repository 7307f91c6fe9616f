// Picture files: a file decoded into a raster, the decoder chosen by the
// file name's extension (case-insensitive), and Windows bitmaps held in
// memory (the pictures of list entries).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "render/DrawingUnit.h"

namespace vexilo {

// The picture in the file as a 24-bit raster, or null with error set to a
// message that names the file and the reason (no such file, an extension no
// decoder knows or a picture that is no plain raster, a decoding error).
RasterPtr LoadPictureFile(const std::string& path, std::string& error);

// A Windows bitmap file (BMP, DIB) held in memory, as a 24-bit raster; null
// with the reason in error when it does not decode.
RasterPtr DecodeBmp(const uint8_t* data, size_t size, std::string& error);

}  // namespace vexilo

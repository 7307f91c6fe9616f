// GIF data: the frames of an animated GIF composed as the card composes
// them, and the first frame of a GIF picture file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "render/DrawingUnit.h"

namespace vexilo {

// The first frame of GIF data (GIF87a or GIF89a) as a still 24-bit picture of
// the logical screen's size; null with the reason in error when it does not
// decode.
RasterPtr DecodeGifPicture(const uint8_t* data, size_t size, std::string& error);

}  // namespace vexilo

#include "render/GifUnit.h"

namespace vexilo {

// Not built yet: no GIF decodes.
RasterPtr DecodeGifPicture(const uint8_t*, size_t, std::string& error) {
  error = "GIF pictures cannot be read yet";
  return nullptr;
}

}  // namespace vexilo

#include "picture/PictureFileUnit.h"

namespace vexilo {

// Not built yet: no picture decodes.
RasterPtr LoadPictureFile(const std::string& path, std::string& error) {
  error = path + ": picture files cannot be read yet";
  return nullptr;
}

RasterPtr DecodeBmp(const uint8_t*, size_t, std::string& error) {
  error = "bitmaps cannot be read yet";
  return nullptr;
}

}  // namespace vexilo

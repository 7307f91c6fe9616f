#include "picture/PictureRasterUnit.h"

#include <algorithm>
#include <new>

namespace vexilo {

bool PictureSizeAllowed(int64_t width, int64_t height, std::string& error) {
  if (width < 1 || height < 1) {
    error = "picture has no pixels (" + std::to_string(width) + " x " + std::to_string(height) + ")";
    return false;
  }
  if (width > kMaxRasterSide || height > kMaxRasterSide || width * height > kMaxRasterPixels) {
    error = "picture is too large (" + std::to_string(width) + " x " + std::to_string(height) + " pixels; at most " +
            std::to_string(kMaxRasterSide) + " on a side and " + std::to_string(kMaxRasterPixels) + " in all)";
    return false;
  }
  return true;
}

RasterPtr NewPictureRaster(int64_t width, int64_t height, std::string& error) {
  if (!PictureSizeAllowed(width, height, error)) return nullptr;
  RasterPtr raster;
  try {
    raster = CreateRaster(static_cast<int>(width), static_cast<int>(height), PixelKind::Rgb24);
  } catch (const std::bad_alloc&) {
    raster = nullptr;
  }
  if (!raster) {
    error = "not enough memory for a picture of " + std::to_string(width) + " x " + std::to_string(height);
    return nullptr;
  }
  std::fill(raster->Pixels.begin(), raster->Pixels.end(), uint8_t{0});
  return raster;
}

}  // namespace vexilo

// Feeds arbitrary bytes to the bitmap reader, as list entries hand bitmaps
// over in memory. The data lies in a buffer of exactly its size, so that
// AddressSanitizer sees any read past it; a decoded raster must be whole.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "picture/BmpUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> copy(data, data + size);
  std::string error;
  vexilo::RasterPtr raster = vexilo::DecodeBmp(copy.data(), copy.size(), error);
  if (!raster) {
    if (error.empty()) __builtin_trap();  // a failure always says why
    return 0;
  }
  if (raster->Kind != vexilo::PixelKind::Rgb24 || raster->Width < 1 || raster->Height < 1 ||
      raster->Width > vexilo::kMaxRasterSide || raster->Height > vexilo::kMaxRasterSide ||
      raster->Stride != static_cast<size_t>(raster->Width) * 3 ||
      raster->Pixels.size() != raster->Stride * static_cast<size_t>(raster->Height)) {
    __builtin_trap();
  }
  return 0;
}

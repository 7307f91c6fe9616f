// Feeds arbitrary bytes to our other picture readers: the first byte picks
// TGA, PCX or PNM, the rest is the file. The data lies in a buffer of exactly
// its size, so that AddressSanitizer sees any read past it; a decoded raster
// must be whole.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/PcxUnit.h"
#include "picture/PnmUnit.h"
#include "picture/TgaUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::vector<uint8_t> file(data + 1, data + size);
  std::string error;
  vexilo::RasterPtr raster;
  switch (data[0] % 3) {
    case 0:
      raster = vexilo::DecodeTga(file.data(), file.size(), error);
      break;
    case 1:
      raster = vexilo::DecodePcx(file.data(), file.size(), error);
      break;
    default:
      raster = vexilo::DecodePnm(file.data(), file.size(), error);
      break;
  }
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

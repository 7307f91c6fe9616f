#include "picture/TiffPictureUnit.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "picture/PictureRasterUnit.h"

namespace vexilo {
namespace {

// TIFF data read in place through libtiff's client interface.
struct TiffSource {
  const uint8_t* Data = nullptr;
  uint64_t Size = 0;
  uint64_t Pos = 0;
  std::string Message;  // libtiff's first error
};

tmsize_t ReadProc(thandle_t handle, void* out, tmsize_t length) {
  auto* source = static_cast<TiffSource*>(handle);
  if (length <= 0 || source->Pos >= source->Size) return 0;
  uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(length), source->Size - source->Pos);
  std::memcpy(out, source->Data + source->Pos, n);
  source->Pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<TiffSource*>(handle);
  uint64_t base = whence == SEEK_CUR ? source->Pos : whence == SEEK_END ? source->Size : 0;
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return static_cast<toff_t>(-1);
  // libtiff passes offsets as unsigned; a backward move arrives wrapped.
  source->Pos = base + offset;
  return source->Pos;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return static_cast<TiffSource*>(handle)->Size; }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
  auto* source = static_cast<TiffSource*>(user);
  if (source->Message.empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    source->Message = text;
    (void)module;
  }
  return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct OptionsFree {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

std::string Reason(const TiffSource& source, const char* fallback) {
  return source.Message.empty() ? std::string(fallback) : "damaged TIFF: " + source.Message;
}

}  // namespace

RasterPtr DecodeTiff(const uint8_t* data, size_t size, std::string& error) {
  if (!data || size < 8 || !((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M'))) {
    error = "not a TIFF file (no byte-order mark)";
    return nullptr;
  }
  TiffSource source{data, size, 0, {}};
  std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
  if (!options) {
    error = "not enough memory to read the TIFF";
    return nullptr;
  }
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &source);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &source);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), 256 << 20);
  // "m": no memory mapping (the data is already in memory and read in place).
  std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpenExt("picture", "rm", &source, ReadProc, WriteProc, SeekProc,
                                                           CloseProc, SizeProc, MapProc, UnmapProc, options.get()));
  if (!tiff) {
    error = Reason(source, "not a readable TIFF file");
    return nullptr;
  }
  uint32_t width = 0, height = 0;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
  if (!PictureSizeAllowed(width, height, error)) return nullptr;
  char why[1024] = {};
  if (!TIFFRGBAImageOK(tiff.get(), why)) {
    error = std::string("TIFF image kind not supported: ") + why;
    return nullptr;
  }
  std::vector<uint32_t> rgba;
  try {
    rgba.resize(static_cast<size_t>(width) * height);
  } catch (const std::bad_alloc&) {
    error = "not enough memory for a TIFF of " + std::to_string(width) + " x " + std::to_string(height);
    return nullptr;
  }
  if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, rgba.data(), ORIENTATION_TOPLEFT, 1) ||
      !source.Message.empty()) {
    error = Reason(source, "TIFF image data cannot be read");
    return nullptr;
  }
  RasterPtr raster = NewPictureRaster(width, height, error);
  if (!raster) return nullptr;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* out = RasterRow(*raster, static_cast<int>(y));
    const uint32_t* in = rgba.data() + static_cast<size_t>(y) * width;
    for (uint32_t x = 0; x < width; ++x) {
      PutRgb(out, static_cast<int>(x), static_cast<uint8_t>(TIFFGetR(in[x])), static_cast<uint8_t>(TIFFGetG(in[x])),
             static_cast<uint8_t>(TIFFGetB(in[x])));
    }
  }
  return raster;
}

}  // namespace vexilo

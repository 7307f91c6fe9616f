#include "picture/PngPictureUnit.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <vector>

#include "picture/PictureRasterUnit.h"

namespace vexilo {
namespace {

struct PngReader {
  const uint8_t* Data = nullptr;
  size_t Size = 0;
  size_t Pos = 0;
  std::string Message;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
  if (reader->Size - reader->Pos < length) png_error(png, "PNG data ends early");
  std::copy(reader->Data + reader->Pos, reader->Data + reader->Pos + length, out);
  reader->Pos += length;
}

void OnError(png_structp png, png_const_charp message) {
  auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
  reader->Message = message ? message : "damaged PNG data";
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

struct PngReadGuard {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  ~PngReadGuard() { png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr); }
};

// Reads the picture into raster. Everything that changes after setjmp lives
// in the caller's frame, so its value survives the long jump of an error.
bool ReadPng(PngReadGuard& guard, PngReader& reader, RasterPtr& raster, std::vector<png_bytep>& rows,
             std::string& error) {
  if (setjmp(png_jmpbuf(guard.Png))) {
    error = "damaged PNG: " + reader.Message;
    return false;
  }
  png_set_read_fn(guard.Png, &reader, ReadFromMemory);
  png_set_user_limits(guard.Png, kMaxRasterSide, kMaxRasterSide);
  png_set_chunk_malloc_max(guard.Png, 64u << 20);
  png_read_info(guard.Png, guard.Info);
  png_uint_32 width = png_get_image_width(guard.Png, guard.Info);
  png_uint_32 height = png_get_image_height(guard.Png, guard.Info);
  raster = NewPictureRaster(width, height, error);
  if (!raster) return false;

  png_set_expand(guard.Png);  // palette to RGB, grey below 8 bits to 8 bits, tRNS to alpha
  png_set_strip_16(guard.Png);
  png_set_strip_alpha(guard.Png);
  png_set_gray_to_rgb(guard.Png);
  png_set_bgr(guard.Png);
  png_set_interlace_handling(guard.Png);
  png_read_update_info(guard.Png, guard.Info);
  if (png_get_rowbytes(guard.Png, guard.Info) != raster->Stride) {
    error = "PNG rows do not come out as 24-bit pixels";
    return false;
  }
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = RasterRow(*raster, static_cast<int>(y));
  png_read_image(guard.Png, rows.data());
  png_read_end(guard.Png, nullptr);
  return true;
}

}  // namespace

RasterPtr DecodePng(const uint8_t* data, size_t size, std::string& error) {
  if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    error = "not a PNG file (no PNG signature)";
    return nullptr;
  }
  PngReader reader{data, size, 0, {}};
  PngReadGuard guard;
  guard.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, OnError, OnWarning);
  if (guard.Png) guard.Info = png_create_info_struct(guard.Png);
  if (!guard.Png || !guard.Info) {
    error = "not enough memory to read the PNG";
    return nullptr;
  }
  RasterPtr raster;
  std::vector<png_bytep> rows;
  if (!ReadPng(guard, reader, raster, rows, error)) return nullptr;
  return raster;
}

}  // namespace vexilo

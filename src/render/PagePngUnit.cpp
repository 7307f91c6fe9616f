#include "render/PagePngUnit.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace vexilo {
namespace {

constexpr int kMaxImageSide = 16384;

struct PngWriteGuard {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  ~PngWriteGuard() { png_destroy_write_struct(&Png, Info ? &Info : nullptr); }
};

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// Encodes an RGB image given row by row by `row(y, out)`.
template <typename RowFn>
std::vector<uint8_t> EncodeRgb(int width, int height, RowFn row) {
  std::vector<uint8_t> out;
  if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide) return out;
  PngWriteGuard guard;
  guard.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!guard.Png) return out;
  guard.Info = png_create_info_struct(guard.Png);
  if (!guard.Info) return out;
  std::vector<uint8_t> line(static_cast<size_t>(width) * 3);
  if (setjmp(png_jmpbuf(guard.Png))) {
    out.clear();
    return out;
  }
  png_set_write_fn(guard.Png, &out, AppendBytes, NoFlush);
  png_set_IHDR(guard.Png, guard.Info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(guard.Png, guard.Info);
  for (int y = 0; y < height; ++y) {
    row(y, line.data());
    png_write_row(guard.Png, line.data());
  }
  png_write_end(guard.Png, nullptr);
  return out;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!f) return false;
  return std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
}

void Put(uint8_t* out, int x, ColorRef c) {
  out[3 * x] = RedOf(c);
  out[3 * x + 1] = GreenOf(c);
  out[3 * x + 2] = BlueOf(c);
}

}  // namespace

std::vector<uint8_t> PagePngBytes(const uint8_t* data, size_t size, int width, int height, int planes,
                                  const LedPngStyle& style) {
  if (!data || width < 1 || height < 1 || (planes != 1 && planes != 2)) return {};
  if (style.Scale < 1 || style.Scale > 64) return {};
  size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  size_t planeRow = rowBytes * planes;
  if (planeRow * static_cast<size_t>(height) > size) return {};
  int64_t iw = static_cast<int64_t>(width) * style.Scale, ih = static_cast<int64_t>(height) * style.Scale;
  if (iw > kMaxImageSide || ih > kMaxImageSide) return {};
  int scale = style.Scale;
  bool gaps = style.Gaps && scale >= 3;
  auto lit = [&](int x, int y) -> ColorRef {
    const uint8_t* row = data + planeRow * static_cast<size_t>(y);
    // A last byte that is not full holds its pixels in its low bits.
    int tail = width % 8;
    int shift = (tail != 0 && static_cast<size_t>(x / 8) == rowBytes - 1) ? tail - 1 - x % 8 : 7 - x % 8;
    auto bit = [&](int plane) { return (row[plane * rowBytes + x / 8] >> shift) & 1; };
    if (planes == 1) return bit(0) ? style.MonoLit : style.Unlit;
    int r = bit(0), g = bit(1);
    if (!r && !g) return style.Unlit;
    return MakeColorRef(r ? 255 : 0, g ? 255 : 0, 0);
  };
  return EncodeRgb(static_cast<int>(iw), static_cast<int>(ih), [&](int y, uint8_t* out) {
    int ly = y / scale;
    bool gapRow = gaps && y % scale == scale - 1;
    for (int x = 0; x < iw; ++x) {
      bool gap = gapRow || (gaps && x % scale == scale - 1);
      Put(out, x, gap ? MakeColorRef(24, 24, 24) : lit(x / scale, ly));
    }
  });
}

bool WritePagePng(const std::string& path, const uint8_t* data, size_t size, int width, int height, int planes,
                  const LedPngStyle& style) {
  return WriteFile(path, PagePngBytes(data, size, width, height, planes, style));
}

std::vector<uint8_t> RasterPngBytes(const Raster& raster, int scale) {
  if (scale < 1 || scale > 64) return {};
  int64_t iw = static_cast<int64_t>(raster.Width) * scale, ih = static_cast<int64_t>(raster.Height) * scale;
  if (iw > kMaxImageSide || ih > kMaxImageSide) return {};
  return EncodeRgb(static_cast<int>(iw), static_cast<int>(ih), [&](int y, uint8_t* out) {
    for (int x = 0; x < iw; ++x) Put(out, x, GetPixel(raster, x / scale, y / scale));
  });
}

bool WriteRasterPng(const std::string& path, const Raster& raster, int scale) {
  return WriteFile(path, RasterPngBytes(raster, scale));
}

}  // namespace vexilo

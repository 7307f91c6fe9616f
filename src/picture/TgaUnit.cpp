#include "picture/TgaUnit.h"

#include <array>
#include <vector>

#include "base/ByteOrderUnit.h"
#include "picture/PictureRasterUnit.h"

namespace vexilo {
namespace {

constexpr size_t kHeaderSize = 18;

struct Rgb {
  uint8_t R = 0, G = 0, B = 0;
};

// One pixel or colour-map entry of `bytes` bytes (little-endian) as a colour.
Rgb ColorOf(const uint8_t* p, int bits) {
  switch (bits) {
    case 15:
    case 16: {  // A RRRRR GGGGG BBBBB
      uint16_t v = GetLe16(p);
      return Rgb{ScaleToByte((v >> 10) & 31, 5), ScaleToByte((v >> 5) & 31, 5), ScaleToByte(v & 31, 5)};
    }
    case 24:
    case 32:
      return Rgb{p[2], p[1], p[0]};
    default:
      return Rgb{};
  }
}

bool Fail(std::string& error, std::string message) {
  error = std::move(message);
  return false;
}

}  // namespace

RasterPtr DecodeTga(const uint8_t* data, size_t size, std::string& error) {
  if (!data || size < kHeaderSize) {
    error = "TGA data ends inside its header";
    return nullptr;
  }
  const int idLength = data[0], mapType = data[1], imageType = data[2];
  const int mapFirst = GetLe16(data + 3), mapLength = GetLe16(data + 5), mapBits = data[7];
  const int width = GetLe16(data + 12), height = GetLe16(data + 14), depth = data[16], descriptor = data[17];
  const bool rle = imageType >= 9;
  const int kind = imageType & 7;  // 1 colour-mapped, 2 true-colour, 3 grey
  if (mapType > 1 || (imageType != 1 && imageType != 2 && imageType != 3 && imageType != 9 && imageType != 10 &&
                      imageType != 11)) {
    error = imageType == 0 ? "TGA file holds no picture" : "not a TGA picture (image type " +
                                                               std::to_string(imageType) + ")";
    return nullptr;
  }
  bool depthOk = (kind == 1 && (depth == 8 || depth == 16)) ||
                 (kind == 2 && (depth == 15 || depth == 16 || depth == 24 || depth == 32)) ||
                 (kind == 3 && (depth == 8 || depth == 16));
  if (!depthOk) {
    error = "TGA pictures of image type " + std::to_string(imageType) + " with " + std::to_string(depth) +
            " bits per pixel are not supported";
    return nullptr;
  }
  if (kind == 1 && (mapType != 1 || !(mapBits == 15 || mapBits == 16 || mapBits == 24 || mapBits == 32))) {
    error = "TGA colour-mapped picture without a usable colour map";
    return nullptr;
  }
  if (!PictureSizeAllowed(width, height, error)) return nullptr;

  // The colour map, whose size counts even when the picture does not use it.
  const size_t mapEntryBytes = mapType == 1 ? (static_cast<size_t>(mapBits) + 7) / 8 : 0;
  const size_t mapStart = kHeaderSize + static_cast<size_t>(idLength);
  const size_t pixelStart = mapStart + mapEntryBytes * static_cast<size_t>(mapType == 1 ? mapLength : 0);
  if (pixelStart > size) {
    error = "TGA data ends inside its colour map";
    return nullptr;
  }
  const size_t pixelBytes = (static_cast<size_t>(depth) + 7) / 8;
  const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  const size_t available = size - pixelStart;
  // Uncompressed data holds every pixel; encoded data at least one packet of
  // at most 128 pixels, each a count byte and one pixel.
  const uint64_t least = rle ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
  if (least > available) {
    error = "TGA pixel data ends early: " + std::to_string(available) + " bytes for " + std::to_string(width) +
            " x " + std::to_string(height) + " pixels";
    return nullptr;
  }
  RasterPtr raster = NewPictureRaster(width, height, error);
  if (!raster) return nullptr;

  std::vector<Rgb> map;
  if (kind == 1) {
    map.resize(static_cast<size_t>(mapLength));
    for (int i = 0; i < mapLength; ++i) map[i] = ColorOf(data + mapStart + mapEntryBytes * i, mapBits);
  }
  auto colorOf = [&](const uint8_t* p) -> Rgb {
    if (kind == 1) {
      int index = (depth == 8 ? p[0] : GetLe16(p)) - mapFirst;
      return index >= 0 && index < mapLength ? map[index] : Rgb{};
    }
    if (kind == 3) return Rgb{p[0], p[0], p[0]};
    return ColorOf(p, depth);
  };
  const bool topDown = (descriptor & 0x20) != 0, rightToLeft = (descriptor & 0x10) != 0;
  auto put = [&](uint64_t n, Rgb c) {
    int y = static_cast<int>(n / width), x = static_cast<int>(n % width);
    if (!topDown) y = height - 1 - y;
    if (rightToLeft) x = width - 1 - x;
    PutRgb(RasterRow(*raster, y), x, c.R, c.G, c.B);
  };

  const uint8_t* p = data + pixelStart;
  const uint8_t* end = data + size;
  if (!rle) {
    for (uint64_t n = 0; n < pixels; ++n, p += pixelBytes) put(n, colorOf(p));
    return raster;
  }
  uint64_t n = 0;
  while (n < pixels) {
    if (end - p < 1) {
      Fail(error, "TGA encoded data ends early");
      return nullptr;
    }
    const int header = *p++;
    const uint64_t count = std::min<uint64_t>(static_cast<uint64_t>(header & 0x7F) + 1, pixels - n);
    if (header & 0x80) {  // one pixel repeated
      if (static_cast<size_t>(end - p) < pixelBytes) {
        Fail(error, "TGA encoded data ends early");
        return nullptr;
      }
      Rgb c = colorOf(p);
      p += pixelBytes;
      for (uint64_t i = 0; i < count; ++i) put(n++, c);
    } else {  // count pixels as they are
      if (static_cast<uint64_t>(end - p) < count * pixelBytes) {
        Fail(error, "TGA encoded data ends early");
        return nullptr;
      }
      for (uint64_t i = 0; i < count; ++i, p += pixelBytes) put(n++, colorOf(p));
    }
  }
  return raster;
}

}  // namespace vexilo

#include "picture/PcxUnit.h"

#include <array>
#include <vector>

#include "base/ByteOrderUnit.h"
#include "picture/PictureRasterUnit.h"

namespace vexilo {
namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kVgaPaletteSize = 769;  // the mark 0x0C and 256 RGB entries
constexpr uint8_t kVgaPaletteMark = 0x0C;

struct Rgb {
  uint8_t R = 0, G = 0, B = 0;
};

}  // namespace

RasterPtr DecodePcx(const uint8_t* data, size_t size, std::string& error) {
  if (!data || size < kHeaderSize) {
    error = "PCX data ends inside its header";
    return nullptr;
  }
  if (data[0] != 0x0A) {
    error = "not a PCX picture (no ZSoft mark)";
    return nullptr;
  }
  const int version = data[1], encoding = data[2], bits = data[3];
  const int xMin = GetLe16(data + 4), yMin = GetLe16(data + 6), xMax = GetLe16(data + 8), yMax = GetLe16(data + 10);
  const int planes = data[65], bytesPerLine = GetLe16(data + 66);
  if (encoding > 1) {
    error = "PCX encoding " + std::to_string(encoding) + " is not supported";
    return nullptr;
  }
  const bool indexed = (bits == 1 && planes >= 1 && planes <= 4) || ((bits == 2 || bits == 4) && planes == 1) ||
                       (bits == 8 && planes == 1);
  const bool rgb = bits == 8 && (planes == 3 || planes == 4);
  if (!indexed && !rgb) {
    error = "PCX pictures of " + std::to_string(planes) + " planes of " + std::to_string(bits) +
            " bits are not supported";
    return nullptr;
  }
  if (xMax < xMin || yMax < yMin) {
    error = "PCX picture has no pixels (window " + std::to_string(xMin) + "," + std::to_string(yMin) + " to " +
            std::to_string(xMax) + "," + std::to_string(yMax) + ")";
    return nullptr;
  }
  const int width = xMax - xMin + 1, height = yMax - yMin + 1;
  if (!PictureSizeAllowed(width, height, error)) return nullptr;
  if (static_cast<int64_t>(bytesPerLine) * 8 < static_cast<int64_t>(width) * bits) {
    error = "PCX rows of " + std::to_string(bytesPerLine) + " bytes cannot hold " + std::to_string(width) +
            " pixels of " + std::to_string(bits) + " bits";
    return nullptr;
  }

  // The 256-colour palette follows the pixel data of 8-bit, one-plane
  // pictures (version 5); without it they are grey.
  std::array<Rgb, 256> palette{};
  size_t dataEnd = size;
  bool vgaPalette = false;
  if (bits == 8 && planes == 1) {
    vgaPalette = version >= 5 && size >= kHeaderSize + kVgaPaletteSize && data[size - kVgaPaletteSize] == kVgaPaletteMark;
    if (vgaPalette) {
      dataEnd = size - kVgaPaletteSize;
      for (int i = 0; i < 256; ++i) {
        const uint8_t* e = data + dataEnd + 1 + 3 * i;
        palette[i] = Rgb{e[0], e[1], e[2]};
      }
    } else {
      for (int i = 0; i < 256; ++i) palette[i] = Rgb{uint8_t(i), uint8_t(i), uint8_t(i)};
    }
  } else if (bits == 1 && planes == 1) {
    palette[1] = Rgb{255, 255, 255};
  } else if (indexed) {
    for (int i = 0; i < 16; ++i) palette[i] = Rgb{data[16 + 3 * i], data[17 + 3 * i], data[18 + 3 * i]};
  }

  // Every row is bytesPerLine bytes per plane. Encoded, two input bytes give
  // at most 63 bytes of output, which bounds the sizes the data can hold.
  const size_t lineBytes = static_cast<size_t>(bytesPerLine) * planes;
  const uint64_t total = static_cast<uint64_t>(lineBytes) * height;
  const size_t available = dataEnd - kHeaderSize;
  const uint64_t least = encoding ? (total + 62) / 63 : total;
  if (least > available) {
    error = "PCX pixel data ends early: " + std::to_string(available) + " bytes for " + std::to_string(width) +
            " x " + std::to_string(height) + " pixels";
    return nullptr;
  }
  RasterPtr raster = NewPictureRaster(width, height, error);
  if (!raster) return nullptr;

  std::vector<uint8_t> line(lineBytes);
  const uint8_t* p = data + kHeaderSize;
  const uint8_t* end = data + dataEnd;
  int runLeft = 0;  // a run may carry over into the next row
  uint8_t runValue = 0;
  for (int y = 0; y < height; ++y) {
    if (!encoding) {
      std::copy(p, p + lineBytes, line.begin());
      p += lineBytes;
    } else {
      for (size_t i = 0; i < lineBytes;) {
        if (runLeft == 0) {
          if (p == end) {
            error = "PCX encoded data ends early";
            return nullptr;
          }
          uint8_t b = *p++;
          if ((b & 0xC0) == 0xC0) {
            if (p == end) {
              error = "PCX encoded data ends early";
              return nullptr;
            }
            runLeft = b & 0x3F;
            runValue = *p++;
            continue;
          }
          line[i++] = b;
          continue;
        }
        line[i++] = runValue;
        --runLeft;
      }
    }
    uint8_t* out = RasterRow(*raster, y);
    for (int x = 0; x < width; ++x) {
      if (rgb) {
        PutRgb(out, x, line[x], line[bytesPerLine + x], line[2 * bytesPerLine + x]);
        continue;
      }
      int index = 0;
      if (bits == 8) {
        index = line[x];
      } else if (bits == 1) {  // one bit from each plane, plane 0 the lowest
        for (int k = 0; k < planes; ++k) index |= ((line[k * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << k;
      } else {
        int perByte = 8 / bits, shift = 8 - bits * (x % perByte + 1);
        index = (line[x / perByte] >> shift) & ((1 << bits) - 1);
      }
      const Rgb& c = palette[index];
      PutRgb(out, x, c.R, c.G, c.B);
    }
  }
  // A 256-colour palette cut short leaves its mark behind the pixel data.
  if (bits == 8 && planes == 1 && !vgaPalette && p < end && *p == kVgaPaletteMark &&
      static_cast<size_t>(end - p) < kVgaPaletteSize) {
    error = "PCX palette ends early";
    return nullptr;
  }
  return raster;
}

}  // namespace vexilo

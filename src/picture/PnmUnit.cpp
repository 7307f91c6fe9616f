#include "picture/PnmUnit.h"

#include "picture/PictureRasterUnit.h"

namespace vexilo {
namespace {

constexpr uint32_t kMaxNumber = 1u << 30;  // header numbers above this are refused

bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

struct Cursor {
  const uint8_t* P;
  const uint8_t* End;

  // Passes whitespace and comments ("#" to the end of the line).
  void SkipSpace() {
    while (P < End) {
      if (*P == '#') {
        while (P < End && *P != '\n' && *P != '\r') ++P;
      } else if (IsSpace(*P)) {
        ++P;
      } else {
        break;
      }
    }
  }

  // A decimal number after optional whitespace; false when there is none or
  // it is too large.
  bool Number(uint32_t& value) {
    SkipSpace();
    if (P == End || *P < '0' || *P > '9') return false;
    uint64_t v = 0;
    while (P < End && *P >= '0' && *P <= '9') {
      v = v * 10 + (*P++ - '0');
      if (v > kMaxNumber) return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
  }
};

}  // namespace

RasterPtr DecodePnm(const uint8_t* data, size_t size, std::string& error) {
  if (!data || size < 2 || data[0] != 'P' || data[1] < '1' || data[1] > '6') {
    error = "not a PNM picture (no P1 to P6 mark)";
    return nullptr;
  }
  const int kind = data[1] - '0';
  const bool ascii = kind <= 3;
  const bool bitmap = kind == 1 || kind == 4;
  const int channels = (kind == 3 || kind == 6) ? 3 : 1;
  Cursor in{data + 2, data + size};
  uint32_t width = 0, height = 0, maxValue = 1;
  if (!in.Number(width) || !in.Number(height) || (!bitmap && !in.Number(maxValue))) {
    error = "PNM header is damaged or ends early";
    return nullptr;
  }
  if (maxValue < 1 || maxValue > 65535) {
    error = "PNM maximum sample value " + std::to_string(maxValue) + " is not from 1 to 65535";
    return nullptr;
  }
  if (!PictureSizeAllowed(width, height, error)) return nullptr;
  const uint64_t samples = uint64_t{width} * height * channels;
  if (!ascii) {
    // One whitespace byte ends the header.
    if (in.P == in.End || !IsSpace(*in.P)) {
      error = "PNM header is damaged or ends early";
      return nullptr;
    }
    ++in.P;
  }
  const size_t available = static_cast<size_t>(in.End - in.P);
  const int sampleBytes = maxValue > 255 ? 2 : 1;
  const uint64_t rowBytes = bitmap ? (uint64_t{width} + 7) / 8 : uint64_t{width} * channels * sampleBytes;
  // ASCII samples take a character each (bitmaps) or a digit and a separator.
  const uint64_t least = ascii ? (bitmap ? samples : 2 * samples - 1) : rowBytes * height;
  if (least > available) {
    error = "PNM pixel data ends early: " + std::to_string(available) + " bytes for " + std::to_string(width) +
            " x " + std::to_string(height) + " pixels";
    return nullptr;
  }
  RasterPtr raster = NewPictureRaster(width, height, error);
  if (!raster) return nullptr;

  auto scale = [&](uint32_t v) { return static_cast<uint8_t>((uint64_t{v} * 255 + maxValue / 2) / maxValue); };
  uint8_t sample[3] = {};
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* out = RasterRow(*raster, static_cast<int>(y));
    const uint8_t* row = in.P + (ascii ? 0 : rowBytes * y);
    for (uint32_t x = 0; x < width; ++x) {
      if (bitmap) {
        bool black;
        if (ascii) {
          in.SkipSpace();
          if (in.P == in.End || (*in.P != '0' && *in.P != '1')) {
            error = "PNM bitmap data is damaged or ends early";
            return nullptr;
          }
          black = *in.P++ == '1';
        } else {
          black = (row[x / 8] >> (7 - x % 8)) & 1;
        }
        uint8_t v = black ? 0 : 255;
        PutRgb(out, static_cast<int>(x), v, v, v);
        continue;
      }
      for (int c = 0; c < channels; ++c) {
        uint32_t v = 0;
        if (ascii) {
          if (!in.Number(v)) {
            error = "PNM sample data is damaged or ends early";
            return nullptr;
          }
        } else {
          const uint8_t* s = row + (static_cast<size_t>(x) * channels + c) * sampleBytes;
          v = sampleBytes == 2 ? (uint32_t{s[0]} << 8) | s[1] : s[0];
        }
        if (v > maxValue) {
          error = "PNM sample " + std::to_string(v) + " is above the maximum value " + std::to_string(maxValue);
          return nullptr;
        }
        sample[c] = scale(v);
      }
      if (channels == 1) sample[1] = sample[2] = sample[0];
      PutRgb(out, static_cast<int>(x), sample[0], sample[1], sample[2]);
    }
  }
  return raster;
}

}  // namespace vexilo

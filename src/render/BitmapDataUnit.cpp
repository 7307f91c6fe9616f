#include "render/BitmapDataUnit.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vexilo {
namespace {

// Bytes per row in whole bytes (B = width div 8) and the size that height
// rows of `planes` planes take; 0 when a size is not positive.
size_t WholeBytes(int width, int height, int planes) {
  if (width < 8 || height < 1 || planes < 1) return 0;
  return static_cast<size_t>(width / 8) * static_cast<size_t>(height) * static_cast<size_t>(planes);
}

}  // namespace

bool ColorModeSupported(int colorMode) { return colorMode >= 0 && colorMode <= 3; }
bool IsTwoPlane(int colorMode) { return colorMode == 2 || colorMode == 3; }
int PlaneCount(int colorMode) { return IsTwoPlane(colorMode) ? 2 : 1; }

uint8_t ExchangeRedGreen(uint8_t code) {
  if (code == kColorCodeRed) return kColorCodeGreen;
  if (code == kColorCodeGreen) return kColorCodeRed;
  return code;
}

bool LightsRed(uint8_t code) { return code == kColorCodeRed || code == kColorCodeYellow; }
bool LightsGreen(uint8_t code) { return code == kColorCodeGreen || code == kColorCodeYellow; }

ColorRef ColorOfCode(uint8_t code) {
  switch (code) {
    case kColorCodeRed:
      return MakeColorRef(255, 0, 0);
    case kColorCodeGreen:
      return MakeColorRef(0, 255, 0);
    case kColorCodeYellow:
      return MakeColorRef(255, 255, 0);
    default:
      return kColorBlack;
  }
}

RasterPtr NewPageBitmap(int width, int height) { return CreateRaster(width, height, PixelKind::Palette8); }

RasterPtr NewPageBitmapFor(int colorMode, int width, int height) {
  RasterPtr page = NewPageBitmap(width, height);
  if (page && IsTwoPlane(colorMode) && !ConvertRaster(*page, PixelKind::Rgb565)) return nullptr;
  return page;
}

size_t PlaneRowBytes(int width) { return width > 0 ? (static_cast<size_t>(width) + 7) / 8 : 0; }

size_t PageDataSize(int width, int height, int planes) {
  if (width < 1 || height < 1 || planes < 1) return 0;
  return PlaneRowBytes(width) * static_cast<size_t>(height) * static_cast<size_t>(planes);
}

size_t EncodePage(const Raster* page, uint8_t* out, size_t outSize) {
  if (!page || !out) return 0;
  const Raster& r = *page;
  if (r.Width < 1 || r.Height < 1) return 0;
  int planes;
  if (r.Kind == PixelKind::Palette8) {
    planes = 1;
  } else if (r.Kind == PixelKind::Rgb565) {
    planes = 2;
  } else {
    return 0;
  }
  size_t stride = static_cast<size_t>(r.Width) * BytesPerPixel(r.Kind);
  if (r.Stride != stride || r.Pixels.size() < stride * static_cast<size_t>(r.Height)) return 0;
  size_t rowBytes = PlaneRowBytes(r.Width);
  size_t total = rowBytes * static_cast<size_t>(r.Height) * planes;
  if (total > outSize) return 0;
  uint8_t* o = out;
  int whole = r.Width / 8, tail = r.Width % 8;
  for (int y = 0; y < r.Height; ++y) {
    const uint8_t* row = r.Pixels.data() + stride * static_cast<size_t>(y);
    if (planes == 1) {
      // Bit 1 where the palette index is not 0 (the pixel is not black).
      for (int xb = 0; xb < whole; ++xb) {
        const uint8_t* p = row + 8 * xb;
        unsigned acc = 0;
        for (int k = 0; k < 8; ++k) acc = (acc << 1) | (p[k] != 0 ? 1u : 0u);
        *o++ = static_cast<uint8_t>(acc);
      }
      if (tail) {
        unsigned acc = 0;  // emitted without shifting further: right-aligned
        for (int x = 8 * whole; x < r.Width; ++x) acc = (acc << 1) | (row[x] != 0 ? 1u : 0u);
        *o++ = static_cast<uint8_t>(acc);
      }
    } else {
      // Red: R5 >= 16. Green: G6 >= 16 and (R5 > 16 or R5 = 0).
      uint8_t* red = o;
      uint8_t* green = o + rowBytes;
      auto bits = [&](int x, unsigned& accR, unsigned& accG) {
        unsigned p = static_cast<unsigned>(row[2 * x]) | (static_cast<unsigned>(row[2 * x + 1]) << 8);
        unsigned r5 = p >> 11, g6 = (p >> 5) & 63;
        accR = (accR << 1) | (r5 >= 16 ? 1u : 0u);
        accG = (accG << 1) | (g6 >= 16 && (r5 > 16 || r5 == 0) ? 1u : 0u);
      };
      for (int xb = 0; xb < whole; ++xb) {
        unsigned accR = 0, accG = 0;
        for (int k = 0; k < 8; ++k) bits(8 * xb + k, accR, accG);
        *red++ = static_cast<uint8_t>(accR);
        *green++ = static_cast<uint8_t>(accG);
      }
      if (tail) {
        unsigned accR = 0, accG = 0;
        for (int x = 8 * whole; x < r.Width; ++x) bits(x, accR, accG);
        *red = static_cast<uint8_t>(accR);
        *green = static_cast<uint8_t>(accG);
      }
      o += 2 * rowBytes;
    }
  }
  return total;
}

void ColorizeMask(int colorMode, uint8_t foreground, uint8_t background, int width, int height, uint8_t* data,
                  size_t dataSize) {
  size_t need = WholeBytes(width, height, 2);
  if (!data || need == 0 || need > dataSize) return;
  if (colorMode == 3) {
    foreground = ExchangeRedGreen(foreground);
    background = ExchangeRedGreen(background);
  }
  size_t b = static_cast<size_t>(width / 8);
  size_t h = static_cast<size_t>(height);
  if (foreground == background) {
    std::memset(data, foreground == kColorCodeYellow ? 0xFF : 0x00, need);
    if (foreground == kColorCodeRed || foreground == kColorCodeGreen) {
      size_t plane = foreground == kColorCodeRed ? 0 : b;
      for (size_t r = 0; r < h; ++r) std::memset(data + r * 2 * b + plane, 0xFF, b);
    }
    return;
  }
  bool fr = LightsRed(foreground), fg = LightsGreen(foreground);
  bool br = LightsRed(background), bg = LightsGreen(background);
  // Last row and last byte first, so that no mask byte is overwritten before
  // it is read; the green byte of a row before its red byte.
  for (size_t r = h; r-- > 0;) {
    for (size_t i = b; i-- > 0;) {
      uint8_t s = data[r * b + i];
      uint8_t ns = static_cast<uint8_t>(~s);
      data[r * 2 * b + b + i] = static_cast<uint8_t>((fg ? ns : 0) | (bg ? s : 0));
      data[r * 2 * b + i] = static_cast<uint8_t>((fr ? ns : 0) | (br ? s : 0));
    }
  }
}

void ApplyMonoColors(uint8_t foreground, uint8_t background, int width, int height, uint8_t* data, size_t dataSize) {
  size_t need = WholeBytes(width, height, 1);
  if (!data || need == 0 || need > dataSize) return;
  if (foreground == background) {
    std::memset(data, foreground != 0 ? 0xFF : 0x00, need);
  } else if (foreground >= 1 && foreground <= 3) {
    for (size_t i = 0; i < need; ++i) data[i] = static_cast<uint8_t>(~data[i]);
  }
}

namespace {

// The frame of a page whose width is not a multiple of 8, pixel by pixel:
// the byte-wise frame would put its right edge on the wrong bits of the
// right-aligned last byte of each row.
void DrawBorderByPixel(int colorMode, uint8_t color, int borderWidth, int width, int height, uint8_t* data,
                       size_t dataSize) {
  const int planes = PlaneCount(colorMode);
  const size_t rowBytes = PlaneRowBytes(width);
  if (!data || width <= 0 || height <= 0 || borderWidth <= 0 ||
      PageDataSize(width, height, planes) > dataSize) {
    return;
  }
  const uint8_t code = colorMode == 3 ? ExchangeRedGreen(color) : color;
  const bool lit[2] = {planes == 2 ? LightsRed(code) : code != 0, LightsGreen(code)};
  const int tail = width % 8;
  const int64_t bw = borderWidth;
  for (int row = 0; row < height; ++row) {
    const bool wholeRow = row < bw || row >= static_cast<int64_t>(height) - bw;
    for (int plane = 0; plane < planes; ++plane) {
      uint8_t* bytes = data + (static_cast<size_t>(row) * planes + static_cast<size_t>(plane)) * rowBytes;
      for (int x = 0; x < width; ++x) {
        if (!wholeRow && x >= bw && x < static_cast<int64_t>(width) - bw) continue;
        const size_t byte = static_cast<size_t>(x / 8);
        const int bit = (byte + 1 == rowBytes && tail != 0) ? (tail - 1) - (x % 8) : 7 - (x % 8);
        if (lit[plane]) {
          bytes[byte] = static_cast<uint8_t>(bytes[byte] | (1u << bit));
        } else {
          bytes[byte] = static_cast<uint8_t>(bytes[byte] & ~(1u << bit));
        }
      }
    }
  }
}

}  // namespace

void DrawBorder(int colorMode, uint8_t color, int borderWidth, int width, int height, uint8_t* data, size_t dataSize) {
  if (width > 0 && width % 8 != 0) {
    DrawBorderByPixel(colorMode, color, borderWidth, width, height, data, dataSize);
    return;
  }
  int planes = PlaneCount(colorMode);
  size_t need = WholeBytes(width, height, planes);
  if (!data || need == 0 || need > dataSize || borderWidth <= 0) return;
  if (colorMode == 3) color = ExchangeRedGreen(color);
  uint8_t fill[2];
  if (planes == 2) {
    fill[0] = LightsRed(color) ? 0xFF : 0x00;
    fill[1] = LightsGreen(color) ? 0xFF : 0x00;
  } else {
    fill[0] = fill[1] = color != 0 ? 0xFF : 0x00;
  }
  int bytes = width / 8;
  int q = borderWidth / 8, m = borderWidth % 8;
  int64_t bw = borderWidth;
  for (int r = 0; r < height; ++r) {
    bool full = r < bw || r >= static_cast<int64_t>(height) - bw;
    for (int p = 0; p < planes; ++p) {
      uint8_t* row = data + (static_cast<size_t>(r) * planes + p) * static_cast<size_t>(bytes);
      uint8_t f = fill[p];
      if (full) {
        std::memset(row, f, static_cast<size_t>(bytes));
        continue;
      }
      int lead = std::min(q, bytes);
      std::memset(row, f, static_cast<size_t>(lead));
      std::memset(row + (bytes - lead), f, static_cast<size_t>(lead));
      if (m > 0) {
        uint8_t top = static_cast<uint8_t>(0xFF << (8 - m));  // the top m bits
        uint8_t low = static_cast<uint8_t>(0xFF >> (8 - m));  // the low m bits
        if (q < bytes) row[q] = static_cast<uint8_t>((row[q] & ~top) | (f & top));
        int back = bytes - 1 - q;
        if (back >= 0) row[back] = static_cast<uint8_t>((row[back] & ~low) | (f & low));
      }
    }
  }
}

bool RotatePage(int colorMode, int width, int height, uint8_t* data, size_t dataSize) {
  if (!data || width < 8 || height < 8 || width % 8 != 0 || height % 8 != 0) return false;
  int planes = PlaneCount(colorMode);
  size_t need = WholeBytes(width, height, planes);
  if (need == 0 || need > dataSize) return false;
  size_t wb = static_cast<size_t>(width / 8), hb = static_cast<size_t>(height / 8);
  size_t pl = static_cast<size_t>(planes);
  std::vector<uint8_t> result(need);
  for (size_t rb = 0; rb < hb; ++rb) {
    for (size_t cb = 0; cb < wb; ++cb) {
      for (size_t p = 0; p < pl; ++p) {
        uint8_t src[8];
        for (size_t k = 0; k < 8; ++k) src[k] = data[(rb * 8 + k) * wb * pl + p * wb + cb];
        // Transpose the 8 x 8 bit block: out[i] bit 7 - j = src[j] bit 7 - i
        // (three swap steps on one 64-bit word, src[0] in its top byte).
        uint64_t x = 0;
        for (size_t k = 0; k < 8; ++k) x = (x << 8) | src[k];
        uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
        x = x ^ t ^ (t << 7);
        t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
        x = x ^ t ^ (t << 14);
        t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
        x = x ^ t ^ (t << 28);
        for (size_t k = 0; k < 8; ++k) {
          size_t row = static_cast<size_t>(width) - 1 - cb * 8 - k;
          result[row * hb * pl + p * hb + rb] = static_cast<uint8_t>(x >> (56 - 8 * k));
        }
      }
    }
  }
  std::memcpy(data, result.data(), need);
  return true;
}

}  // namespace vexilo

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

void SwapFields(uint8_t* a, uint8_t* b) {
  std::swap(a[0], b[0]);
  std::swap(a[1], b[1]);
}

}  // namespace

bool ColorModeSupported(int colorMode) { return colorMode >= 0 && colorMode <= 3; }
bool IsTwoPlane(int colorMode) { return colorMode == 2 || colorMode == 3; }
int PlaneCount(int colorMode) { return IsTwoPlane(colorMode) ? 2 : 1; }

uint8_t ExchangeRedGreen(uint8_t code) {
  if (code == ColorCodeRed) return ColorCodeGreen;
  if (code == ColorCodeGreen) return ColorCodeRed;
  return code;
}

bool LightsRed(uint8_t code) { return code == ColorCodeRed || code == ColorCodeYellow; }
bool LightsGreen(uint8_t code) { return code == ColorCodeGreen || code == ColorCodeYellow; }

ColorRef ColorOfCode(uint8_t code) {
  switch (code) {
    case ColorCodeRed:
      return MakeColorRef(255, 0, 0);
    case ColorCodeGreen:
      return MakeColorRef(0, 255, 0);
    case ColorCodeYellow:
      return MakeColorRef(255, 255, 0);
    default:
      return ColorBlack;
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
    std::memset(data, foreground == ColorCodeYellow ? 0xFF : 0x00, need);
    if (foreground == ColorCodeRed || foreground == ColorCodeGreen) {
      size_t plane = foreground == ColorCodeRed ? 0 : b;
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

void DrawBorder(int colorMode, uint8_t color, int borderWidth, int width, int height, uint8_t* data, size_t dataSize) {
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

void SwapAreaAxes(std::span<uint8_t, 14> areaHeader) {
  SwapFields(&areaHeader[2], &areaHeader[4]);
  SwapFields(&areaHeader[6], &areaHeader[8]);
}

void SwapAreaAxes(std::span<uint8_t, 8> fourFields) {
  SwapFields(&fourFields[0], &fourFields[2]);
  SwapFields(&fourFields[4], &fourFields[6]);
}

int RotateEffectCode(int effectCode) {
  static constexpr int pairs[][2] = {
      {1, 3},   {3, 1},   {2, 4},   {4, 2},   {5, 7},   {7, 6},   {6, 8},   {8, 5},   {9, 10},
      {10, 9},  {11, 13}, {13, 11}, {12, 14}, {14, 12}, {15, 17}, {17, 15}, {16, 18}, {18, 16},
      {41, 43}, {43, 41}, {42, 44}, {44, 42}, {45, 46}, {46, 45}, {49, 50}, {50, 49},
  };
  for (const auto& pair : pairs) {
    if (pair[0] == effectCode) return pair[1];
  }
  return effectCode;
}

}  // namespace vexilo

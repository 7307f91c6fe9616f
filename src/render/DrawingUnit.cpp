// Rasters, the halftone palette, copy and stretch, fills and the canvas: the
// portable half of the drawing services. Fonts and text live in
// DrawingFonts_posix.cpp.
#include "render/DrawingUnit.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "lang/CodePageUnit.h"

namespace vexilo {
namespace {

std::array<ColorRef, 256> BuildHalftonePalette() {
  std::array<ColorRef, 256> p{};
  const ColorRef low[10] = {
      MakeColorRef(0, 0, 0),       MakeColorRef(128, 0, 0),     MakeColorRef(0, 128, 0),   MakeColorRef(128, 128, 0),
      MakeColorRef(0, 0, 128),     MakeColorRef(128, 0, 128),   MakeColorRef(0, 128, 128), MakeColorRef(192, 192, 192),
      MakeColorRef(192, 220, 192), MakeColorRef(166, 202, 240),
  };
  const ColorRef high[10] = {
      MakeColorRef(255, 251, 240), MakeColorRef(160, 160, 164), MakeColorRef(128, 128, 128), MakeColorRef(255, 0, 0),
      MakeColorRef(0, 255, 0),     MakeColorRef(255, 255, 0),   MakeColorRef(0, 0, 255),     MakeColorRef(255, 0, 255),
      MakeColorRef(0, 255, 255),   MakeColorRef(255, 255, 255),
  };
  int n = 0;
  for (ColorRef c : low) p[n++] = c;
  // The cube without its black and white corners, which the static colours hold.
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        if ((r == 0 && g == 0 && b == 0) || (r == 5 && g == 5 && b == 5)) continue;
        p[n++] = MakeColorRef(static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51), static_cast<uint8_t>(b * 51));
      }
    }
  }
  for (int k = 1; k <= 22; ++k) {
    uint8_t v = static_cast<uint8_t>(k * 11);
    p[n++] = MakeColorRef(v, v, v);
  }
  for (ColorRef c : high) p[n++] = c;
  return p;
}

uint8_t SearchNearest(ColorRef c) {
  const auto& pal = HalftonePalette();
  int r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
  int best = 0;
  int bestDistance = 1 << 30;
  for (int i = 0; i < 256; ++i) {
    int dr = r - RedOf(pal[i]), dg = g - GreenOf(pal[i]), db = b - BlueOf(pal[i]);
    int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
      if (d == 0) break;
    }
  }
  return static_cast<uint8_t>(best);
}

// A direct-mapped cache of exact nearest-index answers, so that reducing a
// picture costs a table look-up per pixel once its colours have been seen.
struct NearestCache {
  std::mutex Lock;
  std::vector<uint32_t> Slots;  // 65,536 slots, made on first use
};

NearestCache& Cache() {
  static NearestCache* cache = new NearestCache;  // reachable for the process's life
  return *cache;
}

// Encoded pixel values of one colour in each kind, computed once per fill.
struct KindValue {
  uint8_t Bytes[3] = {};
  int Size = 1;
};

KindValue EncodeColor(PixelKind kind, ColorRef c) {
  KindValue v;
  switch (kind) {
    case PixelKind::Palette8:
      v.Bytes[0] = NearestPaletteIndex(c);
      v.Size = 1;
      break;
    case PixelKind::Rgb565: {
      uint16_t p = ToRgb565(c);
      v.Bytes[0] = static_cast<uint8_t>(p & 0xFF);
      v.Bytes[1] = static_cast<uint8_t>(p >> 8);
      v.Size = 2;
      break;
    }
    case PixelKind::Rgb24:
      v.Bytes[0] = BlueOf(c);
      v.Bytes[1] = GreenOf(c);
      v.Bytes[2] = RedOf(c);
      v.Size = 3;
      break;
  }
  return v;
}

ColorRef DecodePixel(PixelKind kind, const uint8_t* p) {
  switch (kind) {
    case PixelKind::Palette8:
      return HalftonePalette()[p[0]];
    case PixelKind::Rgb565:
      return FromRgb565(static_cast<uint16_t>(p[0] | (p[1] << 8)));
    case PixelKind::Rgb24:
      return MakeColorRef(p[2], p[1], p[0]);
  }
  return kColorBlack;
}

void StorePixel(const KindValue& v, uint8_t* p) {
  for (int i = 0; i < v.Size; ++i) p[i] = v.Bytes[i];
}

bool SizeAllowed(int width, int height) { return RasterSizeAllowed(width, height); }

// Clips the run [a, a + n) to [0, limit); returns the new start and length.
void ClipRun(int64_t& a, int64_t& n, int64_t limit) {
  if (a < 0) {
    n += a;
    a = 0;
  }
  if (a + n > limit) n = limit - a;
  if (n < 0) n = 0;
}

}  // namespace

bool RasterSizeAllowed(int64_t width, int64_t height) {
  if (width < 1 || height < 1 || width > kMaxRasterSide || height > kMaxRasterSide) return false;
  return width * height <= kMaxRasterPixels;
}

bool PageExceedsRasterLimits(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && !RasterSizeAllowed(width, height);
}

const std::array<ColorRef, 256>& HalftonePalette() {
  static const std::array<ColorRef, 256> palette = BuildHalftonePalette();
  return palette;
}

uint8_t NearestPaletteIndex(ColorRef c) {
  c &= 0xFFFFFF;
  if (c == kColorBlack) return kPaletteBlack;
  if (c == kColorWhite) return kPaletteWhite;
  NearestCache& cache = Cache();
  std::lock_guard<std::mutex> guard(cache.Lock);
  if (cache.Slots.empty()) cache.Slots.assign(1 << 16, 0);
  // A slot holds the colour in bits 8..31 and the index in bits 0..7; colour
  // 0 (black) never reaches here, so a zero slot is empty.
  uint32_t hash = (c * 2654435761u) >> 16;
  uint32_t& slot = cache.Slots[hash & 0xFFFF];
  if (slot != 0 && (slot >> 8) == c) return static_cast<uint8_t>(slot & 0xFF);
  uint8_t index = SearchNearest(c);
  slot = (c << 8) | index;
  return index;
}

int BytesPerPixel(PixelKind kind) {
  switch (kind) {
    case PixelKind::Palette8:
      return 1;
    case PixelKind::Rgb565:
      return 2;
    case PixelKind::Rgb24:
      return 3;
  }
  return 1;
}

RasterPtr CreateRaster(int width, int height, PixelKind kind) {
  if (!SizeAllowed(width, height)) return nullptr;
  auto raster = std::make_unique<Raster>();
  raster->Width = width;
  raster->Height = height;
  raster->Kind = kind;
  raster->Stride = static_cast<size_t>(width) * BytesPerPixel(kind);
  // White is 255 in the palette and all ones in both colour kinds.
  raster->Pixels.assign(raster->Stride * static_cast<size_t>(height), 0xFF);
  return raster;
}

uint8_t* RasterRow(Raster& raster, int y) {
  if (y < 0 || y >= raster.Height || raster.Pixels.size() < raster.Stride * static_cast<size_t>(raster.Height)) {
    return nullptr;
  }
  return raster.Pixels.data() + raster.Stride * static_cast<size_t>(y);
}

const uint8_t* RasterRow(const Raster& raster, int y) { return RasterRow(const_cast<Raster&>(raster), y); }

bool ConvertRaster(Raster& raster, PixelKind kind) {
  if (!SizeAllowed(raster.Width, raster.Height)) return false;
  size_t oldStride = static_cast<size_t>(raster.Width) * BytesPerPixel(raster.Kind);
  if (raster.Stride != oldStride || raster.Pixels.size() != oldStride * static_cast<size_t>(raster.Height)) {
    return false;
  }
  if (kind == raster.Kind) return true;
  size_t stride = static_cast<size_t>(raster.Width) * BytesPerPixel(kind);
  std::vector<uint8_t> pixels(stride * static_cast<size_t>(raster.Height));
  int from = BytesPerPixel(raster.Kind), to = BytesPerPixel(kind);
  for (int y = 0; y < raster.Height; ++y) {
    const uint8_t* s = raster.Pixels.data() + oldStride * static_cast<size_t>(y);
    uint8_t* d = pixels.data() + stride * static_cast<size_t>(y);
    for (int x = 0; x < raster.Width; ++x) {
      StorePixel(EncodeColor(kind, DecodePixel(raster.Kind, s + static_cast<size_t>(x) * from)),
                 d + static_cast<size_t>(x) * to);
    }
  }
  raster.Pixels.swap(pixels);
  raster.Kind = kind;
  raster.Stride = stride;
  return true;
}

ColorRef GetPixel(const Raster& raster, int x, int y) {
  const uint8_t* row = RasterRow(raster, y);
  if (!row || x < 0 || x >= raster.Width) return kColorBlack;
  return DecodePixel(raster.Kind, row + static_cast<size_t>(x) * BytesPerPixel(raster.Kind));
}

void SetPixel(Raster& raster, int x, int y, ColorRef color) {
  uint8_t* row = RasterRow(raster, y);
  if (!row || x < 0 || x >= raster.Width) return;
  StorePixel(EncodeColor(raster.Kind, color), row + static_cast<size_t>(x) * BytesPerPixel(raster.Kind));
}

void FillRect(Raster& raster, const Rect& rect, ColorRef color) {
  int left = std::max(rect.Left, 0), top = std::max(rect.Top, 0);
  int right = std::min(rect.Right, raster.Width), bottom = std::min(rect.Bottom, raster.Height);
  if (left >= right || top >= bottom) return;
  KindValue v = EncodeColor(raster.Kind, color);
  for (int y = top; y < bottom; ++y) {
    uint8_t* row = RasterRow(raster, y);
    if (!row) return;
    if (v.Size == 1) {
      std::memset(row + left, v.Bytes[0], static_cast<size_t>(right - left));
    } else {
      for (int x = left; x < right; ++x) StorePixel(v, row + static_cast<size_t>(x) * v.Size);
    }
  }
}

bool CopyRect(const Raster& src, int sx, int sy, int w, int h, Raster& dst, int dx, int dy) {
  if (w < 1 || h < 1) return false;
  // Clip in 64 bits so that no sum of host values can overflow.
  int64_t x0 = sx, y0 = sy, n = w, m = h, tx = dx, ty = dy;
  // Source edges.
  if (x0 < 0) {
    n += x0;
    tx -= x0;
    x0 = 0;
  }
  if (y0 < 0) {
    m += y0;
    ty -= y0;
    y0 = 0;
  }
  n = std::min<int64_t>(n, src.Width - x0);
  m = std::min<int64_t>(m, src.Height - y0);
  // Destination edges.
  if (tx < 0) {
    n += tx;
    x0 -= tx;
    tx = 0;
  }
  if (ty < 0) {
    m += ty;
    y0 -= ty;
    ty = 0;
  }
  n = std::min<int64_t>(n, dst.Width - tx);
  m = std::min<int64_t>(m, dst.Height - ty);
  if (n <= 0 || m <= 0) return true;
  int sb = BytesPerPixel(src.Kind), db = BytesPerPixel(dst.Kind);
  for (int64_t r = 0; r < m; ++r) {
    const uint8_t* s = RasterRow(src, static_cast<int>(y0 + r));
    uint8_t* d = RasterRow(dst, static_cast<int>(ty + r));
    if (!s || !d) return true;
    s += static_cast<size_t>(x0) * sb;
    d += static_cast<size_t>(tx) * db;
    if (src.Kind == dst.Kind) {
      std::memmove(d, s, static_cast<size_t>(n) * sb);
    } else {
      for (int64_t i = 0; i < n; ++i) {
        StorePixel(EncodeColor(dst.Kind, DecodePixel(src.Kind, s + i * sb)), d + i * db);
      }
    }
  }
  return true;
}

bool StretchRaster(const Raster& src, Raster& dst, int dx, int dy, int dw, int dh) {
  return StretchRect(src, 0, 0, src.Width, src.Height, dst, dx, dy, dw, dh);
}

bool StretchRect(const Raster& src, int sx, int sy, int sw, int sh, Raster& dst, int dx, int dy, int dw, int dh) {
  if (sw < 1 || sh < 1 || dw < 1 || dh < 1) return false;
  if (src.Width < 1 || src.Height < 1) return false;
  // The destination pixels that lie inside dst.
  int64_t cx = dx, cw = dw, cy = dy, ch = dh;
  ClipRun(cx, cw, dst.Width);
  ClipRun(cy, ch, dst.Height);
  if (cw <= 0 || ch <= 0) return true;
  int sb = BytesPerPixel(src.Kind), db = BytesPerPixel(dst.Kind);
  // Source span [a, b) of destination index i along one axis of length n.
  auto span = [](int64_t i, int64_t n, int64_t s, int64_t& a, int64_t& b) {
    a = i * s / n;
    b = (i + 1) * s / n;
    if (b <= a) b = a + 1;
  };
  for (int64_t y = cy; y < cy + ch; ++y) {
    int64_t ya, yb;
    span(y - dy, dh, sh, ya, yb);
    ya += sy;
    yb += sy;
    uint8_t* d = RasterRow(dst, static_cast<int>(y));
    if (!d) continue;
    for (int64_t x = cx; x < cx + cw; ++x) {
      int64_t xa, xb;
      span(x - dx, dw, sw, xa, xb);
      xa += sx;
      xb += sx;
      // Combine the source pixels inside src; none inside leaves dst alone.
      ColorRef acc = 0xFFFFFF;
      bool any = false;
      for (int64_t v = std::max<int64_t>(ya, 0); v < std::min<int64_t>(yb, src.Height); ++v) {
        const uint8_t* s = RasterRow(src, static_cast<int>(v));
        for (int64_t u = std::max<int64_t>(xa, 0); u < std::min<int64_t>(xb, src.Width); ++u) {
          acc &= DecodePixel(src.Kind, s + u * sb);
          any = true;
        }
      }
      if (any) StorePixel(EncodeColor(dst.Kind, acc), d + x * db);
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// Canvas

int PointsToPixels(int points) {
  // MulDiv(points, 96, 72): rounded half away from zero.
  int64_t p = static_cast<int64_t>(points) * kRasterDpiY;
  int64_t q = p >= 0 ? (p + 36) / 72 : -((-p + 36) / 72);
  return static_cast<int>(std::clamp<int64_t>(q, -100000, 100000));
}

namespace {

const Font& CanvasFont(Canvas& canvas) {
  if (!canvas.CurrentFont) {
    // The default font of a Chinese system's canvas: "宋体", 9 points.
    FontRequest request;
    request.Face = u"宋体";
    request.Height = -PointsToPixels(9);
    canvas.CurrentFont = NewFont(request);
  }
  return *canvas.CurrentFont;
}

}  // namespace

void CanvasSetFont(Canvas& canvas, std::string_view ansiFace, int pointSize, bool bold, bool italic, bool underline,
                   ColorRef color) {
  // TFont.Size: Height = -MulDiv(Size, PixelsPerInch, 72), an em height.
  FontRequest request;
  request.Face = AnsiToUtf16(ansiFace);
  request.Height = -PointsToPixels(pointSize);
  request.Weight = bold ? kFwBold : kFwNormal;
  request.Italic = italic;
  request.Underline = underline;
  canvas.CurrentFont = NewFont(request);
  canvas.FontColor = color;
}

void CanvasFillRect(Canvas& canvas, const Rect& rect) {
  if (canvas.Target) FillRect(*canvas.Target, rect, canvas.BrushColor);
}

TextSize CanvasTextExtent(Canvas& canvas, std::u16string_view text) { return MeasureText(CanvasFont(canvas), text); }

TextSize CanvasTextExtentAnsi(Canvas& canvas, std::string_view ansi) {
  return MeasureTextAnsi(CanvasFont(canvas), ansi);
}

void CanvasTextRect(Canvas& canvas, const Rect& clip, int x, int y, std::u16string_view text) {
  if (!canvas.Target) return;
  FillRect(*canvas.Target, clip, canvas.BrushColor);
  TextPaint paint;
  paint.Ink = canvas.FontColor;
  paint.Paper = canvas.BrushColor;
  DrawString(*canvas.Target, CanvasFont(canvas), x, y, text, paint, &clip);
}

void CanvasMoveTo(Canvas& canvas, int x, int y) {
  canvas.PenX = x;
  canvas.PenY = y;
}

void CanvasLineTo(Canvas& canvas, int x, int y) {
  if (canvas.Target) {
    Raster& r = *canvas.Target;
    KindValue v = EncodeColor(r.Kind, canvas.PenColor);
    int bpp = BytesPerPixel(r.Kind);
    auto plot = [&](int64_t px, int64_t py) {
      if (px < 0 || py < 0 || px >= r.Width || py >= r.Height) return;
      uint8_t* row = RasterRow(r, static_cast<int>(py));
      if (row) StorePixel(v, row + px * bpp);
    };
    int64_t x0 = canvas.PenX, y0 = canvas.PenY, x1 = x, y1 = y;
    if (y0 == y1 || x0 == x1) {
      // Grid lines: horizontal or vertical, clipped as ranges.
      bool horizontal = y0 == y1;
      int64_t a = horizontal ? x0 : y0, b = horizontal ? x1 : y1;
      int64_t limit = horizontal ? r.Width : r.Height;
      // The points from a towards b, b left out.
      int64_t lo = a <= b ? a : b + 1, hi = a <= b ? b - 1 : a;
      lo = std::max<int64_t>(lo, 0);
      hi = std::min<int64_t>(hi, limit - 1);
      for (int64_t t = lo; t <= hi; ++t) horizontal ? plot(t, y0) : plot(x0, t);
    } else {
      // Bresenham from the pen to (x, y), the end point left out. A line
      // longer than four raster spans is walked only that far (no host
      // record asks for one).
      int64_t ddx = x1 > x0 ? x1 - x0 : x0 - x1, ddy = y1 > y0 ? y1 - y0 : y0 - y1;
      int64_t stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1;
      int64_t err = ddx - ddy;
      int64_t steps = std::min<int64_t>(std::max(ddx, ddy), 4 * static_cast<int64_t>(kMaxRasterSide));
      for (int64_t i = 0; i < steps; ++i) {
        plot(x0, y0);
        int64_t e2 = 2 * err;
        if (e2 > -ddy) {
          err -= ddy;
          x0 += stepX;
        }
        if (e2 < ddx) {
          err += ddx;
          y0 += stepY;
        }
      }
    }
  }
  canvas.PenX = x;
  canvas.PenY = y;
}

}  // namespace vexilo

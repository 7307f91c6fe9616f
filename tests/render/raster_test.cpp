// Rasters of the drawing services: pixel kinds, the halftone palette, and
// copy and stretch clipped at every edge.
#include <gtest/gtest.h>

#include <set>

#include "render/DrawingUnit.h"

namespace vexilo {
namespace {

// A distinct, exactly representable colour for every source pixel.
ColorRef SourceColor(int x, int y) {
  return MakeColorRef(static_cast<uint8_t>(x * 51), static_cast<uint8_t>(y * 51), 102);
}

RasterPtr Source(int w, int h, PixelKind kind = PixelKind::Rgb24) {
  RasterPtr r = CreateRaster(w, h, kind);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) SetPixel(*r, x, y, SourceColor(x, y));
  }
  return r;
}

TEST(Palette, HasOneBlackAtZeroOneWhiteAt255AndFindsItsOwnColours) {
  const auto& pal = HalftonePalette();
  EXPECT_EQ(pal[0], kColorBlack);
  EXPECT_EQ(pal[255], kColorWhite);
  for (int i = 1; i < 256; ++i) EXPECT_NE(pal[i], kColorBlack) << i;
  for (int i = 0; i < 255; ++i) EXPECT_NE(pal[i], kColorWhite) << i;
  for (int i = 0; i < 256; ++i) EXPECT_EQ(pal[NearestPaletteIndex(pal[i])], pal[i]) << i;
  // Near colours go to the nearest entry; only black (and what is nearest to
  // black) gives index 0.
  EXPECT_EQ(NearestPaletteIndex(MakeColorRef(2, 1, 3)), 0);
  EXPECT_NE(NearestPaletteIndex(MakeColorRef(40, 0, 0)), 0);
  EXPECT_EQ(pal[NearestPaletteIndex(MakeColorRef(250, 5, 3))], MakeColorRef(255, 0, 0));
  EXPECT_EQ(pal[NearestPaletteIndex(MakeColorRef(100, 100, 100))], MakeColorRef(99, 99, 99));
}

TEST(Raster, NewRastersAreWhiteInEveryKindWithRowsTopFirst) {
  for (PixelKind kind : {PixelKind::Palette8, PixelKind::Rgb565, PixelKind::Rgb24}) {
    RasterPtr r = CreateRaster(5, 3, kind);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Stride, static_cast<size_t>(5 * BytesPerPixel(kind)));
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) EXPECT_EQ(GetPixel(*r, x, y), kColorWhite);
    }
    SetPixel(*r, 1, 2, kColorBlack);
    EXPECT_EQ(RasterRow(*r, 2) + BytesPerPixel(kind), &r->Pixels[2 * r->Stride + BytesPerPixel(kind)]);
    EXPECT_EQ(RasterRow(*r, 2)[BytesPerPixel(kind)], 0);
    EXPECT_EQ(RasterRow(*r, 3), nullptr);
    EXPECT_EQ(RasterRow(*r, -1), nullptr);
  }
  EXPECT_EQ(kRasterDpiX, 96);
  EXPECT_EQ(kRasterDpiY, 96);
}

TEST(Raster, PagesBeyondTheRasterBoundsAreKnownBeforeAnyAllocation) {
  struct {
    int64_t Width, Height;
    bool Allowed, Exceeds;
  } cases[] = {
      {1, 1, true, false},
      {kMaxRasterSide, 16, true, false},
      {kMaxRasterSide + 1, 16, false, true},
      {16, kMaxRasterSide + 1, false, true},
      {8192, 8192, true, false},  // exactly kMaxRasterPixels
      {8192, 8193, false, true},
      {8200, 8200, false, true},
      {100000, 100000, false, true},
      {INT32_MAX, 16, false, true},
      {INT32_MAX, INT32_MAX, false, true},
      {0, 16, false, false},  // no page at all: not too large
      {16, -1, false, false},
      {INT32_MIN, INT32_MAX, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RasterSizeAllowed(c.Width, c.Height), c.Allowed) << c.Width << " x " << c.Height;
    EXPECT_EQ(PageExceedsRasterLimits(c.Width, c.Height), c.Exceeds) << c.Width << " x " << c.Height;
  }
  EXPECT_NE(CreateRaster(kMaxRasterSide, 16, PixelKind::Palette8), nullptr);
  EXPECT_EQ(CreateRaster(kMaxRasterSide + 1, 16, PixelKind::Palette8), nullptr);
}

TEST(Raster, ConvertsEightBitPagesToSixteenBitsAndColoursToThePalette) {
  RasterPtr r = CreateRaster(4, 1, PixelKind::Palette8);
  SetPixel(*r, 0, 0, kColorBlack);
  SetPixel(*r, 1, 0, MakeColorRef(255, 0, 0));
  SetPixel(*r, 2, 0, MakeColorRef(0, 255, 0));
  ASSERT_TRUE(ConvertRaster(*r, PixelKind::Rgb565));
  const uint8_t* row = RasterRow(*r, 0);
  auto px = [&](int x) { return static_cast<uint16_t>(row[2 * x] | (row[2 * x + 1] << 8)); };
  EXPECT_EQ(px(0), 0x0000);
  EXPECT_EQ(px(1), 0xF800);
  EXPECT_EQ(px(2), 0x07E0);
  EXPECT_EQ(px(3), 0xFFFF);
  // And back: 5-6-5 colours reach the nearest palette entry.
  ASSERT_TRUE(ConvertRaster(*r, PixelKind::Palette8));
  EXPECT_EQ(RasterRow(*r, 0)[0], kPaletteBlack);
  EXPECT_EQ(RasterRow(*r, 0)[3], kPaletteWhite);
  EXPECT_EQ(GetPixel(*r, 1, 0), MakeColorRef(255, 0, 0));
  EXPECT_EQ(FromRgb565(ToRgb565(kColorWhite)), kColorWhite);
}

// A colour as a raster of that kind holds it.
ColorRef Through(PixelKind kind, ColorRef c) {
  switch (kind) {
    case PixelKind::Palette8:
      return HalftonePalette()[NearestPaletteIndex(c)];
    case PixelKind::Rgb565:
      return FromRgb565(ToRgb565(c));
    case PixelKind::Rgb24:
      break;
  }
  return c;
}

// A reference for CopyRect: the pixel of dst at (X, Y) after copying.
ColorRef CopiedPixel(int X, int Y, int sw, int sh, const int (&c)[6]) {
  int u = X - c[4], v = Y - c[5];  // position inside the copied rectangle
  if (u < 0 || v < 0 || u >= c[2] || v >= c[3]) return kColorWhite;
  int x = c[0] + u, y = c[1] + v;
  if (x < 0 || y < 0 || x >= sw || y >= sh) return kColorWhite;
  return SourceColor(x, y);
}

TEST(CopyRect, ClipsAtEveryEdgeOfSourceAndDestination) {
  struct Case {
    const char* Name;
    int Args[6];  // sx, sy, w, h, dx, dy
  };
  const Case cases[] = {
      {"inside", {1, 1, 2, 2, 2, 3}},
      {"whole", {0, 0, 5, 4, 0, 0}},
      {"negative destination", {0, 0, 5, 4, -2, -3}},
      {"past the right and bottom", {0, 0, 5, 4, 5, 4}},
      {"larger than both", {-3, -2, 40, 30, -1, -1}},
      {"negative source", {-2, -1, 4, 3, 0, 0}},
      {"source past its edge", {3, 2, 6, 6, 1, 1}},
      {"entirely left", {0, 0, 5, 4, -5, 0}},
      {"entirely below", {0, 0, 5, 4, 0, 6}},
      {"source entirely outside", {6, 0, 3, 3, 0, 0}},
      {"huge offsets", {0, 0, 5, 4, 2000000000, -2000000000}},
      {"huge size", {0, 0, 2147483647, 2147483647, 1, 1}},
  };
  for (PixelKind kind : {PixelKind::Palette8, PixelKind::Rgb565, PixelKind::Rgb24}) {
    RasterPtr src = Source(5, 4, kind);
    for (const Case& c : cases) {
      RasterPtr dst = CreateRaster(6, 6, kind);
      const int* a = c.Args;
      EXPECT_TRUE(CopyRect(*src, a[0], a[1], a[2], a[3], *dst, a[4], a[5])) << c.Name;
      for (int Y = 0; Y < 6; ++Y) {
        for (int X = 0; X < 6; ++X) {
          ASSERT_EQ(GetPixel(*dst, X, Y), Through(kind, CopiedPixel(X, Y, 5, 4, c.Args)))
              << c.Name << " at " << X << "," << Y;
        }
      }
    }
  }
  RasterPtr src = Source(5, 4);
  RasterPtr dst = CreateRaster(6, 6, PixelKind::Rgb24);
  EXPECT_FALSE(CopyRect(*src, 0, 0, 0, 3, *dst, 0, 0));
  EXPECT_FALSE(CopyRect(*src, 0, 0, 3, -1, *dst, 0, 0));
}

TEST(CopyRect, ChangesPixelKindOnTheWay) {
  RasterPtr src = CreateRaster(3, 1, PixelKind::Rgb24);
  SetPixel(*src, 0, 0, MakeColorRef(255, 0, 0));
  SetPixel(*src, 1, 0, MakeColorRef(3, 2, 1));
  RasterPtr page = CreateRaster(3, 1, PixelKind::Palette8);
  ASSERT_TRUE(CopyRect(*src, 0, 0, 3, 1, *page, 0, 0));
  EXPECT_EQ(GetPixel(*page, 0, 0), MakeColorRef(255, 0, 0));
  EXPECT_EQ(RasterRow(*page, 0)[1], kPaletteBlack);
  EXPECT_EQ(RasterRow(*page, 0)[2], kPaletteWhite);
}

// A reference for StretchRaster when the picture grows or keeps its size: the
// source pixel under each destination pixel.
ColorRef GrownPixel(int X, int Y, int sw, int sh, int dx, int dy, int dw, int dh) {
  int u = X - dx, v = Y - dy;
  if (u < 0 || v < 0 || u >= dw || v >= dh) return kColorWhite;
  return SourceColor(static_cast<int>(static_cast<int64_t>(u) * sw / dw),
                     static_cast<int>(static_cast<int64_t>(v) * sh / dh));
}

TEST(StretchRaster, ClipsAtEveryEdgeOfTheDestination) {
  struct Case {
    const char* Name;
    int Dx, Dy, Dw, Dh;
  };
  const Case cases[] = {
      {"inside", 1, 1, 4, 6},
      {"same size", 0, 0, 2, 3},
      {"negative position", -3, -2, 8, 9},
      {"larger than the raster", -5, -7, 30, 40},
      {"past the right and bottom", 4, 5, 10, 10},
      {"entirely outside", 7, 0, 4, 4},
      {"entirely above", 0, -9, 4, 4},
  };
  RasterPtr src = Source(2, 3);
  for (const Case& c : cases) {
    RasterPtr dst = CreateRaster(7, 8, PixelKind::Rgb24);
    EXPECT_TRUE(StretchRaster(*src, *dst, c.Dx, c.Dy, c.Dw, c.Dh)) << c.Name;
    for (int Y = 0; Y < 8; ++Y) {
      for (int X = 0; X < 7; ++X) {
        ASSERT_EQ(GetPixel(*dst, X, Y), GrownPixel(X, Y, 2, 3, c.Dx, c.Dy, c.Dw, c.Dh))
            << c.Name << " at " << X << "," << Y;
      }
    }
  }
  RasterPtr dst = CreateRaster(7, 8, PixelKind::Rgb24);
  EXPECT_FALSE(StretchRaster(*src, *dst, 0, 0, 0, 5));
  EXPECT_FALSE(StretchRaster(*src, *dst, 0, 0, 5, -5));
}

TEST(StretchRaster, ShrinkingKeepsDarkLinesAndMapsTheWholeSource) {
  // A one-pixel black line in a white 8 x 8 picture survives a shrink to 2 x 2.
  RasterPtr src = CreateRaster(8, 8, PixelKind::Palette8);
  for (int y = 0; y < 8; ++y) SetPixel(*src, 5, y, kColorBlack);
  RasterPtr dst = CreateRaster(2, 2, PixelKind::Palette8);
  ASSERT_TRUE(StretchRaster(*src, *dst, 0, 0, 2, 2));
  EXPECT_EQ(GetPixel(*dst, 0, 0), kColorWhite);
  EXPECT_EQ(GetPixel(*dst, 1, 0), kColorBlack);
  EXPECT_EQ(GetPixel(*dst, 0, 1), kColorWhite);
  EXPECT_EQ(GetPixel(*dst, 1, 1), kColorBlack);

  // A source rectangle of part of the picture, shrunk into a clipped place.
  RasterPtr colours = Source(4, 4);
  RasterPtr out = CreateRaster(4, 4, PixelKind::Rgb24);
  ASSERT_TRUE(StretchRect(*colours, 2, 2, 2, 2, *out, -1, -1, 2, 2));
  EXPECT_EQ(GetPixel(*out, 0, 0), SourceColor(3, 3));
  EXPECT_EQ(GetPixel(*out, 1, 0), kColorWhite);
  EXPECT_EQ(GetPixel(*out, 0, 1), kColorWhite);
}

TEST(FillRect, ClipsToTheRaster) {
  RasterPtr r = CreateRaster(4, 3, PixelKind::Rgb565);
  FillRect(*r, Rect{-10, 1, 2, 100}, MakeColorRef(255, 0, 0));
  std::set<std::pair<int, int>> red;
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      if (GetPixel(*r, x, y) == MakeColorRef(255, 0, 0)) red.insert({x, y});
    }
  }
  EXPECT_EQ(red, (std::set<std::pair<int, int>>{{0, 1}, {1, 1}, {0, 2}, {1, 2}}));
  FillRect(*r, Rect{3, 0, 2, 3}, kColorBlack);  // empty: right before left
  EXPECT_EQ(GetPixel(*r, 2, 0), kColorWhite);
}

}  // namespace
}  // namespace vexilo

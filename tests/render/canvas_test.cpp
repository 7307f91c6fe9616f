// The canvas operations of table pages and the page pictures.
#include <gtest/gtest.h>
#include <png.h>

#include <set>

#include "lang/CodePageUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/DrawingUnit.h"
#include "render/PagePngUnit.h"

namespace vexilo {
namespace {

const ColorRef Red = MakeColorRef(255, 0, 0);
const ColorRef Green = MakeColorRef(0, 255, 0);
const ColorRef Blue = MakeColorRef(0, 0, 255);

std::set<std::pair<int, int>> PixelsOf(const Raster& r, ColorRef c) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < r.Height; ++y) {
    for (int x = 0; x < r.Width; ++x) {
      if (GetPixel(r, x, y) == c) out.insert({x, y});
    }
  }
  return out;
}

TEST(Canvas, FillsWithTheBrushColour) {
  RasterPtr r = NewPageBitmapFor(2, 8, 4);
  Canvas canvas;
  canvas.Target = r.get();
  canvas.BrushColor = Green;
  CanvasFillRect(canvas, Rect{-3, 1, 2, 3});
  EXPECT_EQ(PixelsOf(*r, Green), (std::set<std::pair<int, int>>{{0, 1}, {1, 1}, {0, 2}, {1, 2}}));
}

TEST(Canvas, FontsByPointSizeAtNinetySixDotsPerInch) {
  EXPECT_EQ(PointsToPixels(12), 16);
  EXPECT_EQ(PointsToPixels(9), 12);
  EXPECT_EQ(PointsToPixels(10), 13);  // 13.33
  EXPECT_EQ(PointsToPixels(-12), -16);
  RasterPtr r = NewPageBitmap(64, 32);
  Canvas canvas;
  canvas.Target = r.get();
  // 12 points is a 16-pixel em: the Chinese faces' cell, less than a Latin face's.
  CanvasSetFont(canvas, Utf8ToGbk("宋体"), 12, false, false, false, Red);
  EXPECT_EQ(CanvasTextExtentAnsi(canvas, Utf8ToGbk("表格")).Width, 32);
  EXPECT_EQ(CanvasTextExtent(canvas, u"表格").Height, 16);
  CanvasSetFont(canvas, "Arial", 12, true, true, true, Red);
  EXPECT_GT(CanvasTextExtentAnsi(canvas, "Ag").Height, 16);
  EXPECT_EQ(canvas.FontColor, Red);
  // A canvas without a font gets a default one.
  Canvas plain;
  plain.Target = r.get();
  EXPECT_GT(CanvasTextExtent(plain, u"A").Width, 0);
}

TEST(Canvas, TextRectFillsTheRectangleAndDrawsOnlyInsideIt) {
  RasterPtr r = CreateRaster(60, 30, PixelKind::Rgb24);
  Canvas canvas;
  canvas.Target = r.get();
  canvas.BrushColor = Blue;
  CanvasSetFont(canvas, Utf8ToGbk("黑体"), 12, false, false, false, Red);
  const Rect clip{10, 5, 30, 20};
  CanvasTextRect(canvas, clip, 4, 3, u"国国国国");  // starts left of and above the rectangle
  int red = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 60; ++x) {
      bool inside = x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom;
      ColorRef p = GetPixel(*r, x, y);
      if (!inside) {
        ASSERT_EQ(p, kColorWhite) << x << "," << y;
      } else {
        ASSERT_TRUE(p == Blue || p == Red) << x << "," << y;
        red += p == Red;
      }
    }
  }
  EXPECT_GT(red, 20);
}

TEST(Canvas, LinesLeaveOutTheirEndPoint) {
  struct Case {
    int X0, Y0, X1, Y1;
    std::set<std::pair<int, int>> Points;
  };
  const Case cases[] = {
      {1, 2, 5, 2, {{1, 2}, {2, 2}, {3, 2}, {4, 2}}},
      {5, 2, 1, 2, {{5, 2}, {4, 2}, {3, 2}, {2, 2}}},
      {3, 0, 3, 3, {{3, 0}, {3, 1}, {3, 2}}},
      {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
      {2, 2, 2, 2, {}},
      {-5, 1, 2, 1, {{0, 1}, {1, 1}}},  // clipped on the left
      {6, -100000000, 6, 100000000, {{6, 0}, {6, 1}, {6, 2}, {6, 3}, {6, 4}}},
  };
  for (const Case& c : cases) {
    RasterPtr r = CreateRaster(8, 5, PixelKind::Palette8);
    Canvas canvas;
    canvas.Target = r.get();
    canvas.PenColor = kColorBlack;
    CanvasMoveTo(canvas, c.X0, c.Y0);
    CanvasLineTo(canvas, c.X1, c.Y1);
    EXPECT_EQ(PixelsOf(*r, kColorBlack), c.Points) << c.X0 << "," << c.Y0 << " to " << c.X1 << "," << c.Y1;
    EXPECT_EQ(canvas.PenX, c.X1);
    EXPECT_EQ(canvas.PenY, c.Y1);
  }
  // A closed rectangle drawn as a table draws a cell's grid sets all its corners.
  RasterPtr r = CreateRaster(8, 6, PixelKind::Palette8);
  Canvas canvas;
  canvas.Target = r.get();
  canvas.PenColor = Green;
  CanvasMoveTo(canvas, 5, 1);
  CanvasLineTo(canvas, 1, 1);
  CanvasLineTo(canvas, 1, 4);
  CanvasLineTo(canvas, 5, 4);
  CanvasLineTo(canvas, 5, 1);
  EXPECT_EQ(PixelsOf(*r, Green).size(), 14u);
  for (auto corner : {std::pair{1, 1}, {5, 1}, {1, 4}, {5, 4}}) EXPECT_TRUE(PixelsOf(*r, Green).count(corner));
}

// Decodes a PNG back into RGB bytes.
std::vector<uint8_t> Decode(const std::vector<uint8_t>& png, int& w, int& h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
  w = static_cast<int>(image.width);
  h = static_cast<int>(image.height);
  return rgb;
}

TEST(PagePng, ShowsLitLedsInTheirColour) {
  // One plane, 12 x 1: pixels 0 and 11 lit.
  const uint8_t mono[] = {0x80, 0x01};
  int w = 0, h = 0;
  std::vector<uint8_t> rgb = Decode(PagePngBytes(mono, sizeof mono, 12, 1, 1), w, h);
  ASSERT_EQ(w, 12);
  ASSERT_EQ(h, 1);
  auto px = [&](int x, int y) {
    return MakeColorRef(rgb[(y * w + x) * 3], rgb[(y * w + x) * 3 + 1], rgb[(y * w + x) * 3 + 2]);
  };
  EXPECT_EQ(px(0, 0), Red);
  EXPECT_EQ(px(1, 0), kColorBlack);
  EXPECT_EQ(px(11, 0), Red);
  // Two planes, 8 x 1: red plane 1100 0000, green plane 1010 0000.
  const uint8_t two[] = {0xC0, 0xA0};
  LedPngStyle style;
  style.Scale = 3;
  rgb = Decode(PagePngBytes(two, sizeof two, 8, 1, 2, style), w, h);
  ASSERT_EQ(w, 24);
  ASSERT_EQ(h, 3);
  EXPECT_EQ(px(0, 0), MakeColorRef(255, 255, 0));
  EXPECT_EQ(px(4, 2), Red);
  EXPECT_EQ(px(7, 1), Green);
  EXPECT_EQ(px(10, 0), kColorBlack);
  // Short data and bad sizes give no picture.
  EXPECT_TRUE(PagePngBytes(two, 1, 8, 1, 2).empty());
  EXPECT_TRUE(PagePngBytes(two, sizeof two, 0, 1, 1).empty());
  EXPECT_TRUE(PagePngBytes(two, sizeof two, 8, 1, 3).empty());
  EXPECT_TRUE(PagePngBytes(nullptr, 100, 8, 1, 1).empty());
  // Rasters too.
  RasterPtr r = CreateRaster(2, 1, PixelKind::Rgb565);
  SetPixel(*r, 1, 0, Blue);
  rgb = Decode(RasterPngBytes(*r), w, h);
  ASSERT_EQ(w, 2);
  EXPECT_EQ(px(0, 0), kColorWhite);
  EXPECT_EQ(px(1, 0), Blue);
}

}  // namespace
}  // namespace vexilo

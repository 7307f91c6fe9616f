// Encoding pages and the operations on encoded pages, with the
// Part's edge cases as tables.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "render/BitmapDataUnit.h"
#include "render/DrawingUnit.h"

namespace vexilo {
namespace {

// Bit of pixel x in one plane row (leftmost pixel in the most significant bit).
int Bit(const uint8_t* row, int x) { return (row[x / 8] >> (7 - x % 8)) & 1; }

TEST(ColorCodes, ExchangeRedGreenSwapsOnlyRedAndGreen) {
  const std::pair<uint8_t, uint8_t> cases[] = {{0, 0}, {1, 2}, {2, 1}, {3, 3}, {4, 4}, {255, 255}};
  for (auto [in, out] : cases) EXPECT_EQ(ExchangeRedGreen(in), out) << int(in);
  EXPECT_EQ(PlaneCount(0), 1);
  EXPECT_EQ(PlaneCount(1), 1);
  EXPECT_EQ(PlaneCount(2), 2);
  EXPECT_EQ(PlaneCount(3), 2);
  EXPECT_TRUE(ColorModeSupported(3));
  EXPECT_FALSE(ColorModeSupported(4));
  EXPECT_FALSE(ColorModeSupported(-1));
  EXPECT_EQ(ColorOfCode(3), MakeColorRef(255, 255, 0));
}

TEST(NewPageBitmap, IsWhiteInEitherKindAndRefusesBadSizes) {
  RasterPtr page = NewPageBitmap(13, 3);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->Kind, PixelKind::Palette8);
  for (uint8_t p : page->Pixels) EXPECT_EQ(p, kPaletteWhite);
  RasterPtr colour = NewPageBitmapFor(2, 5, 2);
  ASSERT_TRUE(colour);
  EXPECT_EQ(colour->Kind, PixelKind::Rgb565);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(GetPixel(*colour, x, y), kColorWhite);
  }
  EXPECT_EQ(NewPageBitmapFor(1, 5, 2)->Kind, PixelKind::Palette8);
  EXPECT_FALSE(NewPageBitmap(0, 5));
  EXPECT_FALSE(NewPageBitmap(5, -1));
  EXPECT_FALSE(NewPageBitmap(40000, 40000));
}

TEST(EncodePage, TwelvePixelRowsTakeTwoBytesWithTheLastRightAligned) {
  RasterPtr page = NewPageBitmap(12, 2);
  SetPixel(*page, 8, 0, kColorBlack);
  SetPixel(*page, 11, 0, kColorBlack);
  SetPixel(*page, 0, 1, kColorBlack);
  std::vector<uint8_t> out(4, 0xEE);
  ASSERT_EQ(EncodePage(page.get(), out.data(), out.size()), 4u);
  // Row 0: pixels 8 to 11 are black, white, white, black in bits 3 to 0.
  EXPECT_EQ(out[0], 0xFF);
  EXPECT_EQ(out[1], 0x06);
  EXPECT_EQ(out[2], 0x7F);
  EXPECT_EQ(out[3], 0x0F);
}

TEST(EncodePage, WhitePageIsAllOnesAndBlackInkIsZeroBits) {
  RasterPtr page = NewPageBitmap(40, 20);
  std::vector<uint8_t> out(PageDataSize(40, 20, 1));
  ASSERT_EQ(EncodePage(page.get(), out.data(), out.size()), out.size());
  for (uint8_t b : out) EXPECT_EQ(b, 0xFF);

  FontPtr font = NewFont(FontRequest{u"宋体", 16, 8});
  DrawString(*page, *font, 2, 2, u"永A");
  ASSERT_EQ(EncodePage(page.get(), out.data(), out.size()), out.size());
  int ink = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 40; ++x) {
      bool black = GetPixel(*page, x, y) == kColorBlack;
      ink += black;
      EXPECT_EQ(Bit(out.data() + y * 5, x), black ? 0 : 1) << x << "," << y;
    }
  }
  EXPECT_GT(ink, 20);
}

TEST(EncodePage, SixteenBitPixelsLightThePlanesByTheRules) {
  struct Case {
    ColorRef Color;
    int Red, Green;
  };
  const Case cases[] = {
      {MakeColorRef(255, 255, 0), 1, 1},   {MakeColorRef(0, 255, 0), 0, 1},  {MakeColorRef(128, 255, 0), 1, 0},
      {MakeColorRef(100, 255, 0), 0, 0},   {MakeColorRef(255, 0, 0), 1, 0},  {MakeColorRef(0, 0, 0), 0, 0},
      {MakeColorRef(255, 255, 255), 1, 1}, {MakeColorRef(136, 64, 0), 1, 1}, {MakeColorRef(7, 64, 0), 0, 1},
      {MakeColorRef(8, 64, 0), 0, 0},      {MakeColorRef(0, 63, 0), 0, 0},   {MakeColorRef(127, 0, 255), 0, 0},
  };
  RasterPtr page = NewPageBitmapFor(2, static_cast<int>(std::size(cases)), 1);
  for (size_t i = 0; i < std::size(cases); ++i) SetPixel(*page, static_cast<int>(i), 0, cases[i].Color);
  std::vector<uint8_t> out(PageDataSize(page->Width, 1, 2));
  ASSERT_EQ(EncodePage(page.get(), out.data(), out.size()), 4u);
  // Twelve pixels: two bytes per plane, the red plane first; the last byte of
  // each plane right-aligned (pixels 8 to 11 in bits 3 to 0).
  for (size_t i = 0; i < std::size(cases); ++i) {
    int x = static_cast<int>(i);
    auto bit = [&](int plane) {
      const uint8_t* row = out.data() + plane * 2;
      return x < 8 ? (row[0] >> (7 - x)) & 1 : (row[1] >> (11 - x)) & 1;
    };
    EXPECT_EQ(bit(0), cases[i].Red) << "pixel " << i;
    EXPECT_EQ(bit(1), cases[i].Green) << "pixel " << i;
  }
  EXPECT_EQ(out[1] & 0xF0, 0);
  EXPECT_EQ(out[3] & 0xF0, 0);
}

TEST(EncodePage, RefusesOtherKindsShortBuffersAndNoPage) {
  RasterPtr rgb = CreateRaster(8, 2, PixelKind::Rgb24);
  RasterPtr page = NewPageBitmap(9, 2);
  std::vector<uint8_t> out(8, 0xEE);
  EXPECT_EQ(EncodePage(rgb.get(), out.data(), out.size()), 0u);
  EXPECT_EQ(EncodePage(page.get(), out.data(), 3), 0u);  // needs 4
  EXPECT_EQ(EncodePage(nullptr, out.data(), out.size()), 0u);
  EXPECT_EQ(EncodePage(page.get(), nullptr, 100), 0u);
  for (uint8_t b : out) EXPECT_EQ(b, 0xEE);
  // A raster whose pixels do not match its size cannot be read.
  page->Pixels.resize(5);
  EXPECT_EQ(EncodePage(page.get(), out.data(), out.size()), 0u);
}

// A 16 x 2 mask: row 0 = A5 0F, row 1 = 3C F0, then room for the second half.
std::vector<uint8_t> Mask() { return {0xA5, 0x0F, 0x3C, 0xF0, 0x11, 0x22, 0x33, 0x44}; }

TEST(ColorizeMask, LightsInkAndPaperInTheirPlanes) {
  struct Case {
    int Mode;
    uint8_t Fg, Bg;
    int InkRed, InkGreen, PaperRed, PaperGreen;
  };
  const Case cases[] = {
      {2, 1, 0, 1, 0, 0, 0},  // red text on black
      {3, 1, 0, 0, 1, 0, 0},  // mode 3: red and green exchanged
      {2, 2, 1, 0, 1, 1, 0}, {3, 2, 1, 1, 0, 0, 1}, {2, 3, 0, 1, 1, 0, 0}, {2, 0, 3, 0, 0, 1, 1}, {2, 3, 2, 1, 1, 0, 1},
  };
  const std::vector<uint8_t> mask = Mask();
  for (const Case& c : cases) {
    std::vector<uint8_t> data = mask;
    ColorizeMask(c.Mode, c.Fg, c.Bg, 16, 2, data.data(), data.size());
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 16; ++x) {
        bool ink = Bit(mask.data() + y * 2, x) == 0;
        const uint8_t* row = data.data() + y * 4;
        EXPECT_EQ(Bit(row, x), ink ? c.InkRed : c.PaperRed) << c.Mode << " " << int(c.Fg) << int(c.Bg);
        EXPECT_EQ(Bit(row + 2, x), ink ? c.InkGreen : c.PaperGreen) << c.Mode << " " << int(c.Fg) << int(c.Bg);
      }
    }
  }
}

TEST(ColorizeMask, EqualColoursGiveASolidPage) {
  struct Case {
    int Mode;
    uint8_t Color;
    uint8_t Red, Green;  // every byte of the red and green plane rows
  };
  const Case cases[] = {{2, 0, 0x00, 0x00}, {2, 1, 0xFF, 0x00}, {2, 2, 0x00, 0xFF},
                        {2, 3, 0xFF, 0xFF}, {3, 1, 0x00, 0xFF}, {3, 2, 0xFF, 0x00}};
  for (const Case& c : cases) {
    std::vector<uint8_t> data = Mask();
    ColorizeMask(c.Mode, c.Color, c.Color, 16, 2, data.data(), data.size());
    EXPECT_EQ(data, (std::vector<uint8_t>{c.Red, c.Red, c.Green, c.Green, c.Red, c.Red, c.Green, c.Green}))
        << c.Mode << " " << int(c.Color);
  }
}

TEST(ApplyMonoColors, InvertsLeavesOrFillsByTheColours) {
  struct Case {
    uint8_t Fg, Bg;
    std::function<uint8_t(uint8_t)> Expect;
  };
  const Case cases[] = {
      {2, 1, [](uint8_t s) { return static_cast<uint8_t>(~s); }},  // only the ink is lit
      {1, 0, [](uint8_t s) { return static_cast<uint8_t>(~s); }},
      {3, 2, [](uint8_t s) { return static_cast<uint8_t>(~s); }},
      {0, 1, [](uint8_t s) { return s; }},  // paper lit, ink dark
      {1, 1, [](uint8_t) { return uint8_t{0xFF}; }},
      {3, 3, [](uint8_t) { return uint8_t{0xFF}; }},
      {0, 0, [](uint8_t) { return uint8_t{0x00}; }},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> data = {0xA5, 0x0F, 0x3C, 0xF0};
    std::vector<uint8_t> want;
    for (uint8_t s : data) want.push_back(c.Expect(s));
    ApplyMonoColors(c.Fg, c.Bg, 16, 2, data.data(), data.size());
    EXPECT_EQ(data, want) << int(c.Fg) << "/" << int(c.Bg);
  }
}

TEST(DrawBorder, TwentyPixelsOnA64PixelPage) {
  const int w = 64, h = 64, b = 20;
  std::vector<uint8_t> data(PageDataSize(w, h, 1), 0x00);
  DrawBorder(1, 1, b, w, h, data.data(), data.size());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      bool border = y < b || y >= h - b || x < b || x >= w - b;
      ASSERT_EQ(Bit(data.data() + y * 8, x), border ? 1 : 0) << x << "," << y;
    }
  }
}

TEST(DrawBorder, TakesExactlyTheColourInEveryPlaneAndLeavesTheInside) {
  struct Case {
    int Mode;
    uint8_t Color;
    int Red, Green;  // the border pixels' planes
  };
  const Case cases[] = {{2, 2, 0, 1}, {3, 2, 1, 0}, {2, 3, 1, 1}, {2, 0, 0, 0}, {3, 1, 0, 1}};
  const int w = 32, h = 16, b = 3;
  for (const Case& c : cases) {
    std::vector<uint8_t> data(PageDataSize(w, h, 2), 0xA5);
    DrawBorder(c.Mode, c.Color, b, w, h, data.data(), data.size());
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        bool border = y < b || y >= h - b || x < b || x >= w - b;
        const uint8_t* row = data.data() + y * 8;
        int before = (0xA5 >> (7 - x % 8)) & 1;
        EXPECT_EQ(Bit(row, x), border ? c.Red : before) << c.Mode << " " << x << "," << y;
        EXPECT_EQ(Bit(row + 4, x), border ? c.Green : before) << c.Mode << " " << x << "," << y;
      }
    }
  }
}

TEST(DrawBorder, HalfTheHeightOrMoreColoursTheWholePage) {
  for (int b : {8, 9, 40, 1000}) {
    std::vector<uint8_t> data(PageDataSize(64, 16, 1), 0x00);
    DrawBorder(0, 3, b, 64, 16, data.data(), data.size());
    for (uint8_t v : data) ASSERT_EQ(v, 0xFF) << b;
  }
}

TEST(RotatePage, SixteenByEightTurnsCounterClockwise) {
  // Only the old top-right pixel (15, 0) is dark; it becomes the new top-left.
  std::vector<uint8_t> data(PageDataSize(16, 8, 1), 0xFF);
  data[1] = 0xFE;  // row 0, pixel 15
  ASSERT_TRUE(RotatePage(1, 16, 8, data.data(), data.size()));
  ASSERT_EQ(data.size(), 16u);  // 8 wide, 16 high: one byte per row
  EXPECT_EQ(data[0], 0x7F);
  for (size_t i = 1; i < data.size(); ++i) EXPECT_EQ(data[i], 0xFF) << i;
}

TEST(RotatePage, EveryPixelMovesToItsTurnedPlaceInEveryPlane) {
  std::mt19937 random(7);
  for (int mode : {0, 2}) {
    const int w = 24, h = 16, planes = PlaneCount(mode);
    std::vector<uint8_t> data(PageDataSize(w, h, planes));
    for (uint8_t& v : data) v = static_cast<uint8_t>(random());
    const std::vector<uint8_t> old = data;
    ASSERT_TRUE(RotatePage(mode, w, h, data.data(), data.size()));
    // The new page is h wide and w high; pixel (x', y') is old (w - 1 - y', x').
    const int nb = h / 8, ob = w / 8;
    for (int p = 0; p < planes; ++p) {
      for (int y2 = 0; y2 < w; ++y2) {
        for (int x2 = 0; x2 < h; ++x2) {
          int now = Bit(data.data() + (y2 * planes + p) * nb, x2);
          int was = Bit(old.data() + (x2 * planes + p) * ob, w - 1 - y2);
          ASSERT_EQ(now, was) << "mode " << mode << " plane " << p << " at " << x2 << "," << y2;
        }
      }
    }
  }
}

TEST(PageOperations, SizesTheBufferCannotHoldChangeNothing) {
  // Each operation with sizes calling for more than the buffer holds, or with
  // sizes that are not positive, must leave every byte alone.
  struct Case {
    const char* Name;
    std::function<void(uint8_t*, size_t)> Run;
  };
  const Case cases[] = {
      {"colorize short", [](uint8_t* d, size_t n) { ColorizeMask(2, 1, 0, 64, 8, d, n); }},
      {"colorize negative", [](uint8_t* d, size_t n) { ColorizeMask(2, 1, 0, -64, 8, d, n); }},
      {"colorize huge", [](uint8_t* d, size_t n) { ColorizeMask(2, 1, 0, 1 << 30, 1 << 30, d, n); }},
      {"mono short", [](uint8_t* d, size_t n) { ApplyMonoColors(1, 0, 128, 8, d, n); }},
      {"mono negative", [](uint8_t* d, size_t n) { ApplyMonoColors(1, 0, 16, -1, d, n); }},
      {"border short", [](uint8_t* d, size_t n) { DrawBorder(2, 3, 2, 64, 8, d, n); }},
      {"border zero width", [](uint8_t* d, size_t n) { DrawBorder(0, 3, 0, 16, 4, d, n); }},
      {"rotate short", [](uint8_t* d, size_t n) { RotatePage(2, 16, 16, d, n); }},
      {"rotate not multiple", [](uint8_t* d, size_t n) { RotatePage(0, 12, 8, d, n); }},
      {"rotate negative", [](uint8_t* d, size_t n) { RotatePage(0, -8, 8, d, n); }},
      {"null data", [](uint8_t*, size_t) { ColorizeMask(2, 1, 0, 8, 1, nullptr, 100); }},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> data(64, 0x5A);
    c.Run(data.data(), 48);  // the operation is told 48 bytes
    for (uint8_t v : data) ASSERT_EQ(v, 0x5A) << c.Name;
  }
  EXPECT_FALSE(RotatePage(0, 16, 8, nullptr, 16));
}

}  // namespace
}  // namespace vexilo

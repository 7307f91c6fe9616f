// Picture and GIF frame pages: placement, fit modes, page kinds, key colour,
// read back from the encoded pixel data pixel by pixel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GifWriter.h"
#include "render/BitmapDataUnit.h"
#include "render/PicturePageUnit.h"

namespace vexilo {
namespace {

using testing::GifFrameLayout;
using testing::GifLayout;
using testing::WriteGif;
using Bytes = std::vector<uint8_t>;
using Grid = std::vector<std::string>;

constexpr ColorRef K = kColorBlack, W = kColorWhite, R = MakeColorRef(255, 0, 0), G = MakeColorRef(0, 255, 0),
                   Y = MakeColorRef(255, 255, 0);

// Encoded pixel data back as letters: on two planes K, R, G or Y (white
// lights both planes, so it reads Y); on one plane '.' dark and '#' lit.
Grid Read(const Bytes& data, int w, int h, int planes) {
  Grid g;
  const size_t row = (static_cast<size_t>(w) + 7) / 8;
  const int tail = w % 8;
  auto bit = [&](int y, int plane, int x) {
    const uint8_t* p = data.data() + (static_cast<size_t>(y) * planes + plane) * row;
    const int byte = x / 8;
    const bool last = tail != 0 && byte == static_cast<int>(row) - 1;
    const int shift = last ? tail - 1 - x % 8 : 7 - x % 8;
    return (p[byte] >> shift) & 1;
  };
  for (int y = 0; y < h; ++y) {
    std::string line;
    for (int x = 0; x < w; ++x) {
      if (planes == 1) {
        line += bit(y, 0, x) ? '#' : '.';
      } else {
        line += "KRGY"[bit(y, 0, x) | bit(y, 1, x) << 1];
      }
    }
    g.push_back(line);
  }
  return g;
}

RasterPtr Picture(const Grid& rows) {
  RasterPtr r = CreateRaster(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), PixelKind::Rgb24);
  for (size_t y = 0; y < rows.size(); ++y) {
    for (size_t x = 0; x < rows[y].size(); ++x) {
      const char c = rows[y][x];
      const ColorRef color = c == 'R' ? R : c == 'G' ? G : c == 'Y' ? Y : c == 'W' ? W : c == 'd' ? MakeColorRef(1, 1, 1) : c == 'r' ? MakeColorRef(40, 0, 0) : K;
      SetPixel(*r, static_cast<int>(x), static_cast<int>(y), color);
    }
  }
  return r;
}

Grid Place(int mode, const Raster& source, int w, int h, int sw, int sh, int offset) {
  Bytes out(PageDataSize(w, h, PlaneCount(mode)));
  size_t n = RenderPicturePage(mode, source, w, h, sw, sh, offset, out.data(), out.size());
  EXPECT_EQ(n, out.size());
  return Read(out, w, h, PlaneCount(mode));
}

TEST(PicturePage, CopyPlacesTheTopLeftPartAtTheOffset) {
  RasterPtr source = Picture({"RGYKRG", "GYKRGY", "YKRGYK"});
  struct Case {
    int offset;
    Grid expected;
  } cases[] = {
      {0, {"RGYK", "GYKR", "YKRG"}},
      {1, {"YRGY", "YGYK", "YYKR"}},  // column 0 stays white
      {2, {"YYRG", "YYGY", "YYYK"}},
      {5, {"YYYY", "YYYY", "YYYY"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Place(2, *source, 4, 3, 4, 3, c.offset), c.expected) << c.offset;
    EXPECT_EQ(Place(3, *source, 4, 3, 4, 3, c.offset), c.expected) << "picture colours are not exchanged";
  }
}

TEST(PicturePage, PictureSmallerThanThePageLeavesTheRestWhite) {
  RasterPtr source = Picture({"RG", "KR"});
  EXPECT_EQ(Place(2, *source, 5, 3, 5, 3, 1), (Grid{"YRGYY", "YKRYY", "YYYYY"}));
}

TEST(PicturePage, OtherSourceSizesAreStretchedOntoThePage) {
  RasterPtr source = Picture({"RG", "KY"});
  EXPECT_EQ(Place(2, *source, 4, 4, 2, 2, 0), (Grid{"RRGG", "RRGG", "KKYY", "KKYY"}));
  // From the offset on, the page's width wide (cut at the right edge).
  EXPECT_EQ(Place(2, *source, 4, 2, 2, 2, 2), (Grid{"YYRR", "YYKK"}));
}

// A pixel is lit when its nearest halftone colour is not black: a dark red
// (40, 0, 0) is lit, a near-black (1, 1, 1) is not.
TEST(PicturePage, SingleColourScreensLightWhatDoesNotReduceToBlack) {
  RasterPtr source = Picture({"RdKr", "KWYd"});
  for (int mode : {0, 1}) EXPECT_EQ(Place(mode, *source, 4, 2, 4, 2, 0), (Grid{"#..#", ".##."})) << mode;
}

TEST(PicturePage, NoPageOfNoSizeOrWithoutRoom) {
  RasterPtr source = Picture({"RG"});
  Bytes out(64);
  for (auto [w, h] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{-3, 4}, std::pair{40000, 1}}) {
    EXPECT_EQ(RenderPicturePage(2, *source, w, h, w, h, 0, out.data(), out.size()), 0u) << w << " x " << h;
  }
  EXPECT_EQ(RenderPicturePage(2, *source, 16, 4, 16, 4, 0, out.data(), 15), 0u);
}

// ---------------------------------------------------------------------------
// GIF frame pages

// One frame, its left half (rounded down) green and the rest red.
Bytes HalvesGif(uint16_t w, uint16_t h, std::vector<GifFrameLayout> more = {}) {
  GifLayout s{w, h, {K, R, G, W}};
  GifFrameLayout f;
  f.Width = w;
  f.Height = h;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) f.Indices.push_back(x < w / 2 ? 2 : 1);
  }
  s.Frames = {f};
  for (GifFrameLayout& m : more) s.Frames.push_back(m);
  return WriteGif(s);
}

// The expected page: white, with a rectangle [l, r) x [t, b) whose columns
// left of `split` are green and the others red.
Grid Expected(int w, int h, int l, int t, int r, int b, int split) {
  Grid g(static_cast<size_t>(h), std::string(static_cast<size_t>(w), 'Y'));
  for (int y = std::max(t, 0); y < std::min(b, h); ++y) {
    for (int x = std::max(l, 0); x < std::min(r, w); ++x) g[y][x] = x < split ? 'G' : 'R';
  }
  return g;
}

Grid GifPage(const Bytes& gif, int frame, int w, int h, int offset, uint8_t fit, ColorRef key = K,
             uint16_t* delay = nullptr) {
  Bytes out(PageDataSize(w, h, 2));
  uint16_t d = 0;
  size_t n = RenderGifFramePage(2, gif.data(), gif.size(), frame, w, h, offset, fit, key, out.data(), out.size(), d);
  if (delay) *delay = d;
  if (n == 0) return {};
  EXPECT_EQ(n, out.size());
  return Read(out, w, h, 2);
}

TEST(GifFramePage, FitModesPlaceTheFrame) {
  const Bytes wide = HalvesGif(100, 50), small = HalvesGif(32, 16), page = HalvesGif(64, 32);
  struct Case {
    const char* name;
    const Bytes* gif;
    int w, h, offset;
    uint8_t fit;
    Grid expected;
  } cases[] = {
      {"natural, centred at (16, 8)", &small, 64, 32, 5, 0, Expected(64, 32, 16, 8, 48, 24, 32)},
      {"natural, larger than the page: cut", &wide, 64, 32, 0, 0, Expected(64, 32, -18, -9, 82, 41, 32)},
      {"stretched from the offset", &small, 64, 32, 3, 1, Expected(64, 32, 3, 0, 67, 32, 35)},
      {"page size, copied at the offset", &page, 64, 32, 3, 1, Expected(64, 32, 3, 0, 67, 32, 35)},
      {"page size, copied at the offset (fit 2)", &page, 64, 32, 3, 2, Expected(64, 32, 3, 0, 67, 32, 35)},
      {"inside: 64 x 32 at (0, 16)", &wide, 64, 64, 9, 2, Expected(64, 64, 0, 16, 64, 48, 32)},
      {"cover: 128 x 64 at (-32, 0)", &wide, 64, 64, 9, 3, Expected(64, 64, -32, 0, 96, 64, 32)},
      {"cover, any mode above 3", &wide, 64, 64, 9, 200, Expected(64, 64, -32, 0, 96, 64, 32)},
      {"inside, a tall page: full height", &wide, 100, 25, 0, 2, Expected(100, 25, 25, 0, 75, 25, 50)},
      {"cover, a tall page: full height", &wide, 40, 40, 0, 3, Expected(40, 40, -20, 0, 60, 40, 20)},
  };
  for (const Case& c : cases) EXPECT_EQ(GifPage(*c.gif, 1, c.w, c.h, c.offset, c.fit), c.expected) << c.name;
}

TEST(GifFramePage, KeyColourDelayAndMissingFrames) {
  GifFrameLayout second;
  second.Width = 4;
  second.Height = 1;
  second.Indices = {3, 3, 1, 0};
  second.Control = testing::GifControl{false, 0, 0, 25};
  const Bytes gif = HalvesGif(4, 1, {second});
  uint16_t delay = 1;
  EXPECT_EQ(GifPage(gif, 2, 4, 1, 0, 0, K, &delay), Grid{"YYRK"});
  EXPECT_EQ(delay, 25);
  EXPECT_EQ(GifPage(gif, 2, 4, 1, 0, 0, W), Grid{"KKRK"}) << "white key: white pixels turn black";
  EXPECT_TRUE(GifPage(gif, 3, 4, 1, 0, 0).empty());
  Bytes out(8);
  EXPECT_EQ(RenderGifFramePage(2, gif.data(), gif.size(), 1, 0, 1, 0, 0, K, out.data(), out.size(), delay), 0u);
  GifLayout old{4, 1, {K, R}};
  old.Version = "87a";
  old.Frames = {second};
  old.Frames[0].Indices = {1, 1, 1, 1};
  const Bytes gif87 = WriteGif(old);
  EXPECT_EQ(RenderGifFramePage(2, gif87.data(), gif87.size(), 1, 4, 1, 0, 0, K, out.data(), out.size(), delay), 0u);
}

TEST(GifFramePage, SingleColourScreenAndThePlayerGiveTheSamePages) {
  GifFrameLayout second;
  second.Left = 2;
  second.Width = 3;
  second.Height = 2;
  second.Indices = {0, 0, 1, 1, 0, 0};
  second.Control = testing::GifControl{true, 1, 1, 3};
  const Bytes gif = HalvesGif(6, 2, {second, second});
  GifPlayer player;
  for (int frame = 1; frame <= 4; ++frame) {
    for (int mode : {1, 2}) {
      Bytes a(64, 0xAA), b(64, 0xAA);
      uint16_t da = 0, db = 0;
      size_t na = RenderGifFramePage(mode, gif.data(), gif.size(), frame, 12, 4, 1, 1, K, a.data(), a.size(), da);
      size_t nb =
          RenderGifFramePage(mode, gif.data(), gif.size(), frame, 12, 4, 1, 1, K, b.data(), b.size(), db, &player);
      EXPECT_EQ(na, nb);
      EXPECT_EQ(a, b) << frame;
      EXPECT_EQ(da, db);
    }
  }
  Bytes out(PageDataSize(6, 2, 1));
  uint16_t delay = 0;
  ASSERT_EQ(RenderGifFramePage(1, gif.data(), gif.size(), 2, 6, 2, 0, 0, K, out.data(), out.size(), delay), out.size());
  EXPECT_EQ(Read(out, 6, 2, 1), (Grid{"##..##", "###..#"}));
}

}  // namespace
}  // namespace vexilo

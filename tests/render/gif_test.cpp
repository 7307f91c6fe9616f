// GIF composition: frames made by our GIF writer, checked pixel by pixel;
// hostile data; the player against composing from the first frame.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "GifWriter.h"
#include "render/GifUnit.h"

namespace vexilo {
namespace {

using testing::GifControl;
using testing::GifFrameLayout;
using testing::GifLayout;
using testing::LzwCodeWriter;
using testing::WriteGif;
using Bytes = std::vector<uint8_t>;
using Grid = std::vector<std::string>;

constexpr ColorRef K = kColorBlack, W = kColorWhite, R = MakeColorRef(255, 0, 0), G = MakeColorRef(0, 255, 0),
                   B = MakeColorRef(0, 0, 255), C = MakeColorRef(0, 255, 255), Y = MakeColorRef(255, 255, 0);
constexpr uint16_t kUnset = 0xBEEF;  // a delay no fixture uses

char Letter(ColorRef c) {
  switch (c) {
    case K: return 'K';
    case W: return 'W';
    case R: return 'R';
    case G: return 'G';
    case B: return 'B';
    case C: return 'C';
    case Y: return 'Y';
    default: return '?';
  }
}

// The canvas as rows of letters.
Grid Letters(const Raster* canvas) {
  Grid g;
  if (canvas == nullptr) return g;
  for (int y = 0; y < canvas->Height; ++y) {
    std::string row;
    for (int x = 0; x < canvas->Width; ++x) row += Letter(GetPixel(*canvas, x, y));
    g.push_back(row);
  }
  return g;
}

struct Composed {
  bool Exists = false;
  Grid Pixels;
  uint16_t Delay = kUnset;
};

Composed Compose(const Bytes& gif, int frame, ColorRef key = kColorBlack) {
  Composed c;
  RasterPtr canvas = ComposeGifFrame(gif.data(), gif.size(), frame, key, c.Delay);
  c.Exists = canvas != nullptr;
  c.Pixels = Letters(canvas.get());
  return c;
}

GifFrameLayout Frame(uint16_t left, uint16_t top, uint16_t w, uint16_t h, std::vector<uint16_t> indices,
                   std::optional<GifControl> control = std::nullopt) {
  GifFrameLayout f;
  f.Left = left;
  f.Top = top;
  f.Width = w;
  f.Height = h;
  f.Indices = std::move(indices);
  f.Control = control;
  return f;
}

GifControl Control(bool transparent, uint8_t disposal, uint8_t index, uint16_t delay = 0) {
  return GifControl{transparent, disposal, index, delay};
}

// ---------------------------------------------------------------------------
// Composition

TEST(GifCompose, ThreeFramesGiveThreeCanvasesAndNoFourth) {
  GifLayout s{4, 2, {K, R, G, B}};
  s.Frames = {Frame(0, 0, 4, 2, {1, 1, 2, 2, 3, 3, 0, 0}), Frame(1, 0, 2, 1, {3, 3}),
              Frame(3, 1, 1, 1, {1}, Control(false, 0, 0, 7))};
  const Bytes gif = WriteGif(s);
  const Composed f1 = Compose(gif, 1), f2 = Compose(gif, 2), f3 = Compose(gif, 3);
  EXPECT_EQ(f1.Pixels, (Grid{"RRGG", "BBKK"}));
  EXPECT_EQ(f1.Delay, kUnset) << "no graphic control read: the delay is left alone";
  EXPECT_EQ(f2.Pixels, (Grid{"RBBG", "BBKK"}));
  EXPECT_EQ(f3.Pixels, (Grid{"RBBG", "BBKR"}));
  EXPECT_EQ(f3.Delay, 7);
  EXPECT_FALSE(Compose(gif, 4).Exists);
  EXPECT_EQ(Compose(gif, 0).Pixels, f1.Pixels);
  EXPECT_EQ(Compose(gif, -5).Pixels, f1.Pixels);
}

// Frame 1 paints RRR; frame 2 (cyan is index 0, the transparent one) covers
// pixels 1 and 2 with indices 0 and 2 on a blue background.
TEST(GifCompose, TransparencyAndDisposalAreTheCards) {
  struct Case {
    bool transparent;
    uint8_t disposal;
    std::string expected;
  } cases[] = {
      {true, 1, "RRG"},   // transparent pixel leaves the canvas
      {true, 2, "KBG"},   // canvas cleared black, transparent pixel takes the background
      {true, 0, "RCG"},   // other disposals draw the table colour
      {true, 3, "RCG"},
      {true, 7, "RCG"},
      {false, 2, "RCG"},  // no transparency: nothing is cleared
      {false, 1, "RCG"},
  };
  for (const Case& c : cases) {
    GifLayout s{3, 1, {C, R, G, B}, 3};
    s.Frames = {Frame(0, 0, 3, 1, {1, 1, 1}), Frame(1, 0, 2, 1, {0, 2}, Control(c.transparent, c.disposal, 0))};
    EXPECT_EQ(Compose(WriteGif(s), 2).Pixels, Grid{c.expected}) << c.transparent << " " << int(c.disposal);
  }
}

TEST(GifCompose, FrameWithoutGraphicControlKeepsTheValuesBefore) {
  GifLayout s{3, 1, {C, R, G, B}};
  s.Frames = {Frame(0, 0, 3, 1, {1, 1, 1}), Frame(0, 0, 3, 1, {0, 2, 0}, Control(true, 1, 0, 5)),
              Frame(0, 0, 3, 1, {3, 0, 0})};
  const Bytes gif = WriteGif(s);
  EXPECT_EQ(Compose(gif, 2).Pixels, Grid{"RGR"});
  const Composed f3 = Compose(gif, 3);
  EXPECT_EQ(f3.Pixels, Grid{"BGR"});
  EXPECT_EQ(f3.Delay, 5);
}

TEST(GifCompose, InterlacedRowsComeInPassOrder) {
  std::vector<ColorRef> table;
  for (int i = 0; i < 16; ++i) table.push_back(MakeColorRef(static_cast<uint8_t>(i + 1), 0, 0));
  GifLayout s{1, 12, table};
  GifFrameLayout f = Frame(0, 1, 1, 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  f.Interlaced = true;
  s.Frames = {f};
  const Bytes gif = WriteGif(s);
  uint16_t delay = 0;
  RasterPtr canvas = ComposeGifFrame(gif.data(), gif.size(), 1, kColorBlack, delay);
  ASSERT_TRUE(canvas);
  const int fileOrder[] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};  // frame rows as stored
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(GetPixel(*canvas, 0, 1 + fileOrder[k]), table[k]) << "stored row " << k;
  }
  EXPECT_EQ(GetPixel(*canvas, 0, 0), K);
  EXPECT_EQ(GetPixel(*canvas, 0, 11), K);
}

TEST(GifCompose, LocalTablesMissingTablesAndMissingEntries) {
  GifLayout s{4, 1, {K, R}};  // a global table of two entries
  GifFrameLayout local = Frame(0, 0, 2, 1, {1, 2});
  local.LocalTable = {K, Y, B, G};
  s.Frames = {local, Frame(2, 0, 2, 1, {1, 3})};  // index 3 is beyond the global table
  EXPECT_EQ(Compose(WriteGif(s), 2).Pixels, Grid{"YBRK"});

  GifLayout none{2, 1};  // no table at all: every index is black
  none.Frames = {Frame(0, 0, 2, 1, {1, 3})};
  none.Frames[0].MinCodeSize = 2;
  EXPECT_EQ(Compose(WriteGif(none), 1).Pixels, Grid{"KK"});
}

TEST(GifCompose, PixelsOutsideTheCanvasAreDropped) {
  GifLayout s{3, 2, {K, R, G, B}};
  s.Frames = {Frame(2, 1, 3, 3, std::vector<uint16_t>(9, 1)), Frame(60000, 0, 2, 1, {2, 2}),
              Frame(0, 65000, 1, 1, {2})};
  const Bytes gif = WriteGif(s);
  EXPECT_EQ(Compose(gif, 1).Pixels, (Grid{"KKK", "KKR"}));
  EXPECT_EQ(Compose(gif, 3).Pixels, (Grid{"KKK", "KKR"}));
}

TEST(GifCompose, KeyColourIsDrawnBlack) {
  GifLayout s{3, 1, {W, R, Y}, 2};
  s.Frames = {Frame(0, 0, 3, 1, {0, 1, 0}), Frame(0, 0, 3, 1, {1, 1, 1}, Control(true, 2, 1))};
  const Bytes gif = WriteGif(s);
  EXPECT_EQ(Compose(gif, 1, kColorBlack).Pixels, Grid{"WRW"});
  EXPECT_EQ(Compose(gif, 1, kColorWhite).Pixels, Grid{"KRK"});
  // The background colour that transparent pixels take is keyed too.
  EXPECT_EQ(Compose(gif, 2, Y).Pixels, Grid{"KKK"});
  EXPECT_EQ(Compose(gif, 2, kColorWhite).Pixels, Grid{"YYY"});
}

TEST(GifCompose, Gif87aIsAPictureButNoAnimationFrame) {
  GifLayout s{2, 1, {K, G}};
  s.Version = "87a";
  s.Frames = {Frame(0, 0, 2, 1, {1, 0})};
  const Bytes gif87 = WriteGif(s);
  EXPECT_FALSE(Compose(gif87, 1).Exists);
  std::string error;
  RasterPtr picture = DecodeGifPicture(gif87.data(), gif87.size(), error);
  ASSERT_TRUE(picture) << error;
  EXPECT_EQ(Letters(picture.get()), Grid{"GK"});

  s.Version = "89a";
  s.Frames.push_back(Frame(0, 0, 1, 1, {0}));
  const Bytes gif89 = WriteGif(s);
  picture = DecodeGifPicture(gif89.data(), gif89.size(), error);
  ASSERT_TRUE(picture) << error;
  EXPECT_EQ(Letters(picture.get()), Grid{"GK"}) << "the first frame";

  for (const Bytes& bad : {Bytes{'G', 'I', 'F', '9', '0', 'a'}, Bytes{'P', 'N', 'G'}, Bytes{}}) {
    error.clear();
    EXPECT_FALSE(DecodeGifPicture(bad.data(), bad.size(), error));
    EXPECT_FALSE(error.empty());
  }
}

// Index patterns through the LZW coder and back: compressed (table codes,
// codes equal to the next free code, clear codes when the table is full) and
// literal codes only (the table fills up and codes stay 12 bits wide).
TEST(GifCompose, LzwRoundTripsEveryPattern) {
  std::vector<ColorRef> table;
  for (int i = 0; i < 256; ++i) {
    table.push_back(MakeColorRef(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2)));
  }
  const int w = 128, h = 64;
  uint32_t seed = 12345;
  auto random = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  struct Pattern {
    const char* name;
    int colours;
    std::vector<uint16_t> indices;
  };
  std::vector<Pattern> patterns;
  for (int colours : {4, 16, 256}) {
    Pattern noise{"noise", colours, {}}, runs{"runs", colours, {}}, flat{"flat", colours, {}};
    for (int i = 0; i < w * h; ++i) {
      noise.indices.push_back(static_cast<uint16_t>(random() % colours));
      runs.indices.push_back(static_cast<uint16_t>((i / 37 + i / 1000) % colours));
      flat.indices.push_back(static_cast<uint16_t>(colours - 1));
    }
    patterns.push_back(noise);
    patterns.push_back(runs);
    patterns.push_back(flat);
  }
  for (const Pattern& p : patterns) {
    for (bool literals : {false, true}) {
      for (int extraBits : {0, 3}) {
        GifLayout s{static_cast<uint16_t>(w), static_cast<uint16_t>(h),
                  std::vector<ColorRef>(table.begin(), table.begin() + p.colours)};
        GifFrameLayout f = Frame(0, 0, w, h, p.indices);
        f.LiteralsOnly = literals;
        int m = 2;
        while ((1 << m) < p.colours) ++m;
        f.MinCodeSize = std::min(11, m + extraBits);
        s.Frames = {f};
        const Bytes gif = WriteGif(s);
        uint16_t delay = 0;
        RasterPtr canvas = ComposeGifFrame(gif.data(), gif.size(), 1, kColorBlack, delay);
        ASSERT_TRUE(canvas) << p.name << p.colours;
        int wrong = 0;
        for (int i = 0; i < w * h; ++i) wrong += GetPixel(*canvas, i % w, i / w) != table[p.indices[i]];
        EXPECT_EQ(wrong, 0) << p.name << " " << p.colours << " literals " << literals << " code size "
                            << f.MinCodeSize;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Reading blocks

TEST(GifBlocks, ExtensionsAreSkippedAndGraphicControlRead) {
  struct Case {
    const char* name;
    Bytes data;
    uint8_t result;
    size_t pos;
    bool hasDelay;
  } cases[] = {
      {"image", {0x2C}, 0x2C, 1, false},
      {"trailer", {0x3B}, 0x3B, 1, false},
      {"empty", {}, 0, 0, false},
      {"stray bytes", {0x00, 0x07, 0x2C}, 0x2C, 3, false},
      {"graphic control", {0x21, 0xF9, 4, 0x09, 0x34, 0x12, 7, 0, 0x2C}, 0x2C, 9, true},
      {"graphic control of 5 bytes", {0x21, 0xF9, 5, 1, 2, 3, 4, 5, 0, 0x2C}, 0x2C, 10, false},
      {"comment", {0x21, 0xFE, 2, 'h', 'i', 1, 0x2C, 0, 0x3B}, 0x3B, 9, false},
      {"application", {0x21, 0xFF, 3, 'N', 'E', 'T', 0, 0x2C}, 0x2C, 8, false},
      {"plain text", {0x21, 0x01, 2, 9, 9, 1, 0x3B, 0, 0x2C}, 0x2C, 9, false},
      {"unknown label", {0x21, 0x42, 0x2C}, 0x2C, 3, false},
      {"cut graphic control", {0x21, 0xF9, 4, 0x09, 0x34}, 0, 3, false},
      {"cut comment", {0x21, 0xFE, 5, 'a'}, 0, 3, false},
      {"cut label", {0x21}, 0, 1, false},
  };
  for (const Case& c : cases) {
    GifReadState state;
    EXPECT_EQ(ReadGifExtensions(c.data.data(), c.data.size(), state), c.result) << c.name;
    if (c.result != 0) {
      EXPECT_EQ(state.Pos, c.pos) << c.name;
    }
    EXPECT_EQ(state.HasDelay, c.hasDelay) << c.name;
    if (c.hasDelay) {
      EXPECT_TRUE(state.Transparent);
      EXPECT_EQ(state.Disposal, 2);
      EXPECT_EQ(state.Delay, 0x1234);
      EXPECT_EQ(state.TransparentIndex, 7);
    }
  }
}

// ---------------------------------------------------------------------------
// Hostile data: each fixture runs under the sanitizer build too.

GifLayout OneFrame(uint16_t w, uint16_t h, GifFrameLayout f) {
  GifLayout s{w, h, {K, R, G, B}};
  s.Frames = {std::move(f)};
  return s;
}

TEST(GifHostile, MinimumCodeSizeOutsideTwoToElevenGivesNoFrame) {
  for (int m : {0, 1, 12, 13, 255}) {
    GifFrameLayout f = Frame(0, 0, 2, 1, {});
    f.MinCodeSize = m;
    f.RawLzw = Bytes{0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(Compose(WriteGif(OneFrame(2, 1, f)), 1).Exists) << m;
  }
  for (int m : {2, 8, 11}) {
    GifFrameLayout f = Frame(0, 0, 2, 1, {1, 2});
    f.MinCodeSize = m;
    EXPECT_EQ(Compose(WriteGif(OneFrame(2, 1, f)), 1).Pixels, Grid{"RG"}) << m;
  }
}

// Codes written by hand at minimum code size 2: clear 4, end 5, free from 6.
Bytes Codes(std::initializer_list<int> codes) {
  LzwCodeWriter w(2);
  for (int c : codes) w.Code(c);
  return w.Finish();
}

TEST(GifHostile, UnknownCodesEndThePixelsThere) {
  struct Case {
    const char* name;
    Bytes lzw;
    std::string frame2;  // frame 1 paints GGGG first
  } cases[] = {
      {"code above the next free code", Codes({4, 1, 7, 2, 5}), "RGGG"},
      {"table code right after a clear code", Codes({4, 6, 1, 5}), "GGGG"},
      {"end code right after a clear code", Codes({4, 5, 1}), "GGGG"},
      {"the next free code itself is a known string", Codes({4, 1, 6, 5}), "RRRG"},
      {"no clear code first", Codes({3, 1, 5}), "BRGG"},
      // The zero bits that fill the last byte read as index 0.
      {"no end code", Codes({4, 3, 3}), "BBKK"},
      {"no data", Bytes{}, "GGGG"},
  };
  for (const Case& c : cases) {
    GifFrameLayout f = Frame(0, 0, 4, 1, {});
    f.MinCodeSize = 2;
    f.RawLzw = c.lzw;
    GifLayout s{4, 1, {K, R, G, B}};
    s.Frames = {Frame(0, 0, 4, 1, {2, 2, 2, 2}), f};
    EXPECT_EQ(Compose(WriteGif(s), 2).Pixels, Grid{c.frame2}) << c.name;
  }
}

TEST(GifHostile, MoreIndicesThanTheFrameHoldsAreDropped) {
  // Literal codes for 40 indices and a run that decodes to 60 into 2 x 2
  // frames; pixels beside and below the frame stay black.
  GifFrameLayout literals = Frame(1, 0, 2, 2, std::vector<uint16_t>(40, 3));
  literals.LiteralsOnly = true;
  EXPECT_EQ(Compose(WriteGif(OneFrame(4, 3, literals)), 1).Pixels, (Grid{"KBBK", "KBBK", "KKKK"}));
  GifFrameLayout run = Frame(1, 0, 2, 2, std::vector<uint16_t>(60, 1));
  EXPECT_EQ(Compose(WriteGif(OneFrame(4, 3, run)), 1).Pixels, (Grid{"KRRK", "KRRK", "KKKK"}));
}

TEST(GifHostile, DataCutAnywhereGivesAFrameThatIsAPrefixOrNone) {
  std::vector<uint16_t> indices;
  for (int i = 0; i < 64; ++i) indices.push_back(static_cast<uint16_t>(1 + i % 3));
  GifLayout s = OneFrame(8, 8, Frame(0, 0, 8, 8, indices));
  s.Frames.push_back(Frame(0, 0, 8, 8, std::vector<uint16_t>(64, 0)));
  const Bytes gif = WriteGif(s);
  const size_t lzwStart = 13 + 12 + 10 + 1;  // header, table, descriptor, code size
  GifLayout first = s;
  first.Frames.pop_back();
  first.Trailer = false;
  const size_t frame2Data = WriteGif(first).size() + 10 + 1;
  int lastDecoded = 0;
  for (size_t cut = 0; cut < gif.size(); ++cut) {
    // A copy of exactly the cut length, so that a read past it is seen.
    const Bytes part(gif.begin(), gif.begin() + static_cast<long>(cut));
    const Composed f1 = Compose(part, 1);
    if (cut < lzwStart) {
      EXPECT_FALSE(f1.Exists) << cut;
      continue;
    }
    ASSERT_TRUE(f1.Exists) << cut;
    // The first k pixels as in the whole file, the rest still black.
    int k = 0;
    while (k < 64 && f1.Pixels[k / 8][k % 8] == "KRGB"[indices[k]]) ++k;
    for (int i = k; i < 64; ++i) EXPECT_EQ(f1.Pixels[i / 8][i % 8], 'K') << cut << " pixel " << i;
    EXPECT_GE(k, lastDecoded) << cut;
    lastDecoded = k;
    EXPECT_EQ(Compose(part, 2).Exists, cut >= frame2Data) << cut;  // frame 2 needs its code size
  }
  EXPECT_EQ(lastDecoded, 64);
}

TEST(GifHostile, CutTablesAndDescriptorsGiveNoFrame) {
  GifLayout s = OneFrame(2, 1, Frame(0, 0, 2, 1, {1, 2}));
  s.Frames[0].LocalTable = {K, R, G, B};
  const Bytes gif = WriteGif(s);
  for (size_t cut : {size_t{6}, size_t{12}, size_t{13}, size_t{20}, size_t{26}, size_t{30}, size_t{40}}) {
    EXPECT_FALSE(Compose(Bytes(gif.begin(), gif.begin() + static_cast<long>(cut)), 1).Exists) << cut;
  }
  EXPECT_TRUE(Compose(gif, 1).Exists);
}

TEST(GifHostile, CanvasSidesAboveTheLimitGiveNoFrame) {
  for (auto [w, h, exists] : {std::tuple{8193, 1, false}, std::tuple{1, 8193, false}, std::tuple{65535, 65535, false},
                              std::tuple{8192, 2, true}, std::tuple{0, 5, false}, std::tuple{5, 0, false}}) {
    const Bytes gif = WriteGif(OneFrame(static_cast<uint16_t>(w), static_cast<uint16_t>(h), Frame(0, 0, 1, 1, {1})));
    EXPECT_EQ(Compose(gif, 1).Exists, exists) << w << " x " << h;
  }
}

TEST(GifHostile, HugeFramesAreDecodedWithoutBeingAllocated) {
  // A 65535 x 65535 frame with a few pixels of data, on a 3 x 2 canvas.
  GifFrameLayout f = Frame(0, 0, 65535, 65535, {1, 2, 3, 1, 2});
  EXPECT_EQ(Compose(WriteGif(OneFrame(3, 2, f)), 1).Pixels, (Grid{"RGB", "KKK"}));
}

// ---------------------------------------------------------------------------
// The player against composing from the first frame.

std::vector<Bytes> PlayerFixtures() {
  std::vector<Bytes> out;
  {
    GifLayout s{4, 2, {K, R, G, B}, 1};
    s.Frames = {Frame(0, 0, 4, 2, {1, 1, 2, 2, 3, 3, 0, 0}), Frame(1, 0, 2, 1, {3, 0}, Control(true, 1, 0, 3)),
                Frame(2, 1, 2, 1, {0, 2}), Frame(0, 0, 2, 2, {0, 1, 0, 1}, Control(true, 2, 0, 9)),
                Frame(3, 0, 1, 2, {2, 2}, Control(false, 0, 0, 4))};
    out.push_back(WriteGif(s));
  }
  {
    GifLayout s{6, 9, {C, R, G, B, Y, W}, 4};
    GifFrameLayout inter = Frame(1, 0, 3, 9, std::vector<uint16_t>(27, 3));
    for (int i = 0; i < 27; ++i) inter.Indices[i] = static_cast<uint16_t>(i % 6);
    inter.Interlaced = true;
    GifFrameLayout local = Frame(0, 4, 6, 2, std::vector<uint16_t>(12, 1), Control(true, 2, 0, 1));
    local.LocalTable = {K, G};
    local.Indices[3] = 0;
    s.Frames = {inter, local, Frame(60000, 0, 2, 2, {1, 1, 1, 1}), Frame(2, 2, 3, 3, std::vector<uint16_t>(9, 0))};
    s.BeforeTrailer = {0x21, 0xFE, 1, 'x', 0};
    out.push_back(WriteGif(s));
  }
  {
    // Frame 3 cannot be decoded: its graphic control is read on the way.
    GifLayout s{2, 1, {K, R, G, B}};
    GifFrameLayout bad = Frame(0, 0, 2, 1, {}, Control(false, 0, 0, 77));
    bad.MinCodeSize = 12;
    bad.RawLzw = Bytes{1, 2, 3};
    s.Frames = {Frame(0, 0, 2, 1, {1, 2}, Control(false, 0, 0, 11)), Frame(0, 0, 1, 1, {3}), bad,
                Frame(0, 0, 2, 1, {2, 2})};
    out.push_back(WriteGif(s));
  }
  {
    // A cut file: the last frame's data ends early.
    GifLayout s{8, 8, {K, R, G, B}};
    std::vector<uint16_t> a(64), b(64);
    for (int i = 0; i < 64; ++i) {
      a[i] = static_cast<uint16_t>(i % 4);
      b[i] = static_cast<uint16_t>((i / 3) % 4);
    }
    s.Frames = {Frame(0, 0, 8, 8, a, Control(true, 1, 2, 6)), Frame(0, 0, 8, 8, b)};
    Bytes gif = WriteGif(s);
    gif.resize(gif.size() - 9);
    out.push_back(gif);
  }
  return out;
}

struct Result {
  bool Exists = false;
  Bytes Pixels;
  int Width = 0, Height = 0;
  uint16_t Delay = kUnset;
  bool operator==(const Result&) const = default;
};

Result FromPlayer(GifPlayer& player, const Bytes& gif, int frame, ColorRef key = kColorBlack) {
  Result r;
  const Raster* canvas = player.Compose(gif.data(), gif.size(), frame, key, r.Delay);
  if (canvas) {
    r.Exists = true;
    r.Pixels = canvas->Pixels;
    r.Width = canvas->Width;
    r.Height = canvas->Height;
  }
  return r;
}

Result FromStart(const Bytes& gif, int frame, ColorRef key = kColorBlack) {
  Result r;
  RasterPtr canvas = ComposeGifFrame(gif.data(), gif.size(), frame, key, r.Delay);
  if (canvas) {
    r.Exists = true;
    r.Pixels = canvas->Pixels;
    r.Width = canvas->Width;
    r.Height = canvas->Height;
  }
  return r;
}

TEST(GifPlayerTest, EveryFrameInOrderIsByteForByteTheComposedOne) {
  for (const Bytes& gif : PlayerFixtures()) {
    GifPlayer player;
    int existing = 0;
    for (int n = 1; n <= 7; ++n) {
      const Result expected = FromStart(gif, n);
      EXPECT_EQ(FromPlayer(player, gif, n), expected) << "fixture of " << gif.size() << " bytes, frame " << n;
      existing += expected.Exists;
    }
    EXPECT_GE(existing, 2);
  }
}

TEST(GifPlayerTest, FramesOutOfOrderAndKeyChangesAreTheComposedOnes) {
  const int order[] = {3, 2, 1, 2, 2, 5, 4, 1, 6, 2, 0, 3};
  for (const Bytes& gif : PlayerFixtures()) {
    GifPlayer player;
    for (int n : order) {
      EXPECT_EQ(FromPlayer(player, gif, n), FromStart(gif, n)) << "frame " << n;
      EXPECT_EQ(FromPlayer(player, gif, n, kColorWhite), FromStart(gif, n, kColorWhite)) << "white key, frame " << n;
    }
    // Another GIF through the same player.
    const Bytes other = PlayerFixtures()[0];
    EXPECT_EQ(FromPlayer(player, other, 2), FromStart(other, 2));
  }
}

TEST(GifPlayerTest, FrameNAfterFrameNMinusOneDecodesOneFrame) {
  GifLayout s{16, 8, {K, R, G, B}};
  for (int i = 0; i < 20; ++i) {
    s.Frames.push_back(Frame(static_cast<uint16_t>(i % 8), 0, 8, 8, std::vector<uint16_t>(64, static_cast<uint16_t>(i % 4)),
                             Control(i % 2 == 0, static_cast<uint8_t>(1 + i % 2), 0, static_cast<uint16_t>(i))));
  }
  const Bytes gif = WriteGif(s);
  GifPlayer player;
  uint16_t delay = 0;
  for (int n = 1; n <= 20; ++n) {
    ASSERT_TRUE(player.Compose(gif.data(), gif.size(), n, kColorBlack, delay));
    EXPECT_EQ(player.FramesDecoded(), static_cast<uint64_t>(n));
  }
  ASSERT_TRUE(player.Compose(gif.data(), gif.size(), 20, kColorBlack, delay));  // the same again
  EXPECT_EQ(player.FramesDecoded(), 20u);
  EXPECT_FALSE(player.Compose(gif.data(), gif.size(), 21, kColorBlack, delay));
  EXPECT_FALSE(player.Compose(gif.data(), gif.size(), 22, kColorBlack, delay));
  ASSERT_TRUE(player.Compose(gif.data(), gif.size(), 3, kColorBlack, delay));  // earlier: from the start
  EXPECT_EQ(player.FramesDecoded(), 23u);
}

}  // namespace
}  // namespace vexilo

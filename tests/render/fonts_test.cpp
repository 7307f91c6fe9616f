// Fonts of the drawing services: made as Windows makes them, sized as the
// faces hosts name, drawn without grey levels.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lang/CodePageUnit.h"
#include "render/DrawingUnit.h"

namespace vexilo {
namespace {

FontPtr Make(const char16_t* face, int height, int width = 0, bool bold = false, bool italic = false,
             bool underline = false) {
  FontRequest r;
  r.Face = face;
  r.Height = height;
  r.Width = width;
  r.Weight = bold ? kFwBold : kFwNormal;
  r.Italic = italic;
  r.Underline = underline;
  return NewFont(r);
}

struct Ink {
  int Count = 0;
  int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1;  // right and bottom inclusive
};

Ink InkOf(const Raster& r) {
  Ink ink;
  for (int y = 0; y < r.Height; ++y) {
    for (int x = 0; x < r.Width; ++x) {
      if (GetPixel(r, x, y) != kColorBlack) continue;
      ++ink.Count;
      ink.Left = std::min(ink.Left, x);
      ink.Right = std::max(ink.Right, x);
      ink.Top = std::min(ink.Top, y);
      ink.Bottom = std::max(ink.Bottom, y);
    }
  }
  return ink;
}

RasterPtr Drawn(const Font& font, std::u16string_view text, int w = 64, int h = 48, int x = 8, int y = 8) {
  RasterPtr r = CreateRaster(w, h, PixelKind::Palette8);
  DrawString(*r, font, x, y, text);
  return r;
}

const char16_t* const ChineseFaces[] = {u"宋体", u"黑体", u"楷体_GB2312"};

TEST(Fonts, SixteenPixelIdeographsAdvanceSixteenAndStayInTheirCell) {
  for (const char16_t* face : ChineseFaces) {
    for (int width : {0, 8}) {
      FontPtr font = Make(face, 16, width);
      for (char16_t c : std::u16string(u"永国中鬱一")) {
        std::u16string text(1, c);
        EXPECT_EQ(MeasureText(*font, text).Width, 16) << GbkToUtf8(Utf16ToCodePage("CP936", face));
        EXPECT_EQ(MeasureText(*font, text).Height, 16);
        RasterPtr r = Drawn(*font, text);
        Ink ink = InkOf(*r);
        ASSERT_GT(ink.Count, 0);
        EXPECT_GE(ink.Left, 8);
        EXPECT_GE(ink.Top, 8);
        EXPECT_LE(ink.Right, 8 + 15);
        EXPECT_LE(ink.Bottom, 8 + 15) << GbkToUtf8(Utf16ToCodePage("CP936", face)) << " U+" << std::hex << int(c);
      }
      // Latin letters are half as wide, as in the Chinese system faces.
      EXPECT_EQ(MeasureText(*font, u"A").Width, 8);
      EXPECT_EQ(MeasureText(*font, u"0123456789").Width, 80);
    }
  }
}

TEST(Fonts, HostNamesInGbkBytesFindTheirFaces) {
  FontPtr ansi = NewFontAnsi(Utf8ToGbk("宋体"), 16, 8, kFwNormal, false, false);
  FontPtr wide = Make(u"宋体", 16, 8);
  EXPECT_EQ(GetFontMetrics(*ansi).Family, GetFontMetrics(*wide).Family);
  EXPECT_EQ(GetFontMetrics(*ansi).Family, "AR PL UMing CN");
  // ANSI text is measured as its UTF-16 conversion.
  EXPECT_EQ(MeasureTextAnsi(*ansi, Utf8ToGbk("宋体A1")).Width, MeasureText(*ansi, u"宋体A1").Width);
  EXPECT_EQ(MeasureTextAnsi(*ansi, Utf8ToGbk("宋体A1")).Width, 48);
}

TEST(Fonts, TwelveToSixteenPixelSongDrawsFromTheEmbeddedStrike) {
  for (int h = 12; h <= 16; ++h) {
    FontPtr font = Make(u"宋体", h);
    GlyphInfo g = DescribeGlyph(*font, U'永');
    EXPECT_TRUE(g.FromStrike) << h;
    EXPECT_EQ(g.Advance, h);
    // The width hosts pass (h div 2) keeps the strike wherever it is exactly half.
    if (h % 2 == 0) {
      EXPECT_TRUE(DescribeGlyph(*Make(u"宋体", h, h / 2), U'永').FromStrike) << h;
    }
  }
  EXPECT_TRUE(DescribeGlyph(*Make(u"黑体", 14), U'永').FromStrike);
  EXPECT_FALSE(DescribeGlyph(*Make(u"宋体", 24), U'永').FromStrike);
  EXPECT_FALSE(DescribeGlyph(*Make(u"宋体", 16, 6), U'永').FromStrike);  // narrowed: the outline
}

TEST(Fonts, ChineseNamesResolveToDifferentInstalledFaces) {
  std::string song = GetFontMetrics(*Make(u"宋体", 20)).Family;
  std::string hei = GetFontMetrics(*Make(u"黑体", 20)).Family;
  std::string kai = GetFontMetrics(*Make(u"楷体_GB2312", 20)).Family;
  EXPECT_EQ(song, "AR PL UMing CN");
  EXPECT_EQ(hei, "WenQuanYi Zen Hei");
  EXPECT_EQ(kai, "AR PL UKai CN");
  EXPECT_NE(hei, kai);
  EXPECT_NE(song, hei);
  // And they draw differently.
  EXPECT_NE(Drawn(*Make(u"黑体", 20), u"永")->Pixels, Drawn(*Make(u"楷体_GB2312", 20), u"永")->Pixels);
}

TEST(Fonts, LatinFacesDrawChineseThroughTheFallback) {
  for (const char16_t* face : {u"Arial", u"Times New Roman", u"Courier New", u"Tahoma", u"NoSuchFace"}) {
    FontPtr font = Make(face, 16);
    GlyphInfo g = DescribeGlyph(*font, U'永');
    EXPECT_TRUE(g.Found);
    EXPECT_TRUE(g.Fallback);
    EXPECT_EQ(g.Family, "AR PL UMing CN");
    EXPECT_EQ(g.Advance, 16);
    RasterPtr r = Drawn(*font, u"永");
    Ink ink = InkOf(*r);
    EXPECT_GT(ink.Count, 20);
    EXPECT_GE(ink.Top, 8);
    EXPECT_LE(ink.Bottom, 8 + 15);
    // Latin characters come from the face itself.
    EXPECT_FALSE(DescribeGlyph(*font, U'A').Fallback);
  }
}

TEST(Fonts, EveryDrawnPixelIsPureBlackOrPureWhite) {
  struct Case {
    const char16_t* Face;
    int Height;
    bool Bold, Italic, Underline;
  };
  const Case cases[] = {
      {u"宋体", 16, false, false, false},        {u"宋体", 24, true, true, true},
      {u"黑体", 12, false, true, false},         {u"黑体", 30, true, false, true},
      {u"楷体_GB2312", 17, false, false, false}, {u"Arial", 11, false, false, false},
      {u"Arial", 40, true, true, true},          {u"Times New Roman", 19, false, true, true},
  };
  for (PixelKind kind : {PixelKind::Palette8, PixelKind::Rgb565, PixelKind::Rgb24}) {
    for (const Case& c : cases) {
      FontPtr font = Make(c.Face, c.Height, c.Height / 2, c.Bold, c.Italic, c.Underline);
      RasterPtr r = CreateRaster(200, 60, kind);
      FillRect(*r, Rect{0, 0, 200, 60}, MakeColorRef(255, 0, 0));
      DrawString(*r, *font, 3, 4, u"Ag永国é→");
      int black = 0, white = 0;
      for (int y = 0; y < r->Height; ++y) {
        for (int x = 0; x < r->Width; ++x) {
          ColorRef p = GetPixel(*r, x, y);
          black += p == kColorBlack;
          white += p == kColorWhite;
          ASSERT_TRUE(p == kColorBlack || p == kColorWhite || p == MakeColorRef(255, 0, 0));
        }
      }
      EXPECT_GT(black, 30);
      EXPECT_GT(white, black);
    }
  }
}

TEST(Fonts, BoldAndItalicChangeTheDrawnPixels) {
  for (const char16_t* face : {u"宋体", u"黑体", u"Arial"}) {
    for (int h : {16, 24}) {
      std::vector<std::vector<uint8_t>> seen;
      for (int style = 0; style < 4; ++style) {
        FontPtr font = Make(face, h, h / 2, style & 1, style & 2);
        std::vector<uint8_t> pixels = Drawn(*font, u"永A国", 80, 40)->Pixels;
        for (const auto& other : seen) EXPECT_NE(pixels, other) << "style " << style << " size " << h;
        seen.push_back(pixels);
      }
    }
  }
  // Faces without bold or italic styles have them made; faces with them use them.
  EXPECT_TRUE(GetFontMetrics(*Make(u"宋体", 16, 8, true)).SyntheticBold);
  EXPECT_TRUE(GetFontMetrics(*Make(u"宋体", 16, 8, false, true)).SyntheticItalic);
  FontMetrics arial = GetFontMetrics(*Make(u"Arial", 16, 8, true, true));
  EXPECT_FALSE(arial.SyntheticBold);
  EXPECT_FALSE(arial.SyntheticItalic);
  EXPECT_NE(arial.File.find("LiberationSans-BoldItalic"), std::string::npos);
  // A synthesised bold ideograph is one pixel wider; an italic one is not.
  EXPECT_EQ(MeasureText(*Make(u"宋体", 16, 8, true), u"永").Width, 17);
  EXPECT_EQ(MeasureText(*Make(u"宋体", 16, 8, false, true), u"永").Width, 16);
  // Weights 300 and 400 are the same regular style.
  FontRequest light{u"宋体", 16, 8, kFwLight};
  EXPECT_EQ(Drawn(*NewFont(light), u"永A")->Pixels, Drawn(*Make(u"宋体", 16, 8), u"永A")->Pixels);
}

TEST(Fonts, AverageWidthScalesGlyphsHorizontally) {
  // For the Chinese faces the natural average width is half the cell: asking
  // for it changes nothing, asking for less narrows the glyphs.
  for (const char16_t* face : ChineseFaces) {
    auto pixels = [&](int h, int w) { return Drawn(*Make(face, h, w), u"永国")->Pixels; };
    EXPECT_EQ(pixels(16, 8), pixels(16, 0));
    EXPECT_EQ(MeasureText(*Make(face, 16, 6), u"永").Width, 12);
    Ink narrow = InkOf(*Drawn(*Make(face, 16, 6), u"永"));
    Ink normal = InkOf(*Drawn(*Make(face, 16, 0), u"永"));
    EXPECT_LT(narrow.Right - narrow.Left, normal.Right - normal.Left);
    // At an odd height, half the height in whole pixels (17 div 2 = 8) is
    // narrower than the natural 8.5: a 17-pixel ideograph 16 wide, a digit 8.
    EXPECT_EQ(MeasureText(*Make(face, 17, 0), u"永").Width, 17);
    EXPECT_EQ(MeasureText(*Make(face, 17, 8), u"永").Width, 16);
    EXPECT_EQ(MeasureText(*Make(face, 17, 8), u"8").Width, 8);
    EXPECT_EQ(MeasureText(*Make(face, 17, 8), u"永").Height, 17);
  }
  // Latin faces keep their own average width (Arial's: 904/2048 em): half
  // the cell is wider than that, as on Windows.
  FontPtr natural = Make(u"Arial", 16);
  FontPtr wider = Make(u"Arial", 16, 8);
  EXPECT_EQ(GetFontMetrics(*natural).AveCharWidth, 6);
  EXPECT_GT(MeasureText(*wider, u"Hello world").Width, MeasureText(*natural, u"Hello world").Width);
  EXPECT_EQ(MeasureText(*wider, u"Hello").Height, 16);
}

TEST(Fonts, ACellHeightOfHMeasuresHHigh) {
  const char16_t* faces[] = {u"宋体",  u"新宋体",          u"黑体",        u"楷体_GB2312", u"楷体",    u"隶书",
                             u"Arial", u"Times New Roman", u"Courier New", u"Tahoma",      u"Verdana", u"NoSuchFace",
                             u""};
  for (const char16_t* face : faces) {
    for (int h : {8, 11, 12, 13, 16, 17, 24, 33, 64}) {
      FontPtr font = Make(face, h, h / 2);
      EXPECT_EQ(MeasureText(*font, u"Ag永").Height, h);
      EXPECT_EQ(MeasureText(*font, u"").Height, h);
      FontMetrics m = GetFontMetrics(*font);
      EXPECT_EQ(m.Height, h);
      EXPECT_EQ(m.Ascent + m.Descent, h);
    }
  }
  // A negative height is the em: the Chinese faces' cell is their em; a
  // Latin face's cell is larger than its em (Arial's is 1.15 em).
  EXPECT_EQ(MeasureText(*Make(u"宋体", -16), u"永").Height, 16);
  EXPECT_GT(MeasureText(*Make(u"Arial", -16), u"A").Height, 16);
  EXPECT_EQ(MeasureText(*Make(u"Arial", 0), u"A").Height, 16);  // 0: the default height
}

TEST(Fonts, CellsAreFilledWhiteFirstAndTextStartsAtTheCellCorner) {
  FontPtr font = Make(u"宋体", 16, 8);
  RasterPtr r = CreateRaster(60, 30, PixelKind::Palette8);
  FillRect(*r, Rect{0, 0, 60, 30}, kColorBlack);
  DrawString(*r, *font, 5, 7, u"一A");  // cells 16 + 8 wide
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 60; ++x) {
      bool cell = x >= 5 && x < 29 && y >= 7 && y < 23;
      if (!cell) {
        ASSERT_EQ(GetPixel(*r, x, y), kColorBlack) << x << "," << y;
      }
    }
  }
  int white = 0;
  for (int y = 7; y < 23; ++y) {
    for (int x = 5; x < 29; ++x) white += GetPixel(*r, x, y) == kColorWhite;
  }
  EXPECT_GT(white, 24 * 16 - 60);
  // Drawing at negative positions is the same picture moved and clipped.
  RasterPtr whole = Drawn(*font, u"永国", 40, 20, 0, 0);
  RasterPtr moved = Drawn(*font, u"永国", 40, 20, -5, -3);
  for (int y = 0; y < 17; ++y) {
    for (int x = 0; x < 35; ++x) ASSERT_EQ(GetPixel(*moved, x, y), GetPixel(*whole, x + 5, y + 3)) << x << "," << y;
  }
  // Far outside the raster nothing is drawn, and nothing breaks.
  RasterPtr none = Drawn(*font, u"永国", 40, 20, -2000000000, 2000000000);
  EXPECT_EQ(InkOf(*none).Count, 0);
  EXPECT_EQ(DrawString(*none, *font, 0, 0, u"永A"), 24);
}

TEST(Fonts, UnderlineRunsUnderEveryCellInsideTheCell) {
  FontPtr plain = Make(u"宋体", 16, 8);
  FontPtr under = Make(u"宋体", 16, 8, false, false, true);
  RasterPtr a = Drawn(*plain, u"  ", 40, 30, 4, 4);
  RasterPtr b = Drawn(*under, u"  ", 40, 30, 4, 4);
  EXPECT_EQ(InkOf(*a).Count, 0);
  Ink line = InkOf(*b);
  EXPECT_EQ(line.Left, 4);
  EXPECT_EQ(line.Right, 4 + 15);
  EXPECT_GT(line.Top, 4 + GetFontMetrics(*under).Ascent - 1);
  EXPECT_LE(line.Bottom, 4 + 15);
  EXPECT_TRUE(GetFontMetrics(*under).Underline);
}

TEST(Fonts, CharacterSetsAndOddTextAreHandled) {
  // An unknown name with the GB2312 character set gets the Song face.
  FontPtr gb = NewFontAnsi("NoSuchFace", 16, 8, kFwNormal, false, false, kGb2312CharSet);
  EXPECT_EQ(GetFontMetrics(*gb).Family, "AR PL UMing CN");
  // A surrogate pair is one character; a lone surrogate and control
  // characters do not break anything.
  FontPtr font = Make(u"宋体", 16, 8);
  std::u16string pair = u"\U00020000";
  ASSERT_EQ(pair.size(), 2u);
  TextSize one = MeasureText(*font, pair);
  EXPECT_GE(one.Width, 0);
  EXPECT_LE(one.Width, 16);
  EXPECT_EQ(MeasureText(*font, u"\r\n").Height, 16);
  std::u16string lone(1, char16_t(0xD800));
  RasterPtr r = Drawn(*font, lone + u"\t\r\nA");
  EXPECT_GT(InkOf(*r).Count, 0);
  // Absurd sizes are bounded, not refused.
  EXPECT_LE(MeasureText(*Make(u"Arial", 1 << 30, 1 << 30), u"A").Height, 1024);
  EXPECT_EQ(MeasureText(*Make(u"宋体", 1, 1), u"A").Height, 1);
}

TEST(Fonts, CreatingTheSameFontAgainSharesItsFacesAndGlyphs) {
  FontPtr a = Make(u"黑体", 16, 8);
  FontPtr b = Make(u"黑体", 16, 8);
  EXPECT_EQ(GetFontMetrics(*a).File, GetFontMetrics(*b).File);
  EXPECT_EQ(Drawn(*a, u"永A")->Pixels, Drawn(*b, u"永A")->Pixels);
  // After a shutdown fonts still alive keep drawing what they had cached, and
  // new fonts start the services again.
  RasterPtr before = Drawn(*a, u"永A");
  DrawingShutdown();
  EXPECT_EQ(Drawn(*a, u"永A")->Pixels, before->Pixels);
  FontPtr c = Make(u"黑体", 16, 8);
  EXPECT_EQ(Drawn(*c, u"永A")->Pixels, before->Pixels);
}

// The README's face table is the one the code uses: every host name listed
// there resolves to the face listed for it.
TEST(Fonts, TheReadmeFaceTableIsTheOneInUse) {
  std::ifstream in(std::string(VEXILO_SOURCE_DIR) + "/README.md");
  ASSERT_TRUE(in);
  std::string line;
  bool inFonts = false;
  int rows = 0;
  while (std::getline(in, line)) {
    if (line.rfind("## ", 0) == 0) inFonts = line == "## Fonts";
    if (!inFonts || line.rfind("| ", 0) != 0 || line.find("---") != std::string::npos) continue;
    // | host names | installed face (package) ... | sizing |
    std::vector<std::string> cells;
    std::stringstream row(line.substr(1));
    std::string cell;
    while (std::getline(row, cell, '|')) {
      size_t a = cell.find_first_not_of(' '), b = cell.find_last_not_of(' ');
      cells.push_back(a == std::string::npos ? "" : cell.substr(a, b - a + 1));
    }
    if (cells.size() < 2 || cells[0] == "Host names") continue;
    std::string face = cells[1].substr(0, cells[1].find(" ("));
    std::stringstream names(cells[0]);
    std::string name;
    while (std::getline(names, name, ',')) {
      name.erase(0, name.find_first_not_of(" `"));
      name.erase(name.find_last_not_of(" `") + 1);
      if (name.empty() || name[0] == '(') continue;
      FontPtr font = NewFont(FontRequest{CodePageToUtf16("UTF-8", name), 20, 10});
      EXPECT_EQ(GetFontMetrics(*font).Family, face) << name;
      ++rows;
    }
  }
  EXPECT_GT(rows, 20);
}

}  // namespace
}  // namespace vexilo

// The three text items, checked through the pack reader and the page pixels.
#include <gtest/gtest.h>

#include <optional>

#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <cstring>
#include <string>
#include <vector>

#include "HostLibrary.h"
#include "pack/PackReaderUnit.h"
#include "frame/HostFilesUnit.h"
#include "lang/CodePageUnit.h"
#include "items/ItemPagesUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/TextPageUnit.h"

namespace vexilo {
namespace {

using testing::MakeTempFolder;

using testing::WriteTextFile;
using Bytes = std::vector<uint8_t>;

const char kScreens[] =
    "[地址: 1]\nCOMPort=COM1\nColor=1\n"
    "[地址: 2]\nCOMPort=COM1\nColor=2\n"
    "[地址: 3]\nCOMPort=COM1\nColor=3\n"
    "[地址: 4]\nCOMPort=COM1\nColor=4\n";

const std::string kSong = Utf8ToGbk("宋体");

class TextItems : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = MakeTempFolder("text");
    WriteTextFile(home_ + "/LED.INI", Utf8ToGbk(kScreens));
    library_.emplace(home_);
  }
  void TearDown() override { library_.reset(); }

  void Start(int screen, uint8_t rotated = 0) {
    ASSERT_EQ(User_InitBufferEx(screen, rotated), 1);
    ASSERT_EQ(User_AddProgram(0, 0), 0);
  }
  Bytes File() { return ReadWholeFile(home_ + "/Swap.Dat"); }
  PackInfo Read() {
    PackInfo pack;
    std::string error;
    EXPECT_TRUE(ReadPack(File(), pack, error)) << error;
    return pack;
  }
  // The last area of the first program (a copy: packs are temporaries).
  static AreaInfo OnlyArea(const PackInfo& pack) {
    if (pack.Programs.empty() || pack.Programs[0].Areas.empty()) return AreaInfo{};
    return pack.Programs[0].Areas.back();
  }

  static FontSpec Font(int size = 16, uint8_t color = 1) {
    FontSpec f{};
    f.FaceName = kSong.c_str();
    f.Size = size;
    f.TextColor = color;
    return f;
  }
  static TSingleTextParam Single(const char* text, int32_t effect, int32_t w = 64, int32_t h = 16) {
    TSingleTextParam p{};
    p.Text = text;
    p.AreaWidth = w;
    p.AreaHeight = h;
    p.Font = Font();
    p.Effect = effect;
    p.Speed = 0x105;
    p.StayTime = 3;
    p.PageOption = 0x207;
    return p;
  }
  static TTextParam Paged(const char* text, int32_t w = 64, int32_t h = 32) {
    TTextParam p{};
    p.Text = text;
    p.AreaWidth = w;
    p.AreaHeight = h;
    p.Font = Font();
    p.Effect = 34;
    p.Speed = 2;
    p.StayTime = 9;
    p.PageOption = 1;
    return p;
  }
  std::string home_;
  std::optional<testing::LoadedLibrary> library_;
};

// Pages of a type-3 area: its page set header, then pages of pageBytes.
std::vector<Bytes> SetPages(const AreaInfo& area, size_t pageBytes) {
  std::vector<Bytes> pages;
  for (size_t off = 6; off + pageBytes <= area.Body.size(); off += pageBytes) {
    pages.emplace_back(area.Body.begin() + static_cast<long>(off), area.Body.begin() + static_cast<long>(off + pageBytes));
  }
  return pages;
}

// The page a mono screen shows for text colour 1 on black: the mask inverted.
Bytes LitMask(const std::u16string& text, int32_t page, int32_t w, int32_t h, int32_t margin, const FontSpec& font,
              bool single, bool wrap, bool narrow) {
  Bytes out(PageBytes(w, h, 1));
  TextPageRequest request;
  request.Text = text;
  request.SingleLinePages = single;
  request.Wrap = wrap;
  request.Width = w;
  request.Height = h;
  request.Margin = margin;
  request.Font = font;
  request.NarrowItalics = narrow;
  size_t n = RenderTextPage(request, page, out.data(), out.size());
  if (n == 0) return {};
  for (uint8_t& b : out) b = static_cast<uint8_t>(~b);
  ClearRowPadding(w, h, 1, out.data(), out.size());
  return out;
}

bool AnyLit(const Bytes& page) {
  for (uint8_t b : page) {
    if (b != 0) return true;
  }
  return false;
}

TEST_F(TextItems, SingleLinePageOrderFollowsTheEffect) {
  Start(1);
  TSingleTextParam forward = Single("ONE\nTWO\nSIX", 1);
  ASSERT_EQ(User_AddSingleText(&forward), 0);
  TSingleTextParam backward = Single("ONE\nTWO\nSIX", 8);
  ASSERT_EQ(User_AddSingleText(&backward), 0);
  PackInfo pack = Read();
  ASSERT_EQ(pack.Programs[0].Areas.size(), 2u);
  const AreaInfo& a = pack.Programs[0].Areas[0];
  const AreaInfo& b = pack.Programs[0].Areas[1];
  EXPECT_EQ(a.Type, 3);
  EXPECT_EQ(Bytes(a.Body.begin(), a.Body.begin() + 6), (Bytes{3, 1, 0x05, 3, 0, 0x07}));
  EXPECT_EQ(Bytes(b.Body.begin(), b.Body.begin() + 6), (Bytes{3, 8, 0x05, 3, 0, 0x07}));
  std::vector<Bytes> pa = SetPages(a, 8 * 16), pb = SetPages(b, 8 * 16);
  ASSERT_EQ(pa.size(), 3u);
  ASSERT_EQ(pb.size(), 3u);
  EXPECT_EQ(pb[0], pa[2]);
  EXPECT_EQ(pb[1], pa[1]);
  EXPECT_EQ(pb[2], pa[0]);
  EXPECT_NE(pa[0], pa[1]);
  EXPECT_EQ(pa[0], LitMask(u"ONE", 0, 64, 16, 0, Font(), true, true, false));
  EXPECT_EQ(a.Length, 14u + 6u + 3u * 128u);
}

TEST_F(TextItems, ContinuousLineForEffectSevenWithoutStayTime) {
  Start(1);
  const char* text = "ABCDEFGHIJKLMNOPQRST";
  TSingleTextParam scroll = Single(text, 7);
  scroll.StayTime = 0;
  ASSERT_EQ(User_AddSingleText(&scroll), 0);
  TSingleTextParam lines = Single("AB\nCD", 7);
  lines.StayTime = 1;
  ASSERT_EQ(User_AddSingleText(&lines), 0);
  PackInfo pack = Read();
  const AreaInfo& a = pack.Programs[0].Areas[0];
  // A 20-letter line at 8 px a letter is 160 px: pages 0, 1 and 2 of 64.
  std::vector<Bytes> pages = SetPages(a, 128);
  ASSERT_EQ(a.Body[0], pages.size());
  std::u16string text16(text, text + 20);
  for (size_t k = 0; k < pages.size(); ++k) {
    EXPECT_EQ(pages[k], LitMask(text16, static_cast<int32_t>(k), 64, 16, 0, Font(), true, false, false)) << k;
  }
  EXPECT_TRUE(LitMask(text16, static_cast<int32_t>(pages.size()), 64, 16, 0, Font(), true, false, false).empty());
  EXPECT_EQ(pack.Programs[0].Areas[1].Body[0], 2);  // one page per line
}

TEST_F(TextItems, RotatedSingleLineTurnsEffectAreaAndPages) {
  Start(1, 1);
  TSingleTextParam five = Single("AB\nCD", 5, 64, 16);
  five.StayTime = 0;
  five.AreaX = 8;
  five.AreaY = 24;
  ASSERT_EQ(User_AddSingleText(&five), 0);  // effect 5 turns to 7: the continuous line
  TSingleTextParam seven = Single("AB\nCD", 7, 64, 16);
  seven.StayTime = 0;
  ASSERT_EQ(User_AddSingleText(&seven), 0);  // effect 7 turns to 6: one line per page
  PackInfo pack = Read();
  const AreaInfo& a = pack.Programs[0].Areas[0];
  EXPECT_EQ(a.X, 24);
  EXPECT_EQ(a.Y, 8);
  EXPECT_EQ(a.Width, 16);
  EXPECT_EQ(a.Height, 64);
  EXPECT_EQ(a.Body[1], 7);
  // The text has a break, so even the continuous line falls back to lines.
  EXPECT_EQ(a.Body[0], 2);
  Bytes unturned = LitMask(u"AB", 0, 64, 16, 0, Font(), true, true, false);
  Bytes turned = unturned;
  ASSERT_TRUE(RotatePage(1, 64, 16, turned.data(), turned.size()));
  EXPECT_EQ(SetPages(a, 128)[0], turned);
  EXPECT_EQ(pack.Programs[0].Areas[1].Body[1], 6);
}

TEST_F(TextItems, RotatedContinuousLineFromEffectFive) {
  Start(1, 1);
  TSingleTextParam p = Single("ABCDEFGHIJKL", 5, 64, 16);
  p.StayTime = 0;
  ASSERT_EQ(User_AddSingleText(&p), 0);
  const AreaInfo a = OnlyArea(Read());
  EXPECT_EQ(a.Body[1], 7);
  EXPECT_EQ(a.Body[0], 2);  // 96 px of text in 64-px windows
}

TEST_F(TextItems, AtMost255Pages) {
  Start(1);
  std::string text;
  for (int i = 0; i < 300; ++i) text += "L\n";
  TSingleTextParam p = Single(text.c_str(), 1, 16, 16);
  ASSERT_EQ(User_AddSingleText(&p), 0);
  EXPECT_EQ(OnlyArea(Read()).Body[0], 255);
}

TEST_F(TextItems, EmptyAndBlankTexts) {
  Start(1);
  const Bytes before = File();
  TSingleTextParam single = Single(nullptr, 1);
  EXPECT_EQ(User_AddSingleText(&single), -1);
  single.Text = " \t\r\n ";
  EXPECT_EQ(User_AddSingleText(&single), -1);
  TStaticTextParam still{};
  still.AreaWidth = 64;
  still.AreaHeight = 16;
  still.Font = Font();
  still.Text = "";
  EXPECT_EQ(User_AddStaticText(&still), -1);  // no page: the pack stays as it was
  EXPECT_EQ(User_AddStaticText(nullptr), -1);
  EXPECT_EQ(User_AddSingleText(nullptr), -1);
  EXPECT_EQ(User_AddText(nullptr), -1);
  EXPECT_EQ(File(), before);
  EXPECT_EQ(Pack().AreaCounter, 0);

  still.Text = "   ";
  ASSERT_EQ(User_AddStaticText(&still), 0);  // blanks give a blank page
  TTextParam paged = Paged(nullptr);
  ASSERT_EQ(User_AddText(&paged), 0);  // an empty paged text adds no page
  PackInfo pack = Read();
  ASSERT_EQ(pack.Programs[0].Areas.size(), 2u);
  const AreaInfo& s = pack.Programs[0].Areas[0];
  EXPECT_EQ(s.Type, 4);
  EXPECT_EQ(s.Body.size(), 2u + 128u);
  EXPECT_FALSE(AnyLit(Bytes(s.Body.begin() + 2, s.Body.end())));
  EXPECT_EQ(pack.Programs[0].Areas[1].PageCount, 0);
  EXPECT_EQ(pack.Programs[0].Areas[1].Length, 16u);
  EXPECT_EQ(pack.Programs[0].AreaCount, 2);
}

TEST_F(TextItems, FontFormRecords) {
  Start(1, 1);  // never turned
  TSingleTextParam single = Single("AB", 7);
  single.AreaX = 1;
  single.AreaY = 2;
  single.StayTime = 0;
  single.FontForm = 1;
  single.Font.Centered = 1;
  ASSERT_EQ(User_AddSingleText(&single), 0);
  TStaticTextParam still{};
  still.Text = "AB";
  still.AreaWidth = 64;
  still.AreaHeight = 16;
  still.Font = Font(16, 2);
  still.FontForm = 1;
  ASSERT_EQ(User_AddStaticText(&still), 0);
  single.StayTime = 0x100;  // the whole 32-bit stay time counts
  ASSERT_EQ(User_AddSingleText(&single), 0);
  PackInfo pack = Read();
  const auto& areas = pack.Programs[0].Areas;
  ASSERT_EQ(areas.size(), 3u);
  EXPECT_EQ(areas[0].Type, 0x21);
  EXPECT_EQ(areas[0].Length, 33u);
  EXPECT_EQ(areas[0].X, 1);
  EXPECT_EQ(areas[0].Y, 2);
  EXPECT_EQ(areas[0].Width, 64);
  EXPECT_EQ(areas[0].Body, (Bytes{0, 0, 7, 5, 0, 7, 1, 1, 3, 0, 0, 0, 6, 0x7F, 1, 16, 0, 'A', 'B'}));
  EXPECT_EQ(areas[1].Body, (Bytes{0, 0, 0, 0, 0, 0, 2, 4, 4, 0, 0, 0, 6, 0x7F, 1, 16, 1, 'A', 'B'}));
  EXPECT_EQ(areas[2].Body, (Bytes{0, 0, 7, 5, 0, 7, 0, 3, 3, 0, 0, 0, 6, 0x7F, 1, 16, 0, 'A', 'B'}));
}

TEST_F(TextItems, FontFormTextTooLongForItsLengthField) {
  Start(1);
  std::string text(65532, 'x');
  TStaticTextParam still{};
  still.Text = text.c_str();
  still.FontForm = 1;
  still.Font = Font();
  const Bytes before = File();
  EXPECT_EQ(User_AddStaticText(&still), -1);
  EXPECT_EQ(File(), before);
  text.pop_back();  // 65531 bytes: L + 4 is 65535
  still.Text = text.c_str();
  ASSERT_EQ(User_AddStaticText(&still), 0);
  EXPECT_EQ(OnlyArea(Read()).Length, 31u + 65531u);
}

TEST_F(TextItems, PagedTextsWithOneRectangleShareTheirPageArea) {
  Start(1);
  TTextParam first = Paged("FIRST PAGE TEXT THAT WRAPS ONTO MORE LINES AND PAGES");
  ASSERT_EQ(User_AddText(&first), 0);
  PackInfo once = Read();
  const int firstPages = OnlyArea(once).PageCount;
  ASSERT_GE(firstPages, 2);
  TTextParam second = Paged("SECOND");
  second.Effect = 1;
  ASSERT_EQ(User_AddText(&second), 0);
  PackInfo pack = Read();
  ASSERT_EQ(pack.Programs[0].Areas.size(), 1u);
  EXPECT_EQ(pack.Programs[0].AreaCount, 2);
  const AreaInfo a = OnlyArea(pack);
  EXPECT_EQ(a.PageCount, firstPages + 1);
  EXPECT_EQ(a.GroupSizes, (std::vector<int>{firstPages, 1}));
  EXPECT_EQ(a.Pages.back().Number, firstPages + 1);
  EXPECT_EQ(a.Pages.front().Effect, 15);  // 34 maps to 15
  EXPECT_EQ(a.Pages.back().Effect, 1);
  EXPECT_EQ(a.Pages.front().Speed, 2);
  EXPECT_EQ(a.Pages.front().StayTime, 9);
  EXPECT_EQ(a.Pages.front().Option, 1);
  for (int k = 0; k < firstPages; ++k) {
    EXPECT_EQ(a.Pages[static_cast<size_t>(k)].Pixels,
              LitMask(u"FIRST PAGE TEXT THAT WRAPS ONTO MORE LINES AND PAGES", k, 64, 32, 0, Font(), false, true, true))
        << k;
  }
}

TEST_F(TextItems, FramesAndMargins) {
  Start(1);
  const std::u16string text16 = u"FRAME";
  TSingleTextParam single = Single("FRAME", 1, 64, 32);
  single.FrameWidth = 5;
  single.FrameColor = 1;
  ASSERT_EQ(User_AddSingleText(&single), 0);
  TTextParam paged = Paged("FRAME", 64, 32);
  paged.FrameWidth = 5;
  paged.FrameColor = 1;
  ASSERT_EQ(User_AddText(&paged), 0);
  TSingleTextParam noFrame = Single("FRAME", 1, 64, 32);
  noFrame.FrameWidth = 2;
  ASSERT_EQ(User_AddSingleText(&noFrame), 0);
  TTextParam pagedNoFrame = Paged("FRAME", 64, 32);
  pagedNoFrame.FrameWidth = 2;
  pagedNoFrame.AreaX = 64;
  ASSERT_EQ(User_AddText(&pagedNoFrame), 0);
  PackInfo pack = Read();
  const auto& areas = pack.Programs[0].Areas;
  ASSERT_EQ(areas.size(), 4u);

  auto framed = [](Bytes page, int width) {
    DrawBorder(1, 1, width, 64, 32, page.data(), page.size());
    return page;
  };
  // Single-line: a 5-pixel frame around text with a 1-pixel margin.
  EXPECT_EQ(SetPages(areas[0], 256)[0], framed(LitMask(text16, 0, 64, 32, 1, Font(), true, true, false), 5));
  // Paged: a 1-pixel frame, a 1-pixel margin.
  EXPECT_EQ(areas[1].Pages[0].Pixels, framed(LitMask(text16, 0, 64, 32, 1, Font(), false, true, true), 1));
  // No frame colour: no frame; single-line margin 0, paged margin 2.
  EXPECT_EQ(SetPages(areas[2], 256)[0], LitMask(text16, 0, 64, 32, 0, Font(), true, true, false));
  EXPECT_EQ(areas[3].Pages[0].Pixels, LitMask(text16, 0, 64, 32, 2, Font(), false, true, true));
}

TEST_F(TextItems, PageBytesByColourMode) {
  struct {
    int Screen;
    size_t Planes;
  } cases[] = {{1, 1}, {2, 2}, {3, 2}};
  for (const auto& c : cases) {
    Start(c.Screen);
    TTextParam paged = Paged("COLOUR", 40, 16);  // 40 wide: 5 bytes a row
    ASSERT_EQ(User_AddText(&paged), 0);
    TStaticTextParam still{};
    still.Text = "COLOUR";
    still.AreaWidth = 40;
    still.AreaHeight = 16;
    still.Font = Font(16, 2);
    still.BackColor = 1;
    ASSERT_EQ(User_AddStaticText(&still), 0);
    PackInfo pack = Read();
    EXPECT_EQ(pack.PlaneCount, c.Planes);
    const auto& areas = pack.Programs[0].Areas;
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[0].Pages.at(0).Pixels.size(), c.Planes * 16 * 5);
    EXPECT_EQ(areas[1].Body.size(), 2 + c.Planes * 16 * 5);
    EXPECT_EQ(areas[1].Body[0], 1);  // the background colour precedes the page
  }
}

TEST_F(TextItems, ColourModeThreeExchangesRedAndGreen) {
  Start(3);
  TStaticTextParam still{};
  still.Text = "X";
  still.AreaWidth = 8;
  still.AreaHeight = 16;
  still.Font = Font(16, 1);  // red text on black: green plane on this screen
  ASSERT_EQ(User_AddStaticText(&still), 0);
  const AreaInfo a = OnlyArea(Read());
  bool red = false, green = false;
  for (size_t row = 0; row < 16; ++row) {
    red |= a.Body[2 + 2 * row] != 0;
    green |= a.Body[2 + 2 * row + 1] != 0;
  }
  EXPECT_FALSE(red);
  EXPECT_TRUE(green);
}

TEST_F(TextItems, WidthsThatAreNotAMultipleOfEightKeepTheirRowsApart) {
  Start(2);
  TStaticTextParam still{};
  still.Text = "II";
  still.AreaWidth = 12;  // 2 bytes a plane row, the last holding 4 pixels
  still.AreaHeight = 16;
  still.Font = Font(16, 3);
  still.BackColor = 1;
  still.FrameWidth = 1;
  still.FrameColor = 2;
  ASSERT_EQ(User_AddStaticText(&still), 0);
  const AreaInfo a = OnlyArea(Read());
  ASSERT_EQ(a.Body.size(), 2u + 2u * 16u * 2u);
  for (size_t row = 0; row < 16; ++row) {
    for (size_t plane = 0; plane < 2; ++plane) {
      const uint8_t last = a.Body[2 + row * 4 + plane * 2 + 1];
      EXPECT_EQ(last & 0xF0, 0) << "unused bits stay 0, row " << row;
      // The frame's right column is pixel 11, the lowest bit: green only.
      EXPECT_EQ(last & 1, plane == 1 ? 1 : 0) << row;
    }
  }
  // A 5-pixel frame on a 12-wide page: pixels 0 to 4 and 7 to 11 of every
  // middle row, on the red plane only.
  TStaticTextParam framed = still;
  framed.Text = " ";
  framed.FrameWidth = 5;
  framed.FrameColor = 1;
  framed.BackColor = 0;
  ASSERT_EQ(User_AddStaticText(&framed), 0);
  const AreaInfo f = OnlyArea(Read());
  for (size_t row = 5; row < 11; ++row) {
    EXPECT_EQ(f.Body[2 + row * 4 + 0], 0xF9) << row;  // red: 1111 1001
    EXPECT_EQ(f.Body[2 + row * 4 + 1], 0x0F) << row;  // red: pixels 8 to 11
    EXPECT_EQ(f.Body[2 + row * 4 + 2], 0x00) << row;  // green: dark
    EXPECT_EQ(f.Body[2 + row * 4 + 3], 0x00) << row;
  }
  EXPECT_EQ(f.Body[2 + 0], 0xFF);
  EXPECT_EQ(f.Body[2 + 1], 0x0F);
  // A rotated screen can only turn pages whose sides are multiples of 8.
  Start(1, 1);
  const Bytes before = File();
  TSingleTextParam single = Single("AB", 1, 12, 16);
  EXPECT_EQ(User_AddSingleText(&single), -1);
  EXPECT_EQ(File(), before);
}

TEST_F(TextItems, ItemsRefuseColourModeFourAndNoProgram) {
  ASSERT_EQ(User_InitBuffer(1), 1);
  TTextParam paged = Paged("X");
  EXPECT_EQ(User_AddText(&paged), -1);  // no program
  Start(4);
  EXPECT_EQ(User_AddText(&paged), -1);
  TSingleTextParam single = Single("X", 1);
  EXPECT_EQ(User_AddSingleText(&single), -1);
  EXPECT_EQ(Read().Programs[0].Areas.size(), 0u);
}

TEST_F(TextItems, ArabicOnlyInTheContinuousLine) {
  // GBK has no Arabic letters, so the renderer's rule is checked directly.
  const std::u16string text = u"\u0645\u0631\u062D\u0628\u0627";
  Bytes out(2 * 64);
  TextPageRequest request;
  request.Text = text;
  request.Width = 64;
  request.Height = 16;
  request.Font = Font();
  request.NarrowItalics = true;
  EXPECT_EQ(RenderTextPage(request, 0, out.data(), out.size()), 0u);
  request.SingleLinePages = true;
  request.NarrowItalics = false;
  EXPECT_EQ(RenderTextPage(request, 0, out.data(), out.size()), 128u);
}

TEST_F(TextItems, ChineseTextDrawsInk) {
  Start(2);
  const std::string gbk = Utf8ToGbk("欢迎光临");
  TStaticTextParam still{};
  still.Text = gbk.c_str();
  still.AreaWidth = 64;
  still.AreaHeight = 16;
  still.Font = Font(16, 3);
  ASSERT_EQ(User_AddStaticText(&still), 0);
  const AreaInfo a = OnlyArea(Read());
  EXPECT_TRUE(AnyLit(Bytes(a.Body.begin() + 2, a.Body.end())));
}

// Areas that no raster can hold: every text item answers -1 before it
// allocates or writes anything, paged text too (it used to succeed with an
// empty area), and font sizes beyond the renderer's limit fail the same way.
TEST_F(TextItems, AreasAndFontsTooLargeToDrawFailAtOnceWithThePackUnchanged) {
  struct {
    int32_t Width, Height, Size;
  } cases[] = {
      {8200, 8200, 16},   // more pixels than a raster may have
      {40000, 16, 16},    // a side longer than a raster's
      {32768, 1, 16},
      {64, 16, 2049},     // beyond the font size limit, as cell or em height
      {64, 16, -2049},
      {64, 16, INT32_MAX},
      {64, 16, INT32_MIN},
  };
  Start(1);
  TSingleTextParam first = Single("KEEP", 1);
  ASSERT_EQ(User_AddSingleText(&first), 0);
  const Bytes before = File();
  const int32_t areas = Pack().AreaCounter, length = Pack().PackLength;
  for (const auto& c : cases) {
    for (int32_t effect : {1, 8, 7}) {
      TSingleTextParam single = Single("A LINE\nAND ONE MORE", effect, c.Width, c.Height);
      single.StayTime = 0;
      single.Font.Size = c.Size;
      EXPECT_EQ(User_AddSingleText(&single), -1) << c.Width << " x " << c.Height << " size " << c.Size;
    }
    TTextParam paged = Paged("SOME PAGED TEXT", c.Width, c.Height);
    paged.Font.Size = c.Size;
    EXPECT_EQ(User_AddText(&paged), -1) << c.Width << " x " << c.Height << " size " << c.Size;
    TStaticTextParam still{};
    still.Text = "STILL";
    still.AreaWidth = c.Width;
    still.AreaHeight = c.Height;
    still.Font = Font(c.Size);
    EXPECT_EQ(User_AddStaticText(&still), -1) << c.Width << " x " << c.Height << " size " << c.Size;
    EXPECT_EQ(File(), before);
    EXPECT_EQ(Pack().AreaCounter, areas);
    EXPECT_EQ(Pack().PackLength, length);
  }
  // The largest side a raster may have still gives pages.
  TSingleTextParam wide = Single("WIDE", 1, kMaxRasterSide - 7, 8);
  EXPECT_EQ(User_AddSingleText(&wide), 0);
  EXPECT_EQ(OnlyArea(Read()).Body[0], 1);
}

// The hostile sizes from a host, in a child process whose address space may
// grow by no more than 1 GiB: the item must neither allocate the gigabytes
// its area would take nor take its time.
TEST_F(TextItems, HugeAreasAreRefusedWithoutAllocatingUnderAMemoryLimit) {
  library_.reset();
  auto run = testing::RunHost(home_, [](const testing::HostApi& api) {
#if defined(__SANITIZE_ADDRESS__)
    const bool limited = false;  // the sanitizer's shadow memory needs the address space
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    const bool limited = false;
#else
    const bool limited = true;
#endif
#else
    const bool limited = true;
#endif
    if (limited) {
      std::ifstream statm("/proc/self/statm");
      uint64_t pages = 0;
      statm >> pages;
      const uint64_t now = pages * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
      rlimit limit{};
      limit.rlim_cur = limit.rlim_max = now + (uint64_t{1} << 30);
      if (::setrlimit(RLIMIT_AS, &limit) != 0) return std::string("setrlimit failed");
    }
    if (api.InitBuffer(1) != 1 || api.AddProgram(0, 0) != 0) return std::string("no pack");
    const auto start = std::chrono::steady_clock::now();
    std::string results;
    const int32_t sizes[][2] = {{INT32_MAX, 16}, {100000, 100000}, {16, INT32_MAX}, {INT32_MAX, INT32_MAX}};
    for (const auto& wh : sizes) {
      TTextParam paged{};
      paged.Text = "HUGE";
      paged.AreaWidth = wh[0];
      paged.AreaHeight = wh[1];
      paged.Font.Size = 16;
      TSingleTextParam single{};
      single.Text = "HUGE";
      single.AreaWidth = wh[0];
      single.AreaHeight = wh[1];
      single.Font.Size = 16;
      single.Effect = 8;
      TStaticTextParam still{};
      still.Text = "HUGE";
      still.AreaWidth = wh[0];
      still.AreaHeight = wh[1];
      still.Font.Size = 16;
      results += std::to_string(api.AddText(&paged)) + std::to_string(api.AddSingleText(&single)) +
                 std::to_string(api.AddStaticText(&still)) + " ";
    }
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    return results + (ms < 1000 ? "fast" : "slow " + std::to_string(ms) + " ms");
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "-1-1-1 -1-1-1 -1-1-1 -1-1-1 fast");
  EXPECT_EQ(File(), (Bytes{1, 1, 1, 0, 0, 0, 0, 0, 7}));  // the pack and its empty program
}

// Font fields at their extremes: the items lay out and draw without
// overflow (the sanitizer build checks) and write whole pages.
TEST_F(TextItems, ExtremeFontFieldsGiveWholePages) {
  struct {
    int32_t CharSpacing, LineSpacing;
    uint8_t Centred;
  } cases[] = {
      {INT32_MAX, 0, 0},  {0, INT32_MAX, 0},         {0, INT32_MIN, 0},        {-700000000, 0, 1},
      {INT32_MIN, INT32_MIN, 1}, {INT32_MAX, INT32_MAX, 1}, {INT32_MIN, INT32_MAX, 0},
  };
  for (const auto& c : cases) {
    Start(2);
    const char* text = "ABC DEF GHIJ\r\n\r\nKLM NOP QRS TUV WXYZ";
    TSingleTextParam single = Single(text, 1, 64, 16);
    single.Font.CharSpacing = c.CharSpacing;
    single.Font.LineSpacing = c.LineSpacing;
    single.Font.Centered = c.Centred;
    single.OffsetY = -128;
    ASSERT_EQ(User_AddSingleText(&single), 0) << c.CharSpacing << " " << c.LineSpacing;
    single.Effect = 7;
    single.StayTime = 0;
    single.Text = "ABC DEF GHIJ KLM";
    ASSERT_EQ(User_AddSingleText(&single), 0) << c.CharSpacing << " " << c.LineSpacing;
    TTextParam paged = Paged(text, 64, 32);
    paged.Font = single.Font;
    paged.FrameWidth = INT32_MIN;
    ASSERT_EQ(User_AddText(&paged), 0) << c.CharSpacing << " " << c.LineSpacing;
    TStaticTextParam still{};
    still.Text = text;
    still.AreaWidth = 64;
    still.AreaHeight = 32;
    still.Font = single.Font;
    still.FrameWidth = INT32_MAX;
    still.FrameColor = 1;
    ASSERT_EQ(User_AddStaticText(&still), 0) << c.CharSpacing << " " << c.LineSpacing;
    PackInfo pack = Read();
    EXPECT_EQ(pack.Programs[0].Areas.size(), 4u);
  }
}

// Sizes of 0 and below are cell heights as the drawing services take them
// (0 the default cell, negative the em): all three items draw them.
TEST_F(TextItems, FontSizesOfZeroAndBelowDrawInEveryItem) {
  struct {
    int32_t Size;
    bool Ink;  // an em of 1 pixel draws nothing
  } cases[] = {{0, true}, {-16, true}, {-1, false}};
  for (const auto& [size, ink] : cases) {
    Start(1);
    TSingleTextParam single = Single("AB\nCD", 1, 64, 16);
    single.Font.Size = size;
    ASSERT_EQ(User_AddSingleText(&single), 0) << size;
    TTextParam paged = Paged("AB CD", 64, 32);
    paged.Font.Size = size;
    ASSERT_EQ(User_AddText(&paged), 0) << size;
    TStaticTextParam still{};
    still.Text = "AB";
    still.AreaWidth = 64;
    still.AreaHeight = 16;
    still.Font = Font(size);
    ASSERT_EQ(User_AddStaticText(&still), 0) << size;
    PackInfo pack = Read();
    const auto& areas = pack.Programs[0].Areas;
    ASSERT_EQ(areas.size(), 3u);
    const std::vector<Bytes> lines = SetPages(areas[0], 128);
    ASSERT_EQ(areas[0].Body[0], 2) << size;  // one page per line
    ASSERT_GE(areas[1].PageCount, 1) << size;
    if (!ink) continue;
    EXPECT_TRUE(AnyLit(lines[0])) << size;
    EXPECT_NE(lines[0], lines[1]) << size;
    EXPECT_TRUE(AnyLit(areas[1].Pages[0].Pixels)) << size;
    EXPECT_TRUE(AnyLit(Bytes(areas[2].Body.begin() + 2, areas[2].Body.end()))) << size;
  }
  // Size 0 is the default 16-pixel cell: one line draws as at size 16.
  EXPECT_EQ(LitMask(u"AB", 0, 64, 16, 0, Font(0), true, true, false),
            LitMask(u"AB", 0, 64, 16, 0, Font(16), true, true, false));
}

// Every page an item keeps is byte for byte the page the renderer draws from
// the start of the text without a cache.
TEST_F(TextItems, LongTextsGiveThePagesOfALayoutWithoutCache) {
  std::u16string text;
  for (int i = 0; text.size() < 40000; ++i) {
    text += u"LINE " + std::u16string(static_cast<size_t>(i % 7), u'i') + u"\u6B22\u8FCE W" +
            (i % 5 == 0 ? u"\r\n\r\n" : i % 3 == 0 ? u"\n" : u" ");
  }
  FontSpec font = Font();
  font.CharSpacing = 1;
  struct {
    bool Single, Wrap, Narrow;
    int32_t Height;
  } modes[] = {{true, true, false, 16}, {true, false, false, 16}, {false, true, true, 32}};
  for (const auto& m : modes) {
    TextLayoutCache cache;
    TextPageRequest request;
    request.Text = text;
    request.SingleLinePages = m.Single;
    request.Wrap = m.Wrap;
    request.Width = 64;
    request.Height = m.Height;
    request.Font = font;
    request.NarrowItalics = m.Narrow;
    request.Cache = &cache;
    int pages = 0;
    for (int32_t k = 0; k < 255; ++k) {
      Bytes cached(PageBytes(64, static_cast<uint32_t>(m.Height), 1));
      if (RenderTextPage(request, k, cached.data(), cached.size()) == 0) break;
      for (uint8_t& b : cached) b = static_cast<uint8_t>(~b);
      ClearRowPadding(64, m.Height, 1, cached.data(), cached.size());
      ASSERT_EQ(cached, LitMask(text, k, 64, m.Height, 0, font, m.Single, m.Wrap, m.Narrow)) << k;
      ++pages;
    }
    EXPECT_EQ(pages, 255);
  }
}

// The continuous line draws only the characters near each page when the
// item keeps a cache; the pages are those of drawing the whole line.
TEST_F(TextItems, ContinuousLinePagesAreThoseOfDrawingTheWholeLine) {
  std::u16string text;
  for (int i = 0; text.size() < 6000; ++i) {
    text += u"Wide \u6B22\u8FCE iiii W" + std::u16string(static_cast<size_t>(i % 4), u'M') + u" ";
  }
  struct {
    int32_t Size, Bold, Italic, Underline, Spacing;
  } fonts[] = {{16, 0, 0, 0, 0}, {16, 1, 1, 1, 2}, {24, 0, 1, 0, -3}, {12, 1, 0, 1, 5}};
  for (const auto& f : fonts) {
    FontSpec font = Font();
    font.Size = f.Size;
    font.Bold = static_cast<uint8_t>(f.Bold);
    font.Italic = static_cast<uint8_t>(f.Italic);
    font.Underline = static_cast<uint8_t>(f.Underline);
    font.CharSpacing = f.Spacing;
    TextLayoutCache cache;
    TextPageRequest request;
    request.Text = text;
    request.SingleLinePages = true;
    request.Wrap = false;
    request.Width = 40;
    request.Height = 32;
    request.Font = font;
    request.Cache = &cache;
    for (int32_t k = 0; k < 255; k += (k < 8 ? 1 : 37)) {
      Bytes cached(PageBytes(40, 32, 1));
      ASSERT_NE(RenderTextPage(request, k, cached.data(), cached.size()), 0u) << k;
      for (uint8_t& b : cached) b = static_cast<uint8_t>(~b);
      ClearRowPadding(40, 32, 1, cached.data(), cached.size());
      ASSERT_EQ(cached, LitMask(text, k, 40, 32, 0, font, true, false, false)) << "size " << f.Size << " page " << k;
    }
    EXPECT_EQ(cache.PenBefore.size(), text.size() + 1);
  }
}

// A 1 MiB single-line text: 255 pages, each the page of a fresh layout.
TEST_F(TextItems, OneMebibyteSingleLineTextKeepsItsFirst255Pages) {
  std::string text;
  for (int i = 0; text.size() < (size_t{1} << 20); ++i) text += "LINE " + std::to_string(i) + " iii\n";
  const std::u16string text16 = AnsiToUtf16(text);
  Start(1);
  for (int32_t effect : {1, 8}) {
    TSingleTextParam p = Single(text.c_str(), effect, 64, 16);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(User_AddSingleText(&p), 0);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_LT(ms.count(), 3000) << effect;  // the whole text used to take seconds
    const AreaInfo a = OnlyArea(Read());
    ASSERT_EQ(a.Body[0], 255);
    const std::vector<Bytes> pages = SetPages(a, 128);
    for (int32_t k : {0, 1, 2, 100, 253, 254}) {
      const size_t at = effect == 8 ? static_cast<size_t>(254 - k) : static_cast<size_t>(k);
      EXPECT_EQ(pages[at], LitMask(text16, k, 64, 16, 0, Font(), true, true, false)) << effect << " " << k;
    }
  }
}

}  // namespace
}  // namespace vexilo

// Date/time items, read back through the pack reader: the card-font record,
// and the drawn static page with its field slots and glyph block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ItemsFixture.h"
#include "pack/ProgramPackUnit.h"
#include "render/ClockGlyphUnit.h"

namespace vexilo {
namespace {

using Slot = LiveFieldsInfo::Slot;

class ClockItems : public LiveItems {
 protected:
  // A drawn one-line clock of 128 x 16 in Song 16 (cells 8 wide), no title.
  static TDateTimeParam Clock(bool y, bool mo, bool d, bool wd, bool h, bool mi, bool s, uint8_t style = 0) {
    TDateTimeParam p{};
    p.AreaWidth = 128;
    p.AreaHeight = 16;
    p.Font = Font();
    p.DateStyle = style;
    p.SingleLine = 1;
    p.ShowYear = y;
    p.ShowMonth = mo;
    p.ShowDay = d;
    p.ShowWeekday = wd;
    p.ShowHour = h;
    p.ShowMinute = mi;
    p.ShowSecond = s;
    return p;
  }
  // Adds the clock and reads its area back.
  AreaInfo Add(const TDateTimeParam& p) {
    EXPECT_EQ(User_AddDateTime(&p), 0);
    AreaInfo a = LastArea();
    EXPECT_EQ(a.HasLiveFields, p.FontForm == 0);
    return a;
  }
  // The page with ink lit (a one-plane screen, text colour 1 on black).
  static int InkIn(const AreaInfo& a, int x0, int x1, int y0 = 0, int y1 = -1) {
    return LitIn(a.Live.Page, a.Width, x0, x1, y0, y1 < 0 ? a.Height : y1);
  }
};

TEST_F(ClockItems, SizeSixteenYearMonthDay) {
  Start(1);
  const AreaInfo a = Add(Clock(true, true, true, false, false, false, false));
  EXPECT_EQ(a.Type, 5);
  EXPECT_EQ(a.Live.Mask, 0x70);
  EXPECT_EQ(a.Live.CellWidth, 8);
  EXPECT_EQ(a.Live.CellHeight, 16);
  EXPECT_EQ(a.Live.Mode, 4);  // plane 0, CardOption1 0
  // u = 10 half-cells of 8: the "20" at x 24, the year's field after it.
  ASSERT_EQ(a.Live.Slots.size(), 3u);
  EXPECT_EQ(a.Live.Slots[0].X, 24 + 3 * 8);
  EXPECT_EQ(a.Live.Slots[1].X, 72);  // after "-", 8 wide
  EXPECT_EQ(a.Live.Slots[2].X, 96);
  for (const Slot& s : a.Live.Slots) EXPECT_EQ(s.Y, 0);
  EXPECT_EQ(a.Live.Page.size(), 16u * 16u);
  EXPECT_EQ(InkIn(a, 0, 24), 0);
  EXPECT_GT(InkIn(a, 24, 40), 10);  // "20"
  EXPECT_EQ(InkIn(a, 40, 56), 0);   // the year's field
  EXPECT_GT(InkIn(a, 56, 64), 0);   // "-"
  EXPECT_EQ(InkIn(a, 104, 128), 0);
  // The glyph block follows the page: 17 cells, 3 x 8 x 16 bytes.
  Bytes glyphs(384);
  ASSERT_EQ(WriteGlyphBlock(8, 16, Font(), glyphs.data(), glyphs.size()), 384u);
  EXPECT_EQ(a.Live.Glyphs, glyphs);
  EXPECT_EQ(a.Length, 14u + 4u + 12u + 256u + 384u);
}

TEST_F(ClockItems, DateStylesKeepSlotsInYearMonthDayOrder) {
  struct Case {
    uint8_t Style;
    bool Year, Month, Day;
    std::vector<int> Rank;  // left-to-right position of each slot, in table order
    int CenturyBefore;      // the slot the "20" stands before, -1 none
  };
  const Case cases[] = {
      {0, true, true, true, {0, 1, 2}, 0},
      {1, true, true, true, {2, 0, 1}, 0},  // month, day, 20 year
      {3, true, true, true, {2, 1, 0}, 0},  // day, month, 20 year
      {3, true, true, false, {1, 0}, 0},    // no day: month, 20 year
      {3, false, true, true, {1, 0}, -1},   // no year: day, month
      {1, false, true, true, {0, 1}, -1},
      {7, true, true, true, {0, 1, 2}, -1},  // unknown style: as 0 with "/", no "20"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "style " << int(c.Style) << " ymd " << c.Year << c.Month << c.Day);
    Start(1);
    const AreaInfo a = Add(Clock(c.Year, c.Month, c.Day, false, false, false, false, c.Style));
    ASSERT_EQ(a.Live.Slots.size(), c.Rank.size());
    std::vector<int> xs;
    for (const Slot& s : a.Live.Slots) xs.push_back(s.X);
    for (size_t i = 0; i < xs.size(); ++i) {
      int rank = 0;
      for (int x : xs) rank += x < xs[i] ? 1 : 0;
      EXPECT_EQ(rank, c.Rank[i]) << "slot " << i;
    }
    if (c.CenturyBefore >= 0) {
      const int left = a.Live.Slots[static_cast<size_t>(c.CenturyBefore)].X - 8;
      EXPECT_GT(InkIn(a, left - 16, left), 10);
    } else if (c.Year) {
      // The width estimate still counts the "20": the line starts at 24, blank.
      EXPECT_EQ(a.Live.Slots[0].X, 32);
      EXPECT_EQ(InkIn(a, 0, 40), 0);
    }
  }
}

TEST_F(ClockItems, WordsOfStyleTwoAndSeparatorsOfTheOthers) {
  struct Case {
    uint8_t Style;
    int Step;         // from the hour's slot to the second's
    bool WordAfterLast;
  };
  // Style 2: "时" after the hour and "秒" after the second, 16 wide; no ":".
  const Case cases[] = {{2, 16 + 16, true}, {0, 16 + 8, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.Style));
    Start(1);
    const AreaInfo a = Add(Clock(false, false, false, false, true, false, true, c.Style));
    ASSERT_EQ(a.Live.Slots.size(), 2u);
    EXPECT_EQ(a.Live.Mask, 0x0A);
    const int hour = a.Live.Slots[0].X, second = a.Live.Slots[1].X;
    EXPECT_EQ(second - hour, c.Step);
    EXPECT_GT(InkIn(a, hour + 8 + 2, second - 8), 4);  // the word or the ":"
    EXPECT_EQ(InkIn(a, second + 8, 128) > 0, c.WordAfterLast);
  }
}

TEST_F(ClockItems, WeekdaySlotComesFirst) {
  Start(1);
  TDateTimeParam p = Clock(false, true, true, true, true, true, false);
  p.AreaWidth = 256;
  const AreaInfo a = Add(p);
  EXPECT_EQ(a.Live.Mask, 0x80 | 0x20 | 0x10 | 0x08 | 0x04);
  ASSERT_EQ(a.Live.Slots.size(), 5u);
  // Table: weekday, month, day, hour, minute; on the line: month, day,
  // "星期" and the weekday, hour, minute.
  const std::vector<Slot>& s = a.Live.Slots;
  EXPECT_LT(s[1].X, s[2].X);
  EXPECT_LT(s[2].X, s[0].X);
  EXPECT_LT(s[0].X, s[3].X);
  EXPECT_LT(s[3].X, s[4].X);
  // "星期" (32 pixels) and a blank lie between the day's field and the weekday's.
  EXPECT_EQ(s[0].X - s[2].X, 16 + 8 + 32);
  EXPECT_GT(InkIn(a, s[2].X + 16, s[2].X + 48), 20);
}

TEST_F(ClockItems, StackedLinesAndTitlesOfBlanks) {
  struct Case {
    const char* Title;
    int SlotY;
  };
  // Area 64 x 32, hour and minute: with a title, two lines of 16 and no gap;
  // a title of blanks is no line, and the one line has gaps of 8.
  const Case cases[] = {{"AB", 16}, {"   ", 8}, {nullptr, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Title != nullptr ? c.Title : "null");
    Start(1);
    TDateTimeParam p = Clock(false, false, false, false, true, true, false);
    p.SingleLine = 0;
    p.AreaWidth = 64;
    p.AreaHeight = 32;
    p.Text = c.Title;
    const AreaInfo a = Add(p);
    ASSERT_EQ(a.Live.Slots.size(), 2u);
    EXPECT_EQ(a.Live.Slots[0].Y, c.SlotY);
    EXPECT_EQ(a.Live.Slots[1].Y, c.SlotY);
    EXPECT_EQ(InkIn(a, 0, 64, 0, c.SlotY) > 0, c.SlotY == 16);  // only a title draws above
  }
}

TEST_F(ClockItems, AllElementsStacked) {
  Start(1);
  TDateTimeParam p = Clock(true, true, true, true, true, true, true, 2);
  p.SingleLine = 0;
  p.AreaHeight = 64;
  p.Text = "T";
  const AreaInfo a = Add(p);
  EXPECT_EQ(a.Live.Mask, 0xFE);
  ASSERT_EQ(a.Live.Slots.size(), 7u);
  // Four lines of 16 in 64 rows: title 0, date 16, weekday 32, time 48.
  const std::vector<int> ys = {32, 16, 16, 16, 48, 48, 48};
  for (size_t i = 0; i < ys.size(); ++i) EXPECT_EQ(a.Live.Slots[i].Y, ys[i]) << i;
}

TEST_F(ClockItems, FieldsOutsideTheAreaAreNotShown) {
  Start(1);
  // 40 wide: the hour's field starts left of the area, the second's ends
  // right of it; the minute's fits. The ":" are still drawn.
  TDateTimeParam p = Clock(false, false, false, false, true, true, true);
  p.AreaWidth = 40;
  const AreaInfo a = Add(p);
  ASSERT_EQ(a.Live.Slots.size(), 3u);
  EXPECT_EQ(a.Live.Slots[0].X, 0xFFFF);
  EXPECT_EQ(a.Live.Slots[0].Y, 0xFFFF);
  EXPECT_EQ(a.Live.Slots[1].X, 20);
  EXPECT_EQ(a.Live.Slots[1].Y, 0);
  EXPECT_EQ(a.Live.Slots[2].X, 0xFFFF);
  EXPECT_GT(InkIn(a, 0, 40), 0);
  // A field lower than the area is not shown either: 12 rows for a 16-pixel font.
  TDateTimeParam low = Clock(false, false, false, false, true, false, false);
  low.AreaHeight = 12;
  const AreaInfo b = Add(low);
  EXPECT_EQ(b.Live.Slots[0].X, 0xFFFF);
  // An area without width has no page and no slot.
  TDateTimeParam flat = Clock(false, false, false, false, true, true, false);
  flat.AreaWidth = 0;
  const AreaInfo c = Add(flat);
  EXPECT_TRUE(c.Live.Page.empty());
  EXPECT_EQ(c.Live.Slots[0].X, 0xFFFF);
  EXPECT_EQ(c.Live.Slots[1].X, 0xFFFF);
  EXPECT_EQ(c.Live.Glyphs.size(), 384u);
}

TEST_F(ClockItems, PageLengthsColoursFramesAndPlaneCodes) {
  struct Case {
    int Screen;
    uint8_t TextColor, CardOption1;
    size_t PageBytes;
    uint8_t Mode;
  };
  const Case cases[] = {
      {1, 2, 1, 256, 0}, {2, 1, 1, 512, 0}, {2, 2, 1, 512, 1}, {2, 3, 0, 512, 2 + 4},
      {3, 1, 1, 512, 1}, {3, 2, 1, 512, 0}, {3, 3, 1, 512, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "screen " << c.Screen << " colour " << int(c.TextColor));
    Start(c.Screen);
    TDateTimeParam p = Clock(false, false, false, false, true, true, false);
    p.Font.TextColor = c.TextColor;
    p.CardOption1 = c.CardOption1;
    p.FrameWidth = 1;
    p.FrameColor = 2;
    const AreaInfo a = Add(p);
    EXPECT_EQ(a.Live.Page.size(), c.PageBytes);
    EXPECT_EQ(a.Live.Mode, c.Mode);
    EXPECT_EQ(a.Live.Glyphs.size(), 384u);  // the same on every screen
    const int planes = c.PageBytes == 512 ? 2 : 1;
    // The frame: green on two planes (red on screen 3, which exchanges them).
    const int framePlane = planes == 1 ? 0 : (c.Screen == 3 ? 0 : 1);
    EXPECT_TRUE(Lit(a.Live.Page, 128, 0, 0, planes, framePlane));
    EXPECT_TRUE(Lit(a.Live.Page, 128, 127, 15, planes, framePlane));
    if (planes == 2) {
      EXPECT_FALSE(Lit(a.Live.Page, 128, 0, 0, planes, 1 - framePlane));
    }
    // The ":" between the fields (u = 5: the line starts at 44, the ":" at
    // 60 nudged to 62) lies in the plane the mode byte names (2: both).
    const int colon = 62;
    if (planes == 2) {
      const int code = c.Mode & 3;
      const int red = LitIn(a.Live.Page, 128, colon, colon + 6, 1, 15, 2, 0);
      const int green = LitIn(a.Live.Page, 128, colon, colon + 6, 1, 15, 2, 1);
      EXPECT_EQ(red > 0, code == 0 || code == 2);
      EXPECT_EQ(green > 0, code == 1 || code == 2);
    }
  }
}

TEST_F(ClockItems, CardFontRecord) {
  Start(1, 1);  // never turned
  std::string title(300, 'T');
  TDateTimeParam p = Clock(true, false, true, true, false, true, false, 3);
  p.Text = title.c_str();
  p.AreaX = 8;
  p.AreaY = 24;
  p.TwoDigitYear = 0;
  p.SingleLine = 0;
  p.CardOption1 = 1;
  p.CardOption2 = 1;
  p.FontForm = 1;
  p.Font.Size = 300;  // the card gets the low byte; no cell to fit
  const AreaInfo a = Add(p);
  EXPECT_EQ(a.Type, 0x22);
  EXPECT_FALSE(a.HasLiveFields);
  EXPECT_EQ(a.X, 8);
  EXPECT_EQ(a.Y, 24);
  EXPECT_EQ(a.Width, 128);
  ASSERT_EQ(a.Body.size(), 9u + 300u);
  EXPECT_EQ(Bytes(a.Body.begin(), a.Body.begin() + 9), (Bytes{0xD4, 3 + 3 + 16, 9, 0, 0, 1, 300 % 256, 0, 300 % 256}));
  EXPECT_EQ(std::string(a.Body.begin() + 9, a.Body.end()), title);  // all 300 bytes follow the length 44
  p.Text = nullptr;
  p.TwoDigitYear = 1;
  p.SingleLine = 1;
  p.DateStyle = 0;
  const AreaInfo b = Add(p);
  EXPECT_EQ(b.Body, (Bytes{0xD4, 0, 9, 0, 0, 1, 44, 0, 0}));
}

TEST_F(ClockItems, RotatedScreensLeaveTheClockAsItIs) {
  Start(1);
  TDateTimeParam p = Clock(false, false, false, false, true, true, true);
  p.AreaX = 8;
  p.AreaY = 16;
  const AreaInfo plain = Add(p);
  Start(1, 1);
  const AreaInfo turned = Add(p);
  EXPECT_EQ(turned.X, 8);
  EXPECT_EQ(turned.Y, 16);
  EXPECT_EQ(turned.Width, 128);
  EXPECT_EQ(turned.Height, 16);
  EXPECT_EQ(turned.Body, plain.Body);
}

TEST_F(ClockItems, RefusedClocksLeaveThePackAsItWas) {
  Start(1);
  const Bytes before = File();
  struct Case {
    const char* Why;
    TDateTimeParam Param;
  };
  std::vector<Case> cases;
  TDateTimeParam nothing = Clock(false, false, false, false, false, false, false);
  cases.push_back({"no element", nothing});
  nothing.FontForm = 1;
  cases.push_back({"no element, card font", nothing});
  TDateTimeParam black = Clock(false, false, false, false, true, false, false);
  black.Font.TextColor = 0;
  cases.push_back({"text colour 0", black});
  TDateTimeParam big = Clock(false, false, false, false, true, false, false);
  big.Font.Size = 256;
  cases.push_back({"cells higher than a byte", big});
  TDateTimeParam tiny = big;
  tiny.Font.Size = 1;
  cases.push_back({"cells of no height", tiny});
  TDateTimeParam huge = Clock(false, false, false, false, true, false, false);
  huge.AreaWidth = 30000;
  huge.AreaHeight = 30000;
  cases.push_back({"an area too large for a page", huge});
  for (const Case& c : cases) {
    EXPECT_EQ(User_AddDateTime(&c.Param), -1) << c.Why;
    EXPECT_EQ(File(), before) << c.Why;
    EXPECT_EQ(Pack().AreaCounter, 0) << c.Why;
  }
  EXPECT_EQ(User_AddDateTime(nullptr), -1);
  Start(4);  // colour mode 4
  TDateTimeParam ok = Clock(false, false, false, false, true, false, false);
  EXPECT_EQ(User_AddDateTime(&ok), -1);
}

}  // namespace
}  // namespace vexilo

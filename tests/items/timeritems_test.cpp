// Timer items, read back through the pack reader, with the host's clock
// fixed: the card-font record, the drawn page with its slots and glyphs, the
// room for the leading digits of long count-downs.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "ItemsFixture.h"
#include "frame/ClockUnit.h"
#include "items/TimerItemUnit.h"
#include "pack/ProgramPackUnit.h"

namespace vexilo {
namespace {

using Target = std::array<uint8_t, 6>;

class TimerItems : public LiveItems {
 protected:
  void SetUp() override {
    LiveItems::SetUp();
    // Now is 2025-01-01 00:00:00.000, a Wednesday.
    SetClockOverride([] { return LocalTime{2025, 1, 1, 0, 0, 0, 0, 3}; });
  }
  void TearDown() override {
    SetClockOverride(nullptr);
    LiveItems::TearDown();
  }
  // A drawn one-line timer of 128 x 16 in Song 16 (cells 8 wide), no title,
  // no words, counting up to 2025-06-01.
  static TTimerParam Timer(bool d, bool h, bool m, bool s, const Target& target = {0x25, 0x06, 0x01, 0, 0, 0}) {
    TTimerParam p{};
    p.AreaWidth = 128;
    p.AreaHeight = 16;
    p.Font = Font();
    p.SingleLine = 1;
    p.HideUnitWords = 1;
    p.ShowDays = d;
    p.ShowHours = h;
    p.ShowMinutes = m;
    p.ShowSeconds = s;
    p.TargetYear = target[0];
    p.TargetMonth = target[1];
    p.TargetDay = target[2];
    p.TargetHour = target[3];
    p.TargetMinute = target[4];
    p.TargetSecond = target[5];
    return p;
  }
  AreaInfo Add(const TTimerParam& p) {
    EXPECT_EQ(User_AddTimer(&p), 0);
    AreaInfo a = LastArea();
    EXPECT_EQ(a.HasLiveFields, p.FontForm == 0);
    return a;
  }
};

TEST(LeadDigits, FromTheTimeLeftInTheLargestUnitShown) {
  struct Case {
    uint8_t CountDown, Days, Hours, Minutes, Seconds;
    double DaysLeft;
    int Lead;
  };
  const Case cases[] = {
      {1, 1, 0, 0, 0, 150, 1},     // 150 days
      {1, 1, 1, 1, 1, 99.9, 0},
      {1, 1, 0, 0, 0, 1000, 2},
      {1, 0, 1, 1, 0, 5, 1},       // 120 hours
      {1, 0, 1, 0, 0, 4.1, 0},     // 98.4 hours
      {1, 0, 0, 1, 0, 0.7, 2},     // 1008 minutes
      {1, 0, 0, 0, 1, 0.001, 0},   // 86.4 seconds
      {1, 0, 0, 0, 1, 0.002, 1},   // 172.8 seconds
      {1, 0, 0, 0, 1, 0.02, 2},    // 1728 seconds
      {1, 1, 0, 0, 0, -400, 0},    // a target in the past
      {0, 1, 0, 0, 0, 5000, 0},    // counting up
  };
  for (const Case& c : cases) {
    TimerOptions o;
    o.CountDown = c.CountDown;
    o.ShowDays = c.Days;
    o.ShowHours = c.Hours;
    o.ShowMinutes = c.Minutes;
    o.ShowSeconds = c.Seconds;
    EXPECT_EQ(LeadDigits(o, c.DaysLeft), c.Lead) << c.DaysLeft;
  }
}

TEST_F(TimerItems, LongCountDownsLeaveRoomForTheirLeadingDigits) {
  struct Case {
    const char* Why;
    uint8_t CountDown;
    bool Days, Hours, Minutes;
    Target When;
    uint16_t FirstSlot;
  };
  // Without words: u = 2 per unit plus a blank between units, plus the
  // leading digits; the first field moves right by half a cell per digit.
  const Case cases[] = {
      {"150 days ahead", 1, true, false, false, {0x25, 0x05, 0x31, 0, 0, 0}, 68},  // u 3: 52 + 8 + 8
      {"150 days, counting up", 0, true, false, false, {0x25, 0x05, 0x31, 0, 0, 0}, 64},
      {"in the past", 1, true, false, false, {0x24, 0x12, 0x01, 0, 0, 0}, 64},
      {"5 days in hours", 1, false, true, true, {0x25, 0x01, 0x06, 0, 0, 0}, 56},  // u 6: 40 + 8 + 8
      {"4 days in hours", 1, false, true, true, {0x25, 0x01, 0x05, 0, 0, 0}, 52},  // 96 hours: u 5
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Why);
    Start(1);
    TTimerParam p = Timer(c.Days, c.Hours, c.Minutes, false, c.When);
    p.CountDown = c.CountDown;
    const AreaInfo a = Add(p);
    EXPECT_EQ(a.Type, 6);
    EXPECT_EQ(a.Live.Target, Bytes(c.When.begin(), c.When.end()));
    EXPECT_EQ(a.Live.Slots[0].X, c.FirstSlot);
    EXPECT_EQ(a.Live.Mode, c.CountDown);
  }
}

TEST_F(TimerItems, AllUnitsWithTheirWords) {
  Start(1);
  TTimerParam p = Timer(true, true, true, true);
  p.HideUnitWords = 0;
  p.AreaWidth = 256;
  const AreaInfo a = Add(p);
  EXPECT_EQ(a.Live.Mask, 0x1E);
  ASSERT_EQ(a.Live.Slots.size(), 4u);
  // u = 3 + (2 + 2) + (2 + 4) + (2 + 2) + (2 + 2) = 21: the line starts at
  // (256 - 168) / 2 = 44; "天", "分" and "秒" are 16 wide, "小时" 32.
  EXPECT_EQ(a.Live.Slots[0].X, 52);
  EXPECT_EQ(a.Live.Slots[1].X, 84);
  EXPECT_EQ(a.Live.Slots[2].X, 132);
  EXPECT_EQ(a.Live.Slots[3].X, 164);
  const int words[4][2] = {{60, 76}, {92, 124}, {140, 156}, {172, 188}};
  for (const auto& w : words) EXPECT_GT(LitIn(a.Live.Page, 256, w[0], w[1], 0, 16), 10) << w[0];
  EXPECT_EQ(LitIn(a.Live.Page, 256, 0, 60, 0, 16), 0);
  EXPECT_EQ(a.Live.Glyphs.size(), 384u);  // with the weekday cells a timer never shows
}

TEST_F(TimerItems, TheTimersSlotCheckIsStricterOnTheRight) {
  Start(1);
  // Hours, minutes and seconds 16 wide with 8-pixel blanks, from x 0 of a
  // 64-pixel area: centres 8, 32 and 56. The clock keeps a field whose
  // centre lies half the size from the right edge; the timer needs the
  // whole size.
  TTimerParam timer = Timer(false, true, true, true);
  timer.AreaWidth = 64;
  const AreaInfo t = Add(timer);
  TDateTimeParam clock{};
  clock.AreaWidth = 64;
  clock.AreaHeight = 16;
  clock.Font = Font();
  clock.SingleLine = 1;
  clock.ShowHour = clock.ShowMinute = clock.ShowSecond = 1;
  ASSERT_EQ(User_AddDateTime(&clock), 0);
  const AreaInfo c = LastArea();
  ASSERT_EQ(t.Live.Slots.size(), 3u);
  ASSERT_EQ(c.Live.Slots.size(), 3u);
  EXPECT_EQ(t.Live.Slots[0].X, 8);
  EXPECT_EQ(c.Live.Slots[0].X, 8);
  EXPECT_EQ(t.Live.Slots[1].X, 32);
  EXPECT_EQ(t.Live.Slots[2].X, 0xFFFF);
  EXPECT_EQ(t.Live.Slots[2].Y, 0xFFFF);
  EXPECT_EQ(c.Live.Slots[2].X, 56);
}

TEST_F(TimerItems, StackedTitlesPageLengthsAndPlaneCodes) {
  struct Case {
    int Screen;
    uint8_t TextColor, CountDown;
    const char* Title;
    size_t PageBytes;
    uint8_t Mode;
    uint16_t SlotY;
  };
  // 64 x 32 stacked: a title and the units in two lines of 16; a title of
  // blanks is no line and the units stand at the gap of 8. Minutes only:
  // counting down 151 days (217440 minutes) leaves room for two more digits.
  const Case cases[] = {
      {1, 1, 0, "AB", 8 * 32, 0, 16},
      {2, 2, 1, "AB", 2 * 8 * 32, 1 + 2 * 1, 16},
      {3, 2, 0, "   ", 2 * 8 * 32, 0, 8},
      {3, 1, 1, nullptr, 2 * 8 * 32, 1 + 2 * 1, 8},
      {2, 3, 0, "", 2 * 8 * 32, 2 * 2, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "screen " << c.Screen << " colour " << int(c.TextColor));
    Start(c.Screen);
    TTimerParam p = Timer(false, false, true, false);
    p.SingleLine = 0;
    p.AreaWidth = 64;
    p.AreaHeight = 32;
    p.Text = c.Title;
    p.Font.TextColor = c.TextColor;
    p.CountDown = c.CountDown;
    const AreaInfo a = Add(p);
    EXPECT_EQ(a.Live.Page.size(), c.PageBytes);
    EXPECT_EQ(a.Live.Mode, c.Mode);
    EXPECT_EQ(a.Live.Slots[0].Y, c.SlotY);
    EXPECT_EQ(a.Live.Slots[0].X, c.CountDown != 0 ? 40 : 32);
  }
}

TEST_F(TimerItems, CardFontRecordTakesAnyTarget) {
  Start(1, 1);  // never turned
  std::string title(300, 'T');
  TTimerParam p = Timer(true, false, true, false, {0x1A, 0x13, 0x99, 0xFF, 0, 0x60});
  p.Text = title.c_str();
  p.CountDown = 1;
  p.FontForm = 1;
  p.AreaX = 8;
  p.AreaY = 24;
  const AreaInfo a = Add(p);
  EXPECT_EQ(a.Type, 0x23);
  EXPECT_EQ(a.X, 8);
  EXPECT_EQ(a.Y, 24);
  ASSERT_EQ(a.Body.size(), 12u + 300u);
  EXPECT_EQ(Bytes(a.Body.begin(), a.Body.begin() + 12),
            (Bytes{0x14, 1, 0x1A, 0x13, 0x99, 0xFF, 0, 0x60, 1, 16, 0, 300 % 256}));
  EXPECT_EQ(std::string(a.Body.begin() + 12, a.Body.end()), title);
}

TEST_F(TimerItems, RotatedScreensLeaveTheTimerAsItIs) {
  Start(1);
  TTimerParam p = Timer(true, true, false, false);
  p.AreaX = 8;
  const AreaInfo plain = Add(p);
  Start(1, 1);
  const AreaInfo turned = Add(p);
  EXPECT_EQ(turned.X, 8);
  EXPECT_EQ(turned.Width, 128);
  EXPECT_EQ(turned.Height, 16);
  EXPECT_EQ(turned.Body, plain.Body);
}

TEST_F(TimerItems, RefusedTimersLeaveThePackAsItWas) {
  Start(1);
  const Bytes before = File();
  struct Case {
    const char* Why;
    TTimerParam Param;
  };
  std::vector<Case> cases = {
      {"no unit", Timer(false, false, false, false)},
      {"year not BCD", Timer(true, false, false, false, {0x1A, 0x01, 0x01, 0, 0, 0})},
      {"month 13", Timer(true, false, false, false, {0x25, 0x13, 0x01, 0, 0, 0})},
      {"29 February 2023", Timer(true, false, false, false, {0x23, 0x02, 0x29, 0, 0, 0})},
      {"hour 24", Timer(true, false, false, false, {0x25, 0x01, 0x01, 0x24, 0, 0})},
  };
  TTimerParam black = Timer(true, false, false, false);
  black.Font.TextColor = 0;
  cases.push_back({"text colour 0", black});
  TTimerParam big = Timer(true, false, false, false);
  big.Font.Size = 400;
  cases.push_back({"cells higher than a byte", big});
  TTimerParam none = Timer(false, false, false, false);
  none.FontForm = 1;
  cases.push_back({"no unit, card font", none});
  for (const Case& c : cases) {
    EXPECT_EQ(User_AddTimer(&c.Param), -1) << c.Why;
    EXPECT_EQ(File(), before) << c.Why;
    EXPECT_EQ(Pack().AreaCounter, 0) << c.Why;
  }
  EXPECT_EQ(User_AddTimer(nullptr), -1);
  // A leap day is a date.
  TTimerParam leap = Timer(true, false, false, false, {0x24, 0x02, 0x29, 0, 0, 0});
  EXPECT_EQ(User_AddTimer(&leap), 0);
}

}  // namespace
}  // namespace vexilo

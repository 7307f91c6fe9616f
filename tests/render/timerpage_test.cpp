// The static pages of live timers: words, blanks and where the card draws
// the values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ClockTestSupport.h"
#include "lang/CodePageUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/ClockGlyphUnit.h"
#include "render/TimerPageUnit.h"

namespace vexilo {
namespace {

using testing::Bit;
using testing::Bytes;
using testing::LitIn;
using testing::Song;

TEST(TimerPages, UnitWordsAndBlanks) {
  TimerOptions o;
  o.SingleLine = 1;
  o.ShowHours = o.ShowMinutes = o.ShowSeconds = 1;
  o.UnitWords = false;
  Bytes page(PageDataSize(128, 16, 1)), slots(12, 0xFF);
  ASSERT_EQ(RenderTimerPage(u"", 128, 16, 0, 0, Song(16), o, slots, 8, page.data(), page.size()), page.size());
  // u = 2 + 3 x 2 = 8: fields 16 wide, one 8-pixel blank between them, none after.
  EXPECT_EQ(SlotX(slots, 0), 32 + 8);
  EXPECT_EQ(SlotX(slots, 1), 32 + 8 + 24);
  EXPECT_EQ(SlotX(slots, 2), 32 + 8 + 48);
  EXPECT_EQ(page, Bytes(page.size(), 0xFF));  // blanks draw no ink
}

TEST(TimerPages, StackedTitleAboveTheUnitsAndRoomForLeadingDigits) {
  TimerOptions o;
  o.ShowDays = 1;
  o.UnitWords = false;
  struct Case {
    int LeadDigits;
    uint16_t SlotX;
  };
  // u = 2 half-cells, plus one per leading digit; the field moves right by
  // half a cell for each, leaving their room on its left.
  const Case cases[] = {{0, 32}, {1, 36}, {2, 40}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.LeadDigits);
    Bytes page(PageDataSize(64, 32, 1)), slots(4, 0xFF);
    ASSERT_EQ(RenderTimerPage(u"AB", 64, 32, 0, c.LeadDigits, Song(16), o, slots, 8, page.data(), page.size()),
              page.size());
    for (uint8_t& b : page) b = static_cast<uint8_t>(~b);
    // Two lines of 16 in 32 rows: no gap; the title on top, the field below.
    EXPECT_EQ(SlotX(slots, 0), c.SlotX);
    EXPECT_EQ(SlotY(slots, 0), 16);
    EXPECT_GT(LitIn(page, 64, 24, 40, 0, 16), 10);
    EXPECT_EQ(LitIn(page, 64, 0, 64, 16, 32), 0);
  }
}

}  // namespace
}  // namespace vexilo

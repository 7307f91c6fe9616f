// The static pages of live clocks: where the text lies and where the card
// draws the values.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ClockTestSupport.h"
#include "lang/CodePageUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/ClockGlyphUnit.h"
#include "render/ClockPageUnit.h"

namespace vexilo {
namespace {

using testing::Bit;
using testing::Bytes;
using testing::LitIn;
using testing::Song;

// A one-line clock page of 128 x 16 with the size-16 Song font (cells 8).
struct ClockPage {
  Bytes Page;
  Bytes Slots;
  size_t Size = 0;
};
ClockPage DrawClock(const ClockOptions& o, int width = 128, int height = 16, const std::u16string& title = u"") {
  ClockPage page;
  page.Page.assign(PageDataSize(width, height, 1), 0);
  page.Slots.assign(4 * static_cast<size_t>(ClockSlotCount(o)), 0xFF);
  page.Size = RenderClockPage(title, width, height, 0, Song(16), o, page.Slots, 8, page.Page.data(), page.Page.size());
  for (uint8_t& b : page.Page) b = static_cast<uint8_t>(~b);  // ink lit
  return page;
}

TEST(ClockPages, CenturyBeforeTheYearAndBlankFields) {
  ClockOptions o;
  o.SingleLine = 1;
  o.ShowYear = o.ShowMonth = o.ShowDay = 1;
  const ClockPage p = DrawClock(o);
  ASSERT_EQ(p.Size, 16u * 16u);
  // u = 3 x 3 - 1 + 2 = 10 half-cells of 8: the line starts at (128 - 80) / 2.
  EXPECT_EQ(SlotX(p.Slots, 0), 24 + 3 * 8);
  EXPECT_EQ(SlotX(p.Slots, 1), 24 + 16 + 16 + 8 + 8);  // after the "-"
  EXPECT_EQ(SlotX(p.Slots, 2), 24 + 16 + 16 + 8 + 16 + 8 + 8);
  EXPECT_GT(LitIn(p.Page, 128, 24, 40, 0, 16), 10);  // the "20"
  EXPECT_EQ(LitIn(p.Page, 128, 0, 24, 0, 16), 0);
  // Nothing where the card draws, but for the separators' 2-pixel nudge
  // to the right.
  for (int i = 0; i < 3; ++i) {
    const int left = SlotX(p.Slots, i) - 8 + (i > 0 ? 2 : 0);
    EXPECT_EQ(LitIn(p.Page, 128, left, SlotX(p.Slots, i) + 8, 0, 16), 0) << i;
  }
  EXPECT_GT(LitIn(p.Page, 128, 56, 64, 0, 16), 0);  // the first "-"
}

TEST(ClockPages, NothingToDrawGivesNoPage) {
  ClockOptions o;
  o.ShowHour = 1;
  EXPECT_EQ(DrawClock(o, 0, 16).Size, 0u);
  EXPECT_EQ(DrawClock(o, 64, -1).Size, 0u);
  ClockOptions none;  // stacked, no title, nothing shown: no line
  EXPECT_EQ(DrawClock(none, 64, 16, u"   ").Size, 0u);
  Bytes small(PageDataSize(64, 16, 1) - 1);
  Bytes slots(4);
  EXPECT_EQ(RenderClockPage(u"", 64, 16, 0, Song(16), o, slots, 8, small.data(), small.size()), 0u);
}

// Sets LC_ALL for one scope and puts back what was there.
struct LcAllGuard {
  std::string saved;
  bool had = false;
  explicit LcAllGuard(const char* value) {
    if (const char* old = std::getenv("LC_ALL")) {
      had = true;
      saved = old;
    }
    setenv("LC_ALL", value, 1);
  }
  ~LcAllGuard() {
    if (had) {
      setenv("LC_ALL", saved.c_str(), 1);
    } else {
      unsetenv("LC_ALL");
    }
  }
};

TEST(ClockPages, WordsAreTranslatedForTheSystem) {
  struct Case {
    const char* Locale;
    const char16_t* Word;  // what follows the hour's field
  };
  const Case cases[] = {{"zh_CN.UTF-8", u"时"}, {"zh_TW.UTF-8", u"時"}, {"en_US.UTF-8", u"时"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Locale);
    LcAllGuard locale(c.Locale);
    FontSpec font{};
    font.Size = 16;
    ClockOptions o;
    o.SingleLine = 1;
    o.DateStyle = 2;
    o.ShowHour = 1;
    Bytes page(PageDataSize(64, 16, 1)), slots(4, 0xFF);
    ASSERT_EQ(RenderClockPage(u"", 64, 16, 0, font, o, slots, 8, page.data(), page.size()), page.size());
    // u = 4: the field from 16, the word after it, nothing else.
    ASSERT_EQ(SlotX(slots, 0), 24);
    RasterPtr expected = NewPageBitmap(64, 16);
    FontPtr pageFont = NewLiveFont(font, 16, 8);
    DrawString(*expected, *pageFont, 32, 0, c.Word);
    Bytes want(page.size());
    ASSERT_EQ(EncodePage(expected.get(), want.data(), want.size()), want.size());
    EXPECT_EQ(page, want);
  }
}

}  // namespace
}  // namespace vexilo

#include "render/ClockPageUnit.h"

#include <algorithm>
#include <bit>
#include <utility>
#include <vector>
#include <string>

#include "lang/CodePageUnit.h"
#include "lang/LanguageUnit.h"
#include "lang/StringTableUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/ClockGlyphUnit.h"
#include "render/DrawingUnit.h"

namespace vexilo {
namespace {

std::u16string Word(const char* gbk) { return AnsiToUtf16(Translate(gbk)); }

// The pen of one clock page: where the next thing goes, the slots placed so
// far and what every element needs to know.
struct ClockPen {
  Raster& Page;
  const Font& PageFont;
  const FontSpec& Record;
  const ClockOptions& Options;
  std::span<uint8_t> Slots;
  int CellWidth;
  int Size;
  int Nudge;  // separators are drawn this much right and up
  int X = 0;
  int Y = 0;
  int Count = 0;

  bool Year() const { return Options.ShowYear != 0; }
  bool Month() const { return Options.ShowMonth != 0; }
  bool Day() const { return Options.ShowDay != 0; }
  bool Weekday() const { return Options.ShowWeekday != 0; }
  bool AnyTime() const { return Options.ShowHour != 0 || Options.ShowMinute != 0 || Options.ShowSecond != 0; }
  int Style() const { return Options.DateStyle; }
  int SlotCapacity() const { return static_cast<int>(Slots.size() / 4); }

  void Field() { PlaceFieldSlot(2 * CellWidth, Slots, Count, X, Y, Page.Width, Page.Height); }
  void Text(std::u16string_view text) { DrawTextAdvance(Page, PageFont, text, X, Y); }
  // A separator stands a little higher and further right when the font is
  // wide enough; the pen moves by its width only.
  void Separator(std::u16string_view sep) {
    DrawString(Page, PageFont, X + Nudge, Y - Nudge, sep);
    X += MeasureText(PageFont, sep).Width;
  }
  // The static "20" of a four-digit year, in the digits' taller font, one
  // row higher, taking the room of one field.
  void Century() {
    const int h = Size + kDigitFontBoost;
    FontPtr digits = NewLiveFont(Record, h, h / 2);
    DrawString(Page, *digits, X, Y - 1, u"20");
    X += 2 * CellWidth;
  }

  void DatePart(bool moreOnLine) {
    static const char* const kWords[3] = {strings::kWordYear, strings::kWordMonth, strings::kWordDay};
    const bool shown[3] = {Year(), Month(), Day()};
    const int first = Count;
    for (int e = 0; e < 3; ++e) {
      if (!shown[e]) continue;
      const bool moreFollows = (e < 1 && shown[1]) || (e < 2 && shown[2]);
      if (Year() && Options.TwoDigitYear == 0 &&
          (((Style() == 0 || Style() == 2) && e == 0) || ((Style() == 1 || Style() == 3) && !moreFollows))) {
        Century();
      }
      Field();
      if (Style() == 2) {
        Text(Word(kWords[e]));
      } else if (moreFollows) {
        Separator(Style() == 0 ? u"-" : u"/");
      } else if (moreOnLine) {
        Text(u" ");
      }
    }
    const int k = Count - first;
    if (k < 2 || Count > SlotCapacity()) return;
    // Month-day and day-month-year orders: the slots stay in year, month,
    // day order while their positions are exchanged.
    if (Style() == 3 && Month() && Day()) {
      const uint16_t x0 = SlotX(Slots, first), y0 = SlotY(Slots, first);
      SetSlot(Slots, first, SlotX(Slots, first + 1), SlotY(Slots, first + 1));
      SetSlot(Slots, first + 1, x0, y0);
    }
    if ((Style() == 1 || Style() == 3) && Year()) {
      // The x of every slot moves one place towards the end (the first takes
      // the last's), and the first and last exchange their y.
      std::vector<uint16_t> xs(static_cast<size_t>(k)), ys(static_cast<size_t>(k));
      for (int i = 0; i < k; ++i) {
        xs[static_cast<size_t>(i)] = SlotX(Slots, first + i);
        ys[static_cast<size_t>(i)] = SlotY(Slots, first + i);
      }
      std::swap(ys.front(), ys.back());
      for (int i = 0; i < k; ++i) {
        SetSlot(Slots, first + i, xs[static_cast<size_t>((i + k - 1) % k)], ys[static_cast<size_t>(i)]);
      }
    }
  }

  // The weekday's slot goes first in the table, before the date's.
  void WeekdayPart(bool moreOnLine) {
    Text(Word(strings::kWordWeek));
    const bool fits = Count + 1 <= SlotCapacity();
    if (fits) {
      for (int i = Count; i > 0; --i) SetSlot(Slots, i, SlotX(Slots, i - 1), SlotY(Slots, i - 1));
    }
    int zero = 0;
    PlaceFieldSlot(2 * CellWidth, fits ? Slots : std::span<uint8_t>(), zero, X, Y, Page.Width, Page.Height);
    ++Count;
    if (moreOnLine) Text(u" ");
  }

  void TimePart() {
    static const char* const kWords[3] = {strings::kWordHour, strings::kWordMinute, strings::kWordSecond};
    const bool shown[3] = {Options.ShowHour != 0, Options.ShowMinute != 0, Options.ShowSecond != 0};
    for (int e = 0; e < 3; ++e) {
      if (!shown[e]) continue;
      Field();
      if (Style() == 2) {
        Text(Word(kWords[e]));
      } else if ((e < 1 && shown[1]) || (e < 2 && shown[2])) {
        Separator(u":");
      }
    }
  }
};

// Half-cells of a run of n date or time values: words take two, separators one.
int ValueHalfCells(int n, int style) { return style == 2 ? 4 * n : std::max(3 * n - 1, 0); }

}  // namespace

uint8_t ClockElementMask(const ClockOptions& o) {
  return static_cast<uint8_t>((o.ShowWeekday != 0 ? 0x80 : 0) | (o.ShowYear != 0 ? 0x40 : 0) |
                              (o.ShowMonth != 0 ? 0x20 : 0) | (o.ShowDay != 0 ? 0x10 : 0) |
                              (o.ShowHour != 0 ? 0x08 : 0) | (o.ShowMinute != 0 ? 0x04 : 0) |
                              (o.ShowSecond != 0 ? 0x02 : 0));
}

int ClockSlotCount(const ClockOptions& o) { return std::popcount(ClockElementMask(o)); }

size_t RenderClockPage(std::u16string_view title, int32_t width, int32_t height, int32_t inset, const FontSpec& font,
                       const ClockOptions& options, std::span<uint8_t> slots, int cellWidth, uint8_t* out,
                       size_t outSize) {
  if (width <= 0 || height <= 0 || !RasterSizeAllowed(width, height)) return 0;
  if (font.Size < kMinCellFontSize || font.Size > kMaxCellFontSize) return 0;
  if (out == nullptr || outSize < PageDataSize(width, height, 1)) return 0;
  const int s = font.Size, hs = s / 2;
  RasterPtr page = NewPageBitmap(width, height);
  if (!page) return 0;
  FontPtr pageFont = NewLiveFont(font, s, hs);
  const int cx = MeasureText(*pageFont, title).Width;
  const int nudge = hs >= MeasureTextAnsi(*pageFont, std::string_view(":\0", 2)).Width ? 2 : 0;
  ClockPen pen{*page, *pageFont, font, options, slots, cellWidth, s, nudge};

  const bool year = options.ShowYear != 0, month = options.ShowMonth != 0, day = options.ShowDay != 0;
  const int dates = (year ? 1 : 0) + (month ? 1 : 0) + (day ? 1 : 0);
  const int times = (options.ShowHour != 0 ? 1 : 0) + (options.ShowMinute != 0 ? 1 : 0) + (options.ShowSecond != 0 ? 1 : 0);
  const int century = (year && options.TwoDigitYear == 0) ? 2 : 0;
  const int style = options.DateStyle;

  if (options.SingleLine != 0) {
    int u = ValueHalfCells(dates + times, style) + century;
    if (pen.Weekday()) u = u > 0 ? u + 7 : 6;
    pen.X = (width - hs * u - cx) / 2;
    pen.Y = std::max(inset, (height - s) / 2);
    if (!title.empty()) {
      DrawString(*page, *pageFont, pen.X, pen.Y, title);
      pen.X += cx;
    }
    pen.DatePart(pen.Weekday() || pen.AnyTime());
    if (pen.Weekday()) pen.WeekdayPart(pen.AnyTime());
    pen.TimePart();
  } else {
    const bool titled = !TrimBlanks(title).empty();
    const int lines = (titled ? 1 : 0) + (dates > 0 ? 1 : 0) + (pen.Weekday() ? 1 : 0) + (times > 0 ? 1 : 0);
    if (lines == 0) return 0;
    const int gap = std::max((height - 2 * inset - s * lines) / (lines + 1), 0);
    pen.Y = inset + gap;
    if (titled) {
      DrawString(*page, *pageFont, (width - cx) / 2, pen.Y, title);
      pen.Y += s + gap;
    }
    if (dates > 0) {
      const int u = ValueHalfCells(dates, style) + century;
      pen.X = (width - hs * u - ((cellWidth - hs) * u) / 2) / 2;
      pen.DatePart(false);
      pen.Y += s + gap;
    }
    if (pen.Weekday()) {
      pen.X = (width - 6 * hs) / 2;
      pen.WeekdayPart(false);
      pen.Y += s + gap;
    }
    if (times > 0) {
      pen.X = (width - hs * ValueHalfCells(times, style)) / 2;
      pen.TimePart();
    }
  }
  return EncodePage(page.get(), out, outSize);
}

}  // namespace vexilo

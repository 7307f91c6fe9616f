#include "render/TimerPageUnit.h"

#include <algorithm>
#include <bit>
#include <string>

#include "lang/CodePageUnit.h"
#include "lang/LanguageUnit.h"
#include "lang/StringTableUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/ClockGlyphUnit.h"
#include "render/DrawingUnit.h"

namespace vexilo {
namespace {

const char* const kUnitWords[4] = {strings::kWordDays, strings::kWordHours, strings::kWordMinute,
                                   strings::kWordSecond};

}  // namespace

uint8_t TimerUnitMask(const TimerOptions& o) {
  return static_cast<uint8_t>((o.ShowDays != 0 ? 0x10 : 0) | (o.ShowHours != 0 ? 0x08 : 0) |
                              (o.ShowMinutes != 0 ? 0x04 : 0) | (o.ShowSeconds != 0 ? 0x02 : 0));
}

int TimerSlotCount(const TimerOptions& o) { return std::popcount(TimerUnitMask(o)); }

size_t RenderTimerPage(std::u16string_view title, int32_t width, int32_t height, int32_t inset, int leadDigits,
                       const FontSpec& font, const TimerOptions& options, std::span<uint8_t> slots, int cellWidth,
                       uint8_t* out, size_t outSize) {
  if (width <= 0 || height <= 0 || !RasterSizeAllowed(width, height)) return 0;
  if (font.Size < kMinCellFontSize || font.Size > kMaxCellFontSize) return 0;
  if (out == nullptr || outSize < PageDataSize(width, height, 1)) return 0;
  const int s = font.Size, hs = s / 2;
  const int bold = font.Bold != 0 ? 1 : 0, italic = font.Italic != 0 ? 1 : 0;
  RasterPtr page = NewPageBitmap(width, height);
  if (!page) return 0;
  FontPtr pageFont = NewLiveFont(font, s, hs - bold - (italic * s) / 6);
  int count = 0;

  const bool shown[4] = {options.ShowDays != 0, options.ShowHours != 0, options.ShowMinutes != 0,
                         options.ShowSeconds != 0};
  std::u16string words[4];
  int units = 0;
  int u = 0;
  for (int i = 0; i < 4; ++i) {
    if (!shown[i]) continue;
    ++units;
    u += 2;
    if (options.UnitWords) {
      const std::string word = Translate(kUnitWords[i]);
      u += static_cast<int>(word.size());
      words[i] = AnsiToUtf16(word);
    }
  }
  u += std::max(units - 1, 0);
  if (u > 0) u += leadDigits;
  const int cx = MeasureText(*pageFont, title).Width;

  // Each unit's field, then its word, or a blank when another unit follows.
  auto unitsPart = [&](int x, int y) {
    x += hs * leadDigits;
    for (int i = 0; i < 4; ++i) {
      if (!shown[i]) continue;
      PlaceFieldSlot(2 * cellWidth, slots, count, x, y, width, height);
      if (options.UnitWords) {
        DrawTextAdvance(*page, *pageFont, words[i], x, y);
      } else if (std::find(shown + i + 1, shown + 4, true) != shown + 4) {
        DrawTextAdvance(*page, *pageFont, u" ", x, y);
      }
    }
  };
  const int unitsWidth = hs * u + ((cellWidth - hs) * u) / 2;

  if (options.SingleLine != 0) {
    int x = (width - unitsWidth - cx) / 2;
    const int y = std::max(inset, (height - s) / 2);
    if (!title.empty()) {
      DrawString(*page, *pageFont, x, y, title);
      x += cx;
    }
    unitsPart(x, y);
  } else {
    const bool titled = !TrimBlanks(title).empty();
    const int lines = (titled ? 1 : 0) + (units > 0 ? 1 : 0);
    if (lines == 0) return 0;
    const int gap = std::max((height - 2 * inset - s * lines) / (lines + 1), 0);
    int y = inset + gap;
    if (titled) {
      DrawString(*page, *pageFont, (width - cx) / 2, y, title);
      y += s + gap;
    }
    if (units > 0) unitsPart((width - unitsWidth) / 2, y);
  }
  return EncodePage(page.get(), out, outSize);
}

}  // namespace vexilo

// The static page of a live clock: title, separators, words, the century
// "20" and the weekday label, with blank room where the card draws the
// changing values; and the field slots that say where that room is.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "vexilo.h"

namespace vexilo {

// How the clock is laid out: the record's bytes from DateStyle to ShowSecond.
// The Show flags count as set when they are not 0.
struct ClockOptions {
  uint8_t DateStyle = 0;     // 0 y-m-d, 1 m/d/y, 2 with words, 3 d/m/y; others as 0 with "/" and no "20"
  uint8_t TwoDigitYear = 0;  // 0: a static "20" precedes the year's two digits
  uint8_t SingleLine = 0;    // 0: stacked lines
  uint8_t ShowYear = 0;
  uint8_t ShowMonth = 0;
  uint8_t ShowDay = 0;
  uint8_t ShowWeekday = 0;
  uint8_t ShowHour = 0;
  uint8_t ShowMinute = 0;
  uint8_t ShowSecond = 0;
};

// Element mask: weekday 0x80, year 0x40, month 0x20, day 0x10, hour 0x08,
// minute 0x04, second 0x02.
uint8_t ClockElementMask(const ClockOptions& options);
// The number of field slots: one per element shown.
int ClockSlotCount(const ClockOptions& options);

// Draws the static page of width x height with the title at the inset, in
// the font, placing the slots in the table (weekday first, then year, month,
// day, hour, minute, second for the elements shown) with fields
// 2 x cellWidth wide, and writes the page's one-plane mask (ink 0 bits) to
// out. Returns its length, or 0 when nothing was drawn: a side below 1, no
// line to draw, a font size outside kMinCellFontSize .. kMaxCellFontSize, a
// page too large for a raster or for out. Slots that are
// not placed keep what the table held.
size_t RenderClockPage(std::u16string_view title, int32_t width, int32_t height, int32_t inset, const FontSpec& font,
                       const ClockOptions& options, std::span<uint8_t> slots, int cellWidth, uint8_t* out,
                       size_t outSize);

}  // namespace vexilo

// The static page of a live timer: title, unit words or blanks, and blank
// room where the card draws the days, hours, minutes and seconds; and the
// field slots that say where that room is.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "vexilo.h"

namespace vexilo {

// How the timer is laid out: the record's bytes from CountDown to
// ShowSeconds, and whether each unit is followed by its word. Flags count as
// set when they are not 0.
struct TimerOptions {
  uint8_t CountDown = 0;
  uint8_t SingleLine = 0;  // 0: stacked lines
  uint8_t ShowDays = 0;
  uint8_t ShowHours = 0;
  uint8_t ShowMinutes = 0;
  uint8_t ShowSeconds = 0;
  bool UnitWords = true;   // false: the units stand apart by a blank
};

// Unit mask: days 0x10, hours 0x08, minutes 0x04, seconds 0x02.
uint8_t TimerUnitMask(const TimerOptions& options);
// The number of field slots: one per unit shown.
int TimerSlotCount(const TimerOptions& options);

// Draws the static page of width x height with the title at the inset, in
// the font, placing the slots (days, hours, minutes, seconds for the units
// shown) with fields 2 x cellWidth wide; leadDigits (0 to 2) half-cells of
// room are left before the first field for the digits a long span needs.
// Writes the page's one-plane mask (ink 0 bits) to out and returns its
// length, or 0 when nothing was drawn: a side below 1, no line to draw, a
// font size outside kMinCellFontSize .. kMaxCellFontSize, a page too large
// for a raster or for out. Slots that are not placed keep what the table held.
size_t RenderTimerPage(std::u16string_view title, int32_t width, int32_t height, int32_t inset, int leadDigits,
                       const FontSpec& font, const TimerOptions& options, std::span<uint8_t> slots, int cellWidth,
                       uint8_t* out, size_t outSize);

}  // namespace vexilo

// What the clock and timer items share: their cell sizes, and the last steps
// of an area the library draws (colour and frame the static page, append the
// glyph block, write the area); and the card-font body's font bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "vexilo.h"

namespace vexilo {

struct LiveCells {
  uint8_t Width = 0;   // CellWidth: half the widest field
  uint8_t Height = 0;  // CellHeight
};

// The cells of the font, or nullopt when the card cannot be told them: a
// font size outside kMinCellFontSize .. kMaxCellFontSize, or a cell width of
// 0 or above 255.
std::optional<LiveCells> LiveCellsFor(const FontSpec& font);

// The head of a clock or timer record, as the drawn form uses it.
struct LiveArea {
  uint8_t Type = 0;
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
  uint8_t BackColor = 0;
  int32_t FrameWidth = 0;
  uint8_t FrameColor = 0;
  FontSpec Font{};
  LiveCells Cells{};
};

// The body is in WorkBuffer: `prefix` bytes of header and slots, then the
// one-plane mask of the static page (maskBytes, 0 when the area has no page).
// Colours and frames the page, appends the glyph block, writes the area
// (never turned) and ends it. False when a step fails.
bool WriteLiveArea(const LiveArea& area, size_t prefix, size_t maskBytes);

// Writes a card-font area of the type with the body and ends it.
bool WriteCardArea(uint8_t type, int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* body,
                   size_t size);

}  // namespace vexilo

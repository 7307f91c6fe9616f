#include "items/LiveAreaUnit.h"

#include "frame/ScreenConfigUnit.h"
#include "items/ItemPagesUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/ClockGlyphUnit.h"

namespace vexilo {

std::optional<LiveCells> LiveCellsFor(const FontSpec& font) {
  if (font.Size < kMinCellFontSize || font.Size > kMaxCellFontSize) return std::nullopt;
  const int width = MeasureCellWidth(font) / 2;
  if (width < 1 || width > 255) return std::nullopt;
  return LiveCells{static_cast<uint8_t>(width), CellHeightFor(font.Size)};
}

bool WriteLiveArea(const LiveArea& area, size_t prefix, size_t maskBytes) {
  uint8_t* work = WorkBuffer();
  if (work == nullptr || prefix > kWorkBufferSize) return false;
  size_t pageBytes = 0;
  if (maskBytes > 0) {
    MaskPageStyle style;
    style.ColorMode = ScreenConfig().CurrentScreenConfig.Color;
    style.TextColor = area.Font.TextColor;
    style.BackColor = area.BackColor;
    style.FrameColor = area.FrameColor;
    style.FrameWidth = area.FrameWidth;
    std::optional<size_t> finished =
        FinishMaskPage(style, area.Width, area.Height, work + prefix, maskBytes, kWorkBufferSize - prefix);
    if (!finished) return false;
    pageBytes = *finished;
  }
  const size_t glyphsAt = prefix + pageBytes;
  const size_t glyphs =
      WriteGlyphBlock(area.Cells.Width, area.Cells.Height, area.Font, work + glyphsAt, kWorkBufferSize - glyphsAt);
  if (glyphs == 0) return false;
  const size_t body = glyphsAt + glyphs;
  if (!BeginArea(area.Type, area.X, area.Y, area.Width, area.Height, false)) return false;
  return PackAppend(work, body) && EndArea(static_cast<uint32_t>(14 + body));
}

bool WriteCardArea(uint8_t type, int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* body,
                   size_t size) {
  if (size > kWorkBufferSize) return false;
  if (!BeginArea(type, x, y, width, height, false)) return false;
  return PackAppend(body, size) && EndArea(static_cast<uint32_t>(14 + size));
}

}  // namespace vexilo

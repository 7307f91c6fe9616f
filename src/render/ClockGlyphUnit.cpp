#include "render/ClockGlyphUnit.h"

#include <algorithm>

#include "base/ByteOrderUnit.h"
#include "lang/CodePageUnit.h"
#include "lang/LanguageUnit.h"
#include "lang/StringTableUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/TextPageUnit.h"

namespace vexilo {
namespace {

std::string_view FaceOf(const FontSpec& record) {
  return record.FaceName != nullptr ? std::string_view(record.FaceName) : std::string_view();
}

// The font of the cells: only the face, size and style of the item's font;
// its spacing and centring would move glyphs out of their cells.
FontSpec CellFont(const FontSpec& record, int32_t size) {
  FontSpec cell{};
  cell.FaceName = record.FaceName;
  cell.Size = size;
  cell.Bold = record.Bold;
  cell.Italic = record.Italic;
  cell.Underline = record.Underline;
  return cell;
}

// Draws one cell: the text alone in a white page of width x height, as a
// static text without spacing, then appends its mask. False when it cannot.
bool AppendCell(std::u16string_view text, int width, int height, int32_t margin, const FontSpec& font, uint8_t* out,
                size_t outSize, size_t& used) {
  TextPageRequest request;
  request.Text = text;
  request.Width = width;
  request.Height = height;
  request.Margin = margin;
  request.Font = font;
  request.NarrowItalics = true;
  const size_t cellBytes = PageDataSize(width, height, 1);
  if (outSize - used < cellBytes) return false;
  const size_t n = RenderTextPage(request, -1, out + used, outSize - used);
  if (n != cellBytes) return false;
  used += n;
  return true;
}

}  // namespace

FontPtr NewLiveFont(const FontSpec& record, int height, int averageWidth) {
  return NewFontAnsi(FaceOf(record), height, averageWidth, record.Bold != 0 ? kFwBold : kFwNormal, record.Italic != 0,
                     record.Underline != 0, kGb2312CharSet);
}

std::string WeekdayName(int i) { return Translate(strings::kWeekdayNames[std::clamp(i, 0, 6)]); }

int MeasureCellWidth(const FontSpec& record) {
  const int h = record.Size + kDigitFontBoost;
  FontPtr font = NewLiveFont(record, h, h / 2);
  int widest = 0;
  for (char d = '0'; d <= '9'; ++d) {
    widest = std::max(widest, 2 * MeasureTextAnsi(*font, std::string_view(&d, 1)).Width);
  }
  for (int i = 0; i < 7; ++i) {
    const std::string name = WeekdayName(i);
    widest = std::max(widest, MeasureTextAnsi(*font, std::string_view(name).substr(0, 2)).Width);
  }
  return widest;
}

uint8_t CellHeightFor(int32_t size) { return static_cast<uint8_t>((size / 2) * 2); }

int CellStride(int cellWidth) { return ((cellWidth + 7) / 8) * 8; }

size_t GlyphBlockSize(int cellWidth, int cellHeight) {
  if (cellWidth < 1 || cellHeight < 1) return 0;
  return 3 * static_cast<size_t>(CellStride(cellWidth)) * static_cast<size_t>(cellHeight);
}

uint16_t SlotX(std::span<const uint8_t> slots, int i) { return GetBe16(&slots[4 * static_cast<size_t>(i)]); }
uint16_t SlotY(std::span<const uint8_t> slots, int i) { return GetBe16(&slots[4 * static_cast<size_t>(i) + 2]); }

void SetSlot(std::span<uint8_t> slots, int i, uint16_t x, uint16_t y) {
  PutBe16(&slots[4 * static_cast<size_t>(i)], x);
  PutBe16(&slots[4 * static_cast<size_t>(i) + 2], y);
}

void ClearSlots(std::span<uint8_t> slots) { std::fill(slots.begin(), slots.end(), uint8_t{0xFF}); }

void PlaceFieldSlot(int fieldWidth, std::span<uint8_t> slots, int& count, int& x, int y, int areaWidth,
                    int areaHeight) {
  const int64_t xc = static_cast<int64_t>(x) + fieldWidth / 2;
  if (count >= 0 && static_cast<size_t>(count) < slots.size() / 4) {
    if (xc >= 0 && xc < areaWidth && y >= 0 && y < areaHeight) {
      SetSlot(slots, count, static_cast<uint16_t>(xc), static_cast<uint16_t>(y));
    } else {
      SetSlot(slots, count, 0xFFFF, 0xFFFF);
    }
  }
  ++count;
  x += fieldWidth;
}

void DrawTextAdvance(Raster& page, const Font& font, std::u16string_view text, int& x, int y) {
  DrawString(page, font, x, y, text);
  x += MeasureText(font, text).Width;
}

size_t WriteGlyphBlock(int cellWidth, int cellHeight, const FontSpec& record, uint8_t* out, size_t outSize) {
  const size_t total = GlyphBlockSize(cellWidth, cellHeight);
  if (total == 0 || out == nullptr || outSize < total) return 0;
  const int stride = CellStride(cellWidth);
  size_t used = 0;
  const FontSpec digits = CellFont(record, record.Size + kDigitFontBoost);
  for (char16_t d = u'0'; d <= u'9'; ++d) {
    if (!AppendCell(std::u16string_view(&d, 1), stride, cellHeight, -1, digits, out, outSize, used)) return 0;
  }
  const FontSpec names = CellFont(record, record.Size);
  for (int i = 0; i < 7; ++i) {
    const std::u16string name = AnsiToUtf16(WeekdayName(i));
    if (!AppendCell(name, 2 * stride, cellHeight, 0, names, out, outSize, used)) return 0;
  }
  // Ink becomes the lit pixels.
  ApplyMonoColors(1, 0, 24 * stride, cellHeight, out, used);
  return used;
}

uint8_t PlaneCode(int colorMode, uint8_t textColor) {
  if (!IsTwoPlane(colorMode)) return 0;
  switch (textColor) {
    case kColorCodeRed: return colorMode == 3 ? 1 : 0;
    case kColorCodeGreen: return colorMode == 3 ? 0 : 1;
    case kColorCodeYellow: return 2;
    default: return 0;
  }
}

std::u16string_view TrimBlanks(std::u16string_view text) {
  size_t first = 0, last = text.size();
  while (first < last && text[first] <= 32) ++first;
  while (last > first && text[last - 1] <= 32) --last;
  return text.substr(first, last - first);
}

}  // namespace vexilo

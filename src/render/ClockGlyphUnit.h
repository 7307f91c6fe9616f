// Glyph cells and field slots of live clocks and timers.
//
// A clock or timer that the library draws is sent as three parts that the
// card combines while it runs: a static page (title, words, separators and
// blank room for every changing value), a table of field slots telling where
// each value goes, and a glyph block holding the ten digits and the seven
// weekday names, each drawn into a cell of fixed size. Every value is two
// digit cells wide ("05", "59"), a weekday name one double-width cell.
//
// FieldSlot (4 bytes): x then y, big-endian 16-bit, from the area's top-left
// corner; x is the centre of the two-cell field, y its top row. The pair
// 0xFFFF, 0xFFFF marks a field that is not shown.
//
// GlyphBlock: one-plane pixel data, lit pixels 1, of 17 cells one after the
// other, each CellHeight rows: the digits "0" to "9" in cells CellStride
// pixels wide (drawn one pixel taller than the font), then the weekday names,
// Sunday first, in cells 2 x CellStride wide. 3 x CellStride x CellHeight
// bytes in all, the same on every screen (the card colours it).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "render/DrawingUnit.h"
#include "vexilo.h"

namespace vexilo {

// Digits, and the "20" of a four-digit year, are drawn this much taller than
// the item's font.
inline constexpr int kDigitFontBoost = 1;

// The font sizes whose cells the card can be told: the cell height is a byte.
inline constexpr int32_t kMinCellFontSize = 2;
inline constexpr int32_t kMaxCellFontSize = 255;

// The font of a clock or timer page: the face of the font record at height
// and average width, weight 700 when bold else 400, italic and underline from
// the record, the GB2312 character set.
FontPtr NewLiveFont(const FontSpec& record, int height, int averageWidth);

// The weekday name i (0 Sunday to 6 Saturday) for this system, ANSI.
std::string WeekdayName(int i);

// Width of the widest two-character field: twice the widest digit, or the
// widest weekday name, in the font one pixel taller than the record says.
int MeasureCellWidth(const FontSpec& record);

// CellHeight: the size with its lowest bit cleared, low eight bits.
uint8_t CellHeightFor(int32_t size);
// CellStride: CellWidth rounded up to a multiple of 8.
int CellStride(int cellWidth);
// The byte count WriteGlyphBlock writes.
size_t GlyphBlockSize(int cellWidth, int cellHeight);

// Places the next field: stores the slot of a field fieldWidth wide whose
// left edge is at x at slots[count] (0xFFFF, 0xFFFF when its centre lies
// outside 0 .. areaWidth - 1 or y outside 0 .. areaHeight - 1), increments
// count and advances x by fieldWidth. A slot beyond the table is not stored
// (count still grows).
void PlaceFieldSlot(int fieldWidth, std::span<uint8_t> slots, int& count, int& x, int y, int areaWidth,
                    int areaHeight);

// The slot at index i of a table: x and y.
uint16_t SlotX(std::span<const uint8_t> slots, int i);
uint16_t SlotY(std::span<const uint8_t> slots, int i);
void SetSlot(std::span<uint8_t> slots, int i, uint16_t x, uint16_t y);
// Marks every slot of the table as not shown.
void ClearSlots(std::span<uint8_t> slots);

// Draws text at (x, y) and adds its width to x.
void DrawTextAdvance(Raster& page, const Font& font, std::u16string_view text, int& x, int y);

// Draws the glyph block of the cell sizes and the font into out and returns
// its length; 0, when out is too small, a cell size is below 1 or a cell
// cannot be drawn.
size_t WriteGlyphBlock(int cellWidth, int cellHeight, const FontSpec& record, uint8_t* out, size_t outSize);

// In which bit plane of the page the text colour lies: 0, 1 or 2.
uint8_t PlaneCode(int colorMode, uint8_t textColor);

// The text with every leading and trailing character of code 32 or less removed.
std::u16string_view TrimBlanks(std::u16string_view text);

}  // namespace vexilo

// Glyph cells, field slots and plane codes of live clocks and timers,
// checked by their lit pixels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ClockTestSupport.h"
#include "lang/CodePageUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/ClockGlyphUnit.h"
#include "render/TextPageUnit.h"

namespace vexilo {
namespace {

using testing::Bit;
using testing::Bytes;
using testing::LitIn;
using testing::Song;

// The cell of the glyph block at column `cellX` (in cell units of the stride)
// `units` units wide, as its own one-plane picture.
Bytes Cell(const Bytes& block, int stride, int height, int cellX, int units) {
  const size_t cellRow = static_cast<size_t>(units * stride / 8);
  const size_t start = static_cast<size_t>(cellX) * static_cast<size_t>(stride / 8) * static_cast<size_t>(height);
  return Bytes(block.begin() + static_cast<long>(start),
               block.begin() + static_cast<long>(start + cellRow * static_cast<size_t>(height)));
}

TEST(ClockGlyphs, CellSizesAndGlyphBlockLengths) {
  struct Case {
    int Size, CellWidth, CellHeight, Stride;
    size_t Block;
  };
  // Song at 17 pixels (size 16 plus the digit boost) has 8-pixel digits and
  // 16-pixel weekday names; at 18 the digits are 9 wide.
  const Case cases[] = {{16, 8, 16, 8, 384}, {17, 9, 16, 16, 768}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Size);
    const int cellWidth = MeasureCellWidth(Song(c.Size)) / 2;
    EXPECT_EQ(cellWidth, c.CellWidth);
    EXPECT_EQ(CellHeightFor(c.Size), c.CellHeight);
    EXPECT_EQ(CellStride(cellWidth), c.Stride);
    EXPECT_EQ(GlyphBlockSize(cellWidth, c.CellHeight), c.Block);
    Bytes block(c.Block + 64, 0xAA);
    EXPECT_EQ(WriteGlyphBlock(cellWidth, c.CellHeight, Song(c.Size), block.data(), block.size()), c.Block);
    EXPECT_EQ(block[c.Block], 0xAA);  // nothing written behind it
    Bytes tooSmall(c.Block - 1);
    EXPECT_EQ(WriteGlyphBlock(cellWidth, c.CellHeight, Song(c.Size), tooSmall.data(), tooSmall.size()), 0u);
  }
  // The cell height is a byte: odd sizes lose their low bit, large ones their high bits.
  EXPECT_EQ(CellHeightFor(17), 16);
  EXPECT_EQ(CellHeightFor(300), 300 % 256);
  EXPECT_EQ(CellStride(1), 8);
  EXPECT_EQ(CellStride(16), 16);
  EXPECT_EQ(GlyphBlockSize(0, 16), 0u);
}

TEST(ClockGlyphs, CellsHoldTheDigitsThenTheWeekdaysLit) {
  const int cellWidth = 9, height = 16, stride = 16;  // two bytes a cell row
  Bytes block(GlyphBlockSize(cellWidth, height));
  ASSERT_EQ(WriteGlyphBlock(cellWidth, height, Song(17), block.data(), block.size()), block.size());
  std::vector<Bytes> cells;
  for (int d = 0; d < 10; ++d) cells.push_back(Cell(block, stride, height, d, 1));
  for (int i = 0; i < 7; ++i) cells.push_back(Cell(block, stride, height, 10 + 2 * i, 2));
  for (size_t i = 0; i < cells.size(); ++i) {
    SCOPED_TRACE(i);
    const int w = i < 10 ? stride : 2 * stride;
    EXPECT_GT(LitIn(cells[i], w, 0, w, 0, height), 4);  // ink is lit
    for (size_t j = 0; j < i; ++j) EXPECT_NE(cells[i], cells[j]);
  }
  // A digit drawn in the font one pixel taller, one row higher: the "0" cell
  // is the mask of "0" in an 18-pixel font at margin -1, inverted.
  TextPageRequest zero;
  const std::u16string text = u"0";
  zero.Text = text;
  zero.Width = stride;
  zero.Height = height;
  zero.Margin = -1;
  zero.Font = Song(18);
  zero.NarrowItalics = true;
  Bytes mask(PageDataSize(stride, height, 1));
  ASSERT_EQ(RenderTextPage(zero, -1, mask.data(), mask.size()), mask.size());
  for (uint8_t& b : mask) b = static_cast<uint8_t>(~b);
  EXPECT_EQ(cells[0], mask);
  // Digits keep to their half of a double cell; weekday names (日 is
  // Sunday's) reach into the second half.
  EXPECT_EQ(LitIn(cells[1], stride, 12, stride, 0, height), 0);
  EXPECT_GT(LitIn(cells[10], 2 * stride, 9, 2 * stride, 0, height), 0);
}

TEST(ClockGlyphs, GlyphCellsIgnoreSpacingAndCentring) {
  FontSpec spaced = Song(16);
  spaced.CharSpacing = 30;
  spaced.LineSpacing = 30;
  spaced.Centered = 1;
  Bytes plain(384), odd(384);
  ASSERT_EQ(WriteGlyphBlock(8, 16, Song(16), plain.data(), plain.size()), 384u);
  ASSERT_EQ(WriteGlyphBlock(8, 16, spaced, odd.data(), odd.size()), 384u);
  EXPECT_EQ(plain, odd);
}

TEST(ClockGlyphs, FieldSlotsInsideAndOutsideTheArea) {
  struct Case {
    int X, Y, Width, Height;
    uint16_t SlotX, SlotY;
  };
  // Fields 16 wide: the slot is the centre, x + 8.
  const Case cases[] = {
      {0, 0, 64, 16, 8, 0},             // inside
      {-8, 3, 64, 16, 0, 3},            // centre on the left edge
      {-9, 0, 64, 16, 0xFFFF, 0xFFFF},  // centre left of the area
      {55, 15, 64, 16, 63, 15},         // centre on the last column, top on the last row
      {56, 0, 64, 16, 0xFFFF, 0xFFFF},  // centre at the width
      {0, -1, 64, 16, 0xFFFF, 0xFFFF},  // top above the area
      {0, 16, 64, 16, 0xFFFF, 0xFFFF},  // top below it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.X);
    Bytes slots(8, 0x11);
    int count = 1, x = c.X;
    PlaceFieldSlot(16, slots, count, x, c.Y, c.Width, c.Height);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(x, c.X + 16);  // the pen moves on whether the field shows or not
    EXPECT_EQ(SlotX(slots, 1), c.SlotX);
    EXPECT_EQ(SlotY(slots, 1), c.SlotY);
    EXPECT_EQ(SlotX(slots, 0), 0x1111);  // other slots untouched
  }
  Bytes full(4, 0);
  int count = 1, x = 0;
  PlaceFieldSlot(16, full, count, x, 0, 64, 16);  // beyond the table: counted, not stored
  EXPECT_EQ(count, 2);
  EXPECT_EQ(full, Bytes(4, 0));
}

TEST(ClockGlyphs, PlaneCodes) {
  struct Case {
    int ColorMode;
    uint8_t Red, Green, Yellow;
  };
  const Case cases[] = {{0, 0, 0, 0}, {1, 0, 0, 0}, {2, 0, 1, 2}, {3, 1, 0, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ColorMode);
    EXPECT_EQ(PlaneCode(c.ColorMode, kColorCodeRed), c.Red);
    EXPECT_EQ(PlaneCode(c.ColorMode, kColorCodeGreen), c.Green);
    EXPECT_EQ(PlaneCode(c.ColorMode, kColorCodeYellow), c.Yellow);
  }
}

}  // namespace
}  // namespace vexilo

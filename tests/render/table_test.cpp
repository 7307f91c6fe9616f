// Table pages: the layout against a device of fixed character widths, so
// that every rectangle, line and text position can be checked by its pixels;
// the block reader against hostile blocks; and the page renderer on the real
// canvas, with and without its layout cache.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/ByteOrderUnit.h"
#include "lang/CodePageUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/DrawingUnit.h"
#include "render/TableDataUnit.h"
#include "render/TableLayoutUnit.h"
#include "render/TablePageUnit.h"

namespace vexilo {
namespace {

const ColorRef Red = MakeColorRef(255, 0, 0);
const ColorRef Green = MakeColorRef(0, 255, 0);
const ColorRef Blue = MakeColorRef(0, 0, 255);
const ColorRef Yellow = MakeColorRef(255, 255, 0);
const ColorRef Navy = MakeColorRef(10, 20, 30);

// ---------------------------------------------------------------------------
// Blocks

struct CellPlan {
  std::string Text;
  uint8_t Align = 0;
  bool MergeRight = false;
  bool MergeDown = false;
  int32_t Points = 8;
  ColorRef Color = Red;
  ColorRef Back = Blue;
};

struct TablePlan {
  std::vector<int32_t> Heights;
  std::vector<int32_t> Widths;
  std::function<CellPlan(int, int)> Cell = [](int, int) { return CellPlan{}; };
  std::string Title;
  int32_t TitlePoints = 8;
};

std::vector<uint8_t> MakeBlock(const TablePlan& t) {
  const size_t rows = t.Heights.size(), cols = t.Widths.size();
  std::vector<uint8_t> b(kTableHeaderSize + 4 * (rows + cols) + rows * cols * kTableCellSize, 0);
  PutLe32(&b[0], static_cast<uint32_t>(rows));
  PutLe32(&b[4], static_cast<uint32_t>(cols));
  PutLe32(&b[8], Green);
  b[12] = static_cast<uint8_t>(t.Title.size());
  std::copy(t.Title.begin(), t.Title.end(), b.begin() + 13);
  b[63] = 5;
  std::copy_n("Arial", 5, b.begin() + 64);
  PutLe32(&b[94], static_cast<uint32_t>(t.TitlePoints));
  PutLe32(&b[102], Yellow);
  PutLe32(&b[106], Navy);
  size_t at = kTableHeaderSize;
  for (int32_t h : t.Heights) PutLe32(&b[at], static_cast<uint32_t>(h)), at += 4;
  for (int32_t w : t.Widths) PutLe32(&b[at], static_cast<uint32_t>(w)), at += 4;
  for (size_t r = 0; r < rows; ++r) {
    for (size_t c = 0; c < cols; ++c, at += kTableCellSize) {
      const CellPlan s = t.Cell(static_cast<int>(r), static_cast<int>(c));
      b[at] = 5;
      std::copy_n("Arial", 5, b.begin() + at + 1);
      PutLe32(&b[at + 31], static_cast<uint32_t>(s.Points));
      b[at + 38] = s.Align;
      PutLe32(&b[at + 39], s.Color);
      PutLe32(&b[at + 43], s.Back);
      b[at + 47] = s.MergeRight;
      b[at + 48] = s.MergeDown;
      std::copy(s.Text.begin(), s.Text.end(), b.begin() + at + 49);
    }
  }
  return b;
}

TableData Open(const std::vector<uint8_t>& block) {
  TableData t;
  EXPECT_EQ(ReadTableData(block.data(), block.size(), t), TableDataStatus::Ok);
  return t;
}

// ---------------------------------------------------------------------------
// A device of fixed widths: every character of a font of p points is p div 2
// pixels wide and p high, and is drawn as an ink block one pixel narrower and
// two lower than its cell (from the cell's second row). Fills and lines go
// through the real canvas.

struct FixedDevice {
  Canvas C;
  int CharWidth = 4;
  int Height = 8;
  int Measures = 0;
  explicit FixedDevice(Raster& r) { C.Target = &r; }
  void SetFont(std::string_view, int32_t points, bool, bool, bool, ColorRef color) {
    CharWidth = points / 2;
    Height = points;
    C.FontColor = color;
  }
  void SetBrush(ColorRef c) { C.BrushColor = c; }
  void SetPen(ColorRef c) { C.PenColor = c; }
  void Fill(const Rect& r) { CanvasFillRect(C, r); }
  TextSize MeasureAnsi(std::string_view s) {
    ++Measures;
    return {static_cast<int>(s.size()) * CharWidth, Height};
  }
  void TextRect(const Rect& clip, int x, int y, std::u16string_view text) {
    FillRect(*C.Target, clip, C.BrushColor);
    for (size_t i = 0; i < text.size(); ++i) {
      const int left = x + static_cast<int>(i) * CharWidth;
      Rect ink{std::max(left, clip.Left), std::max(y + 1, clip.Top), std::min(left + CharWidth - 1, clip.Right),
               std::min(y + Height - 1, clip.Bottom)};
      if (ink.Left < ink.Right && ink.Top < ink.Bottom) FillRect(*C.Target, ink, C.FontColor);
    }
  }
  void MoveTo(int x, int y) { CanvasMoveTo(C, x, y); }
  void LineTo(int x, int y) { CanvasLineTo(C, x, y); }
};

struct Page {
  bool Exists = false;
  int Measures = 0;  // texts the device measured
  RasterPtr R;
  ColorRef At(int x, int y) const { return GetPixel(*R, x, y); }
  // The x of every pixel of row y in colour c.
  std::vector<int> Xs(int y, ColorRef c) const {
    std::vector<int> xs;
    for (int x = 0; x < R->Width; ++x) {
      if (At(x, y) == c) xs.push_back(x);
    }
    return xs;
  }
  std::vector<int> Ys(int x, ColorRef c) const {
    std::vector<int> ys;
    for (int y = 0; y < R->Height; ++y) {
      if (At(x, y) == c) ys.push_back(y);
    }
    return ys;
  }
};

Page Lay(const std::vector<uint8_t>& block, int page, int w, int h, int m, bool continuous,
         TableLayoutCache* cache = nullptr) {
  Page p;
  p.R = CreateRaster(w, h, PixelKind::Rgb24);
  FixedDevice dev(*p.R);
  p.Exists = LayOutTablePage(Open(block), page, w, h, m, continuous, dev, cache);
  p.Measures = dev.Measures;
  return p;
}

std::vector<int> Range(int from, int to) {  // from to to - 1
  std::vector<int> v;
  for (int i = from; i < to; ++i) v.push_back(i);
  return v;
}

// ---------------------------------------------------------------------------
// Slices, centring and pages

TEST(TableLayout, AWideTableIsCutIntoSlicesThatArePagesOfTheirOwn) {
  // Columns 40, 40 and 40 on 64 pixels: TW = 120 and S = 2. Rows of 10 on a
  // 24-pixel page: rows 0 and 1 on the first vertical page, 2 and 3 on the
  // second. Each row's cells are told apart by their text's length.
  TablePlan t;
  t.Heights = {10, 10, 10, 10};
  t.Widths = {40, 40, 40};
  t.Cell = [](int r, int) { return CellPlan{std::string(static_cast<size_t>(r + 1), 'x'), kCellAlignLeft}; };
  const auto block = MakeBlock(t);
  // Vertical grid lines in the middle of row 0 (y = 5): page 0 shows the
  // lines at 0 and 40 (the third cell starts at 80, past the slice, and is
  // not drawn); page 1 the table shifted 64 to the left: 80 and 120 at 16
  // and 56.
  const Page p0 = Lay(block, 0, 64, 24, 0, false), p1 = Lay(block, 1, 64, 24, 0, false);
  ASSERT_TRUE(p0.Exists && p1.Exists);
  EXPECT_EQ(p0.Xs(5, Green), (std::vector<int>{0, 40}));
  EXPECT_EQ(p1.Xs(5, Green), (std::vector<int>{16, 56}));
  // Row 0's text, one character of 3 ink pixels at each cell's left edge,
  // where the grid line covers its first; page 1 shows the third cell's (at
  // 80 - 64), and the first cell's lies off the page.
  EXPECT_EQ(p0.Xs(4, Red), (std::vector<int>{1, 2, 41, 42}));
  EXPECT_EQ(p1.Xs(4, Red), (std::vector<int>{17, 18}));
  // Page 2 is the second vertical page's first slice: rows 2 and 3 (three
  // and four characters) from the top.
  const Page p2 = Lay(block, 2, 64, 24, 0, false);
  ASSERT_TRUE(p2.Exists);
  EXPECT_EQ(p2.Xs(4, Red), (std::vector<int>{1, 2, 4, 5, 6, 8, 9, 10, 41, 42, 44, 45, 46, 48, 49, 50}));  // "xxx" twice
  EXPECT_EQ(p2.Ys(20, Green), (std::vector<int>{0, 10, 20}));
  EXPECT_TRUE(Lay(block, 3, 64, 24, 0, false).Exists);
  EXPECT_FALSE(Lay(block, 4, 64, 24, 0, false).Exists);
  EXPECT_FALSE(Lay(block, 1000, 64, 24, 0, false).Exists);
}

TEST(TableLayout, ANarrowTableIsCentredUnlessTheMarginIsWider) {
  TablePlan t;
  t.Heights = {10};
  t.Widths = {10, 20};
  const auto block = MakeBlock(t);
  struct Case {
    int Width, Margin;
    std::vector<int> Lines;
  };
  const Case cases[] = {
      {64, 0, {17, 27, 47}},   // (64 - 30) div 2 = 17
      {64, 20, {20, 30, 50}},  // the margin is more
      {31, 0, {0, 10, 30}},    // (31 - 30) div 2 = 0
  };
  for (const Case& c : cases) {
    // The margin moves the rows down as much.
    const Page p = Lay(block, 0, c.Width, 40, c.Margin, false);
    ASSERT_TRUE(p.Exists);
    EXPECT_EQ(p.Xs(c.Margin + 5, Green), c.Lines) << c.Width << " " << c.Margin;
  }
}

TEST(TableLayout, WithoutTheContinuousFlagRowsAreNotCutAndTheTitleComesBack) {
  // Title 8 high; rows of 10 on a 40-pixel page with a margin of 1: the
  // bottom is 40 - 1 - 2 = 37, so rows 0 and 1 fit (9 to 29) and row 2
  // would reach 39: it opens page 1 at 1 + 8 = 9.
  TablePlan t;
  t.Heights = {10, 10, 10, 10, 10};
  t.Widths = {20};
  t.Title = "TT";
  const auto block = MakeBlock(t);
  const Page p0 = Lay(block, 0, 32, 40, 1, false), p1 = Lay(block, 1, 32, 40, 1, false),
             p2 = Lay(block, 2, 32, 40, 1, false);
  ASSERT_TRUE(p0.Exists && p1.Exists && p2.Exists);
  EXPECT_FALSE(Lay(block, 3, 32, 40, 1, false).Exists);
  // The grid's left edge at x = 6 ((32 - 20) div 2) from the rows' tops to
  // their bottoms.
  EXPECT_EQ(p0.Ys(6, Green), Range(9, 30));
  EXPECT_EQ(p1.Ys(6, Green), Range(9, 30));
  EXPECT_EQ(p2.Ys(6, Green), Range(9, 20));
  // The title, "TT" centred over the page ((32 - 8) div 2 = 12), on every page.
  for (const Page* p : {&p0, &p1, &p2}) EXPECT_EQ(p->Xs(4, Yellow), (std::vector<int>{12, 13, 14, 16, 17, 18}));
}

TEST(TableLayout, WithTheContinuousFlagARowCrossingTheBottomReappearsCut) {
  // Rows of 10 from y = 8 below the title on a 40-pixel page: row 3 lies at
  // 38 to 48 and crosses the bottom; page 1 draws it again at 48 - 10 - 40 = -2,
  // so that its bottom (8) and row 4 (8 to 18) show; the title is not drawn again.
  TablePlan t;
  t.Heights = {10, 10, 10, 10, 10};
  t.Widths = {20};
  t.Title = "TT";
  const auto block = MakeBlock(t);
  const Page p0 = Lay(block, 0, 32, 40, 0, true), p1 = Lay(block, 1, 32, 40, 0, true);
  ASSERT_TRUE(p0.Exists && p1.Exists);
  EXPECT_FALSE(Lay(block, 2, 32, 40, 0, true).Exists);
  EXPECT_EQ(p0.Ys(6, Green), Range(8, 40));
  EXPECT_EQ(p1.Ys(6, Green), Range(0, 19));
  // The top grid lines of rows 1 to 3 on page 0 and the bottom of row 3 and
  // of row 4 on page 1 run across the cell (x = 6 to 25).
  EXPECT_EQ(p0.Xs(38, Green), Range(6, 27));
  EXPECT_EQ(p1.Xs(8, Green), Range(6, 27));
  EXPECT_EQ(p1.Xs(18, Green), Range(6, 27));
  EXPECT_TRUE(p0.Xs(4, Yellow).size() > 0);
  EXPECT_TRUE(p1.Xs(4, Yellow).empty());
}

TEST(TableLayout, ARowTallerThanManyPagesScrollsOnThroughThem) {
  // Row 1 is 100 high on 20-pixel pages: it fills the whole of pages 1 to 4
  // (grid edges only at x = 0 and 19) and ends at the top of page 5, where
  // row 2 follows.
  TablePlan t;
  t.Heights = {10, 100, 10};
  t.Widths = {20};
  const auto block = MakeBlock(t);
  for (int page = 1; page <= 4; ++page) {
    const Page p = Lay(block, page, 32, 20, 0, true);
    ASSERT_TRUE(p.Exists) << page;
    EXPECT_EQ(p.Ys(6, Green), Range(0, 20)) << page;
    EXPECT_TRUE(p.Xs(10, Green).size() == 2) << page;
  }
  const Page p5 = Lay(block, 5, 32, 20, 0, true);
  ASSERT_TRUE(p5.Exists);
  // Row 1 ends at 10 + 100 - 5 x 20 = 10, row 2 from 10 to 20.
  EXPECT_EQ(p5.Xs(10, Green), Range(6, 27));
  EXPECT_FALSE(Lay(block, 6, 32, 20, 0, true).Exists);
}

TEST(TableLayout, WithTheContinuousFlagACellMergedUpIntoThePageShowsOnIt) {
  // Rows of 10 on 20-pixel pages; row 1's cell merges down into row 2's.
  // Row 1 ends page 0 exactly at its bottom; so that the merged cell shows,
  // row 2 is drawn below the bottom too: its rectangle from 10 and its text
  // centred over 20 rows, at 20 + (20 - 8) div 2 - 10 = 16. Page 1 carries
  // the rest, drawn again from -10.
  TablePlan t;
  t.Heights = {10, 10, 10};
  t.Widths = {20};
  t.Cell = [](int r, int) { return CellPlan{r == 2 ? "A" : "", kCellAlignLeft, false, r == 1}; };
  const auto block = MakeBlock(t);
  const Page p0 = Lay(block, 0, 20, 20, 0, true), p1 = Lay(block, 1, 20, 20, 0, true);
  ASSERT_TRUE(p0.Exists && p1.Exists);
  EXPECT_FALSE(Lay(block, 2, 20, 20, 0, true).Exists);
  EXPECT_EQ(p0.Ys(0, Green), Range(0, 20));
  EXPECT_EQ(p0.Ys(1, Red), (std::vector<int>{17, 18, 19}));
  EXPECT_EQ(p0.At(5, 12), Blue);
  EXPECT_EQ(p1.Ys(1, Red), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(p1.Ys(0, Green), Range(0, 11));
}

// ---------------------------------------------------------------------------
// Merged cells, alignment and lines

TEST(TableLayout, ACellMergedRightGivesItsWidthToTheNextCell) {
  // Columns 20 and 30: cell 0 merges right, so one rectangle 50 wide from
  // x = 7 ((64 - 50) div 2) holds the second cell's text, centred.
  TablePlan t;
  t.Heights = {12};
  t.Widths = {20, 30};
  t.Cell = [](int, int c) {
    CellPlan s;
    s.Text = c == 0 ? "hidden" : "AB";
    s.MergeRight = c == 0;
    return s;
  };
  const Page p = Lay(MakeBlock(t), 0, 64, 16, 0, false);
  ASSERT_TRUE(p.Exists);
  EXPECT_EQ(p.Xs(6, Green), (std::vector<int>{7, 57}));
  // "AB" is 8 wide: from 7 + (50 - 8) div 2 = 28, 3 ink pixels a character.
  EXPECT_EQ(p.Xs(4, Red), (std::vector<int>{28, 29, 30, 32, 33, 34}));
  EXPECT_EQ(p.At(10, 6), Blue);
}

TEST(TableLayout, ACellMergedDownIsCoveredByTheDrawnCellBelow) {
  // Column 0 of rows 0 and 1 merges down: the cell of row 2 draws over the
  // three rows, its rectangle from the top of row 0 and its one line
  // centred over 30 pixels: at (30 - 8) div 2 = 11. Column 1 is plain.
  TablePlan t;
  t.Heights = {10, 10, 10};
  t.Widths = {20, 20};
  t.Cell = [](int r, int c) {
    CellPlan s;
    s.Text = c == 0 ? (r == 2 ? "A" : "no") : "";
    s.MergeDown = c == 0 && r < 2;
    return s;
  };
  const Page p = Lay(MakeBlock(t), 0, 40, 32, 0, false);
  ASSERT_TRUE(p.Exists);
  // Column 0 (x = 0 to 20): its left edge runs from 0 to 30, no horizontal
  // line inside it at 10 or 20, its background over all three rows.
  EXPECT_EQ(p.Ys(0, Green), Range(0, 31));
  EXPECT_EQ(p.Ys(10, Green), (std::vector<int>{0, 30}));
  EXPECT_EQ(p.At(5, 10), Blue);
  // The text: one character centred across, its ink from row 11 + 1 on.
  EXPECT_EQ(p.Ys(9, Red), Range(12, 18));
  // Column 1's cells have no text: no fill, only their rectangles.
  EXPECT_EQ(p.Ys(30, Green), (std::vector<int>{0, 10, 20, 30}));
  EXPECT_EQ(p.At(30, 5), Navy);
}

TEST(TableLayout, TextIsAlignedLeftRightOrCentred) {
  struct Case {
    uint8_t Align;
    int FirstInk;
  };
  // A 40-wide cell from x = 0 with "AB" (8 wide).
  const Case cases[] = {{1, 0}, {3, 32}, {2, 16}, {0, 16}, {7, 16}};
  for (const Case& c : cases) {
    TablePlan t;
    t.Heights = {12};
    t.Widths = {40};
    t.Cell = [&](int, int) { return CellPlan{"AB", c.Align}; };
    const Page p = Lay(MakeBlock(t), 0, 40, 16, 0, false);
    ASSERT_TRUE(p.Exists);
    std::vector<int> ink = p.Xs(4, Red);
    ASSERT_FALSE(ink.empty());
    EXPECT_EQ(ink.front(), c.FirstInk == 0 ? 1 : c.FirstInk) << int(c.Align);  // x = 0 is the grid
  }
}

TEST(TableLayout, ATextWiderThanItsCellIsCutIntoCentredLines) {
  // "ABCDE" in a 14-wide cell of 4-pixel characters: "ABC" and "DE", two
  // lines of 8 centred in a 30-high row: from (30 - 16) div 2 = 7 and 15.
  // The first line's clip starts at the cell's top, the second's at its
  // own top, so the background fills the whole cell.
  TablePlan t;
  t.Heights = {30};
  t.Widths = {14};
  t.Cell = [](int, int) { return CellPlan{"ABCDE", kCellAlignLeft}; };
  const Page p = Lay(MakeBlock(t), 0, 14, 32, 0, false);
  ASSERT_TRUE(p.Exists);
  EXPECT_EQ(p.Ys(1, Red), (std::vector<int>{8, 9, 10, 11, 12, 13, 16, 17, 18, 19, 20, 21}));
  EXPECT_EQ(p.Ys(9, Red), Range(8, 14));  // C on the first line only
  EXPECT_EQ(p.At(5, 3), Blue);
}

TEST(TableLayout, CutLineTakesTheLongestPartThatFitsAndAtLeastOneCharacter) {
  auto fixed = [](std::u16string_view s) { return static_cast<int64_t>(s.size()) * 4; };
  struct Case {
    std::u16string Text;
    int Width;
    std::vector<std::u16string> Parts;
  };
  const Case cases[] = {
      {u"ABCDE", 12, {u"ABC", u"DE"}},
      {u"ABCDE", 11, {u"AB", u"CD", u"E"}},
      {u"ABCDE", 20, {u"ABCDE"}},
      {u"ABC", 3, {u"A", u"B", u"C"}},  // each character wider than the width
      {u"ABC", 0, {u"A", u"B", u"C"}},
      {u"A B\r\nC", 8, {u"A ", u"B\r", u"\nC"}},  // spaces and breaks are characters
      {u"", 10, {}},
  };
  for (const Case& c : cases) {
    std::u16string text = c.Text;
    std::vector<std::u16string> parts;
    while (!text.empty()) parts.push_back(CutLineWith(text, c.Width, fixed));
    EXPECT_EQ(parts, c.Parts) << c.Width;
    EXPECT_EQ(CountLinesWith(c.Text, c.Width, fixed), c.Parts.size());
  }
}

TEST(TableCanvas, CutLineMeasuresInTheCanvasFont) {
  RasterPtr r = NewPageBitmap(8, 8);
  Canvas canvas;
  canvas.Target = r.get();
  CanvasSetFont(canvas, Utf8ToGbk("宋体"), 12, false, false, false, Red);  // 16-pixel characters
  std::u16string text = u"表格表";
  EXPECT_EQ(CountLines(text, 32, canvas), 2u);
  EXPECT_EQ(CutLine(text, 32, canvas), u"表格");
  EXPECT_EQ(text, u"表");
  EXPECT_EQ(CountLines(u"表格", 5, canvas), 2u);
  EXPECT_EQ(CountLines(u"", 5, canvas), 0u);
}

// ---------------------------------------------------------------------------
// Pages on the real canvas

TEST(TablePage, EmptyTablesHaveNoPages) {
  // Neither a table without rows nor one without columns gives a page: asked
  // for pages 0 to 254 they give none, where they would fill every page of a list.
  std::vector<uint8_t> out(64 * 16 * 2);
  for (auto [rows, cols] : {std::pair{0, 3}, {3, 0}, {0, 0}}) {
    TablePlan t;
    t.Heights.assign(static_cast<size_t>(rows), 10);
    t.Widths.assign(static_cast<size_t>(cols), 10);
    t.Title = "T";
    const auto block = MakeBlock(t);
    for (int page = 0; page < 255; ++page) {
      ASSERT_EQ(RenderTablePage(2, Open(block), page, 64, 16, 0, out.data(), out.size(), page % 2), 0u)
          << rows << "x" << cols << " page " << page;
    }
  }
}

TEST(TablePage, EncodesOnePageInTheScreensPlanes) {
  TablePlan t;
  t.Heights = {10, 10, 10};
  t.Widths = {30, 30};
  t.Cell = [](int, int) { return CellPlan{"A1"}; };
  const auto block = MakeBlock(t);
  std::vector<uint8_t> out(64 * 16 * 2);
  // One plane of 8 bytes a row on single-colour screens, two on two-plane ones.
  EXPECT_EQ(RenderTablePage(0, Open(block), 0, 64, 16, 0, out.data(), out.size(), false), 128u);
  EXPECT_EQ(RenderTablePage(2, Open(block), 0, 64, 16, 0, out.data(), out.size(), false), 256u);
  // The host form reads the same block.
  std::vector<uint8_t> again(out.size());
  EXPECT_EQ(RenderTablePage(2, static_cast<const void*>(block.data()), 0, 64, 16, 0, again.data(), again.size(), false),
            256u);
  EXPECT_EQ(again, out);
  // Rows of 10 on 16 pixels: one row a page. Pages past the last, negative
  // pages and margins, too small a buffer, a null block: nothing.
  EXPECT_EQ(RenderTablePage(2, Open(block), 2, 64, 16, 0, out.data(), out.size(), false), 256u);
  EXPECT_EQ(RenderTablePage(2, Open(block), 3, 64, 16, 0, out.data(), out.size(), false), 0u);
  EXPECT_EQ(RenderTablePage(2, Open(block), -1, 64, 16, 0, out.data(), out.size(), false), 0u);
  EXPECT_EQ(RenderTablePage(2, Open(block), 0, 64, 16, -1, out.data(), out.size(), false), 0u);
  EXPECT_EQ(RenderTablePage(2, Open(block), 0, 64, 16, 0, out.data(), 255, false), 0u);
  EXPECT_EQ(RenderTablePage(2, static_cast<const void*>(nullptr), 0, 64, 16, 0, out.data(), out.size(), false), 0u);
}

// Every page of a table, rendered with a fresh call each or through one cache
// in the order given.
std::vector<std::vector<uint8_t>> AllPages(const std::vector<uint8_t>& block, int mode, int w, int h, int m,
                                           bool continuous, TableLayoutCache* cache, const std::vector<int>& order) {
  const TableData table = Open(block);
  std::vector<std::vector<uint8_t>> pages(order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    std::vector<uint8_t> out(PageDataSize(w, h, PlaneCount(mode)));
    out.resize(RenderTablePage(mode, table, order[i], w, h, m, out.data(), out.size(), continuous, cache));
    pages[i] = out;
  }
  return pages;
}

TEST(TablePage, TheLayoutCacheGivesTheSameBytesOnEveryPage) {
  // 40 rows in two slices, with merged cells both ways, texts cut into
  // several lines, a tall row, a title and a margin, on both kinds of page.
  TablePlan t;
  for (int r = 0; r < 40; ++r) t.Heights.push_back(r == 17 ? 45 : 14 + r % 3 * 5);
  t.Widths = {30, 26, 40, 22};
  t.Title = Utf8ToGbk("表格 Title");
  t.TitlePoints = 9;
  t.Cell = [](int r, int c) {
    CellPlan s;
    s.Text = Utf8ToGbk(r % 5 == 0 ? "长长的文字 long text" : "第" + std::to_string(r) + "行");
    s.Align = static_cast<uint8_t>((r + c) % 4);
    s.Points = 8 + (r * 3 + c) % 5;
    s.MergeRight = c == 1 && r % 4 == 1;
    s.MergeDown = c == 0 && r % 6 < 2;
    s.Back = (r + c) % 2 ? Blue : Navy;
    s.Color = (r % 3) ? Red : Yellow;
    return s;
  };
  const auto block = MakeBlock(t);
  struct Case {
    int Mode, Width, Height, Margin;
    bool Continuous;
  };
  const Case cases[] = {{2, 64, 32, 0, false}, {2, 64, 32, 0, true}, {0, 48, 40, 3, false}, {3, 64, 48, 2, true}};
  for (const Case& c : cases) {
    std::vector<int> order;
    for (int p = 0; p < 255; ++p) order.push_back(p);
    const auto uncached = AllPages(block, c.Mode, c.Width, c.Height, c.Margin, c.Continuous, nullptr, order);
    size_t count = 0;
    while (count < uncached.size() && !uncached[count].empty()) ++count;
    ASSERT_GT(count, 6u) << c.Width << "x" << c.Height << " continuous " << c.Continuous;
    for (size_t p = count; p < uncached.size(); ++p) ASSERT_TRUE(uncached[p].empty()) << p;
    TableLayoutCache cache;
    EXPECT_EQ(AllPages(block, c.Mode, c.Width, c.Height, c.Margin, c.Continuous, &cache, order), uncached);
    // Asked out of order, through another cache.
    std::vector<int> shuffled = {5, 2, 7, 0, 1, 1, 3, static_cast<int>(count), 4, static_cast<int>(count) - 1, 6};
    TableLayoutCache other;
    const auto out = AllPages(block, c.Mode, c.Width, c.Height, c.Margin, c.Continuous, &other, shuffled);
    for (size_t i = 0; i < shuffled.size(); ++i) EXPECT_EQ(out[i], uncached[static_cast<size_t>(shuffled[i])]) << i;
  }
}

TEST(TablePage, ACacheUsedForAnotherPageSizeStartsAfresh) {
  TablePlan t;
  t.Heights.assign(20, 12);
  t.Widths = {30, 30};
  t.Cell = [](int r, int) { return CellPlan{"r" + std::to_string(r)}; };
  const auto block = MakeBlock(t);
  TableLayoutCache cache;
  std::vector<int> order{0, 1, 2, 3};
  EXPECT_EQ(AllPages(block, 2, 64, 32, 0, false, &cache, order), AllPages(block, 2, 64, 32, 0, false, nullptr, order));
  EXPECT_EQ(AllPages(block, 2, 64, 40, 1, false, &cache, order), AllPages(block, 2, 64, 40, 1, false, nullptr, order));
  EXPECT_EQ(AllPages(block, 2, 64, 40, 1, true, &cache, order), AllPages(block, 2, 64, 40, 1, true, nullptr, order));
}

TEST(TableLayout, WithTheCacheEachCellIsCutOnceWhateverThePage) {
  // 60 rows of cells cut into two lines, in two slices: without the cache
  // every page cuts its cells again (and once more to count the lines); with
  // it a cell is cut once, the second slice of a vertical page cuts nothing,
  // and the last page costs no more than the first.
  TablePlan t;
  t.Heights.assign(60, 20);
  t.Widths = {20, 20, 20};
  t.Cell = [](int, int) { return CellPlan{"ABCDEFGH"}; };
  const auto block = MakeBlock(t);
  TableLayoutCache cache;
  int pages = 0, fresh = 0, kept = 0, first = 0, last = 0;
  for (int page = 0;; ++page) {
    const Page a = Lay(block, page, 40, 32, 0, false), b = Lay(block, page, 40, 32, 0, false, &cache);
    ASSERT_EQ(a.Exists, b.Exists);
    if (!a.Exists) break;
    ASSERT_EQ(a.R->Pixels, b.R->Pixels) << page;
    fresh += a.Measures;
    kept += b.Measures;
    if (page == 0) first = b.Measures;
    last = b.Measures;
    ++pages;
  }
  EXPECT_EQ(pages, 120);
  EXPECT_LT(kept * 2, fresh);
  EXPECT_LE(last, first);
}

// ---------------------------------------------------------------------------
// Hostile blocks. Every block is a vector of exactly its size, so that a
// read past it is seen by the address sanitiser.

TEST(TableData, CountsAndSizesAreCheckedBeforeAnythingBehindThemIsRead) {
  auto header = [](int32_t rows, int32_t cols, size_t size) {
    std::vector<uint8_t> b(size, 0);
    if (size >= 8) {
      PutLe32(&b[0], static_cast<uint32_t>(rows));
      PutLe32(&b[4], static_cast<uint32_t>(cols));
    }
    return b;
  };
  struct Case {
    int32_t Rows, Cols;
    size_t Size;
    TableDataStatus Status;
  };
  const size_t oneByOne = kTableHeaderSize + 8 + kTableCellSize;
  const Case cases[] = {
      {0, 0, 111, TableDataStatus::Short},
      {0, 0, 112, TableDataStatus::Ok},
      {1, 1, oneByOne - 1, TableDataStatus::Short},  // the cell's last byte missing
      {1, 1, oneByOne, TableDataStatus::Ok},
      {2, 1, oneByOne, TableDataStatus::Short},       // counts past the block
      {-1, 1, oneByOne, TableDataStatus::BadCounts},
      {1, -1, oneByOne, TableDataStatus::BadCounts},
      {INT32_MAX, INT32_MAX, oneByOne, TableDataStatus::BadCounts},
      {65536, 2, oneByOne, TableDataStatus::BadCounts},  // more cells than allowed
      {65537, 0, oneByOne, TableDataStatus::BadCounts},
      {0x40000000, 4, oneByOne, TableDataStatus::BadCounts},  // a product that wraps in 32 bits
  };
  for (const Case& c : cases) {
    const auto b = header(c.Rows, c.Cols, c.Size);
    TableData t;
    EXPECT_EQ(ReadTableData(b.data(), b.size(), t), c.Status) << c.Rows << "x" << c.Cols << " in " << c.Size;
    if (c.Status != TableDataStatus::Ok) {
      EXPECT_EQ(t.Bytes, nullptr);
    }
  }
  TableData t;
  EXPECT_EQ(ReadTableData(nullptr, 1000, t), TableDataStatus::Null);
  EXPECT_EQ(TableDataSize(65536, 1), kTableHeaderSize + 4 * 65537 + 65536 * kTableCellSize);
  EXPECT_EQ(TableDataSize(65536, 2), 0u);

  // The host form refuses counts beyond the bounds having read 8 bytes.
  for (auto [rows, cols] : {std::pair{-5, 1}, {70000, 1}, {300, 300}}) {
    const auto b = header(rows, cols, 8);
    EXPECT_EQ(ReadHostTableData(b.data(), t), TableDataStatus::BadCounts);
  }
  EXPECT_EQ(ReadHostTableData(nullptr, t), TableDataStatus::Null);
}

TEST(TableData, LengthsLargerThanTheirFieldsAreCutToTheField) {
  TablePlan plan;
  plan.Heights = {10};
  plan.Widths = {10};
  auto b = MakeBlock(plan);
  b[12] = 255;   // title length
  b[63] = 200;   // title face
  const size_t cell = kTableHeaderSize + 8;
  b[cell] = 99;  // cell face
  std::fill(b.begin() + static_cast<std::ptrdiff_t>(cell + 49), b.end(), 'x');  // no NUL in the text
  const TableData t = Open(b);
  EXPECT_EQ(t.Title.size(), 50u);
  EXPECT_EQ(t.TitleFontName.size(), 30u);
  const TableCellFields f = t.Cell(0, 0);
  EXPECT_EQ(f.FontName.size(), 30u);
  EXPECT_EQ(f.Text.size(), 1024u);
  EXPECT_EQ(f.Text.back(), 'x');
  // And the page draws.
  std::vector<uint8_t> out(PageDataSize(32, 16, 2));
  EXPECT_EQ(RenderTablePage(2, t, 0, 32, 16, 0, out.data(), out.size(), false), out.size());
}

TEST(TableData, HugeHeightsWidthsAndPageNumbersStayBounded) {
  // Heights and widths at the ends of 32 bits neither overflow nor make the
  // renderer loop through billions of pages: each call returns promptly.
  TablePlan t;
  t.Heights = {INT32_MAX, INT32_MIN, INT32_MAX, 5};
  t.Widths = {INT32_MAX, INT32_MAX, -7};
  t.Cell = [](int r, int c) { return CellPlan{"x", 0, r == 1 && c == 0, r == 0 && c == 1}; };
  const auto block = MakeBlock(t);
  std::vector<uint8_t> out(PageDataSize(16, 16, 2));
  for (bool continuous : {false, true}) {
    for (int32_t page : {0, 1, 2, 1000, 99999999, INT32_MAX}) {
      TableLayoutCache cache;
      const size_t a = RenderTablePage(2, Open(block), page, 16, 16, 1, out.data(), out.size(), continuous);
      const std::vector<uint8_t> first(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(a));
      const size_t b = RenderTablePage(2, Open(block), page, 16, 16, 1, out.data(), out.size(), continuous, &cache);
      EXPECT_EQ(a, b) << page;
      EXPECT_EQ(first, std::vector<uint8_t>(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(b))) << page;
    }
  }
}

}  // namespace
}  // namespace vexilo

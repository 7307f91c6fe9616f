// Laying a table page out: slices, vertical pages, the continuous flag,
// merged cells, the title, grid lines, alignment and line cuts. The layout is
// separate from the drawing: it draws through a table device, so that it can
// be checked with a device of fixed character widths and run against the
// page canvas (TablePageUnit).
//
// A table device offers:
//   void SetFont(std::string_view ansiFace, int32_t points, bool bold, bool italic,
//                bool underline, ColorRef color);
//   void SetBrush(ColorRef c);  void SetPen(ColorRef c);
//   void Fill(const Rect& r);                          with the brush
//   TextSize MeasureAnsi(std::string_view ansi);       width and height in the font
//   void TextRect(const Rect& clip, int x, int y, std::u16string_view text);
//                                 fills clip with the brush, draws the text clipped to it
//   void MoveTo(int x, int y);  void LineTo(int x, int y);   lines leave out their end point
//
// Geometry (W x H the page, m the margin, TW the sum of the column widths):
// the table is cut into S = max((TW + W - m - 1) div max(W - m, 1), 1)
// horizontal slices; page P is slice P mod S of vertical page P div S, and
// the slice is the table shifted W x (P mod S) pixels to the left.
// Positions are worked out in 64 bits: no heights or widths a host passes can
// overflow them.
#pragma once
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "lang/CodePageUnit.h"
#include "render/DrawingUnit.h"
#include "render/TableDataUnit.h"

namespace vexilo {

// Cuts the longest leading part of text whose width fits into width off text
// and returns it, at least one character, measuring the first 1, 2, ...
// characters in turn; widthOf(prefix) gives a prefix's width. Line breaks
// and spaces are characters like any other. An empty text gives an empty
// part.
template <class WidthOf>
std::u16string CutLineWith(std::u16string& text, int64_t width, WidthOf&& widthOf) {
  const size_t n = text.size();
  size_t cut = n;
  for (size_t i = 1; i <= n; ++i) {
    if (widthOf(std::u16string_view(text).substr(0, i)) > width) {
      cut = std::max<size_t>(i, 2) - 1;
      break;
    }
  }
  std::u16string part = text.substr(0, cut);
  text.erase(0, cut);
  return part;
}

// The number of parts CutLineWith cuts text into.
template <class WidthOf>
size_t CountLinesWith(std::u16string_view text, int64_t width, WidthOf&& widthOf) {
  std::u16string rest(text);
  size_t lines = 0;
  while (!rest.empty()) {
    CutLineWith(rest, width, widthOf);
    ++lines;
  }
  return lines;
}

// What the pages of one table share within one call, so that page P resumes
// from the start of its vertical page instead of laying out every row from
// row 0, and so that each cell's text is cut into lines once. The pages are
// byte for byte the same with or without it. A cache belongs to one table
// block and one page size, margin and continuous flag; asked with others it
// starts afresh.
struct TableLayoutCache {
  struct Key {
    const uint8_t* Bytes = nullptr;
    int32_t Width = 0, Height = 0, Margin = 0;
    bool Continuous = false;
    bool operator==(const Key&) const = default;
  };
  // Where the row loop stands when it first reaches a vertical page.
  struct PageStart {
    int32_t Row = 0;
    int64_t Y = 0;
    int64_t Rc = 0;
  };
  struct Line {
    std::u16string Text;
    int Width = 0, Height = 0;
  };
  struct CellLayout {
    bool Known = false;
    int64_t Up = 0;  // heights of the rows merged into the cell from above
    std::vector<Line> Lines;
  };
  Key For;
  bool Valid = false;
  std::map<int64_t, PageStart> Starts;  // by vertical page
  std::vector<CellLayout> Cells;        // by r x ColumnCount + c, as drawn
};

namespace table_layout_detail {

// A position for the device: the value whenever it is within +-2^30, else
// that bound, which lies as far off every raster (and every text drawn from
// it stays off, being far less than 2^29 pixels wide).
inline int ToDevice(int64_t v) {
  constexpr int64_t kFar = int64_t{1} << 30;
  return static_cast<int>(std::clamp<int64_t>(v, -kFar, kFar));
}

template <class Device>
struct Layout {
  const TableData& T;
  Device& Dev;
  TableLayoutCache* Cache;
  int64_t W, H, M;
  int64_t Xo = 0;  // the slice's offset
  int64_t Tw = 0;  // the table's width
  bool Joined = false;

  int64_t WidthOf(std::u16string_view s) { return Dev.MeasureAnsi(Utf16ToAnsi(s)).Width; }

  // The heights of the rows directly above r whose cell in column c is
  // merged downwards, going up until one is not.
  int64_t UpOf(int32_t r, int32_t c) const {
    int64_t up = 0;
    for (int32_t k = r - 1; k >= 0 && T.MergeDown(k, c); --k) up += T.RowHeight(k);
    return up;
  }

  // One line of a cell's text, line `line` of `lines`, over the width acc.
  void DrawLine(std::u16string_view piece, TextSize size, int64_t line, int64_t lines, const TableCellFields& cell,
                int64_t x, int64_t acc, int64_t y, int64_t up, int64_t rowHeight) {
    const int64_t tx = cell.Align == kCellAlignLeft    ? 0
                       : cell.Align == kCellAlignRight ? acc - size.Width
                                                       : (acc - size.Width) / 2;
    const int64_t ty = (rowHeight + up - int64_t{size.Height} * lines) / 2 + int64_t{size.Height} * line;
    const int64_t top = line == 0 ? y - up : y + ty - up;
    const Rect clip{ToDevice(x - Xo), ToDevice(top), ToDevice(x + acc - Xo), ToDevice(y + rowHeight)};
    Dev.TextRect(clip, ToDevice(x + tx - Xo), ToDevice(y + ty - up), piece);
  }

  // The cell (r, c) over the width acc from x, row r at y.
  void DrawCell(int32_t r, int32_t c, int64_t x, int64_t acc, int64_t y) {
    const TableCellFields cell = T.Cell(r, c);
    const int64_t rowHeight = T.RowHeight(r);
    Dev.SetFont(cell.FontName, cell.FontSize, cell.Bold, cell.Italic, cell.Underline, cell.Color);
    Dev.SetBrush(cell.BackColor);
    auto widthOf = [this](std::u16string_view s) { return WidthOf(s); };
    int64_t up = 0;
    if (Cache != nullptr) {
      TableLayoutCache::CellLayout& known =
          Cache->Cells[static_cast<size_t>(r) * static_cast<size_t>(T.ColumnCount) + static_cast<size_t>(c)];
      if (!known.Known) {
        known.Up = UpOf(r, c);
        std::u16string text = AnsiToUtf16(cell.Text);
        while (!text.empty()) {
          std::u16string piece = CutLineWith(text, acc, widthOf);
          const TextSize size = Dev.MeasureAnsi(Utf16ToAnsi(piece));
          known.Lines.push_back({std::move(piece), size.Width, size.Height});
        }
        known.Known = true;
      }
      up = known.Up;
      const int64_t lines = static_cast<int64_t>(known.Lines.size());
      for (int64_t line = 0; line < lines; ++line) {
        const TableLayoutCache::Line& l = known.Lines[static_cast<size_t>(line)];
        DrawLine(l.Text, TextSize{l.Width, l.Height}, line, lines, cell, x, acc, y, up, rowHeight);
      }
    } else {
      up = UpOf(r, c);
      std::u16string text = AnsiToUtf16(cell.Text);
      const int64_t lines = static_cast<int64_t>(CountLinesWith(text, acc, widthOf));
      for (int64_t line = 0; !text.empty(); ++line) {
        const std::u16string piece = CutLineWith(text, acc, widthOf);
        DrawLine(piece, Dev.MeasureAnsi(Utf16ToAnsi(piece)), line, lines, cell, x, acc, y, up, rowHeight);
      }
    }
    // The grid rectangle, over the rows merged in from above.
    const int left = ToDevice(x - Xo), right = ToDevice(x + acc - Xo);
    const int top = ToDevice(y - up), bottom = ToDevice(y + rowHeight);
    Dev.SetPen(T.GridColor);
    Dev.MoveTo(right, top);
    Dev.LineTo(left, top);
    Dev.LineTo(left, bottom);
    Dev.LineTo(right, bottom);
    Dev.LineTo(right, top);
  }

  void DrawRow(int32_t r, int64_t y) {
    int64_t x = std::max<int64_t>((W - Tw) / 2, M);
    int64_t acc = 0;
    Joined = false;
    for (int32_t c = 0; c < T.ColumnCount; ++c) {
      acc += T.ColumnWidth(c);
      if (T.MergeRight(r, c)) continue;
      if (T.MergeDown(r, c)) {
        x += acc;
        acc = 0;
        Joined = true;
        continue;
      }
      DrawCell(r, c, x, acc, y);
      x += acc;
      acc = 0;
      if (x >= Xo + W - M) break;
    }
  }

  void Remember(int64_t verticalPage, int32_t row, int64_t y, int64_t rc) {
    if (Cache != nullptr) Cache->Starts.try_emplace(verticalPage, TableLayoutCache::PageStart{row, y, rc});
  }

  // Draws page p; false when the table has no page p. The table has at least
  // one row and one column, p >= 0, W and H >= 1 and M >= 0.
  bool Run(int64_t p, bool continuous) {
    const int32_t rows = T.RowCount;
    if (Cache != nullptr) {
      const TableLayoutCache::Key key{T.Bytes, static_cast<int32_t>(W), static_cast<int32_t>(H),
                                      static_cast<int32_t>(M), continuous};
      if (!Cache->Valid || !(Cache->For == key)) {
        *Cache = TableLayoutCache{};
        Cache->For = key;
        Cache->Valid = true;
      }
      if (Cache->Cells.empty()) Cache->Cells.resize(static_cast<size_t>(rows) * static_cast<size_t>(T.ColumnCount));
    }
    Tw = 0;
    for (int32_t c = 0; c < T.ColumnCount; ++c) Tw += T.ColumnWidth(c);
    const int64_t slices = std::max<int64_t>((Tw + W - M - 1) / std::max<int64_t>(W - M, 1), 1);
    const int64_t v = p / slices;
    Xo = W * (p % slices);

    Dev.SetBrush(T.TableBackColor);
    Dev.Fill(Rect{0, 0, ToDevice(W), ToDevice(H)});
    int64_t y = M;
    int64_t titleHeight = 0;
    if (!T.Title.empty()) {
      Dev.SetFont(T.TitleFontName, T.TitleFontSize, T.TitleBold, T.TitleItalic, T.TitleUnderline, T.TitleColor);
      Dev.SetBrush(T.TableBackColor);
      const TextSize size = Dev.MeasureAnsi(T.Title);
      const int64_t tx = (std::max(W, Tw) - size.Width) / 2;
      titleHeight = size.Height;
      if (v == 0 || !continuous) {
        Dev.TextRect(Rect{0, 0, ToDevice(W), ToDevice(titleHeight)}, ToDevice(tx - Xo), 0, AnsiToUtf16(T.Title));
      }
      y += titleHeight;
    }

    // rc: the first row of the vertical page that rows are counted on, times
    // the slice count.
    int64_t rc = 0;
    int32_t r = 0;
    Joined = false;
    if (Cache != nullptr) {
      auto it = Cache->Starts.upper_bound(v);
      if (it != Cache->Starts.begin()) {
        --it;
        r = it->second.Row;
        y = it->second.Y;
        rc = it->second.Rc;
      }
    }
    for (;;) {
      const int64_t vp = rc / slices;
      Remember(vp, r, y, rc);
      if (vp == v) DrawRow(r, y);
      const int64_t height = T.RowHeight(r);
      y += height;
      if (r == rows - 1) return vp == v;
      if (!continuous) {
        // Rows are not split: a row that would reach past the bottom opens
        // the next vertical page, below the title again.
        if (y + T.RowHeight(r + 1) > H - M - 2) {
          rc = (vp + 1) * slices;
          if (rc > p) {
            Remember(vp + 1, r + 1, M + titleHeight, rc);
            return true;
          }
          y = M + titleHeight;
        }
        ++r;
        continue;
      }
      if (y < H - M) {
        ++r;
        continue;
      }
      // The row crosses the bottom: it continues at the top of the next
      // vertical page, drawn again there.
      rc = (vp + 1) * slices;
      int64_t again = y - H - M;  // y once the row is drawn again
      if (rc <= p) {
        // Pages before v on which this row is all there is need no drawing:
        // pass over them at once.
        const int64_t next = rc / slices;
        if (next < v && again >= H - M) {
          const int64_t k = std::min(v - next, (again - (H - M)) / (H + M) + 1);
          rc += k * slices;
          again -= k * (H + M);
        }
        y = again - height;
        continue;
      }
      Remember(vp + 1, r, again - height, rc);
      if (Joined && y < 2 * H - M) {
        // One more row below the bottom, so that a cell merged upwards into
        // this page shows.
        rc -= 1;
        ++r;
        continue;
      }
      return true;
    }
  }
};

}  // namespace table_layout_detail

// Lays page p of the table out and draws it through the device: the page
// filled with the table's background, the title, and the rows of the page's
// vertical page, shifted to its slice. False, having drawn the background
// (and the title) at most, when the table has no page p; a table without
// rows or columns, a negative page number or margin, or a side of the page
// below 1 has no pages.
template <class Device>
bool LayOutTablePage(const TableData& table, int32_t page, int32_t width, int32_t height, int32_t margin,
                     bool continuous, Device& device, TableLayoutCache* cache = nullptr) {
  if (table.RowCount < 1 || table.ColumnCount < 1 || page < 0 || width < 1 || height < 1 || margin < 0) return false;
  table_layout_detail::Layout<Device> layout{table, device, cache, width, height, margin};
  return layout.Run(page, continuous);
}

}  // namespace vexilo

// The TableData block of a table entry, read in place and checked.
//
// The block, little-endian and packed: a 112-byte TableHeader, RowCount
// signed 32-bit row heights, ColumnCount signed 32-bit column widths, then
// RowCount x ColumnCount TableCell records of 1073 bytes, row by row (see
// include/vexilo.h for the fields).
//
// A TableData holds a pointer into the block and the header's fields; rows,
// columns and cells are decoded from the block when asked for, so opening a
// table costs the same whatever its size. Every count and length is checked
// before anything behind it is read:
//   - RowCount and ColumnCount lie from 0 to kMaxTableRows and
//     kMaxTableColumns, and their product is at most kMaxTableCells;
//   - the block holds at least TableDataSize(RowCount, ColumnCount) bytes
//     (the reader with a size checks this; the host form cannot, see below);
//   - a length byte larger than its field (a title of more than 50
//     characters, a face name of more than 30) is cut to the field;
//   - a cell text ends at its first NUL byte or at the end of its 1024 bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "render/DrawingUnit.h"

namespace vexilo {

inline constexpr size_t kTableHeaderSize = 112;
inline constexpr size_t kTableCellSize = 1073;
inline constexpr size_t kTableTitleMax = 50;
inline constexpr size_t kTableFontNameMax = 30;
inline constexpr size_t kTableCellTextMax = 1024;

// Bounds of a table: rows, columns and cells. The largest block they allow
// is TableDataSize(1, 65536) or TableDataSize(65536, 1), about 70 MB.
inline constexpr int32_t kMaxTableRows = 65536;
inline constexpr int32_t kMaxTableColumns = 65536;
inline constexpr int64_t kMaxTableCells = 65536;

// Bytes of a block with these counts: the header, the heights, the widths and
// the cells. 0 when a count is negative or the counts lie beyond the bounds.
size_t TableDataSize(int64_t rows, int64_t columns);

// The cell alignments; every other value centres.
inline constexpr uint8_t kCellAlignLeft = 1;
inline constexpr uint8_t kCellAlignRight = 3;

// One cell's fields. The strings point into the block.
struct TableCellFields {
  std::string_view FontName;  // ANSI face name
  int32_t FontSize = 0;       // points
  bool Underline = false;
  bool Italic = false;
  bool Bold = false;
  uint8_t Align = 0;
  ColorRef Color = 0;
  ColorRef BackColor = 0;
  bool MergeRight = false;
  bool MergeDown = false;
  std::string_view Text;      // ANSI, without the NUL
};

struct TableData {
  const uint8_t* Bytes = nullptr;  // the block; TableDataSize(RowCount, ColumnCount) bytes
  int32_t RowCount = 0;
  int32_t ColumnCount = 0;
  ColorRef GridColor = 0;
  std::string_view Title;          // ANSI; empty: no title
  std::string_view TitleFontName;
  int32_t TitleFontSize = 0;
  bool TitleUnderline = false;
  bool TitleItalic = false;
  bool TitleBold = false;
  ColorRef TitleColor = 0;
  ColorRef TableBackColor = 0;

  // Row r's height and column c's width in pixels; r and c are the caller's
  // to keep within the counts.
  int32_t RowHeight(int32_t r) const;
  int32_t ColumnWidth(int32_t c) const;
  // The cell of row r and column c, and its two merge flags alone.
  TableCellFields Cell(int32_t r, int32_t c) const;
  bool MergeRight(int32_t r, int32_t c) const;
  bool MergeDown(int32_t r, int32_t c) const;
};

// Why a block was refused.
enum class TableDataStatus : uint8_t {
  Ok,
  Null,       // no block
  Short,      // fewer bytes than the header, or than its counts call for
  BadCounts,  // a negative count, or counts beyond the bounds
};

// Opens the size bytes at data as a table. On anything but Ok, table is left
// as a default (empty) TableData.
TableDataStatus ReadTableData(const uint8_t* data, size_t size, TableData& table);

// The host form: the host passes a pointer and no size. The counts are read
// from the first 8 bytes; when they lie within the bounds the block is taken
// to be TableDataSize(RowCount, ColumnCount) bytes long, and nothing beyond
// that is read. A host must therefore hand over a block at least that long;
// counts beyond the bounds are refused before anything past the header's
// first 8 bytes is read.
TableDataStatus ReadHostTableData(const void* data, TableData& table);

}  // namespace vexilo

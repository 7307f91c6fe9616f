#include "render/TableDataUnit.h"

#include <cstring>

#include "base/ByteOrderUnit.h"

namespace vexilo {

namespace {

// Header fields.
constexpr size_t kRowCountAt = 0;
constexpr size_t kColumnCountAt = 4;
constexpr size_t kGridColorAt = 8;
constexpr size_t kTitleAt = 12;
constexpr size_t kTitleFontNameAt = 63;
constexpr size_t kTitleFontSizeAt = 94;
constexpr size_t kTitleUnderlineAt = 98;
constexpr size_t kTitleItalicAt = 99;
constexpr size_t kTitleBoldAt = 100;
constexpr size_t kTitleColorAt = 102;
constexpr size_t kTableBackColorAt = 106;

// Cell fields.
constexpr size_t kCellFontNameAt = 0;
constexpr size_t kCellFontSizeAt = 31;
constexpr size_t kCellUnderlineAt = 35;
constexpr size_t kCellItalicAt = 36;
constexpr size_t kCellBoldAt = 37;
constexpr size_t kCellAlignAt = 38;
constexpr size_t kCellColorAt = 39;
constexpr size_t kCellBackColorAt = 43;
constexpr size_t kMergeRightAt = 47;
constexpr size_t kMergeDownAt = 48;
constexpr size_t kCellTextAt = 49;

int32_t GetLeI32(const uint8_t* p) { return static_cast<int32_t>(GetLe32(p)); }

// A length-prefixed string of a field of 1 + max bytes, cut to the field.
std::string_view ShortString(const uint8_t* field, size_t max) {
  size_t n = field[0] < max ? field[0] : max;
  return {reinterpret_cast<const char*>(field + 1), n};
}

const uint8_t* CellAt(const TableData& t, int32_t r, int32_t c) {
  const size_t cellsAt = kTableHeaderSize + 4 * (static_cast<size_t>(t.RowCount) + static_cast<size_t>(t.ColumnCount));
  const size_t index = static_cast<size_t>(r) * static_cast<size_t>(t.ColumnCount) + static_cast<size_t>(c);
  return t.Bytes + cellsAt + index * kTableCellSize;
}

bool CountsAllowed(int64_t rows, int64_t columns) {
  return rows >= 0 && columns >= 0 && rows <= kMaxTableRows && columns <= kMaxTableColumns &&
         rows * columns <= kMaxTableCells;
}

void ReadHeader(const uint8_t* p, TableData& t) {
  t.Bytes = p;
  t.RowCount = GetLeI32(p + kRowCountAt);
  t.ColumnCount = GetLeI32(p + kColumnCountAt);
  t.GridColor = GetLe32(p + kGridColorAt);
  t.Title = ShortString(p + kTitleAt, kTableTitleMax);
  t.TitleFontName = ShortString(p + kTitleFontNameAt, kTableFontNameMax);
  t.TitleFontSize = GetLeI32(p + kTitleFontSizeAt);
  t.TitleUnderline = p[kTitleUnderlineAt] != 0;
  t.TitleItalic = p[kTitleItalicAt] != 0;
  t.TitleBold = p[kTitleBoldAt] != 0;
  t.TitleColor = GetLe32(p + kTitleColorAt);
  t.TableBackColor = GetLe32(p + kTableBackColorAt);
}

}  // namespace

size_t TableDataSize(int64_t rows, int64_t columns) {
  if (!CountsAllowed(rows, columns)) return 0;
  return kTableHeaderSize + 4 * static_cast<size_t>(rows + columns) + static_cast<size_t>(rows * columns) * kTableCellSize;
}

int32_t TableData::RowHeight(int32_t r) const { return GetLeI32(Bytes + kTableHeaderSize + 4 * static_cast<size_t>(r)); }

int32_t TableData::ColumnWidth(int32_t c) const {
  return GetLeI32(Bytes + kTableHeaderSize + 4 * (static_cast<size_t>(RowCount) + static_cast<size_t>(c)));
}

bool TableData::MergeRight(int32_t r, int32_t c) const { return CellAt(*this, r, c)[kMergeRightAt] != 0; }
bool TableData::MergeDown(int32_t r, int32_t c) const { return CellAt(*this, r, c)[kMergeDownAt] != 0; }

TableCellFields TableData::Cell(int32_t r, int32_t c) const {
  const uint8_t* p = CellAt(*this, r, c);
  TableCellFields f;
  f.FontName = ShortString(p + kCellFontNameAt, kTableFontNameMax);
  f.FontSize = GetLeI32(p + kCellFontSizeAt);
  f.Underline = p[kCellUnderlineAt] != 0;
  f.Italic = p[kCellItalicAt] != 0;
  f.Bold = p[kCellBoldAt] != 0;
  f.Align = p[kCellAlignAt];
  f.Color = GetLe32(p + kCellColorAt);
  f.BackColor = GetLe32(p + kCellBackColorAt);
  f.MergeRight = p[kMergeRightAt] != 0;
  f.MergeDown = p[kMergeDownAt] != 0;
  const char* text = reinterpret_cast<const char*>(p + kCellTextAt);
  const void* nul = std::memchr(text, 0, kTableCellTextMax);
  f.Text = {text, nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : kTableCellTextMax};
  return f;
}

TableDataStatus ReadTableData(const uint8_t* data, size_t size, TableData& table) {
  table = TableData{};
  if (data == nullptr) return TableDataStatus::Null;
  if (size < kTableHeaderSize) return TableDataStatus::Short;
  const int32_t rows = GetLeI32(data + kRowCountAt), columns = GetLeI32(data + kColumnCountAt);
  if (!CountsAllowed(rows, columns)) return TableDataStatus::BadCounts;
  if (size < TableDataSize(rows, columns)) return TableDataStatus::Short;
  ReadHeader(data, table);
  return TableDataStatus::Ok;
}

TableDataStatus ReadHostTableData(const void* data, TableData& table) {
  table = TableData{};
  if (data == nullptr) return TableDataStatus::Null;
  const auto* p = static_cast<const uint8_t*>(data);
  if (!CountsAllowed(GetLeI32(p + kRowCountAt), GetLeI32(p + kColumnCountAt))) return TableDataStatus::BadCounts;
  ReadHeader(p, table);
  return TableDataStatus::Ok;
}

}  // namespace vexilo

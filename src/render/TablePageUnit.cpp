#include "render/TablePageUnit.h"

#include "lang/CodePageUnit.h"
#include "render/BitmapDataUnit.h"

namespace vexilo {

namespace {

// The table device on the page canvas.
struct CanvasTableDevice {
  Canvas& C;
  void SetFont(std::string_view face, int32_t points, bool bold, bool italic, bool underline, ColorRef color) {
    CanvasSetFont(C, face, points, bold, italic, underline, color);
  }
  void SetBrush(ColorRef color) { C.BrushColor = color; }
  void SetPen(ColorRef color) { C.PenColor = color; }
  void Fill(const Rect& rect) { CanvasFillRect(C, rect); }
  TextSize MeasureAnsi(std::string_view ansi) { return CanvasTextExtentAnsi(C, ansi); }
  void TextRect(const Rect& clip, int x, int y, std::u16string_view text) { CanvasTextRect(C, clip, x, y, text); }
  void MoveTo(int x, int y) { CanvasMoveTo(C, x, y); }
  void LineTo(int x, int y) { CanvasLineTo(C, x, y); }
};

int64_t AnsiWidth(Canvas& canvas, std::u16string_view s) {
  return CanvasTextExtentAnsi(canvas, Utf16ToAnsi(s)).Width;
}

}  // namespace

size_t RenderTablePage(int colorMode, const TableData& table, int32_t page, int32_t width, int32_t height,
                       int32_t margin, uint8_t* out, size_t outSize, bool continuous, TableLayoutCache* cache) {
  if (table.RowCount < 1 || table.ColumnCount < 1 || page < 0 || margin < 0) return 0;
  if (!RasterSizeAllowed(width, height)) return 0;
  if (out == nullptr || outSize < PageDataSize(width, height, PlaneCount(colorMode))) return 0;
  RasterPtr raster = NewPageBitmapFor(colorMode, width, height);
  if (!raster) return 0;
  Canvas canvas;
  canvas.Target = raster.get();
  CanvasTableDevice device{canvas};
  if (!LayOutTablePage(table, page, width, height, margin, continuous, device, cache)) return 0;
  return EncodePage(raster.get(), out, outSize);
}

size_t RenderTablePage(int colorMode, const void* tableData, int32_t page, int32_t width, int32_t height,
                       int32_t margin, uint8_t* out, size_t outSize, bool continuous, TableLayoutCache* cache) {
  TableData table;
  if (ReadHostTableData(tableData, table) != TableDataStatus::Ok) return 0;
  return RenderTablePage(colorMode, table, page, width, height, margin, out, outSize, continuous, cache);
}

std::u16string CutLine(std::u16string& text, int width, Canvas& canvas) {
  return CutLineWith(text, width, [&](std::u16string_view s) { return AnsiWidth(canvas, s); });
}

size_t CountLines(std::u16string_view text, int width, Canvas& canvas) {
  return CountLinesWith(text, width, [&](std::u16string_view s) { return AnsiWidth(canvas, s); });
}

}  // namespace vexilo

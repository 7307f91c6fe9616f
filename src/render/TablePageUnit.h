// Table pages: one page of a table entry drawn on the page canvas and
// encoded. The layout itself is in TableLayoutUnit.h; the block is read by
// TableDataUnit.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "render/DrawingUnit.h"
#include "render/TableDataUnit.h"
#include "render/TableLayoutUnit.h"

namespace vexilo {

// Draws page `page` (0, 1, 2, ...) of the table into a white page of
// width x height, 16-bit on two-plane screens (colour modes 2 and 3) and
// 8-bit otherwise, and encodes it into out. Returns the bytes written, or 0
// when the table has no such page: the page lies beyond the table's last,
// the table has no rows or no columns, the page number or the margin is
// negative, a side is below 1; or when the page cannot be drawn: it is
// larger than a raster may be, or out holds fewer bytes than it.
// continuous: rows scroll on across the bottom of a page instead of moving
// whole to the next. cache: optional, the same for every page of one table
// within one call; the pages are the same with or without it.
size_t RenderTablePage(int colorMode, const TableData& table, int32_t page, int32_t width, int32_t height,
                       int32_t margin, uint8_t* out, size_t outSize, bool continuous,
                       TableLayoutCache* cache = nullptr);

// The host form: a block at tableData as ReadHostTableData takes it (the
// host must hand over at least TableDataSize of its counts). A null or
// refused block has no pages.
size_t RenderTablePage(int colorMode, const void* tableData, int32_t page, int32_t width, int32_t height,
                       int32_t margin, uint8_t* out, size_t outSize, bool continuous,
                       TableLayoutCache* cache = nullptr);

// Cuts the longest leading part of text that fits into width pixels in the
// canvas font off text and returns it (at least one character): each prefix
// is measured in the host's ANSI code page.
std::u16string CutLine(std::u16string& text, int width, Canvas& canvas);
// The number of parts CutLine cuts text into for width; 0 for an empty text.
size_t CountLines(std::u16string_view text, int width, Canvas& canvas);

}  // namespace vexilo

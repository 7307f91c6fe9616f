// Rich-text pages: a RichTextDocument (the list item's rich-text control)
// turned into pages of PagePixelData in the page kind of the colour mode
// (16-bit on two-plane screens, else 8-bit), in the document's own colours
// on its background colour.
//
// RenderRichTextSlice lays the whole document out once in a column as wide
// as the area and cuts it into page-high slices; it finds the page count
// first (kept by the caller). RenderRichTextFlow fills one page at a time
// from a character position that the caller keeps: -1 once the document has
// ended, -2 when the caller does not track positions.
//
// Both return the page's byte count, or 0 when the page does not exist (no
// size, a page index at or past the page count, a document that has ended)
// or cannot be made (a raster too large, out too small).
//
// The document keeps its lines between calls (RichTextDocument::KeepLayout),
// so that counting pages and drawing every page cost about one layout of the
// document; the pages are those of laying the document out afresh each time.
#pragma once
#include <cstddef>
#include <cstdint>

#include "render/DrawingUnit.h"
#include "render/RichTextDocumentUnit.h"
#include "render/RichTextLayoutUnit.h"

namespace vexilo {

// The page count a Slice search ends at, however long the document.
inline constexpr int32_t kMaxRichTextPages = 256;

size_t RenderRichTextSlice(int colorMode, RichTextDocument& control, int32_t pageIndex, int32_t width,
                           int32_t height, int32_t margin, int32_t& pageCount, uint8_t* out, size_t outSize,
                           int32_t offsetY);

size_t RenderRichTextFlow(int colorMode, RichTextDocument& control, int32_t pageIndex, int32_t width,
                          int32_t height, int32_t margin, int32_t& position, uint8_t* out, size_t outSize,
                          int32_t offsetY);

// The layout engine on the drawing services: lays the document out from
// character start into rect (twips at the raster density) and, when raster
// is given, draws the lines that fit onto it. Returns the first character
// that did not fit: the document's length when all of it did, -1 when start
// lies outside the document.
int32_t FormatRichTextRange(RichTextDocument& doc, int32_t start, const TwipRect& rect, Raster* raster);

}  // namespace vexilo

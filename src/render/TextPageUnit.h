// One page of plain text as a one-plane mask: ink pixels 0 bits, paper 1 bits.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "render/TextLayoutUnit.h"
#include "vexilo.h"

namespace vexilo {

// One text to lay out into pages of one area with one font.
struct TextPageRequest {
  std::u16string_view Text;
  bool SingleLinePages = false;  // one line per page (or the continuous line, see Wrap)
  bool Wrap = true;              // false: the continuous line, unless the text has a line break
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Margin = 0;
  FontSpec Font{};
  bool NarrowItalics = false;    // italics a sixth of the size narrower (multi-line pages)
  int32_t VerticalOffset = 0;
  // Optional: the same cache for every page of one request, so that each
  // page resumes where the one before ended and every character is measured
  // once. The pages are the same with or without it.
  TextLayoutCache* Cache = nullptr;
};

// What became of a page asked for.
enum class TextPageStatus : uint8_t {
  Drawn,       // the page is written
  NoPage,      // the page does not exist: the text ends before it, the text
               // is empty, Arabic text outside single-line pages, or a side of
               // the area is below 1
  CannotDraw,  // the page may exist but cannot be drawn: the area is larger
               // than a raster may be, the font size lies beyond
               // +-kMaxTextFontSize, out holds fewer bytes than the page, or
               // the raster could not be made
};

// The largest font size (cell height, or em height when negative) the text
// renderer draws: a resource limit, far beyond any LED area.
inline constexpr int32_t kMaxTextFontSize = 2048;

// Draws page pageIndex (-1 for an item's only page) of the request's text
// into a white page of Width x Height and encodes it into out. Returns the
// bytes written, Height x ceil(Width / 8), or 0 when no page was written;
// status, when given, tells whether the page does not exist or could not be
// drawn.
size_t RenderTextPage(const TextPageRequest& request, int32_t pageIndex, uint8_t* out, size_t outSize,
                      TextPageStatus* status = nullptr);

// Whether RenderTextPage would give that page (Drawn), found by laying the
// text out without drawing it; no page raster is made.
TextPageStatus ProbeTextPage(const TextPageRequest& request, int32_t pageIndex);
inline bool TextPageExists(const TextPageRequest& request, int32_t pageIndex) {
  return ProbeTextPage(request, pageIndex) == TextPageStatus::Drawn;
}

}  // namespace vexilo

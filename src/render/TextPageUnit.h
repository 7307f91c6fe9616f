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
  // page resumes where the one before ended. The pages are the same with or
  // without it.
  TextLayoutCache* Cache = nullptr;
};

// Draws page pageIndex (-1 for an item's only page) of the request's text
// into a white page of Width x Height and encodes it into out. Returns the
// bytes written, Height x ceil(Width / 8), or 0 when the page does not
// exist, the sizes are bad or out holds fewer bytes.
size_t RenderTextPage(const TextPageRequest& request, int32_t pageIndex, uint8_t* out, size_t outSize);

// Whether RenderTextPage would give that page, found by laying the text out
// without drawing it.
bool TextPageExists(const TextPageRequest& request, int32_t pageIndex);

}  // namespace vexilo

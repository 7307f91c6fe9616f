// One page of plain text as a one-plane mask: ink pixels 0 bits, paper 1 bits.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "render/TextLayoutUnit.h"
#include "vexilo.h"

namespace vexilo {

// Draws page pageIndex (-1 for an item's only page) of text into a white page
// of width x height and encodes it into out. Returns the bytes written,
// height x ceil(width / 8), or 0 when the page does not exist, the sizes are
// bad or out holds fewer bytes.
//
// An item that asks for the pages of one text one after another may pass a
// cache (the same for every page of that text and those arguments), so that
// each page resumes where the one before ended.
size_t RenderTextPage(bool singleLinePages, bool wrap, std::u16string_view text, int32_t pageIndex, int32_t width,
                      int32_t height, int32_t margin, const FontSpec& font, bool narrowItalics, uint8_t* out,
                      size_t outSize, int32_t verticalOffset, TextLayoutCache* cache = nullptr);

// Whether RenderTextPage would give that page, found by laying the text out
// without drawing it.
bool TextPageExists(bool singleLinePages, bool wrap, std::u16string_view text, int32_t pageIndex, int32_t width,
                    int32_t height, int32_t margin, const FontSpec& font, bool narrowItalics, int32_t verticalOffset,
                    TextLayoutCache* cache = nullptr);

}  // namespace vexilo

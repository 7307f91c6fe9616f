// Custom list items: rich text, text, tables, pictures and animations as the entries of one list area.
#pragma once
#include <cstdint>

#include "render/DrawingUnit.h"
#include "vexilo.h"

namespace vexilo {

// Adds the list to the open program: a card-text area when entry 0 is card
// text, an animation area when it is an animation, else a page list.
// keepLayouts: each entry's layout (text, table, rich-text lines) is kept
// between its pages within the call; false lays the entry out afresh for
// every page. The bytes are the same either way.
int32_t AddCustomList(const TListParam* param, void* hostWindow, bool keepLayouts = true);

// Colours between the rich-text documents and colour codes (red in the
// lowest byte of a ColorRef): code 1 red, 2 green, 3 yellow, else black; a
// colour with red and green gives 3, red alone 1, green alone 2, else 0.
ColorRef CodeToColor(uint8_t code);
uint8_t ColorToCode(ColorRef color);

}  // namespace vexilo

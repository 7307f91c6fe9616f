// List animations: a custom list whose first entry is an animation becomes an
// animation area, the frames of its GIF entries played one after the other,
// the first frame stored whole and every later one as the rectangle in which
// it differs from the frame before.
#pragma once
#include <cstdint>
#include <optional>

#include "vexilo.h"

namespace vexilo {

// Appends the body of the animation area that BeginArea (type 8) has just
// begun for the list: its list header, the frame header table and the frames.
// Gives the bytes it wrote (for EndArea), or nullopt when the pack cannot be
// written; the call frame's transaction takes back what was written then.
std::optional<uint32_t> AddListAnimation(const TListParam& list);

}  // namespace vexilo

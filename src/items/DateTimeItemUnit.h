// Date/time items: a live clock the card keeps, in the card's fonts or as a
// static page with field slots and a block of digit and weekday glyphs.
#pragma once
#include <cstdint>

#include "vexilo.h"

namespace vexilo {

// User_AddDateTime. Fails with -1, the pack unchanged, when the record is
// null, no program is open, the colour mode is 4 or above, the text colour
// is 0 or no element is shown; in the drawn form also when the font size is
// outside 2 .. 255 (its cells would not fit their byte fields) or the area
// is too large for a page.
int32_t AddDateTime(const TDateTimeParam* param);

}  // namespace vexilo

// Timer items: a count-down or count-up timer the card keeps, in the card's
// fonts or as a static page with field slots and a block of digit glyphs.
#pragma once
#include <cstdint>

#include "render/TimerPageUnit.h"
#include "vexilo.h"

namespace vexilo {

// How many digits beyond two the leading field of a count-down needs (0 to
// 2): the time left, daysLeft, counted in the largest unit shown, from 100
// on takes one more, from 1000 on two. 0 for a target in the past and for
// timers that count up.
int LeadDigits(const TimerOptions& options, double daysLeft);

// User_AddTimer. Fails with -1, the pack unchanged, when the record is null,
// no program is open, the colour mode is 4 or above, the text colour is 0
// or no unit is shown; in the drawn form also when the target bytes are not
// a date (not BCD, or an impossible date), the font size is outside 2 .. 255
// or the area is too large for a page. The time left is measured against
// NowLocal().
int32_t AddTimer(const TTimerParam* param);

}  // namespace vexilo

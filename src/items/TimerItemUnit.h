// Timer items: a count-down or count-up timer the card keeps.
#pragma once
#include <cstdint>

#include "vexilo.h"

namespace vexilo {

int32_t AddTimer(const TTimerParam* param);

}  // namespace vexilo

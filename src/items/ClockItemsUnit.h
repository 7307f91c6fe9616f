// Date/time, timer and custom list items.
#pragma once
#include <cstdint>

#include "vexilo.h"

namespace vexilo {

int32_t AddDateTime(const TDateTimeParam* param);
int32_t AddTimer(const TTimerParam* param);
int32_t AddCustomList(const TListParam* param, void* hostWindow);

}  // namespace vexilo

#include "items/TimerItemUnit.h"

namespace vexilo {

// Not built yet: the item fails without touching the pack.
int32_t AddTimer(const TTimerParam*) { return -1; }

}  // namespace vexilo

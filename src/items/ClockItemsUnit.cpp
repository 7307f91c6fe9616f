#include "items/ClockItemsUnit.h"

namespace vexilo {

// Not built yet; the items fail without touching the pack.
int32_t AddDateTime(const TDateTimeParam*) { return -1; }
int32_t AddTimer(const TTimerParam*) { return -1; }
int32_t AddCustomList(const TListParam*, void*) { return -1; }

}  // namespace vexilo

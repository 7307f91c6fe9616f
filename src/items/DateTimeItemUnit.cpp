#include "items/DateTimeItemUnit.h"

namespace vexilo {

// Not built yet: the item fails without touching the pack.
int32_t AddDateTime(const TDateTimeParam*) { return -1; }

}  // namespace vexilo

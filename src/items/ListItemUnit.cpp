#include "items/ListItemUnit.h"

namespace vexilo {

// Not built yet: the item fails without touching the pack.
int32_t AddCustomList(const TListParam*, void*) { return -1; }

}  // namespace vexilo

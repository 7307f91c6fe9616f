#include "items/BitmapItemUnit.h"

namespace vexilo {

// Picture loading is not built yet; the item fails without touching the pack.
int32_t AddBmp(const char*, const TBmpParam*) { return -1; }

}  // namespace vexilo

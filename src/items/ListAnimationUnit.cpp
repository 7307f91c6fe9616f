#include "items/ListAnimationUnit.h"

namespace vexilo {

// Not built yet: the animation fails, and with it the list item.
std::optional<uint32_t> AddListAnimation(const TListParam&) { return std::nullopt; }

}  // namespace vexilo

// Date/time items: a live clock the card keeps, in the card's fonts or as a static page with field slots.
#pragma once
#include <cstdint>

#include "vexilo.h"

namespace vexilo {

int32_t AddDateTime(const TDateTimeParam* param);

}  // namespace vexilo

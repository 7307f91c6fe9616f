// Bitmap items: one picture from a file as one page of a page area.
#pragma once
#include <cstdint>

#include "vexilo.h"

namespace vexilo {

int32_t AddBmp(const char* fileName, const TBmpParam* param);

}  // namespace vexilo

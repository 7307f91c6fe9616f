// Custom list items: rich text, text, tables, pictures and animations as the entries of one list area.
#pragma once
#include <cstdint>

#include "vexilo.h"

namespace vexilo {

int32_t AddCustomList(const TListParam* param, void* hostWindow);

}  // namespace vexilo

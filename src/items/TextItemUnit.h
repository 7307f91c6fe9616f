// Text items: single-line text, static text and paged text.
#pragma once
#include <cstdint>

#include "vexilo.h"

namespace vexilo {

int32_t AddSingleText(const TSingleTextParam* param);
int32_t AddStaticText(const TStaticTextParam* param);
int32_t AddText(const TTextParam* param);

}  // namespace vexilo

#include "lang/LanguageUnit.h"

namespace vexilo {

// The GBK/Big5 conversion is not built yet: every system is treated as a
// simplified-Chinese one and texts pass unchanged.
bool IsTraditionalChineseSystem() { return false; }

std::string Translate(std::string_view gbk) { return std::string(gbk); }

}  // namespace vexilo

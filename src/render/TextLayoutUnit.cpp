#include "render/TextLayoutUnit.h"

namespace vexilo {

bool HasArabic(std::u16string_view text) {
  for (char16_t c : text) {
    if (c >= 0x0600 && c <= 0x06FF) return true;
  }
  return false;
}

}  // namespace vexilo

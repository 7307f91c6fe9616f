#include "render/TextLayoutUnit.h"

namespace vexilo {

bool HasArabic(std::u16string_view text) {
  for (char16_t c : text) {
    if (c >= 0x0600 && c <= 0x06FF) return true;
  }
  return false;
}

bool HasArabic(std::u16string_view text, TextLayoutCache* cache) {
  if (cache == nullptr) return HasArabic(text);
  if (cache->Arabic < 0) cache->Arabic = HasArabic(text) ? 1 : 0;
  return cache->Arabic != 0;
}

bool HasLineBreak(std::u16string_view text, TextLayoutCache* cache) {
  if (cache != nullptr && cache->LineBreaks >= 0) return cache->LineBreaks != 0;
  bool found = false;
  for (char16_t c : text) {
    if (IsLineBreak(c)) {
      found = true;
      break;
    }
  }
  if (cache != nullptr) cache->LineBreaks = found ? 1 : 0;
  return found;
}

}  // namespace vexilo

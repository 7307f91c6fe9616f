// The locale test on POSIX systems: the locale environment variables in the
// order the C library applies them to messages.
#include <cstdlib>
#include <string_view>

#include "lang/LanguageUnit.h"

namespace vexilo {

namespace {

// zh_TW, zh_HK or zh_MO, alone or followed by ".codeset" or "@modifier".
bool NamesTraditionalChineseLocale(std::string_view name) {
  for (std::string_view locale : {"zh_TW", "zh_HK", "zh_MO"}) {
    if (name.substr(0, locale.size()) != locale) continue;
    if (name.size() == locale.size() || name[locale.size()] == '.' || name[locale.size()] == '@') return true;
  }
  return false;
}

}  // namespace

bool IsTraditionalChineseSystem() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return NamesTraditionalChineseLocale(value);
  }
  return false;
}

}  // namespace vexilo

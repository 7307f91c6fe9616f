// Translation of the library's built-in GBK texts for the user's system.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vexilo {

// True on a Traditional Chinese system (the locale names zh_TW, zh_HK or zh_MO).
bool IsTraditionalChineseSystem();

// GBK text in; Big5 text on a Traditional Chinese system, else the text itself.
std::string Translate(std::string_view gbk);

}  // namespace vexilo

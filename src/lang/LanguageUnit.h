// Translation of the library's built-in GBK texts for the user's system.
//
// The built-in texts (status messages, the words clocks and timers draw) are
// simplified Chinese in GBK. On a Traditional Chinese system they are turned
// into Big5, simplified characters becoming traditional ones, and the ANSI
// code page there is CP950 (see CodePageUnit); everywhere else they pass
// unchanged.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vexilo {

// True on a Traditional Chinese system. On POSIX systems the first of
// LC_ALL, LC_MESSAGES and LANG that is set and not empty decides: a locale
// named zh_TW, zh_HK or zh_MO, with or without a codeset or modifier
// (zh_TW.UTF-8, zh_HK.Big5, zh_TW@euro). Asked afresh on every call.
bool IsTraditionalChineseSystem();

// GBK text in; Big5 text on a Traditional Chinese system, else the text itself.
std::string Translate(std::string_view gbk);

// GBK bytes to Big5 bytes: ASCII bytes pass; a byte of 0x80 or above and the
// byte after it form one code, replaced by LookupBig5's answer (high byte
// first); a lead byte left over at the end is dropped.
std::string GbkToBig5(std::string_view gbk);

// The Big5 code paired with a GBK code (the first pair of that GBK code in
// the GBK/Big5 table), or the GBK code itself when the table lacks it.
uint16_t LookupBig5(uint16_t gbk);

}  // namespace vexilo

// Conversion between the host's ANSI code page and UTF-16.
//
// Hosts pass ANSI text: GBK (code page 936) on most systems, Big5 (code page
// 950) on Traditional Chinese systems (see LanguageUnit). Renderers work in
// UTF-16. Conversion never fails: bytes that do not form a character of the
// code page become U+FFFD, and characters the code page lacks become '?'.
#pragma once
#include <string>
#include <string_view>

namespace vexilo {

// "CP950" on a Traditional Chinese system, else "CP936".
const char* AnsiCodePage();

std::u16string AnsiToUtf16(std::string_view ansi);
std::string Utf16ToAnsi(std::u16string_view text);

// Explicit code pages, for tests and tools that must not follow the locale.
std::u16string CodePageToUtf16(const char* codePage, std::string_view bytes);
std::string Utf16ToCodePage(const char* codePage, std::u16string_view text);

// GBK (code page 936) helpers for the library's own GBK texts.
std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

}  // namespace vexilo

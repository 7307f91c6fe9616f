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
// These two are the platform's (iconv on POSIX systems).
std::u16string CodePageToUtf16(const char* codePage, std::string_view bytes);
std::string Utf16ToCodePage(const char* codePage, std::u16string_view text);

// GBK (code page 936) helpers for the library's own GBK texts.
std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

// UTF-16 and UTF-8, whatever the system: a lone surrogate becomes U+FFFD,
// and so does a UTF-8 byte that starts no character (with the trail bytes
// that follow it).
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view utf8);

}  // namespace vexilo

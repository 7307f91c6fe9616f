#include "lang/CodePageUnit.h"

#include "lang/LanguageUnit.h"

namespace vexilo {

const char* AnsiCodePage() { return IsTraditionalChineseSystem() ? "CP950" : "CP936"; }

std::u16string AnsiToUtf16(std::string_view ansi) { return CodePageToUtf16(AnsiCodePage(), ansi); }

std::string Utf16ToAnsi(std::u16string_view text) { return Utf16ToCodePage(AnsiCodePage(), text); }

std::string Utf8ToGbk(std::string_view utf8) { return Utf16ToCodePage("CP936", Utf8ToUtf16(utf8)); }

std::string GbkToUtf8(std::string_view gbk) { return Utf16ToUtf8(CodePageToUtf16("CP936", gbk)); }

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  const size_t n = utf8.size();
  auto byte = [&](size_t k) { return static_cast<uint8_t>(utf8[k]); };
  auto isTrail = [&](size_t k) { return k < n && (byte(k) & 0xC0) == 0x80; };
  while (i < n) {
    const uint8_t b = byte(i);
    size_t len = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (b < 0x80) {
      len = 1;
      c = b;
    } else if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
      c = b & 0x1F;
      least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
      c = b & 0x0F;
      least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
      c = b & 0x07;
      least = 0x10000;
    }
    bool ok = len > 0;
    for (size_t k = 1; ok && k < len; ++k) {
      if (!isTrail(i + k)) {
        ok = false;
      } else {
        c = (c << 6) | (byte(i + k) & 0x3F);
      }
    }
    if (ok && (c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))) ok = false;
    if (!ok) {
      // A byte that starts no character, with the trail bytes after it, is
      // one replacement character.
      out += u'\uFFFD';
      ++i;
      while (isTrail(i)) ++i;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += len;
  }
  return out;
}

}  // namespace vexilo

#include "lang/CodePageUnit.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "lang/LanguageUnit.h"

namespace vexilo {
namespace {

// How many input bytes to pass over when iconv stops at a sequence it cannot
// convert, by the input encoding.
enum class InputKind { Bytes, Utf16Le, Utf8 };

size_t SkipLength(InputKind kind, const char* p, size_t left) {
  switch (kind) {
    case InputKind::Bytes:
      return 1;
    case InputKind::Utf16Le: {
      if (left < 2) return left;
      unsigned unit = static_cast<uint8_t>(p[0]) | (static_cast<uint8_t>(p[1]) << 8);
      if (unit >= 0xD800 && unit < 0xDC00 && left >= 4) {
        unsigned next = static_cast<uint8_t>(p[2]) | (static_cast<uint8_t>(p[3]) << 8);
        if (next >= 0xDC00 && next < 0xE000) return 4;
      }
      return 2;
    }
    case InputKind::Utf8: {
      size_t n = 1;
      while (n < left && (static_cast<uint8_t>(p[n]) & 0xC0) == 0x80) ++n;
      return n;
    }
  }
  return 1;
}

// One conversion from `from` to `to`. Whatever iconv cannot convert (a byte
// sequence that is not a character of `from`, or a character that `to` lacks)
// is passed over and replaced by `bad`, already in the target encoding.
std::string Convert(const char* to, const char* from, InputKind kind, const char* in, size_t inLen,
                    std::string_view bad) {
  std::string out;
  if (inLen == 0) return out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  std::vector<char> buf(inLen * 4 + 16);
  char* src = const_cast<char*>(in);
  size_t left = inLen;
  while (left > 0) {
    char* dst = buf.data();
    size_t room = buf.size();
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf.data(), static_cast<size_t>(dst - buf.data()));
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    size_t skip = SkipLength(kind, src, left);
    out.append(bad);
    src += skip;
    left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

std::u16string FromUtf16LeBytes(const std::string& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                    (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  }
  return text;
}

std::string ToUtf16LeBytes(std::u16string_view text) {
  std::string bytes(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return bytes;
}

}  // namespace

const char* AnsiCodePage() { return IsTraditionalChineseSystem() ? "CP950" : "CP936"; }

std::u16string CodePageToUtf16(const char* codePage, std::string_view bytes) {
  static const char kReplacement[] = {'\xFD', '\xFF'};  // U+FFFD, little-endian
  return FromUtf16LeBytes(Convert("UTF-16LE", codePage, InputKind::Bytes, bytes.data(), bytes.size(),
                                  std::string_view(kReplacement, 2)));
}

std::string Utf16ToCodePage(const char* codePage, std::u16string_view text) {
  std::string bytes = ToUtf16LeBytes(text);
  return Convert(codePage, "UTF-16LE", InputKind::Utf16Le, bytes.data(), bytes.size(), "?");
}

std::u16string AnsiToUtf16(std::string_view ansi) { return CodePageToUtf16(AnsiCodePage(), ansi); }

std::string Utf16ToAnsi(std::u16string_view text) { return Utf16ToCodePage(AnsiCodePage(), text); }

std::string Utf8ToGbk(std::string_view utf8) {
  return Convert("CP936", "UTF-8", InputKind::Utf8, utf8.data(), utf8.size(), "?");
}

std::string GbkToUtf8(std::string_view gbk) {
  return Convert("UTF-8", "CP936", InputKind::Bytes, gbk.data(), gbk.size(), "\xEF\xBF\xBD");
}

}  // namespace vexilo

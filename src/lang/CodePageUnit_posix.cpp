// Code-page conversion through iconv (glibc).
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "lang/CodePageUnit.h"

namespace vexilo {
namespace {

// How many input bytes to pass over when iconv stops at a sequence it cannot
// convert, by the input encoding.
enum class InputKind { Bytes, Utf16Le };

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

std::u16string CodePageToUtf16(const char* codePage, std::string_view bytes) {
  static const char kReplacement[] = {'\xFD', '\xFF'};  // U+FFFD, little-endian
  return FromUtf16LeBytes(Convert("UTF-16LE", codePage, InputKind::Bytes, bytes.data(), bytes.size(),
                                  std::string_view(kReplacement, 2)));
}

std::string Utf16ToCodePage(const char* codePage, std::u16string_view text) {
  std::string bytes = ToUtf16LeBytes(text);
  return Convert(codePage, "UTF-16LE", InputKind::Utf16Le, bytes.data(), bytes.size(), "?");
}

}  // namespace vexilo

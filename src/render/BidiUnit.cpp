#include "render/BidiUnit.h"

#include <fribidi.h>

#include <vector>

namespace vexilo {
namespace {

std::vector<FriBidiChar> ToUtf32(std::u16string_view s) {
  std::vector<FriBidiChar> out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

std::u16string ToUtf16(const std::vector<FriBidiChar>& s) {
  std::u16string out;
  out.reserve(s.size());
  for (FriBidiChar c : s) {
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

}  // namespace

std::u16string VisualOrder(std::u16string_view logical) {
  if (logical.empty()) return std::u16string();
  std::vector<FriBidiChar> in = ToUtf32(logical);
  std::vector<FriBidiChar> visual(in.size() + 1);
  FriBidiParType base = FRIBIDI_PAR_ON;
  if (fribidi_log2vis(in.data(), static_cast<FriBidiStrIndex>(in.size()), &base, visual.data(), nullptr, nullptr,
                      nullptr) == 0) {
    return std::u16string(logical);
  }
  visual.resize(in.size());
  return ToUtf16(visual);
}

}  // namespace vexilo

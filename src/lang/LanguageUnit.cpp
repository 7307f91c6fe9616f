#include "lang/LanguageUnit.h"

#include "lang/GbkBig5TableUnit.h"

namespace vexilo {

std::string Translate(std::string_view gbk) {
  if (!IsTraditionalChineseSystem()) return std::string(gbk);
  return GbkToBig5(gbk);
}

std::string GbkToBig5(std::string_view gbk) {
  std::string big5;
  big5.reserve(gbk.size());
  int lead = -1;
  for (char c : gbk) {
    uint8_t b = static_cast<uint8_t>(c);
    if (lead >= 0) {
      uint16_t code = LookupBig5(static_cast<uint16_t>(lead << 8 | b));
      big5.push_back(static_cast<char>(code >> 8));
      big5.push_back(static_cast<char>(code & 0xFF));
      lead = -1;
    } else if (b >= 0x80) {
      lead = b;
    } else {
      big5.push_back(c);
    }
  }
  return big5;
}

uint16_t LookupBig5(uint16_t gbk) {
  int lo = 0;
  int hi = kGbkBig5TablePositions - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    uint16_t at = GbkBig5Table[mid].Gbk;
    if (at == gbk) {
      while (mid > 0 && GbkBig5Table[mid - 1].Gbk == gbk) --mid;
      return GbkBig5Table[mid].Big5;
    }
    if (at < gbk) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return gbk;
}

}  // namespace vexilo

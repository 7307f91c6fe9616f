#include <gtest/gtest.h>

#include "base/CrcUnit.h"
#include "lang/CodePageUnit.h"

namespace vexilo {
namespace {

TEST(CodePage, GbkRoundTripsThroughUtf16) {
  std::string gbk = Utf8ToGbk("地址: 1 宋体 ABC");
  std::u16string text = CodePageToUtf16("CP936", gbk);
  EXPECT_EQ(text, u"地址: 1 宋体 ABC");
  EXPECT_EQ(Utf16ToCodePage("CP936", text), gbk);
  EXPECT_EQ(GbkToUtf8(gbk), "地址: 1 宋体 ABC");
}

TEST(CodePage, BadBytesAndMissingCharactersAreReplacedNotLost) {
  // A lone lead byte at the end and an invalid trail byte decode to U+FFFD.
  EXPECT_EQ(CodePageToUtf16("CP936", std::string("A\x81", 2)), u"A\uFFFD");
  EXPECT_EQ(CodePageToUtf16("CP936", std::string("\xFF" "B", 2)), u"\uFFFDB");
  // A character GBK lacks (an emoji) becomes one '?', the rest stays.
  EXPECT_EQ(Utf16ToCodePage("CP936", u"x\U0001F600y"), "x?y");
  EXPECT_EQ(CodePageToUtf16("CP936", ""), u"");
}

TEST(Crc16, MatchesTheXmodemCheckValueAndContinues) {
  const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(Crc16(digits, 9), 0x31C3);
  EXPECT_EQ(Crc16(digits + 4, 5, Crc16(digits, 4)), 0x31C3);
  const uint8_t header[] = {0x00, 0x01};
  EXPECT_EQ(Crc16(header, 2), 0x1021);
  EXPECT_EQ(Crc16(nullptr, 0), 0);
}

}  // namespace
}  // namespace vexilo

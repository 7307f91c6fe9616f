#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>

#include "lang/CodePageUnit.h"
#include "lang/GbkBig5TableUnit.h"
#include "lang/LanguageUnit.h"
#include "lang/StringTableUnit.h"

namespace vexilo {
namespace {

// Sets LC_ALL, LC_MESSAGES and LANG (nullptr: unset) for one scope and puts
// back what was there.
struct LocaleGuard {
  static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::optional<std::string> saved[3];

  LocaleGuard(const char* lcAll, const char* lcMessages, const char* lang) {
    const char* values[3] = {lcAll, lcMessages, lang};
    for (int i = 0; i < 3; ++i) {
      if (const char* old = std::getenv(kNames[i])) saved[i] = old;
      Set(kNames[i], values[i]);
    }
  }
  explicit LocaleGuard(const char* lang) : LocaleGuard(nullptr, nullptr, lang) {}
  ~LocaleGuard() {
    for (int i = 0; i < 3; ++i) Set(kNames[i], saved[i] ? saved[i]->c_str() : nullptr);
  }
  static void Set(const char* name, const char* value) {
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
};

std::string Bytes(uint16_t code) { return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)}; }

// Simplified text (UTF-8) through GBK and GbkToBig5, read back as Big5.
std::u16string ConvertedText(const char* utf8) { return CodePageToUtf16("CP950", GbkToBig5(Utf8ToGbk(utf8))); }

TEST(Locale, FirstOfLcAllLcMessagesLangThatIsSetDecides) {
  struct Case {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    bool traditional;
  };
  const Case cases[] = {
      {nullptr, nullptr, "zh_TW.UTF-8", true},
      {nullptr, nullptr, "zh_HK.Big5", true},
      {nullptr, nullptr, "zh_MO", true},
      {nullptr, nullptr, "zh_TW@radical", true},
      {nullptr, nullptr, "zh_CN.UTF-8", false},
      {nullptr, nullptr, "zh_SG.GBK", false},
      {nullptr, nullptr, "en_US.UTF-8", false},
      {nullptr, nullptr, "zh_TWN", false},
      {nullptr, nullptr, "C", false},
      {nullptr, nullptr, nullptr, false},
      {"", "", "", false},
      {"en_US.UTF-8", "zh_TW.UTF-8", "zh_TW.UTF-8", false},
      {"zh_HK.UTF-8", "en_US.UTF-8", "en_US.UTF-8", true},
      {"", "zh_HK.UTF-8", "en_US.UTF-8", true},
      {nullptr, "C", "zh_TW.UTF-8", false},
      {nullptr, "", "zh_MO.UTF-8", true},
  };
  for (const Case& c : cases) {
    LocaleGuard guard(c.lcAll, c.lcMessages, c.lang);
    EXPECT_EQ(IsTraditionalChineseSystem(), c.traditional)
        << "LC_ALL=" << (c.lcAll ? c.lcAll : "(unset)") << " LC_MESSAGES=" << (c.lcMessages ? c.lcMessages : "(unset)")
        << " LANG=" << (c.lang ? c.lang : "(unset)");
  }
}

TEST(Translate, ConvertsOnlyOnTraditionalChineseSystemsAskingEveryCall) {
  // ASCII, 华, ① (no Big5 counterpart) and a lone lead byte at the end.
  const std::string gbk = Utf8ToGbk("LED 1: 华①") + "\xBB";
  const std::string big5 = std::string("LED 1: ") + "\xB5\xD8" + "\xA2\xD9";
  {
    LocaleGuard guard("zh_TW.UTF-8");
    EXPECT_EQ(Translate(gbk), big5);
    EXPECT_EQ(CodePageToUtf16("CP950", Translate(Utf8ToGbk("华"))), u"華");
  }
  for (const char* other : {"zh_CN.UTF-8", "en_US.UTF-8"}) {
    LocaleGuard guard(other);
    EXPECT_EQ(Translate(gbk), gbk) << other;
  }
  LocaleGuard guard("zh_HK.Big5");
  EXPECT_EQ(Translate(gbk), big5);
}

TEST(GbkToBig5, BytesAsciiAndStrayLeadBytes) {
  struct Case {
    std::string gbk;
    std::string big5;
  };
  const Case cases[] = {
      {"", ""},
      {"ABC 123\r\n", "ABC 123\r\n"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"\xBB\xAA", "\xB5\xD8"},                 // 华 -> 華
      {"\xA2\xD9", "\xA2\xD9"},                 // ① has no pair: the same two bytes
      {"\xFE\xFE", "\xFE\xFE"},                 // above every GBK code of the table
      {"A\xBB", "A"},                           // lone lead byte at the end is dropped
      {"\xBB\xAA\xBB", "\xB5\xD8"},
      {"\xBB", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(GbkToBig5(c.gbk), c.big5) << testing::PrintToString(c.gbk);
}

TEST(GbkToBig5, SimplifiedCharactersGetThePreferredTraditionalForm) {
  struct Case {
    const char* simplified;
    const char16_t* traditional;
  };
  const Case cases[] = {
      {"发送包数：", u"發送包數："},  // the packet exchange's status words
      {"  确认包数：", u"  確認包數："},
      {"年月日时分秒星期天", u"年月日時分秒星期天"},
      {"地址 取反 宋体 黑体 楷体 隶书", u"地址 取反 宋體 黑體 楷體 隸書"},
      {"后", u"後"},  // 後 far more frequent than 后 (queen)
      {"发", u"發"},  // not 髮 (hair)
      {"台", u"台"},  // the everyday Taiwan form; 臺 the formal one
      {"只", u"只"},  // "only", not the measure word 隻
      {"里", u"裡"},
      {"复", u"復"},
      {"干", u"幹"},
      {"着", u"著"},
      {"了", u"了"},
      {"面", u"面"},
      {"几", u"幾"},
      {"钟", u"鐘"},
  };
  for (const Case& c : cases) EXPECT_EQ(ConvertedText(c.simplified), c.traditional) << c.simplified;
  EXPECT_EQ(CodePageToUtf16("CP950", GbkToBig5(strings::kSentFrames)), u"發送包數：");
}

TEST(GbkBig5Table, HoldsEveryBig5CodeOnceAndEachGbkCodeFindsItsFirstPair) {
  ASSERT_TRUE(GbkBig5TableIsSound(GbkBig5Table));
  std::set<uint16_t> big5;
  for (int i = 1; i < kGbkBig5TablePositions; ++i) {
    const TGbkBig5Pair& p = GbkBig5Table[i];
    big5.insert(p.Big5);
    // The first pair of each GBK code is the one a lookup finds.
    if (GbkBig5Table[i - 1].Gbk != p.Gbk) {
      EXPECT_EQ(LookupBig5(p.Gbk), p.Big5) << std::hex << p.Gbk;
    }
    // Every other GBK code is a GBK character, and GbkToBig5 converts it
    // ("??", for no counterpart, is two ASCII bytes).
    if (p.Gbk != 0x3F3F) {
      EXPECT_EQ(CodePageToUtf16("CP936", Bytes(p.Gbk)).size(), 1u) << std::hex << p.Gbk;
      EXPECT_EQ(GbkToBig5(Bytes(p.Gbk)), Bytes(LookupBig5(p.Gbk))) << std::hex << p.Gbk;
    }
  }
  EXPECT_EQ(big5.size(), static_cast<size_t>(kGbkBig5PairCount));

  // The table's Big5 codes are exactly the characters that glibc's CP950
  // decodes in Big5's symbol and hanzi blocks, the seven ETEN hanzi
  // F9D6..F9DC included.
  std::set<uint16_t> decodable;
  for (auto [first, last] : {std::pair{0xA140, 0xA3BF}, {0xA440, 0xC67E}, {0xC940, 0xF9DC}}) {
    for (int code = first; code <= last; ++code) {
      int trail = code & 0xFF;
      if (!((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE))) continue;
      std::u16string text = CodePageToUtf16("CP950", Bytes(static_cast<uint16_t>(code)));
      if (text.size() == 1 && text[0] != u'\uFFFD') decodable.insert(static_cast<uint16_t>(code));
    }
  }
  EXPECT_EQ(big5, decodable);
  EXPECT_EQ(CodePageToUtf16("CP950", "\xF9\xD6\xF9\xD7\xF9\xD8\xF9\xD9\xF9\xDA\xF9\xDB\xF9\xDC"), u"碁銹裏墻恒粧嫺");
}

TEST(GbkBig5Table, TheScriptReproducesTheCommittedTable) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  std::string command = std::string("python3 '") + VEXILO_SOURCE_DIR + "/tools/gbkbig5/make_gbk_big5_table.py' --check";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(CodePage, AnsiCodePageIsCp950WhereTranslateGivesBig5) {
  const std::string gbk = Utf8ToGbk("地址 华 发");
  {
    LocaleGuard guard("zh_TW.UTF-8");
    EXPECT_STREQ(AnsiCodePage(), "CP950");
    EXPECT_EQ(AnsiToUtf16(Translate(gbk)), u"地址 華 發");
    EXPECT_EQ(Utf16ToAnsi(u"地址 華 發"), Translate(gbk));
  }
  LocaleGuard guard("zh_CN.UTF-8");
  EXPECT_STREQ(AnsiCodePage(), "CP936");
  EXPECT_EQ(AnsiToUtf16(Translate(gbk)), u"地址 华 发");
}

}  // namespace
}  // namespace vexilo

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "HostLibrary.h"
#include "frame/IniReaderUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "lang/CodePageUnit.h"

namespace vexilo {
namespace {

using testing::MakeTempFolder;
using testing::WriteTextFile;

struct ConfigCase {
  const char* Name;
  const char* FileUtf8;  // written to the file in GBK
  int32_t ScreenNo;
  bool Read;
  std::function<void(const TScreenConfig&)> Check;
};

const ConfigCase kCases[] = {
    {"SerialSectionOfTheExample",
     "[地址: 1]\nCOMPort=COM1\nBaudRate=38400bps\nLinkAddr=1\nColor=2\nWidth=128\nHeight=32\nWaitmSec=300\n", 1,
     true,
     [](const TScreenConfig& c) {
       EXPECT_STREQ(c.COMPort, "COM1");
       EXPECT_EQ(c.LinkMode, kLinkSerial);
       EXPECT_EQ(c.BaudIndex, 2);
       EXPECT_EQ(c.LinkAddr, 1);
       EXPECT_EQ(c.Color, 2);
       EXPECT_EQ(c.Width, 128);
       EXPECT_EQ(c.Height, 32);
       EXPECT_EQ(c.WaitmSec, 300);
     }},
    {"AddressSectionQualifiedByTcpIp", "[Address:1]\nLinkMode=TCP/IP\nIPAddr=127.0.0.1\nPortNO=5005\n", 1, true,
     [](const TScreenConfig& c) {
       EXPECT_EQ(c.LinkMode, kLinkUdp);
       EXPECT_STREQ(c.COMPort, "");
       EXPECT_STREQ(c.IPAddr, "127.0.0.1");
       EXPECT_EQ(c.PortNO, 5005);
     }},
    {"GprsOnlySectionIsPassedOver", "[地址: 1]\nLinkMode=GPRS\n", 1, false, nullptr},
    {"GprsWithPortIsRead", "[地址: 1]\nLinkMode=GPRS\nCOMPort=COM2\n", 1, true,
     [](const TScreenConfig& c) { EXPECT_EQ(c.LinkMode, kLinkGprs); }},
    {"LowerCaseTcpIpDoesNotQualify", "[地址: 1]\nLinkMode=tcp/ip\n", 1, false, nullptr},
    {"LowerCaseTcpIpReadsAsSerial", "[地址: 1]\nLinkMode=tcp/ip\nCOMPort=COM1\n", 1, true,
     [](const TScreenConfig& c) { EXPECT_EQ(c.LinkMode, kLinkSerial); }},
    {"UnlistedBaudRatesReadAs9600", "[地址: 1]\nCOMPort=COM1\nBaudRate=57600bps\n[地址: 2]\nCOMPort=COM1\nBaudRate=38400\n",
     2, true, [](const TScreenConfig& c) { EXPECT_EQ(c.BaudIndex, 1); }},
    {"Baud115200", "[地址: 1]\nCOMPort=COM1\nBaudRate=115200bps\n", 1, true,
     [](const TScreenConfig& c) { EXPECT_EQ(c.BaudIndex, 3); }},
    {"TextKeysKeepTheirFirstBytes",
     "[地址: 1]\nCOMPort=COM123\nIPAddr=192.168.100.200\nCardType=ABCDEFGHIJKLMN\n", 1, true,
     [](const TScreenConfig& c) {
       EXPECT_STREQ(c.COMPort, "COM12");
       EXPECT_STREQ(c.IPAddr, "192.168.100.200");
       EXPECT_STREQ(c.CardType, "ABCDEFGHIJ");
     }},
    {"LongAddressIsCut", "[地址: 1]\nCOMPort=COM1\nIPAddr=1234567890123456789\n", 1, true,
     [](const TScreenConfig& c) { EXPECT_STREQ(c.IPAddr, "123456789012345"); }},
    {"NumbersInHexAndCutToTheirWidth",
     "[地址: 1]\nCOMPort=COM1\nPortNO=0x1F40\nLinkAddr=257\nColor=$102\nWaitmSec=70000\nWidth=0X80\n", 1, true,
     [](const TScreenConfig& c) {
       EXPECT_EQ(c.PortNO, 8000);
       EXPECT_EQ(c.LinkAddr & 0xFF, 1);
       EXPECT_EQ(c.Color, 2);
       EXPECT_EQ(c.WaitmSec, 4464);
       EXPECT_EQ(c.Width, 128);
     }},
    {"PortLowSixteenBits", "[地址: 1]\nCOMPort=COM1\nPortNO=70000\n", 1, true,
     [](const TScreenConfig& c) { EXPECT_EQ(c.PortNO, 4464); }},
    {"NotANumberReadsAsZero", "[地址: 1]\nCOMPort=COM1\nWidth=128px\nHeight=\nColor=x1\nLight=99999999999\n", 1, true,
     [](const TScreenConfig& c) {
       EXPECT_EQ(c.Width, 0);
       EXPECT_EQ(c.Height, 0);
       EXPECT_EQ(c.Color, 0);
       EXPECT_EQ(c.Light, 0);
     }},
    {"NegativeNumbers", "[地址: 1]\nCOMPort=COM1\nWidth=-5\nHeight=-$10\n", 1, true,
     [](const TScreenConfig& c) {
       EXPECT_EQ(c.Width, -5);
       EXPECT_EQ(c.Height, -16);
     }},
    {"NegativeScreenNumberKeepsItsSign", "[地址: 1]\nCOMPort=COM1\n[地址: -1]\nCOMPort=COM7\n", -1, true,
     [](const TScreenConfig& c) { EXPECT_STREQ(c.COMPort, "COM7"); }},
    {"FullWidthColonIsTheSecondCandidate", "[地址:1]\nCOMPort=COM3\n[地址：1]\nCOMPort=COM2\n", 1, true,
     [](const TScreenConfig& c) { EXPECT_STREQ(c.COMPort, "COM2"); }},
    {"FirstQualifyingCandidateWins", "[Address:1]\nCOMPort=COM4\n[地址: 1]\nLinkMode=GPRS\n[地址:1]\nCOMPort=COM3\n", 1,
     true, [](const TScreenConfig& c) { EXPECT_STREQ(c.COMPort, "COM3"); }},
    {"NamesIgnoreAsciiCase", "[ADDRESS:1]\ncomport=COM5\nlinkaddr=9\n", 1, true,
     [](const TScreenConfig& c) {
       EXPECT_STREQ(c.COMPort, "COM5");
       EXPECT_EQ(c.LinkAddr, 9);
     }},
    {"ValuesKeepTheirCase", "[地址: 1]\nCOMPort=com1\nBaudRate=38400BPS\n", 1, true,
     [](const TScreenConfig& c) {
       EXPECT_STREQ(c.COMPort, "com1");
       EXPECT_EQ(c.BaudIndex, 1);
     }},
    {"DisplayInvertedOnlyForTheExactWord", "[地址: 1]\nCOMPort=COM1\nDisplay=取反\n[地址: 2]\nCOMPort=COM1\nDisplay=取反 x\n",
     1, true, [](const TScreenConfig& c) { EXPECT_EQ(c.DisplayInverted, 1); }},
    {"DisplayOtherWordIsNotInverted", "[地址: 2]\nCOMPort=COM1\nDisplay=正常\n", 2, true,
     [](const TScreenConfig& c) { EXPECT_EQ(c.DisplayInverted, 0); }},
    {"CrLfBlanksQuotesAndComments",
     "; screens\r\n[ 地址: 1 ]\r\n  COMPort = COM6 \r\n;Color=3\r\nColor=\"1\"\r\nWidth=64\r\n", 1, true,
     [](const TScreenConfig& c) {
       EXPECT_STREQ(c.COMPort, "COM6");
       EXPECT_EQ(c.Color, 1);
       EXPECT_EQ(c.Width, 64);
     }},
    {"AnotherScreensSectionIsNotUsed", "[地址: 10]\nCOMPort=COM1\n", 1, false, nullptr},
    {"FirstOfTwoSameNamedSections", "[地址: 1]\nCOMPort=COM1\n[地址: 1]\nCOMPort=COM2\n", 1, true,
     [](const TScreenConfig& c) { EXPECT_STREQ(c.COMPort, "COM1"); }},
};

class ConfigTable : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(ConfigTable, ReadsTheScreen) {
  const ConfigCase& tc = GetParam();
  std::string folder = MakeTempFolder("config");
  std::string path = folder + "/LED.INI";
  WriteTextFile(path, Utf8ToGbk(tc.FileUtf8));
  TScreenConfig c;
  c.Light = 77;  // a failed read must leave the record as it was
  bool read = ReadScreenConfig(tc.ScreenNo, c, path);
  ASSERT_EQ(read, tc.Read);
  if (!read) {
    EXPECT_EQ(c.Light, 77);
    return;
  }
  if (tc.Check) tc.Check(c);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfigTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ConfigCase>& info) { return info.param.Name; });

TEST(Config, MissingFileLeavesTheRecordAlone) {
  TScreenConfig c;
  c.Width = 5;
  EXPECT_FALSE(ReadScreenConfig(1, c, MakeTempFolder("config") + "/none.ini"));
  EXPECT_EQ(c.Width, 5);
}

TEST(Config, BaudFromIndex) {
  EXPECT_EQ(BaudFromIndex(0), 9600);
  EXPECT_EQ(BaudFromIndex(1), 9600);
  EXPECT_EQ(BaudFromIndex(2), 38400);
  EXPECT_EQ(BaudFromIndex(3), 115200);
  EXPECT_EQ(BaudFromIndex(4), 9600);
}

TEST(IniReader, GbkTrailBytesAreNotFoldedLikeLetters) {
  // Two double-byte characters whose trail bytes are the letters A and a.
  EXPECT_FALSE(ProfileNamesEqual("\x81" "A", "\x81" "a"));
  EXPECT_TRUE(ProfileNamesEqual("ab\x81" "A", "AB\x81" "A"));
  EXPECT_FALSE(ProfileNamesEqual("a", "ab"));
}

TEST(IniReader, ProfileIntegers) {
  struct {
    const char* Text;
    int32_t Value;
  } cases[] = {{"0", 0}, {"42", 42}, {" 42 ", 42}, {"+7", 7}, {"-2147483648", INT32_MIN}, {"2147483647", INT32_MAX},
               {"2147483648", 0}, {"$FFFFFFFF", -1}, {"$100000000", 0}, {"0x", 0}, {"$", 0}, {"-", 0},
               {"12 3", 0}, {"0x1g", 0}, {"1e3", 0}};
  for (const auto& c : cases) EXPECT_EQ(ParseProfileInt(c.Text), c.Value) << c.Text;
}

TEST(Config, InitBufferExIniSwitchesTheFileAndNullSwitchesBack) {
  std::string home = MakeTempFolder("config-ini");
  WriteTextFile(home + "/LED.INI", Utf8ToGbk("[地址: 1]\nCOMPort=COM1\nColor=1\n"));
  WriteTextFile(home + "/other.ini", Utf8ToGbk("[地址: 2]\nCOMPort=COM1\nColor=2\n"));
  auto run = testing::RunHost(home, [&](const testing::HostApi& api) {
    std::string out;
    out += std::to_string(api.InitBufferEx_Ini(2, (home + "/other.ini").c_str()));
    out += std::to_string(api.InitBuffer(1));  // screen 1 is not in other.ini
    out += std::to_string(api.InitBufferEx_Ini(1, nullptr));
    out += std::to_string(api.InitBufferEx_Ini(2, ""));  // back to LED.INI: no screen 2
    return out;
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "1010");
}

}  // namespace
}  // namespace vexilo

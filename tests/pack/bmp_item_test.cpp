// The bitmap item: pictures from BMP files placed as pages of page areas,
// read back through the pack reader and checked pixel by pixel.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "HostLibrary.h"
#include "frame/HostFilesUnit.h"
#include "lang/CodePageUnit.h"
#include "pack/PackReaderUnit.h"
#include "pack/ProgramPackUnit.h"

namespace vexilo {
namespace {

using testing::MakeTempFolder;
using testing::WriteTextFile;
using Bytes = std::vector<uint8_t>;
using Grid = std::vector<std::string>;

const char kScreens[] =
    "[地址: 1]\nCOMPort=COM1\nColor=1\n"
    "[地址: 2]\nCOMPort=COM1\nColor=2\n"
    "[地址: 3]\nCOMPort=COM1\nColor=3\n"
    "[地址: 4]\nCOMPort=COM1\nColor=4\n";

// Picture colours by letter: K black, R red, G green, Y yellow, W white.
uint32_t Rgb(char c) {
  switch (c) {
    case 'R': return 0xFF0000;
    case 'G': return 0x00FF00;
    case 'Y': return 0xFFFF00;
    case 'W': return 0xFFFFFF;
    default: return 0;
  }
}

// A 24-bit bottom-up Windows bitmap file.
Bytes Bmp24(int w, int h, const std::function<char(int, int)>& letter) {
  const int stride = (w * 3 + 3) & ~3;
  const uint32_t dataSize = static_cast<uint32_t>(stride * h);
  Bytes b(54 + dataSize, 0);
  auto le32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  le32(2, static_cast<uint32_t>(b.size()));
  le32(10, 54);
  le32(14, 40);
  le32(18, static_cast<uint32_t>(w));
  le32(22, static_cast<uint32_t>(h));
  b[26] = 1;
  b[28] = 24;
  le32(34, dataSize);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = &b[54 + static_cast<size_t>(h - 1 - y) * stride];
    for (int x = 0; x < w; ++x) {
      const uint32_t c = Rgb(letter(x, y));
      row[3 * x] = static_cast<uint8_t>(c);
      row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(c >> 16);
    }
  }
  return b;
}

// A pattern in which every pixel tells where it came from.
char Pattern(int x, int y) { return "KRGY"[(x + 2 * y + x / 5) % 4]; }
char Other(int x, int y) { return "YGRK"[(x * 3 + y) % 4]; }

// Page pixels as letters: two planes K, R, G, Y (white reads Y); one plane
// '.' dark, '#' lit.
Grid Pixels(const Bytes& data, int w, int h, int planes) {
  Grid g;
  const size_t row = (static_cast<size_t>(w) + 7) / 8;
  const int tail = w % 8;
  auto bit = [&](int y, int plane, int x) {
    const uint8_t* p = data.data() + (static_cast<size_t>(y) * planes + plane) * row;
    const int byte = x / 8;
    const bool last = tail != 0 && byte == static_cast<int>(row) - 1;
    return (p[byte] >> (last ? tail - 1 - x % 8 : 7 - x % 8)) & 1;
  };
  for (int y = 0; y < h; ++y) {
    std::string line;
    for (int x = 0; x < w; ++x) line += planes == 1 ? (bit(y, 0, x) ? '#' : '.') : "KRGY"[bit(y, 0, x) | bit(y, 1, x) << 1];
    g.push_back(line);
  }
  return g;
}

// What a two-plane page of a pw x ph picture shows in a w x h area: the
// picture moved right by the inset, white where it does not reach, and the
// frame on top.
Grid ExpectedPage(int w, int h, int pw, int ph, const std::function<char(int, int)>& picture, int inset, int frame,
                  uint8_t frameColor) {
  Grid g;
  for (int y = 0; y < h; ++y) {
    std::string line;
    for (int x = 0; x < w; ++x) {
      const int px = x - inset;
      char c = px >= 0 && px < pw && y < ph ? picture(px, y) : 'Y';
      if (c == 'W') c = 'Y';
      if (frame > 0 && frameColor != 0 && (x < frame || x >= w - frame || y < frame || y >= h - frame)) {
        c = "KRGY"[frameColor];
      }
      line += c;
    }
    g.push_back(line);
  }
  return g;
}

class BmpItem : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = MakeTempFolder("bmp");
    WriteTextFile(home_ + "/LED.INI", Utf8ToGbk(kScreens));
    library_.emplace(home_);
  }
  void TearDown() override { library_.reset(); }

  void Start(int screen, uint8_t rotated = 0) {
    ASSERT_EQ(User_InitBufferEx(screen, rotated), 1);
    ASSERT_EQ(User_AddProgram(0, 0), 0);
  }
  std::string Picture(const std::string& name, int w, int h, const std::function<char(int, int)>& letter) {
    const std::string path = home_ + "/" + name;
    const Bytes b = Bmp24(w, h, letter);
    WriteTextFile(path, std::string(b.begin(), b.end()));
    return path;
  }
  Bytes File() { return ReadWholeFile(home_ + "/Swap.Dat"); }
  PackInfo Read() {
    PackInfo pack;
    std::string error;
    EXPECT_TRUE(ReadPack(File(), pack, error)) << error;
    return pack;
  }
  static TBmpParam Param(int32_t w, int32_t h, int32_t frameWidth = 0, uint8_t frameColor = 0) {
    TBmpParam p{};
    p.AreaX = 8;
    p.AreaY = 4;
    p.AreaWidth = w;
    p.AreaHeight = h;
    p.FrameWidth = frameWidth;
    p.FrameColor = frameColor;
    p.Effect = 35;
    p.Speed = 0x104;
    p.StayTime = 0x206;
    p.PageOption = 0x301;
    return p;
  }
  std::string home_;
  std::optional<testing::LoadedLibrary> library_;
};

TEST_F(BmpItem, PlacesThePicturesTopLeftPartUnscaled) {
  const std::string path = Picture("wide.bmp", 100, 50, Pattern);
  Start(2);
  const TBmpParam p = Param(64, 32);
  ASSERT_EQ(User_AddBmp(path.c_str(), &p), 0);
  const PackInfo pack = Read();
  ASSERT_EQ(pack.Programs.size(), 1u);
  ASSERT_EQ(pack.Programs[0].Areas.size(), 1u);
  EXPECT_EQ(pack.Programs[0].AreaCount, 1);
  const AreaInfo& a = pack.Programs[0].Areas[0];
  EXPECT_EQ(a.Type, 2);
  EXPECT_EQ(a.X, 8);
  EXPECT_EQ(a.Y, 4);
  EXPECT_EQ(a.Width, 64);
  EXPECT_EQ(a.Height, 32);
  EXPECT_EQ(a.Length, 14u + 2 + 5 + 64 * 32 * 2 / 8);
  EXPECT_EQ(a.PageCount, 1);
  ASSERT_EQ(a.Pages.size(), 1u);
  const PageInfo& page = a.Pages[0];
  EXPECT_EQ(page.Number, 1);
  EXPECT_EQ(page.Effect, 16) << "effect 35 maps to 16";
  EXPECT_EQ(page.Speed, 4);
  EXPECT_EQ(page.StayTime, 6);
  EXPECT_EQ(page.Option, 1);
  EXPECT_EQ(Pixels(page.Pixels, 64, 32, 2), ExpectedPage(64, 32, 100, 50, Pattern, 0, 0, 0));
}

TEST_F(BmpItem, FrameWidthMovesThePictureAndFramesIt) {
  const std::string path = Picture("wide.bmp", 100, 50, Pattern);
  struct Case {
    int32_t width, frameWidth;
    uint8_t frameColor;
    int inset;
  } cases[] = {
      {64, 2, 1, 2}, {64, 2, 0, 2}, {64, 5, 1, 1}, {64, 5, 0, 1}, {64, 3, 2, 3},
      {64, 12, 3, 0}, {64, 0, 1, 0}, {64, -2, 1, 0}, {61, 2, 2, 2}, {61, 5, 3, 1},
  };
  for (const Case& c : cases) {
    Start(2);
    const TBmpParam p = Param(c.width, 32, c.frameWidth, c.frameColor);
    ASSERT_EQ(User_AddBmp(path.c_str(), &p), 0);
    const AreaInfo a = Read().Programs[0].Areas[0];
    ASSERT_EQ(a.Pages.size(), 1u);
    EXPECT_EQ(Pixels(a.Pages[0].Pixels, c.width, 32, 2),
              ExpectedPage(c.width, 32, 100, 50, Pattern, c.inset, c.frameWidth, c.frameColor))
        << "width " << c.width << " frame " << c.frameWidth << " colour " << int(c.frameColor);
  }
}

TEST_F(BmpItem, ColourModeThreeExchangesOnlyTheFrameColour) {
  const std::string path = Picture("wide.bmp", 100, 50, Pattern);
  Start(3);
  const TBmpParam p = Param(64, 32, 2, 1);
  ASSERT_EQ(User_AddBmp(path.c_str(), &p), 0);
  const AreaInfo a = Read().Programs[0].Areas[0];
  EXPECT_EQ(Pixels(a.Pages[0].Pixels, 64, 32, 2), ExpectedPage(64, 32, 100, 50, Pattern, 2, 2, 2));
}

TEST_F(BmpItem, SingleColourScreensLightThePicturesColours) {
  const std::string path = Picture("wide.bmp", 100, 50, Pattern);
  Start(1);
  const TBmpParam p = Param(64, 32);
  ASSERT_EQ(User_AddBmp(path.c_str(), &p), 0);
  const PackInfo pack = Read();
  EXPECT_EQ(pack.PlaneCount, 1);
  const Grid page = Pixels(pack.Programs[0].Areas[0].Pages[0].Pixels, 64, 32, 1);
  Grid expected;
  for (int y = 0; y < 32; ++y) {
    std::string line;
    for (int x = 0; x < 64; ++x) line += Pattern(x, y) == 'K' ? '.' : '#';
    expected.push_back(line);
  }
  EXPECT_EQ(page, expected);
}

TEST_F(BmpItem, PictureSmallerThanTheAreaLeavesTheRestWhite) {
  const std::string path = Picture("small.bmp", 10, 5, Pattern);
  Start(2);
  const TBmpParam p = Param(16, 8, 1, 0);
  ASSERT_EQ(User_AddBmp(path.c_str(), &p), 0);
  const AreaInfo a = Read().Programs[0].Areas[0];
  EXPECT_EQ(Pixels(a.Pages[0].Pixels, 16, 8, 2), ExpectedPage(16, 8, 10, 5, Pattern, 1, 0, 0));
}

TEST_F(BmpItem, PicturesWithTheSameRectangleShareOnePageArea) {
  const std::string one = Picture("one.bmp", 64, 32, Pattern), two = Picture("two.bmp", 64, 32, Other);
  Start(2);
  const TBmpParam p = Param(64, 32);
  for (const std::string& path : {one, two, one}) ASSERT_EQ(User_AddBmp(path.c_str(), &p), 0);
  const PackInfo pack = Read();
  ASSERT_EQ(pack.Programs[0].Areas.size(), 1u);
  EXPECT_EQ(pack.Programs[0].AreaCount, 3);
  const AreaInfo& a = pack.Programs[0].Areas[0];
  EXPECT_EQ(a.PageCount, 3);
  EXPECT_EQ(a.GroupSizes, (std::vector<int>{1, 1, 1}));
  ASSERT_EQ(a.Pages.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(a.Pages[i].Number, i + 1);
  EXPECT_EQ(Pixels(a.Pages[1].Pixels, 64, 32, 2), ExpectedPage(64, 32, 64, 32, Other, 0, 0, 0));
  EXPECT_EQ(a.Pages[0].Pixels, a.Pages[2].Pixels);
  EXPECT_EQ(a.Length, 14u + 2 + 3 * (5 + 512));
  EXPECT_EQ(pack.Programs[0].Length, 7 + a.Length);

  // Another rectangle begins another page area.
  TBmpParam moved = p;
  moved.AreaX = 9;
  ASSERT_EQ(User_AddBmp(one.c_str(), &moved), 0);
  EXPECT_EQ(Read().Programs[0].Areas.size(), 2u);
}

TEST_F(BmpItem, PictureAfterAPagedTextContinuesItsPageArea) {
  const std::string path = Picture("one.bmp", 64, 32, Pattern);
  Start(2);
  TTextParam text{};
  const std::string song = Utf8ToGbk("宋体");
  text.Text = "ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE TEN ELEVEN TWELVE";
  text.AreaX = 8;
  text.AreaY = 4;
  text.AreaWidth = 64;
  text.AreaHeight = 32;
  text.Font.FaceName = song.c_str();
  text.Font.Size = 16;
  text.Font.TextColor = 1;
  ASSERT_EQ(User_AddText(&text), 0);
  const int textPages = Read().Programs[0].Areas[0].PageCount;
  ASSERT_GE(textPages, 2);
  const TBmpParam p = Param(64, 32);
  ASSERT_EQ(User_AddBmp(path.c_str(), &p), 0);
  const PackInfo pack = Read();
  ASSERT_EQ(pack.Programs[0].Areas.size(), 1u);
  const AreaInfo& a = pack.Programs[0].Areas[0];
  EXPECT_EQ(a.PageCount, textPages + 1);
  EXPECT_EQ(a.Pages.back().Number, textPages + 1);
  EXPECT_EQ(a.GroupSizes, (std::vector<int>{textPages, 1}));
  EXPECT_EQ(pack.Programs[0].AreaCount, 2);
}

TEST_F(BmpItem, RotatedLayoutChangesNothing) {
  const std::string path = Picture("wide.bmp", 100, 50, Pattern);
  const TBmpParam p = Param(64, 24, 2, 3);
  Start(2, 0);
  ASSERT_EQ(User_AddBmp(path.c_str(), &p), 0);
  const Bytes plain = File();
  Start(2, 1);
  ASSERT_EQ(User_AddBmp(path.c_str(), &p), 0);
  EXPECT_EQ(File(), plain);
}

// Read from the bytes: the height of the second area is stored as 0xFFFF,
// a page size the pack reader cannot split by.
TEST_F(BmpItem, AreaOfNoSizeGivesAPageHeaderWithoutPixels) {
  const std::string path = Picture("one.bmp", 8, 8, Pattern);
  Start(2);
  for (auto [w, h] : {std::pair{0, 8}, std::pair{8, -1}}) {
    const TBmpParam p = Param(w, h, 2, 1);
    ASSERT_EQ(User_AddBmp(path.c_str(), &p), 0) << w << " x " << h;
  }
  const Bytes pack = File();
  ASSERT_EQ(pack.size(), 2u + 7 + 2 * 21);
  EXPECT_EQ(pack[3], 2) << "the program counts both";
  const Bytes first(pack.begin() + 9, pack.begin() + 30), second(pack.begin() + 30, pack.end());
  EXPECT_EQ(first, (Bytes{1, 2, 0, 8, 0, 4, 0, 0, 0, 8, 0, 0, 0, 21, 1, 0, 1, 16, 4, 6, 1}));
  EXPECT_EQ(second, (Bytes{2, 2, 0, 8, 0, 4, 0, 8, 0xFF, 0xFF, 0, 0, 0, 21, 1, 0, 1, 16, 4, 6, 1}));
}

// Every refusal leaves "Swap.Dat" as it was.
TEST_F(BmpItem, RefusalsLeaveThePackAsItWas) {
  const std::string good = Picture("one.bmp", 8, 8, Pattern);
  WriteTextFile(home_ + "/vector.emf", std::string(64, '\x01'));
  WriteTextFile(home_ + "/icon.ico", std::string("\0\0\1\0\1\0", 6) + std::string(40, '\0'));
  WriteTextFile(home_ + "/cut.bmp", std::string("BM\x10\0\0\0", 6));
  WriteTextFile(home_ + "/picture.xyz", "not a picture");
  Start(2);
  const TBmpParam first = Param(64, 32);
  ASSERT_EQ(User_AddBmp(good.c_str(), &first), 0);  // a page area the refusals could continue
  const Bytes before = File();
  struct Case {
    const char* name;
    std::string path;
    TBmpParam param;
  } cases[] = {
      {"missing file", home_ + "/missing.bmp", first},
      {"vector picture", home_ + "/vector.emf", first},
      {"icon", home_ + "/icon.ico", first},
      {"cut bitmap", home_ + "/cut.bmp", first},
      {"unknown extension", home_ + "/picture.xyz", first},
      {"area too wide", good, Param(40000, 8)},
      {"area of too many pixels", good, Param(16384, 8192)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(User_AddBmp(c.path.c_str(), &c.param), -1) << c.name;
    EXPECT_EQ(File(), before) << c.name;
  }
  EXPECT_EQ(User_AddBmp(nullptr, &first), -1);
  EXPECT_EQ(User_AddBmp(good.c_str(), nullptr), -1);
  EXPECT_EQ(File(), before);
  // The next picture continues the page area as if nothing had happened.
  ASSERT_EQ(User_AddBmp(good.c_str(), &first), 0);
  const AreaInfo a = Read().Programs[0].Areas[0];
  EXPECT_EQ(a.PageCount, 2);
  EXPECT_EQ(a.Pages[1].Number, 2);

  // No open program, or colour mode 4: refused.
  ASSERT_EQ(User_InitBuffer(2), 1);
  EXPECT_EQ(User_AddBmp(good.c_str(), &first), -1);
  Start(4);
  const Bytes empty = File();
  EXPECT_EQ(User_AddBmp(good.c_str(), &first), -1);
  EXPECT_EQ(File(), empty);
}

// "yyyy-mm-dd hh:mm:ss ZZZ " stripped from every line of the log.
std::vector<std::string> LogBodies(const std::string& home) {
  static const std::regex stamp(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} \d{3} )");
  std::vector<std::string> out;
  for (const std::string& line : testing::LogLines(testing::ReadTextFile(home + "/Debug.Txt"))) {
    std::smatch m;
    out.push_back(std::regex_search(line, m, stamp) ? line.substr(m.length(0)) : line);
  }
  return out;
}

TEST(BmpItemLog, APictureThatCannotBeLoadedWritesTwoLines) {
  const std::string home = MakeTempFolder("bmp-log");
  WriteTextFile(home + "/LED.INI", Utf8ToGbk(kScreens));
  const std::string missing = home + "/missing.bmp";
  auto run = testing::RunHost(home, [&](const testing::HostApi& api) {
    TBmpParam p{};
    p.AreaWidth = 16;
    p.AreaHeight = 8;
    std::string r;
    api.UseDebug(1);
    r += std::to_string(api.InitBuffer(2));
    r += std::to_string(api.AddBmp(missing.c_str(), &p));  // no program: the file is not read
    r += std::to_string(api.AddProgram(0, 0));
    r += std::to_string(api.AddBmp(missing.c_str(), &p));
    api.UseDebug(0);
    return r;
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "1-10-1");
  const std::vector<std::string> lines = LogBodies(home);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Start Debug");
  EXPECT_EQ(lines[1], "User_InitBuffer Success");
  EXPECT_EQ(lines[2], "User_AddBmp Fail");
  EXPECT_EQ(lines[3], "User_AddProgram Success");
  const std::string& reason = lines[4];
  EXPECT_EQ(reason.rfind("User_AddBmp (", 0), 0u) << reason;
  EXPECT_NE(reason.find("missing.bmp"), std::string::npos) << "the message names the file: " << reason;
  EXPECT_EQ(reason.substr(reason.size() - 6), ") Fail") << reason;
  EXPECT_EQ(lines[5], "User_AddBmp Fail");
}

}  // namespace
}  // namespace vexilo

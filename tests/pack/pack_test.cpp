#include <gtest/gtest.h>

#include <optional>

#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "HostLibrary.h"
#include "pack/PackReaderUnit.h"
#include "base/CrcUnit.h"
#include "frame/HostFilesUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "lang/CodePageUnit.h"
#include "pack/ProgramPackUnit.h"

namespace vexilo {
namespace {

using testing::HostApi;
using testing::MakeTempFolder;

using testing::RunHost;
using testing::WriteTextFile;
using Bytes = std::vector<uint8_t>;

const char kScreens[] =
    "[地址: 1]\nCOMPort=COM1\nColor=1\nWaitmSec=250\n"
    "[地址: 2]\nCOMPort=COM1\nColor=2\n"
    "[地址: 3]\nCOMPort=COM1\nColor=3\n"
    "[地址: 4]\nCOMPort=COM1\nColor=4\n"
    "[地址: 5]\nCOMPort=COM1\n";

std::string HomeWithScreens(const char* tag) {
  std::string home = MakeTempFolder(tag);
  WriteTextFile(home + "/LED.INI", Utf8ToGbk(kScreens));
  return home;
}

Bytes SwapBytes(const std::string& home) { return ReadWholeFile(home + "/Swap.Dat"); }

// ---- through the shared library, as a host uses it -------------------------

TEST(PackExports, ImmediateSealByColourMode) {
  struct {
    int32_t Screen;
    Bytes Expected;
    int Result;
  } cases[] = {
      {1, {0x00, 0x01, 0x10, 0x21}, 1},  // Color 1
      {5, {0x00, 0x01, 0x10, 0x21}, 1},  // Color 0 (missing key)
      {2, {0x00, 0x02, 0x20, 0x42}, 1},
      {3, {0x00, 0x02, 0x20, 0x42}, 1},
      {4, {0x00, 0x01, 0x10, 0x21}, 1},  // colour mode 4: one plane in the header; items refuse it
      {9, {0x00, 0x00, 0x00, 0x00}, 0},  // no section: plane count 0, CRC of 00 00 is 0000
  };
  for (const auto& c : cases) {
    std::string home = HomeWithScreens("seal");
    auto run = RunHost(home, [&](const HostApi& api) {
      std::string r = std::to_string(api.InitBuffer(c.Screen));
      r += std::to_string(api.CompletePack());
      return r;
    });
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, std::to_string(c.Result) + "1") << "screen " << c.Screen;
    EXPECT_EQ(SwapBytes(home), c.Expected) << "screen " << c.Screen;
  }
}

TEST(PackExports, MissingSectionLeavesTwoZeroBytes) {
  std::string home = HomeWithScreens("missing");
  auto run = RunHost(home, [](const HostApi& api) { return std::to_string(api.InitBuffer(77)); });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "0");
  EXPECT_EQ(SwapBytes(home), (Bytes{0x00, 0x00}));
}

TEST(PackExports, EmptyProgramsAndTheirHeaders) {
  std::string home = HomeWithScreens("programs");
  auto run = RunHost(home, [](const HostApi& api) {
    std::string r = std::to_string(api.AddProgram(0, 0));  // no pack since load
    api.InitBuffer(2);
    r += std::to_string(api.AddProgram(0, 0x5A));
    r += std::to_string(api.AddProgram(12345, 0xFF));  // the first slot is not read
    r += std::to_string(api.CompletePack());
    return r;
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "-1001");
  Bytes bytes = SwapBytes(home);
  Bytes head(bytes.begin(), bytes.end() - 2);
  EXPECT_EQ(head, (Bytes{0x02, 0x02, 0x01, 0x00, 0x5A, 0, 0, 0, 7, 0x02, 0x00, 0xFF, 0, 0, 0, 7}));
  PackInfo pack;
  std::string error;
  ASSERT_TRUE(ReadPack(bytes, pack, error)) << error;
  EXPECT_TRUE(pack.SealValid);
  ASSERT_EQ(pack.Programs.size(), 2u);
  EXPECT_EQ(pack.Programs[1].Number, 2);
}

TEST(PackExports, ProgramLimitIs512) {
  std::string home = HomeWithScreens("limit");
  auto run = RunHost(home, [](const HostApi& api) {
    api.InitBuffer(1);
    int ok = 0;
    for (int i = 0; i < 512; ++i) ok += api.AddProgram(0, 0) == 0;
    int r513 = api.AddProgram(0, 0);
    api.InitBuffer(1);  // a new pack counts from 0 again
    int again = api.AddProgram(0, 0);
    return std::to_string(ok) + "," + std::to_string(r513) + "," + std::to_string(again);
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "512,-1,0");
  EXPECT_EQ(SwapBytes(home), (Bytes{0x01, 0x01, 0x01, 0x00, 0x00, 0, 0, 0, 7}));
}

TEST(PackExports, SecondSealAppendsZeroes) {
  std::string home = HomeWithScreens("seal2");
  auto run = RunHost(home, [](const HostApi& api) {
    api.InitBuffer(1);
    api.AddProgram(0, 3);
    api.CompletePack();
    api.CompletePack();
    return std::string();
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  Bytes bytes = SwapBytes(home);
  ASSERT_EQ(bytes.size(), 2u + 7u + 2u + 2u);
  EXPECT_EQ(bytes[bytes.size() - 2], 0);
  EXPECT_EQ(bytes[bytes.size() - 1], 0);
  EXPECT_EQ(Crc16(bytes.data(), bytes.size() - 2), 0);
}

TEST(PackExports, SealOnTheEmptyFileAfterLoad) {
  std::string home = HomeWithScreens("seal-load");
  auto run = RunHost(home, [](const HostApi& api) { return std::to_string(api.CompletePack()); });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "1");
  EXPECT_EQ(SwapBytes(home), (Bytes{0x00, 0x00}));
}

TEST(PackExports, UnwritableSwapFailsCleanlyAndTheNextInitRetries) {
  std::string parent = MakeTempFolder("noswap");
  std::string home = parent + "/later";  // does not exist yet: "Swap.Dat" cannot be created
  auto run = RunHost(home, [&](const HostApi& api) {
    std::string r;
    r += std::to_string(api.CompletePack());
    r += std::to_string(api.InitBuffer(1));
    r += std::to_string(api.AddProgram(0, 0)) + ",";
    ::mkdir(home.c_str(), 0755);
    WriteTextFile(home + "/LED.INI", Utf8ToGbk(kScreens));
    r += std::to_string(api.InitBuffer(1));
    r += std::to_string(api.AddProgram(0, 0));
    r += std::to_string(api.CompletePack());
    return r;
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "00-1,101");
  EXPECT_EQ(SwapBytes(home).size(), 2u + 7u + 2u);
}

// ---- the pack operations, in-process ----------------------------------------

class PackOps : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = HomeWithScreens("ops");
    library_.emplace(home_);
  }
  void TearDown() override { library_.reset(); }
  Bytes File() { return SwapBytes(home_); }
  std::string home_;
  std::optional<testing::LoadedLibrary> library_;
};

TEST_F(PackOps, InitBufferCopiesTheWaitAndResetsTheState) {
  ASSERT_TRUE(InitBuffer(1));
  EXPECT_EQ(ReplyWaitFloor(), 250u);
  EXPECT_EQ(ScreenConfig().CurrentScreenConfig.Color, 1);
  SetRotatedLayout(1);
  ASSERT_FALSE(InitBuffer(42));  // a failed read keeps the record but starts a pack
  EXPECT_EQ(Pack().RotatedLayout, 0);
  EXPECT_EQ(ReplyWaitFloor(), 250u);
  EXPECT_EQ(ScreenConfig().CurrentScreenConfig.Color, 1);
  EXPECT_EQ(Pack().PackLength, 2);
  EXPECT_EQ(Pack().ProgramHeaderPos, -1);
  EXPECT_EQ(File(), (Bytes{0, 0}));
  EXPECT_FALSE(ItemMayStart());
}

TEST_F(PackOps, RotatedLayoutIsSetByInitBufferExAndClearedByEveryInit) {
  EXPECT_EQ(User_InitBufferEx(1, 1), 1);
  EXPECT_EQ(Pack().RotatedLayout, 1);
  EXPECT_EQ(User_InitBuffer(1), 1);
  EXPECT_EQ(Pack().RotatedLayout, 0);
  EXPECT_EQ(User_InitBufferEx(9, 7), 0);  // a failed read still sets it
  EXPECT_EQ(Pack().RotatedLayout, 7);
  EXPECT_EQ(User_InitBufferEx_Ini(1, nullptr), 1);
  EXPECT_EQ(Pack().RotatedLayout, 0);
}

TEST_F(PackOps, AreasGrowTheirProgramAndTheNextProgramFollows) {
  ASSERT_TRUE(InitBuffer(2));
  ASSERT_EQ(AddProgram(0), 0);
  ASSERT_TRUE(ItemMayStart());
  ASSERT_TRUE(BeginArea(4, 8, 16, 64, 32, false));
  const uint8_t body[] = {1, 2, 3, 4, 5};
  ASSERT_TRUE(PackAppend(body, sizeof body));
  ASSERT_TRUE(EndArea(14 + sizeof body));
  ASSERT_EQ(AddProgram(0), 0);
  ASSERT_TRUE(CompletePack());

  PackInfo pack;
  std::string error;
  ASSERT_TRUE(ReadPack(File(), pack, error)) << error;
  ASSERT_EQ(pack.Programs.size(), 2u);
  EXPECT_EQ(pack.ProgramCount, 2);
  EXPECT_EQ(pack.PlaneCount, 2);
  const auto& p1 = pack.Programs[0];
  EXPECT_EQ(p1.AreaCount, 1);
  EXPECT_EQ(p1.Length, 7u + 14u + 5u);
  ASSERT_EQ(p1.Areas.size(), 1u);
  EXPECT_EQ(p1.Areas[0].Number, 1);
  EXPECT_EQ(p1.Areas[0].Type, 4);
  EXPECT_EQ(p1.Areas[0].X, 8);
  EXPECT_EQ(p1.Areas[0].Y, 16);
  EXPECT_EQ(p1.Areas[0].Width, 64);
  EXPECT_EQ(p1.Areas[0].Height, 32);
  EXPECT_EQ(p1.Areas[0].Body, Bytes(body, body + 5));
  EXPECT_EQ(pack.Programs[1].Offset, 2u + p1.Length);
  EXPECT_EQ(pack.Programs[1].Number, 2);
  EXPECT_TRUE(pack.SealValid);
}

TEST_F(PackOps, AreaHeaderKeepsLowSixteenBitsAndCanSwapAxes) {
  ASSERT_TRUE(InitBuffer(1));
  ASSERT_EQ(AddProgram(0), 0);
  ASSERT_TRUE(BeginArea(3, 0x10001, -1, 128, 32, true));
  ASSERT_TRUE(EndArea(14));
  Bytes f = File();
  Bytes header(f.begin() + 9, f.begin() + 23);
  // x and y, width and height exchanged; y = -1 keeps its low 16 bits.
  EXPECT_EQ(header, (Bytes{1, 3, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x20, 0x00, 0x80, 0, 0, 0, 14}));
}

TEST_F(PackOps, PageAreasContinueOnlyForTheSameRectangleInTheSameProgram) {
  ASSERT_TRUE(InitBuffer(1));
  ASSERT_EQ(AddProgram(0), 0);
  const Bytes page(4 * 2, 0xAA);  // 16 x 4 on one plane
  PageHeaderBytes hb{9, 2, 3, 4};
  auto add = [&](int32_t x) {
    std::optional<int32_t> h = OpenPageArea(x, 0, 16, 4);
    EXPECT_TRUE(h.has_value());
    EXPECT_TRUE(AppendPageGroup(*h, hb, 1, page.data(), page.size()));
    return *h;
  };
  EXPECT_EQ(add(0), 16);
  EXPECT_EQ(add(0), 0);      // same rectangle: continued
  EXPECT_EQ(add(8), 16);     // another rectangle
  ASSERT_TRUE(BeginArea(4, 8, 0, 16, 4, false));  // another area type in between
  ASSERT_TRUE(EndArea(14));
  EXPECT_EQ(add(8), 16);
  ASSERT_EQ(AddProgram(0), 0);
  EXPECT_EQ(add(8), 16);     // a new program
  EXPECT_EQ(add(8), 0);

  PackInfo pack;
  std::string error;
  ASSERT_TRUE(ReadPack(File(), pack, error)) << error;
  const auto& areas = pack.Programs[0].Areas;
  ASSERT_EQ(areas.size(), 4u);
  EXPECT_EQ(pack.Programs[0].AreaCount, 5);  // every item call counts
  EXPECT_EQ(areas[0].PageCount, 2);
  EXPECT_EQ(areas[0].GroupSizes, (std::vector<int>{1, 1}));
  EXPECT_EQ(areas[0].Pages[1].Number, 2);
  EXPECT_EQ(areas[0].Pages[1].Effect, 9);
  EXPECT_EQ(areas[0].Length, 14u + 2u + 2u * (5u + 8u));
  EXPECT_EQ(areas[1].PageCount, 1);
  EXPECT_EQ(areas[3].PageCount, 1);
  EXPECT_EQ(pack.Programs[1].Areas[0].PageCount, 2);
}

TEST_F(PackOps, GroupWritesAllHeadersThenAllPages) {
  ASSERT_TRUE(InitBuffer(1));
  ASSERT_EQ(AddProgram(0), 0);
  Bytes pages;
  for (uint8_t p = 0; p < 3; ++p) pages.insert(pages.end(), 8, p);
  std::optional<int32_t> h = OpenPageArea(0, 0, 8, 8);
  ASSERT_TRUE(AppendPageGroup(*h, PageHeaderBytes{1, 2, 3, 4}, 3, pages.data(), 8));
  Bytes f = File();
  Bytes body(f.begin() + 9 + 14, f.end());
  Bytes expected{3, 0, 1, 1, 2, 3, 4, 2, 1, 2, 3, 4, 3, 1, 2, 3, 4};
  expected.insert(expected.end(), pages.begin(), pages.end());
  EXPECT_EQ(body, expected);
}

TEST_F(PackOps, FailedItemLeavesFileAndStateAsTheyWere) {
  ASSERT_TRUE(InitBuffer(1));
  ASSERT_EQ(AddProgram(0), 0);
  const Bytes page(8, 0x55);
  std::optional<int32_t> h = OpenPageArea(0, 0, 8, 8);
  ASSERT_TRUE(AppendPageGroup(*h, PageHeaderBytes{}, 1, page.data(), page.size()));
  const Bytes before = File();
  const PackState state = Pack();
  {
    PackTransaction tx;
    // A continued page area rewrites headers below the old length...
    std::optional<int32_t> h2 = OpenPageArea(0, 0, 8, 8);
    ASSERT_TRUE(AppendPageGroup(*h2, PageHeaderBytes{}, 1, page.data(), page.size()));
    ASSERT_TRUE(BeginArea(5, 0, 0, 8, 8, false));
    // ... and the item fails here without committing.
  }
  EXPECT_EQ(File(), before);
  EXPECT_EQ(Pack().PackLength, state.PackLength);
  EXPECT_EQ(Pack().AreaCounter, state.AreaCounter);
  EXPECT_EQ(Pack().PageCountHeader[0], 1);
  EXPECT_EQ(0, std::memcmp(Pack().ProgramHeader, state.ProgramHeader, 7));
  EXPECT_EQ(Pack().AreaHeaderPos, state.AreaHeaderPos);
}

TEST_F(PackOps, ItemsNeedAnOpenProgramAndASupportedColourMode) {
  EXPECT_FALSE(ItemMayStart());  // nothing since load
  ASSERT_TRUE(InitBuffer(4));
  EXPECT_FALSE(ItemMayStart());  // no program
  ASSERT_EQ(AddProgram(0), 0);
  EXPECT_FALSE(ItemMayStart());  // colour mode 4
  ASSERT_TRUE(InitBuffer(3));
  ASSERT_EQ(AddProgram(0), 0);
  EXPECT_TRUE(ItemMayStart());
}

TEST_F(PackOps, WorkBufferIsAllocatedOnceAtItsFullSize) {
  uint8_t* wb = WorkBuffer();
  ASSERT_NE(wb, nullptr);
  wb[0] = 1;
  wb[kWorkBufferSize - 1] = 2;
  EXPECT_EQ(WorkBuffer(), wb);
}

TEST(PackMappings, FrameInsetEffectCodeAndFontDescriptor) {
  struct {
    int32_t In, Out;
  } insets[] = {{1, 1}, {2, 2}, {3, 3}, {4, 1}, {11, 1}, {12, 0}, {0, 0}, {-2, 0}, {INT32_MAX, 0}};
  for (auto c : insets) EXPECT_EQ(FrameInset(c.In), c.Out) << c.In;
  struct {
    int32_t In, Out;
  } effects[] = {{33, 33}, {34, 15}, {35, 16}, {36, 17}, {37, 18}, {38, 38}, {17, 23}, {18, 18}, {-1, -1}, {0, 0}};
  for (auto c : effects) EXPECT_EQ(MapEffectCode(c.In), c.Out) << c.In;

  const std::string hei = Utf8ToGbk("黑体");
  FontSpec f{};
  f.FaceName = hei.c_str();
  f.Size = 16;
  f.TextColor = 2;
  EXPECT_EQ(MakeFontDescriptor(f), (std::array<uint8_t, 4>{0x7F, 2, 0x10, 1}));
  struct {
    const char* Face;
    uint8_t Code;
  } faces[] = {{"宋体", 1}, {"黑体", 2}, {"楷体_GB2312", 3}, {"隶书", 4}, {"楷体", 1}, {"Arial", 1}, {"楷体_gb2312", 1}};
  for (auto c : faces) {
    std::string gbk = Utf8ToGbk(c.Face);
    f.FaceName = gbk.c_str();
    f.Size = 0x118;
    f.TextColor = 0;
    EXPECT_EQ(MakeFontDescriptor(f), (std::array<uint8_t, 4>{0x7F, c.Code, 0x18, 0})) << c.Face;
  }
  f.FaceName = nullptr;
  for (uint8_t color : {1, 2, 3, 4, 255}) {
    f.TextColor = color;
    EXPECT_EQ(MakeFontDescriptor(f)[3], color <= 3 ? color - 1 : 0) << int(color);
  }
}

TEST(SwapAreaAxes, ExchangesXWithYAndWidthWithHeight) {
  std::array<uint8_t, 14> header = {1, 2, 0x00, 0x10, 0x00, 0x20, 0x01, 0x00, 0x00, 0x40, 0, 0, 0, 14};
  SwapAreaAxes(header);
  EXPECT_EQ(header, (std::array<uint8_t, 14>{1, 2, 0x00, 0x20, 0x00, 0x10, 0x00, 0x40, 0x01, 0x00, 0, 0, 0, 14}));

  uint8_t frame[14] = {0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 9, 9, 9, 9, 9, 9};
  SwapAreaAxes(std::span<uint8_t, 8>(frame, 8));
  const uint8_t want[14] = {0x00, 0x02, 0x00, 0x01, 0x00, 0x04, 0x00, 0x03, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(0, std::memcmp(frame, want, 14));
}

TEST(RotateEffectCode, MapsTheTableAndLeavesOtherCodes) {
  const std::pair<int, int> table[] = {{1, 3},   {3, 1},   {2, 4},   {4, 2},   {5, 7},   {7, 6},   {6, 8},
                                       {8, 5},   {9, 10},  {10, 9},  {11, 13}, {13, 11}, {12, 14}, {14, 12},
                                       {15, 17}, {17, 15}, {16, 18}, {18, 16}, {41, 43}, {43, 41}, {42, 44},
                                       {44, 42}, {45, 46}, {46, 45}, {49, 50}, {50, 49}};
  for (auto [from, to] : table) EXPECT_EQ(RotateEffectCode(from), to) << from;
  for (int other : {0, 19, 20, 40, 47, 48, 51, 255, -1}) EXPECT_EQ(RotateEffectCode(other), other);
  // 5 to 8 form one cycle: twice does not restore them, four times does.
  EXPECT_EQ(RotateEffectCode(RotateEffectCode(5)), 6);
  EXPECT_EQ(RotateEffectCode(RotateEffectCode(RotateEffectCode(RotateEffectCode(5)))), 5);
  EXPECT_EQ(RotateEffectCode(RotateEffectCode(1)), 1);
}

TEST_F(PackOps, PackReaderGivesTheStructureAndNamesWhereADamagedPackGoesWrong) {
  ASSERT_TRUE(InitBuffer(2));
  ASSERT_EQ(AddProgram(3), 0);
  const Bytes page(2 * 8, 0x81);  // 8 x 8 pixels, two planes
  std::optional<int32_t> opened = OpenPageArea(8, 0, 8, 8);
  ASSERT_TRUE(opened.has_value());
  ASSERT_TRUE(AppendPageGroup(*opened, PageHeaderBytes{1, 2, 3, 4}, 1, page.data(), page.size()));
  ASSERT_TRUE(CompletePack());
  const Bytes sealed = File();

  PackInfo pack;
  std::string error;
  ASSERT_TRUE(ReadPack(sealed, pack, error)) << error;
  EXPECT_TRUE(pack.SealValid);
  EXPECT_EQ(pack.PlaneCount, 2);
  ASSERT_EQ(pack.Programs.size(), 1u);
  EXPECT_EQ(pack.Programs[0].Option, 3);
  ASSERT_EQ(pack.Programs[0].Areas.size(), 1u);
  const AreaInfo& area = pack.Programs[0].Areas[0];
  EXPECT_EQ(area.Type, 2);
  EXPECT_EQ(area.X, 8);
  ASSERT_EQ(area.Pages.size(), 1u);
  EXPECT_EQ(area.Pages[0].Effect, 1);
  EXPECT_EQ(area.Pages[0].Pixels, page);

  Bytes badSeal = sealed;
  badSeal.back() ^= 1;
  ASSERT_TRUE(ReadPack(badSeal, pack, error));
  EXPECT_FALSE(pack.SealValid);

  Bytes longArea = sealed;
  longArea[2 + 7 + 13] += 1;  // the area claims one byte more than its program holds
  EXPECT_FALSE(ReadPack(longArea, pack, error));
  EXPECT_NE(error.find("area at 9"), std::string::npos) << error;

  EXPECT_FALSE(ReadPack(Bytes{1}, pack, error));
}

}  // namespace
}  // namespace vexilo

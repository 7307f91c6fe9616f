// A library loaded with four screens (colour modes 1, 2, 3 and 4) and a pack
// read back through the pack reader, for the clock and timer item tests.
#pragma once
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "HostLibrary.h"
#include "frame/HostFilesUnit.h"
#include "lang/CodePageUnit.h"
#include "pack/PackReaderUnit.h"

namespace vexilo {

using Bytes = std::vector<uint8_t>;

inline const std::string& SongFace() {
  static const std::string face = Utf8ToGbk("宋体");
  return face;
}

class LiveItems : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = testing::MakeTempFolder("live");
    testing::WriteTextFile(home_ + "/LED.INI", Utf8ToGbk("[地址: 1]\nCOMPort=COM1\nColor=1\n"
                                                         "[地址: 2]\nCOMPort=COM1\nColor=2\n"
                                                         "[地址: 3]\nCOMPort=COM1\nColor=3\n"
                                                         "[地址: 4]\nCOMPort=COM1\nColor=4\n"));
    library_.emplace(home_);
  }
  void TearDown() override { library_.reset(); }

  void Start(int screen, uint8_t rotated = 0) {
    ASSERT_EQ(User_InitBufferEx(screen, rotated), 1);
    ASSERT_EQ(User_AddProgram(0, 0), 0);
  }
  Bytes File() { return ReadWholeFile(home_ + "/Swap.Dat"); }
  PackInfo Read() {
    PackInfo pack;
    std::string error;
    EXPECT_TRUE(ReadPack(File(), pack, error)) << error;
    return pack;
  }
  // The last area of the first program (a copy: packs are temporaries).
  AreaInfo LastArea() {
    PackInfo pack = Read();
    if (pack.Programs.empty() || pack.Programs[0].Areas.empty()) return AreaInfo{};
    return pack.Programs[0].Areas.back();
  }

  static FontSpec Font(int size = 16, uint8_t color = 1) {
    FontSpec f{};
    f.FaceName = SongFace().c_str();
    f.Size = size;
    f.TextColor = color;
    return f;
  }

  std::string home_;
  std::optional<testing::LoadedLibrary> library_;
};

// Pixel (x, y) of plane `plane` of pixel data `width` pixels wide in `planes` planes.
inline bool Lit(const Bytes& data, int width, int x, int y, int planes = 1, int plane = 0) {
  const size_t row = (static_cast<size_t>(width) + 7) / 8;
  const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(planes) + static_cast<size_t>(plane)) * row +
                    static_cast<size_t>(x) / 8;
  return ((data[at] >> (7 - x % 8)) & 1) != 0;
}

// Lit pixels of one plane in columns x0 .. x1 - 1 and rows y0 .. y1 - 1.
inline int LitIn(const Bytes& data, int width, int x0, int x1, int y0, int y1, int planes = 1, int plane = 0) {
  int n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) n += Lit(data, width, x, y, planes, plane) ? 1 : 0;
  }
  return n;
}

}  // namespace vexilo

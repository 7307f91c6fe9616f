// Decoding agrees with an independent decoder: Pillow writes pictures of
// every format and the pixels it reads back from them
// (make_pillow_fixtures.py); each file, loaded by its name, must give the
// same pixels. Pillow is installed by scripts/setup.sh: without it these
// tests fail rather than pass unchecked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "PictureTestKit.h"
#include "picture/PictureFileUnit.h"

namespace vexilo::testing {
namespace {

const std::string kFixtures = VEXILO_BINARY_DIR "/picture-fixtures";

// The first Python that has Pillow: Debian's own before whatever PATH finds.
std::string PythonWithPillow() {
  for (const char* python : {"/usr/bin/python3", "python3"}) {
    std::string probe = std::string(python) + " -c 'import PIL' >/dev/null 2>&1";
    if (std::system(probe.c_str()) == 0) return python;
  }
  return {};
}

struct Fixture {
  std::string Name;
  int Width = 0, Height = 0, Tolerance = 0;
};

class PillowAgreement : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string python = PythonWithPillow();
    if (python.empty()) {
      setupError_ = "no python3 with Pillow (python3-pil); scripts/setup.sh installs it";
      return;
    }
    const std::string command = python + " " VEXILO_SOURCE_DIR "/tests/picture/make_pillow_fixtures.py " + kFixtures;
    if (std::system(command.c_str()) != 0) setupError_ = "the fixture script failed: " + command;
  }
  void SetUp() override { ASSERT_TRUE(setupError_.empty()) << setupError_; }

  static std::vector<Fixture> Manifest() {
    std::vector<Fixture> fixtures;
    std::ifstream in(kFixtures + "/manifest.txt");
    Fixture f;
    while (in >> f.Name >> f.Width >> f.Height >> f.Tolerance) fixtures.push_back(f);
    return fixtures;
  }

  static inline std::string setupError_;
};

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(PillowAgreement, EveryFormatDecodesToPillowsPixels) {
  std::vector<Fixture> fixtures = Manifest();
  // Every format that the fixture script writes; a shorter manifest means
  // the script broke.
  ASSERT_EQ(fixtures.size(), 37u);
  for (const Fixture& f : fixtures) {
    SCOPED_TRACE(f.Name);
    std::string error;
    RasterPtr raster = LoadPictureFile(kFixtures + "/" + f.Name, error);
    ASSERT_NE(raster, nullptr) << error;
    ASSERT_EQ(raster->Width, f.Width);
    ASSERT_EQ(raster->Height, f.Height);
    std::vector<uint8_t> expected = ReadAll(kFixtures + "/" + f.Name + ".rgb");
    ASSERT_EQ(expected.size(), static_cast<size_t>(f.Width) * f.Height * 3);
    int worst = 0, wrong = 0;
    std::string first;
    for (int y = 0; y < f.Height; ++y) {
      for (int x = 0; x < f.Width; ++x) {
        uint32_t got = PixelAt(*raster, x, y);
        const uint8_t* want = expected.data() + (static_cast<size_t>(y) * f.Width + x) * 3;
        for (int c = 0; c < 3; ++c) {
          int diff = std::abs(static_cast<int>((got >> (16 - 8 * c)) & 0xFF) - want[c]);
          worst = std::max(worst, diff);
          if (diff > f.Tolerance && wrong++ == 0) {
            std::ostringstream where;
            where << "first at (" << x << ", " << y << ") channel " << c << ": " << ((got >> (16 - 8 * c)) & 0xFF)
                  << " where Pillow has " << int{want[c]};
            first = where.str();
          }
        }
      }
    }
    EXPECT_EQ(wrong, 0) << wrong << " samples differ by more than " << f.Tolerance << "; " << first;
    RecordProperty(f.Name, worst);
  }
}

TEST_F(PillowAgreement, CutFilesOfEveryFormatFailWithoutCrashing) {
  // Pillow's files cut in half and cut by one byte. Cutting off trailing
  // data that no decoder needs (a TGA footer) may still decode; everything
  // else must fail with a reason, never read past the cut.
  for (const Fixture& f : Manifest()) {
    std::vector<uint8_t> file = ReadAll(kFixtures + "/" + f.Name);
    for (size_t keep : {file.size() / 2, file.size() / 4, size_t{10}}) {
      SCOPED_TRACE(f.Name + " cut to " + std::to_string(keep));
      std::string path = kFixtures + "/cut-" + f.Name;
      {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(keep));
      }
      std::string error;
      EXPECT_EQ(LoadPictureFile(path, error), nullptr);
      EXPECT_NE(error.find(path), std::string::npos) << error;
    }
  }
}

}  // namespace
}  // namespace vexilo::testing

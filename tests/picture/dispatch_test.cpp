// Picture files: the decoder is chosen by the extension in any case; known
// formats that are no plain rasters, unknown extensions, missing files,
// folders and FIFOs fail with a message naming the file and the reason.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "PictureTestKit.h"
#include "PictureWriters.h"
#include "picture/PictureFileUnit.h"

namespace vexilo::testing {
namespace {

namespace fs = std::filesystem;

class PictureFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(VEXILO_BINARY_DIR) / "picture-dispatch" /
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::string path = Path(name);
    EXPECT_TRUE(WriteBytesToFile(path, bytes)) << path;
    return path;
  }
  fs::path dir_;
};

std::vector<uint8_t> Bmp2x1() { return WriteBmp24(2, 1, {0xFF0000, 0x00FF00}); }
std::vector<uint8_t> Tga1x1() { return {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 0xFF, 0, 0}; }  // blue
std::vector<uint8_t> Pnm1x1() { return {'P', '3', ' ', '1', ' ', '1', ' ', '1', ' ', '1', ' ', '0', ' ', '1'}; }

TEST_F(PictureFiles, TheExtensionChoosesTheDecoderInAnyCase) {
  struct Case {
    std::string Name;
    std::vector<uint8_t> Bytes;
    std::vector<std::string> Expected;
  };
  const std::vector<Case> cases = {
      {"a.bmp", Bmp2x1(), {"rg"}},      {"b.BMP", Bmp2x1(), {"rg"}},     {"c.Dib", Bmp2x1(), {"rg"}},
      {"d.rLe", Bmp2x1(), {"rg"}},      {"e.TGA", Tga1x1(), {"b"}},      {"f.Vst", Tga1x1(), {"b"}},
      {"g.ppm", Pnm1x1(), {"m"}},       {"h.PPM", Pnm1x1(), {"m"}},      {"dots.in.name.bmp", Bmp2x1(), {"rg"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string error;
    EXPECT_TRUE(RasterIs(LoadPictureFile(Write(c.Name, c.Bytes), error).get(), c.Expected)) << error;
  }
}

TEST_F(PictureFiles, KnownFormatsThatAreNoPlainRastersAreUnsupported) {
  // The file exists and holds a valid bitmap: the extension alone decides.
  for (const char* name : {"icon.ico", "ICON.ICO", "v.wmf", "v.EMF", "p.psd", "p.eps", "s.sgi", "s.rgb", "k.pcd",
                           "c.cut", "a.pic", "a.cel", "w.rla", "x.bw"}) {
    SCOPED_TRACE(name);
    std::string path = Write(name, Bmp2x1()), error;
    EXPECT_EQ(LoadPictureFile(path, error), nullptr);
    EXPECT_EQ(error.rfind(path + ": unsupported picture format", 0), 0u) << error;
  }
  std::string error;
  LoadPictureFile(Write("i.ico", Bmp2x1()), error);
  EXPECT_NE(error.find("icons are not plain rasters"), std::string::npos) << error;
  LoadPictureFile(Write("m.wmf", Bmp2x1()), error);
  EXPECT_NE(error.find("vector pictures"), std::string::npos) << error;
}

TEST_F(PictureFiles, UnknownExtensionsAreUnknownFormats) {
  for (const char* name : {"x.xyz", "x.bmpx", "x.jp", "noextension", "x.", "folder.bmp/picture"}) {
    SCOPED_TRACE(name);
    std::string path = Path(name), error;
    EXPECT_EQ(LoadPictureFile(path, error), nullptr);
    EXPECT_EQ(error.rfind(path + ": unknown picture format", 0), 0u) << error;
  }
}

TEST_F(PictureFiles, FilesThatCannotBeReadFailNamingTheFile) {
  fs::create_directories(dir_ / "folder.bmp");
  ASSERT_EQ(::mkfifo(Path("fifo.bmp").c_str(), 0600), 0);
  Write("empty.bmp", {});
  Write("text.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
  Write("bitmap.jpg", Bmp2x1());
  struct Case {
    std::string Name, Reason;
  };
  const std::vector<Case> cases = {
      {"missing.bmp", "No such file"},      {"folder.bmp", "folder"},     {"fifo.bmp", "not a regular file"},
      {"empty.bmp", "no bitmap data"},      {"text.png", "not a PNG"},    {"bitmap.jpg", "not a JPEG"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string path = Path(c.Name), error;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LoadPictureFile(path, error), nullptr);
    // A FIFO without a writer is never waited on.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(c.Reason), std::string::npos) << error;
  }
}

TEST_F(PictureFiles, FilesAboveTheSizeBoundAreRefusedUnread) {
  // A sparse file: larger than the bound without taking the disk space.
  std::string path = Path("huge.bmp");
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  fs::resize_file(path, kMaxPictureFileBytes + 1);
  std::string error;
  AllocationProbe probe;
  EXPECT_EQ(LoadPictureFile(path, error), nullptr);
  EXPECT_LT(probe.Largest(), size_t{1} << 20);
  EXPECT_NE(error.find("larger than 256 MiB"), std::string::npos) << error;
}

TEST_F(PictureFiles, GifFilesReachTheGifReader) {
  // GIF89a, 1 x 1, a global table of two colours, one red pixel.
  const std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0, 0, 0, 0,
                                    0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
  std::string path = Write("red.GIF", gif), error;
  RasterPtr raster = LoadPictureFile(path, error);
  if (raster) {
    EXPECT_TRUE(RasterIs(raster.get(), {"r"}));
  } else {
    // Until the GIF reader decodes, its own refusal comes back, named by file.
    EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    EXPECT_EQ(error.find("unknown picture format"), std::string::npos) << error;
    EXPECT_EQ(error.find("unsupported picture format"), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace vexilo::testing

// PNG, JPEG and TIFF headers that claim huge pictures fail before anything
// near their size is allocated, with the reason.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "PictureTestKit.h"
#include "base/ByteOrderUnit.h"
#include "picture/JpegPictureUnit.h"
#include "picture/PngPictureUnit.h"
#include "picture/TiffPictureUnit.h"

namespace vexilo::testing {
namespace {

using Bytes = std::vector<uint8_t>;

void Chunk(Bytes& png, const char* type, const Bytes& body) {
  uint8_t length[4];
  PutBe32(length, static_cast<uint32_t>(body.size()));
  png.insert(png.end(), length, length + 4);
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), body.begin(), body.end());
  png.insert(png.end(), typed.begin(), typed.end());
  uint8_t crc[4];
  PutBe32(crc, static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
  png.insert(png.end(), crc, crc + 4);
}

Bytes PngClaiming(uint32_t width, uint32_t height) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header(13, 0);
  PutBe32(header.data(), width);
  PutBe32(header.data() + 4, height);
  header[8] = 8;  // 8-bit RGB
  header[9] = 2;
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
  Chunk(png, "IEND", {});
  return png;
}

Bytes JpegClaiming(uint16_t width, uint16_t height) {
  Bytes jpeg = {0xFF, 0xD8,                                   // start of image
                0xFF, 0xC0, 0, 11, 8, 0, 0, 0, 0, 1, 1, 0x11, 0,  // baseline frame, one component
                0xFF, 0xDA, 0, 8, 1, 1, 0x00, 0, 63, 0,       // start of scan
                0x00, 0x00, 0xFF, 0xD9};
  PutBe16(jpeg.data() + 7, height);
  PutBe16(jpeg.data() + 9, width);
  return jpeg;
}

Bytes TiffClaiming(uint32_t width, uint32_t height) {
  // One IFD of eight entries, little-endian, an uncompressed grey strip of one byte.
  Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 8, 0};
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
    uint8_t e[12] = {};
    PutLe16(e, tag);
    PutLe16(e + 2, type);
    PutLe32(e + 4, 1);
    PutLe32(e + 8, value);
    tiff.insert(tiff.end(), e, e + 12);
  };
  entry(256, 4, width);
  entry(257, 4, height);
  entry(258, 3, 8);
  entry(259, 3, 1);
  entry(262, 3, 1);
  entry(273, 4, 8 + 2 + 8 * 12 + 4);
  entry(278, 4, height);
  entry(279, 4, 1);
  tiff.insert(tiff.end(), {0, 0, 0, 0, 0x80});
  return tiff;
}

TEST(LibraryFormats, HugeClaimedPicturesFailWithoutALargeAllocation) {
  struct Case {
    std::string Name;
    Bytes File;
    RasterPtr (*Decode)(const uint8_t*, size_t, std::string&);
    std::string Reason;
  };
  const std::vector<Case> cases = {
      {"PNG 40000 x 1", PngClaiming(40000, 1), DecodePng, "damaged PNG"},
      {"PNG 8192 x 8193", PngClaiming(8192, 8193), DecodePng, "too large"},
      {"PNG 0 x 1", PngClaiming(0, 1), DecodePng, "damaged PNG"},
      {"JPEG 65000 x 65000", JpegClaiming(65000, 65000), DecodeJpeg, "too large"},
      {"JPEG 8193 x 8192", JpegClaiming(8193, 8192), DecodeJpeg, "too large"},
      {"TIFF 60000 x 60000", TiffClaiming(60000, 60000), DecodeTiff, "too large"},
      {"TIFF 8192 x 8193", TiffClaiming(8192, 8193), DecodeTiff, "too large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string error;
    AllocationProbe probe;
    EXPECT_EQ(c.Decode(c.File.data(), c.File.size(), error), nullptr);
    EXPECT_NE(error.find(c.Reason), std::string::npos) << error;
    EXPECT_LT(probe.Largest(), size_t{1} << 20);
  }
}

TEST(LibraryFormats, SmallClaimedPicturesWithoutDataFail) {
  // Valid headers, pixel data missing or damaged: a failure, not a made-up picture.
  std::string error;
  Bytes png = PngClaiming(4, 4);
  EXPECT_EQ(DecodePng(png.data(), png.size(), error), nullptr);
  EXPECT_NE(error.find("damaged PNG"), std::string::npos) << error;
  Bytes jpeg = JpegClaiming(4, 4);
  EXPECT_EQ(DecodeJpeg(jpeg.data(), jpeg.size(), error), nullptr);
  EXPECT_NE(error.find("JPEG"), std::string::npos) << error;
  Bytes tiff = TiffClaiming(4, 4);
  EXPECT_EQ(DecodeTiff(tiff.data(), tiff.size(), error), nullptr);
  EXPECT_NE(error.find("TIFF"), std::string::npos) << error;
}

}  // namespace
}  // namespace vexilo::testing

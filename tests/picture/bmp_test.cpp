// The bitmap reader: every header form, depth and compression on small
// bitmaps written here, checked pixel by pixel; and hostile data (cut short,
// lying sizes and offsets, huge dimensions), which must fail with a reason.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "PictureTestKit.h"
#include "PictureWriters.h"
#include "base/ByteOrderUnit.h"
#include "picture/BmpUnit.h"

namespace vexilo::testing {
namespace {

using Rows = std::vector<std::string>;

// A bitmap of palette indices: each letter of rows is the index of that
// letter in paletteLetters, whose colours are the palette.
std::vector<uint8_t> Indexed(BmpLayout layout, const std::string& paletteLetters, const Rows& rows) {
  for (char c : paletteLetters) layout.Palette.push_back(Legend(c));
  std::vector<std::vector<uint32_t>> values;
  for (const std::string& row : rows) {
    values.emplace_back();
    for (char c : row) values.back().push_back(static_cast<uint32_t>(paletteLetters.find(c)));
  }
  return WriteBmp(layout, static_cast<int>(rows[0].size()), values);
}

// A bitmap of stored pixel values, each letter of rows given by encode.
template <typename Encode>
std::vector<uint8_t> Direct(const BmpLayout& layout, const Rows& rows, Encode encode) {
  std::vector<std::vector<uint32_t>> values;
  for (const std::string& row : rows) {
    values.emplace_back();
    for (char c : row) values.back().push_back(encode(c));
  }
  return WriteBmp(layout, static_cast<int>(rows[0].size()), values);
}

// Pixels of 5-5-5 and 5-6-5 bit fields; h is the 5-bit (and 6-bit) middle.
uint32_t Rgb555(char c) {
  switch (c) {
    case 'r': return 0x7C00;
    case 'g': return 0x03E0;
    case 'b': return 0x001F;
    case 'w': return 0xFFFF;  // the unused top bit set
    case 'h': return (16 << 10) | (16 << 5) | 16;
    default: return 0;
  }
}
uint32_t Rgb565(char c) {
  switch (c) {
    case 'r': return 0xF800;
    case 'g': return 0x07E0;
    case 'b': return 0x001F;
    case 'w': return 0xFFFF;
    default: return 0;
  }
}
uint32_t Rgb888(char c) { return Legend(c) | 0xAB000000; }  // alpha (or padding) is ignored
// 10-10-10 fields; 528 of 1023 scales to 132.
uint32_t Rgb101010(char c) {
  uint32_t v = Legend(c);
  auto ten = [](uint32_t byte) { return byte == 0xFF ? 1023u : byte == 0x84 ? 528u : 0u; };
  return (ten(v >> 16) << 20) | (ten((v >> 8) & 0xFF) << 10) | ten(v & 0xFF) | 0xC0000000;
}
// Red in the low byte, blue in the third, alpha on top.
uint32_t Rgba8888Reversed(char c) {
  uint32_t v = Legend(c);
  return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16) | 0x7F000000;
}

struct BmpCase {
  std::string Name;
  std::vector<uint8_t> File;
  Rows Expected;
};

std::vector<BmpCase> DecodeCases() {
  const Rows picture = {"rgbwk", "kwrgb", "bkwhr"};
  std::vector<BmpCase> cases;
  auto add = [&](std::string name, std::vector<uint8_t> file, Rows expected) {
    cases.push_back({std::move(name), std::move(file), std::move(expected)});
  };
  // 1 bit, 13 pixels a row: bits cross bytes and the row is padded.
  const Rows mono = {"azzaazazzzaza", "zzzzzzzzzzzza", "aaaaaaaazaaaa"};
  add("1 bit", Indexed({.Bits = 1}, "az", mono), mono);
  add("2 bits, bare DIB", Indexed({.Bits = 2, .FileHeader = false}, "rgbw", {"rgbwb", "wwgrr"}),
      {"rgbwb", "wwgrr"});
  // Ten of sixteen entries: the pixel-data offset leaves room for no more.
  add("4 bits, short palette by offset", Indexed({.Bits = 4}, "kwrgbycmaz", {"kwrgbycmaz", "zamcybgrwk", "aaaaammmmm"}),
      {"kwrgbycmaz", "zamcybgrwk", "aaaaammmmm"});
  add("8 bits", Indexed({.Bits = 8}, "kwrgbycmazh", {"hzamc", "ybgrw"}), {"hzamc", "ybgrw"});
  {
    // biClrUsed 3: indices 3 and above are black although the file holds more bytes.
    BmpLayout layout{.Bits = 8, .ColorsUsed = 3, .Palette = {Legend('r'), Legend('g'), Legend('b')}};
    add("8 bits, biClrUsed 3, indices past it black", WriteBmp(layout, 4, {{0, 1, 2, 3}, {255, 2, 1, 0}}),
        {"rgbk", "kbgr"});
  }
  {
    // A bare DIB with biClrUsed: its pixels follow the three entries directly.
    BmpLayout layout{.Bits = 8, .FileHeader = false, .ColorsUsed = 3,
                     .Palette = {Legend('w'), Legend('a'), Legend('z')}};
    add("8 bits, bare DIB with biClrUsed", WriteBmp(layout, 3, {{0, 1, 2}, {2, 2, 0}}), {"waz", "zzw"});
  }
  add("16 bits, default 5-5-5", Direct({.Bits = 16}, picture, Rgb555), picture);
  add("16 bits, 5-6-5 bit fields",
      Direct({.Bits = 16, .Compression = 3, .Masks = {0xF800, 0x07E0, 0x001F}}, {"rgbwk", "kwrgb"}, Rgb565),
      {"rgbwk", "kwrgb"});
  add("24 bits, top-down, padded rows", Direct({.Bits = 24, .TopDown = true}, picture, Legend), picture);
  add("24 bits, V5 header", Direct({.Bits = 24, .InfoSize = 124}, picture, Legend), picture);
  add("32 bits, default 8-8-8", Direct({.Bits = 32}, picture, Rgb888), picture);
  add("32 bits, 10-10-10 bit fields in a V4 header",
      Direct({.Bits = 32, .Compression = 3, .InfoSize = 108, .Masks = {0x3FF00000, 0x000FFC00, 0x000003FF}}, picture,
             Rgb101010),
      picture);
  add("32 bits, alpha bit fields after a 40-byte header",
      Direct({.Bits = 32, .Compression = 6, .Masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}}, picture,
             Rgba8888Reversed),
      picture);
  add("32 bits, bit fields in a V3 header", Direct({.Bits = 32, .Compression = 3, .InfoSize = 56,
                                                    .Masks = {0x00FF0000, 0x0000FF00, 0x000000FF}},
                                                   picture, Rgb888),
      picture);
  add("OS/2 1.x core header, 8 bits, 3-byte palette", Indexed({.Bits = 8, .InfoSize = 12}, "kwrgb", {"kwrgb", "bgrwk"}),
      {"kwrgb", "bgrwk"});
  add("OS/2 1.x core header, 24 bits", Direct({.Bits = 24, .InfoSize = 12}, picture, Legend), picture);
  add("OS/2 2.x 16-byte header, 4 bits", Indexed({.Bits = 4, .InfoSize = 16}, "rgbw", {"rgbwr", "wbgrw"}),
      {"rgbwr", "wbgrw"});
  add("OS/2 2.x 64-byte header, 1 bit", Indexed({.Bits = 1, .InfoSize = 64}, "rz", {"rzzr"}), {"rzzr"});

  // RLE8, rows bottom-up: a run, an odd absolute run (padded), end of line;
  // two pixels then a delta of (+2, +1); a run; end of line; a run that goes
  // past the right edge (cut); end of bitmap. Skipped pixels are black.
  add("RLE8 runs, absolute run, delta, end of line and bitmap",
      WriteBmpData({.Bits = 8, .Compression = 1, .Palette = {Legend('k'), Legend('w'), Legend('r'), Legend('g'),
                                                             Legend('b'), Legend('y')}},
                   6, 4,
                   {3, 2, 0, 3, 3, 4, 5, 0, 0, 0, 2, 1, 0, 2, 2, 1, 2, 3, 0, 0, 8, 4, 0, 1}),
      {"bbbbbb", "kkkkgg", "wwkkkk", "rrrgby"});
  // RLE4: a run of two alternating nibbles; an absolute run of five nibbles
  // (three bytes, padded to four); a delta right; a run; end of bitmap
  // leaving the rest of the row black.
  add("RLE4 alternating runs, odd absolute run, delta, end of bitmap",
      WriteBmpData({.Bits = 4, .Compression = 2, .Palette = {Legend('k'), Legend('w'), Legend('r'), Legend('g'),
                                                             Legend('b'), Legend('y'), Legend('c'), Legend('m')}},
                   5, 3,
                   {5, 0x23, 0, 0, 0, 5, 0x45, 0x67, 0x10, 0x00, 0, 0, 0, 2, 1, 0, 2, 0x77, 0, 1}),
      {"kmmkk", "bycmw", "rgrgr"});
  // A stream that ends after the end of line of the top row needs no end of bitmap.
  add("RLE8 ending after the top row without end of bitmap",
      WriteBmpData({.Bits = 8, .Compression = 1, .Palette = {Legend('a'), Legend('z')}}, 2, 2,
                   {2, 1, 0, 0, 1, 0, 0, 0}),
      {"ak", "zz"});
  // A delta that moves past the top row ends the picture.
  add("RLE8 delta past the top row",
      WriteBmpData({.Bits = 8, .Compression = 1, .Palette = {Legend('k'), Legend('c')}}, 2, 2, {1, 1, 0, 2, 0, 9}),
      {"kk", "ck"});
  return cases;
}

TEST(Bmp, DecodesEveryHeaderDepthAndCompressionPixelByPixel) {
  for (const BmpCase& c : DecodeCases()) {
    SCOPED_TRACE(c.Name);
    std::string error;
    RasterPtr raster = DecodeBmp(c.File.data(), c.File.size(), error);
    EXPECT_TRUE(RasterIs(raster.get(), c.Expected)) << error;
  }
}

TEST(Bmp, EveryCutOfAFileFailsWithAReason) {
  // Files whose last byte is needed: unpadded last rows, an RLE stream
  // that ends with its end-of-bitmap mark.
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
      {"8 bits", Indexed({.Bits = 8}, "kwrgb", {"kwrg", "bgrw"})},
      {"24 bits V5", Direct({.Bits = 24, .InfoSize = 124}, {"rgbw", "wbgr"}, Legend)},
      {"16-bit fields", Direct({.Bits = 16, .Compression = 3, .Masks = {0xF800, 0x07E0, 0x001F}}, {"rg", "bw"}, Rgb565)},
      {"core 4 bits", Indexed({.Bits = 4, .InfoSize = 12}, "rgbw", {"rgbwrgbw"})},
      {"bare DIB", Indexed({.Bits = 8, .FileHeader = false, .ColorsUsed = 2}, "rg", {"rgrg"})},
      {"RLE8", WriteBmpData({.Bits = 8, .Compression = 1, .Palette = {Legend('r')}}, 4, 2,
                            {4, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 1})},
      {"RLE4", WriteBmpData({.Bits = 4, .Compression = 2, .Palette = {Legend('r'), Legend('g')}}, 4, 1,
                            {0, 3, 0x01, 0x10, 0, 1})},
  };
  for (const auto& [name, file] : files) {
    SCOPED_TRACE(name);
    std::string error;
    ASSERT_NE(DecodeBmp(file.data(), file.size(), error), nullptr) << error;
    for (size_t n = 0; n < file.size(); ++n) {
      std::vector<uint8_t> cut(file.begin(), file.begin() + n);  // its own buffer, so ASan sees overreads
      error.clear();
      EXPECT_EQ(DecodeBmp(cut.data(), cut.size(), error), nullptr) << "cut at " << n;
      EXPECT_FALSE(error.empty()) << "cut at " << n;
    }
  }
}

// A valid 24-bit 2 x 2 bitmap to damage field by field.
std::vector<uint8_t> Plain24() { return Direct({.Bits = 24}, {"rg", "bw"}, Legend); }

struct HostileCase {
  std::string Name;
  std::vector<uint8_t> File;
  std::string Reason;  // a part of the message
};

std::vector<HostileCase> HostileCases() {
  std::vector<HostileCase> cases;
  auto patched = [](std::vector<uint8_t> file, size_t at, uint32_t value, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return file;
  };
  const std::vector<uint8_t> plain = Plain24();
  cases.push_back({"pixel offset past the end", patched(plain, 10, 5000), "beyond the end"});
  cases.push_back({"pixel offset past 4 GiB wraps nowhere", patched(plain, 10, 0xFFFFFFF0), "beyond the end"});
  cases.push_back({"pixel offset inside the headers", patched(plain, 10, 20), "inside the bitmap headers"});
  cases.push_back({"header size 0", patched(plain, 14, 0), "header size"});
  cases.push_back({"header size 1000", patched(plain, 14, 1000), "header size"});
  cases.push_back({"header size past the data", patched(plain, 14, 124), "ends inside its headers"});
  cases.push_back({"width 0", patched(plain, 18, 0), "no pixels"});
  cases.push_back({"negative width", patched(plain, 18, static_cast<uint32_t>(-2)), "no pixels"});
  cases.push_back({"height 0", patched(plain, 22, 0), "no pixels"});
  cases.push_back({"height -2^31", patched(plain, 22, 0x80000000u), "too large"});
  cases.push_back({"width 2^31-1", patched(plain, 18, 0x7FFFFFFF), "too large"});
  cases.push_back({"8192 x 8193 pixels", patched(patched(plain, 18, 8192), 22, 8193), "too large"});
  cases.push_back({"8192 x 8192 pixels in 12 bytes", patched(patched(plain, 18, 8192), 22, 8192), "ends early"});
  cases.push_back({"rows wider than the data", patched(plain, 18, 30000), "ends early"});
  cases.push_back({"7 bits per pixel", patched(plain, 28, 7, 2), "not supported"});
  cases.push_back({"0 bits per pixel", patched(plain, 28, 0, 2), "not supported"});
  cases.push_back({"embedded JPEG", patched(plain, 30, 4), "JPEG"});
  cases.push_back({"embedded PNG", patched(plain, 30, 5), "PNG"});
  cases.push_back({"compression 99", patched(plain, 30, 99), "compression"});
  cases.push_back({"RLE8 at 24 bits", patched(plain, 30, 1), "RLE8"});
  cases.push_back({"bit fields at 24 bits", patched(plain, 30, 3), "bit-field"});
  cases.push_back({"OS/2 Huffman", Indexed({.Bits = 1, .Compression = 3, .InfoSize = 64}, "kw", {"kw"}), "Huffman"});
  cases.push_back({"OS/2 RLE24", Direct({.Bits = 24, .Compression = 4, .InfoSize = 64}, {"rg"}, Legend), "RLE24"});
  cases.push_back({"mask with a gap", Direct({.Bits = 16, .Compression = 3, .Masks = {0xF801, 0x07E0, 0x001E}}, {"rg"},
                                             Rgb565),
                   "contiguous"});
  {
    std::vector<uint8_t> fields = Direct({.Bits = 16, .Compression = 3, .Masks = {0xF800, 0x07E0, 0x001F}}, {"rg"}, Rgb565);
    fields.resize(60);  // the masks end at 66
    cases.push_back({"masks cut off", fields, "colour masks"});
  }
  cases.push_back({"RLE stored top-down",
                   WriteBmpData({.Bits = 8, .Compression = 1, .TopDown = true, .Palette = {0}}, 2, 2, {0, 1}),
                   "top-down"});
  cases.push_back({"RLE8 without end of bitmap",
                   WriteBmpData({.Bits = 8, .Compression = 1, .Palette = {0}}, 2, 2, {2, 0, 0, 0}), "end-of-bitmap"});
  cases.push_back({"RLE8 absolute run past the data",
                   WriteBmpData({.Bits = 8, .Compression = 1, .Palette = {0}}, 2, 2, {0, 200, 1, 2, 3}),
                   "absolute run"});
  cases.push_back({"RLE8 delta cut off", WriteBmpData({.Bits = 8, .Compression = 1, .Palette = {0}}, 2, 2, {0, 2, 1}),
                   "delta"});
  cases.push_back({"bare DIB with a palette past the data",
                   WriteBmpData({.Bits = 24, .FileHeader = false, .ColorsUsed = 0x40000000}, 1, 1, {1, 2, 3, 0}),
                   "palette"});
  cases.push_back({"neither BM nor a header", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'},
                   "not a Windows bitmap"});
  cases.push_back({"OS/2 bitmap array", {'B', 'A', 0, 0, 0, 0, 0, 0}, "OS/2"});
  cases.push_back({"empty", {}, "no bitmap data"});
  return cases;
}

TEST(Bmp, LyingSizesOffsetsAndUnsupportedFormsFailWithTheirReason) {
  for (const HostileCase& c : HostileCases()) {
    SCOPED_TRACE(c.Name);
    std::vector<uint8_t> file = c.File;
    std::string error;
    AllocationProbe probe;
    EXPECT_EQ(DecodeBmp(file.data(), file.size(), error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error.find(c.Reason), std::string::npos) << error;
    // Nothing near the size the header claims is allocated.
    EXPECT_LT(probe.Largest(), size_t{1} << 16);
  }
}

TEST(Bmp, HugeClaimedPicturesFailFast) {
  // The largest picture the bounds allow, claimed by a 1-KiB file.
  std::vector<uint8_t> file = Plain24();
  file.resize(1024);
  PutLe32(file.data() + 18, 8192);
  PutLe32(file.data() + 22, 8192);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 100; ++i) {
    std::string error;
    EXPECT_EQ(DecodeBmp(file.data(), file.size(), error), nullptr);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(Bmp, AnRleStreamMayLeaveEveryPixelBlack) {
  // An immediate end of bitmap is a whole picture of skipped pixels, and the
  // raster is the picture's full size.
  auto file = WriteBmpData({.Bits = 8, .Compression = 1, .Palette = {Legend('w')}}, 3, 2, {0, 1});
  std::string error;
  EXPECT_TRUE(RasterIs(DecodeBmp(file.data(), file.size(), error).get(), {"kkk", "kkk"})) << error;
}

}  // namespace
}  // namespace vexilo::testing

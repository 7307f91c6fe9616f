// Our TGA, PCX and PNM readers on small pictures written here (the forms
// Pillow does not write included), pixel by pixel; and the same hostile data
// as for bitmaps: every cut, lying sizes, huge dimensions.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "PictureTestKit.h"
#include "picture/PcxUnit.h"
#include "picture/PnmUnit.h"
#include "picture/TgaUnit.h"

namespace vexilo::testing {
namespace {

using Bytes = std::vector<uint8_t>;
using Rows = std::vector<std::string>;
using Decoder = std::function<RasterPtr(const uint8_t*, size_t, std::string&)>;

void Append(Bytes& out, std::initializer_list<int> bytes) {
  for (int b : bytes) out.push_back(static_cast<uint8_t>(b));
}
void Append16(Bytes& out, int v) { Append(out, {v & 0xFF, (v >> 8) & 0xFF}); }
void AppendBgr(Bytes& out, char c) {
  uint32_t v = Legend(c);
  Append(out, {static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v >> 16)});
}
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// ---------------------------------------------------------------------------
// TGA

struct TgaMap {
  int First = 0, Length = 0, Bits = 0;
  Bytes Entries;
};

Bytes Tga(int type, int depth, int width, int height, int descriptor, const Bytes& pixels, const TgaMap& map = {},
          int idLength = 0) {
  Bytes out;
  Append(out, {idLength, map.Length ? 1 : 0, type});
  Append16(out, map.First);
  Append16(out, map.Length);
  Append(out, {map.Bits, 0, 0, 0, 0});
  Append16(out, width);
  Append16(out, height);
  Append(out, {depth, descriptor});
  out.insert(out.end(), static_cast<size_t>(idLength), 'i');
  out.insert(out.end(), map.Entries.begin(), map.Entries.end());
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

// Pixels of 24 bits from letters, in the order given.
Bytes Bgr(const std::string& letters) {
  Bytes out;
  for (char c : letters) AppendBgr(out, c);
  return out;
}

uint16_t Tga555(char c) {
  switch (c) {
    case 'r': return 0x7C00;
    case 'g': return 0x03E0 | 0x8000;  // the attribute bit is ignored
    case 'b': return 0x001F;
    case 'h': return (16 << 10) | (16 << 5) | 16;
    default: return 0;
  }
}

struct Case {
  std::string Name;
  Bytes File;
  Rows Expected;
};

std::vector<Case> TgaCases() {
  std::vector<Case> cases;
  // Bottom-up rows: the bottom row "bwk" is stored first.
  cases.push_back({"24 bits, bottom-up, with an ID", Tga(2, 24, 3, 2, 0, Bgr("bwk" "rgy"), {}, 5), {"rgy", "bwk"}});
  {
    Bytes px;
    for (char c : std::string("rgyb")) {
      AppendBgr(px, c);
      px.push_back(0x3C);  // alpha, ignored
    }
    cases.push_back({"32 bits, top-down", Tga(2, 32, 2, 2, 0x28, px), {"rg", "yb"}});
  }
  {
    Bytes px;
    for (char c : std::string("rgbh")) Append16(px, Tga555(c));
    cases.push_back({"16 bits 5-5-5", Tga(2, 16, 4, 1, 0x20, px), {"rgbh"}});
  }
  // Indices 2 to 4 are in the map; 0 lies before it and 9 after it: black.
  cases.push_back({"colour-mapped, 24-bit map from index 2",
                   Tga(1, 8, 5, 1, 0x20, {2, 3, 4, 0, 9}, TgaMap{2, 3, 24, Bgr("rgb")}), {"rgbkk"}});
  cases.push_back({"grey", Tga(3, 8, 3, 1, 0x20, {0, 0x84, 255}), {"khw"}});
  {
    // A run of four red crosses from the bottom row into the top one.
    Bytes px = {0x83};
    AppendBgr(px, 'r');
    px.push_back(0x01);
    AppendBgr(px, 'g');
    AppendBgr(px, 'b');
    cases.push_back({"RLE 24 bits, a run across the row end", Tga(10, 24, 3, 2, 0, px), {"rgb", "rrr"}});
  }
  {
    Bytes map;
    for (char c : std::string("wm")) Append16(map, c == 'w' ? 0x7FFF : 0x7C1F);
    cases.push_back({"RLE colour-mapped, 16-bit map",
                     Tga(9, 8, 4, 1, 0x20, {0x81, 1, 0x01, 0, 1}, TgaMap{0, 2, 16, map}), {"mmwm"}});
  }
  cases.push_back({"RLE grey", Tga(11, 8, 3, 1, 0x20, {0x82, 0x84}), {"hhh"}});
  cases.push_back({"right to left", Tga(2, 24, 3, 1, 0x30, Bgr("rgb")), {"bgr"}});
  return cases;
}

// ---------------------------------------------------------------------------
// PCX

Bytes PcxHeader(int version, int encoding, int bits, int width, int height, int planes, int bytesPerLine,
                const std::string& headerPalette = "") {
  Bytes out(128, 0);
  out[0] = 0x0A;
  out[1] = static_cast<uint8_t>(version);
  out[2] = static_cast<uint8_t>(encoding);
  out[3] = static_cast<uint8_t>(bits);
  out[8] = static_cast<uint8_t>(width - 1);
  out[9] = static_cast<uint8_t>((width - 1) >> 8);
  out[10] = static_cast<uint8_t>(height - 1);
  out[11] = static_cast<uint8_t>((height - 1) >> 8);
  for (size_t i = 0; i < headerPalette.size(); ++i) {
    uint32_t v = Legend(headerPalette[i]);
    out[16 + 3 * i] = static_cast<uint8_t>(v >> 16);
    out[17 + 3 * i] = static_cast<uint8_t>(v >> 8);
    out[18 + 3 * i] = static_cast<uint8_t>(v);
  }
  out[65] = static_cast<uint8_t>(planes);
  out[66] = static_cast<uint8_t>(bytesPerLine);
  out[67] = static_cast<uint8_t>(bytesPerLine >> 8);
  return out;
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes VgaPalette(const std::string& letters) {
  Bytes out = {0x0C};
  for (int i = 0; i < 256; ++i) {
    uint32_t v = i < static_cast<int>(letters.size()) ? Legend(letters[i]) : 0;
    Append(out, {static_cast<int>(v >> 16), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF)});
  }
  return out;
}

std::vector<Case> PcxCases() {
  std::vector<Case> cases;
  // 10 pixels of 1 bit in 2 bytes a row; 1 is white. Row 2 is a run of two 0xFF.
  cases.push_back({"1 bit black and white",
                   Cat(PcxHeader(5, 1, 1, 10, 2, 1, 2), {0xA5, 0xC1, 0x40, 0xC2, 0xFF}),
                   {"wkwkkwkwkw", "wwwwwwwwww"}});
  // Four planes of one bit: plane k gives bit k of the index.
  cases.push_back({"1 bit in 4 planes, header palette",
                   Cat(PcxHeader(2, 1, 1, 4, 1, 4, 2, "kwrgbycmazh"),
                       // indices 1, 2, 8, 10: plane 0 bits 1000, plane 1 0101, plane 2 0000, plane 3 0011
                       {0x80, 0x00, 0x50, 0x00, 0x00, 0x00, 0x30, 0x00}),
                   {"wrah"}});
  cases.push_back({"4 bits in 1 plane, header palette",
                   Cat(PcxHeader(5, 1, 4, 3, 1, 1, 2, "kwrgbycmazh"), {0x9A, 0x20}), {"zhr"}});
  cases.push_back({"2 bits in 1 plane, header palette",
                   Cat(PcxHeader(5, 1, 2, 4, 1, 1, 2, "rgbw"), {0x1B, 0x00}), {"rgbw"}});
  // 3 pixels in 4-byte rows; a run of five index-1 bytes crosses the row end.
  cases.push_back({"8 bits, palette after the data, a run across rows",
                   Cat(Cat(PcxHeader(5, 1, 8, 3, 2, 1, 4), {0xC5, 1, 2, 0, 3}), VgaPalette("kwrgb")),
                   {"www", "wrk"}});
  cases.push_back({"8 bits without a palette: grey, stored plainly",
                   Cat(PcxHeader(3, 0, 8, 3, 1, 1, 4), {0, 0x84, 0xFF, 0x11}), {"khw"}});
  // Planes red, green, blue, each 4 bytes for 3 pixels.
  cases.push_back({"8 bits in 3 planes",
                   Cat(PcxHeader(5, 1, 8, 3, 1, 3, 4),
                       {0xC2, 0xFF, 0xC2, 0, 0xC1, 0xFF, 0xC5, 0, 0xC1, 0xFF, 0}),
                   {"yrb"}});
  return cases;
}

// ---------------------------------------------------------------------------
// PNM

std::vector<Case> PnmCases() {
  std::vector<Case> cases;
  cases.push_back({"P1 with comments, digits unseparated", Text("P1\n# a comment\n3 # width\n2\n101\n0 1 0\n"),
                   {"kwk", "wkw"}});
  cases.push_back({"P2, maximum 15", Text("P2 3 1 31\n0 31 16"), {"kwh"}});
  cases.push_back({"P3", Text("P3\n2 1\n255\n255 0 0  0 0 255\n"), {"rb"}});
  // 10 pixels in 2 bytes a row, 1 is black, the padding bits unused.
  cases.push_back({"P4, padded rows", Cat(Text("P4\n10 2\n"), {0x80, 0x40, 0xFF, 0xFF}),
                   {"kwwwwwwwwk", "kkkkkkkkkk"}});
  cases.push_back({"P5, maximum 60", Cat(Text("P5 3 1 60 "), {0, 60, 31}), {"kwh"}});
  cases.push_back({"P5, 16-bit samples", Cat(Text("P5 3 1 65535\n"), {0, 0, 0xFF, 0xFF, 0x84, 0x84}), {"kwh"}});
  cases.push_back({"P6, 16-bit samples, maximum 1000",
                   Cat(Text("P6 2 1 1000\n"), {0x03, 0xE8, 0, 0, 0, 0, 0x02, 0x05, 0x02, 0x05, 0x02, 0x05}),
                   {"rh"}});
  cases.push_back({"P6", Cat(Text("P6 2 1 255\n"), {0xFF, 0xFF, 0, 0, 0xFF, 0xFF}), {"yc"}});
  return cases;
}

void CheckCases(const Decoder& decode, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string error;
    Bytes file = c.File;
    EXPECT_TRUE(RasterIs(decode(file.data(), file.size(), error).get(), c.Expected)) << error;
  }
}

TEST(Tga, DecodesEveryKindPixelByPixel) { CheckCases(DecodeTga, TgaCases()); }
TEST(Pcx, DecodesEveryKindPixelByPixel) { CheckCases(DecodePcx, PcxCases()); }
TEST(Pnm, DecodesEveryKindPixelByPixel) { CheckCases(DecodePnm, PnmCases()); }

// Every cut of every case fails with a reason, except the cuts that
// mayDecode names, which leave a whole picture of another kind.
void EveryCutFails(const Decoder& decode, const std::vector<Case>& cases,
                   const std::function<bool(const Case&, size_t)>& mayDecode) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    for (size_t n = 0; n < c.File.size(); ++n) {
      if (mayDecode(c, n)) continue;
      Bytes cut(c.File.begin(), c.File.begin() + n);
      std::string error;
      EXPECT_EQ(decode(cut.data(), cut.size(), error), nullptr) << "cut at " << n;
      EXPECT_FALSE(error.empty()) << "cut at " << n;
    }
  }
}

TEST(Tga, EveryCutFails) {
  EveryCutFails(DecodeTga, TgaCases(), [](const Case&, size_t) { return false; });
}

TEST(Pcx, EveryCutFails) {
  // Cut just before its palette, an 8-bit picture is a whole grey one.
  EveryCutFails(DecodePcx, PcxCases(), [](const Case& c, size_t n) { return c.File.size() - n == 769; });
}

TEST(Pnm, EveryCutFails) {
  // ASCII numbers cut short are still numbers: cuts inside the last sample of
  // an ASCII picture, or in its trailing whitespace, may decode.
  EveryCutFails(DecodePnm, PnmCases(), [](const Case& c, size_t n) {
    if (c.File[1] > '3') return false;
    size_t last = c.File.size();
    while (last > 0 && std::isspace(c.File[last - 1])) --last;
    while (last > 0 && std::isdigit(c.File[last - 1])) --last;
    return n > last;
  });
}

struct Hostile {
  std::string Name;
  Bytes File;
  std::string Reason;
};

void CheckHostile(const Decoder& decode, const std::vector<Hostile>& cases) {
  for (const Hostile& c : cases) {
    SCOPED_TRACE(c.Name);
    Bytes file = c.File;
    std::string error;
    AllocationProbe probe;
    EXPECT_EQ(decode(file.data(), file.size(), error), nullptr);
    EXPECT_NE(error.find(c.Reason), std::string::npos) << error;
    EXPECT_LT(probe.Largest(), size_t{1} << 16);
  }
}

TEST(Tga, LyingAndHugeHeadersFail) {
  CheckHostile(DecodeTga, {
      {"65535 x 65535", Tga(2, 24, 65535, 65535, 0, Bgr("r")), "too large"},
      {"8192 x 8192 in 3 bytes", Tga(2, 24, 8192, 8192, 0, Bgr("r")), "ends early"},
      {"8192 x 8192 encoded in 4 bytes", Tga(10, 24, 8192, 8192, 0, {0xFF, 0, 0, 0}), "ends early"},
      {"width 0", Tga(2, 24, 0, 1, 0, Bgr("r")), "no pixels"},
      {"no image", Tga(0, 0, 1, 1, 0, {}), "holds no picture"},
      {"image type 32", Tga(32, 8, 1, 1, 0, {0}), "image type"},
      {"7 bits", Tga(2, 7, 1, 1, 0, {0}), "not supported"},
      {"colour-mapped without a map", Tga(1, 8, 1, 1, 0, {0}), "colour map"},
      {"map past the data", Tga(1, 8, 1, 1, 0, {}, TgaMap{0, 200, 24, Bgr("r")}), "colour map"},
      {"header cut", Bytes(17, 0), "header"},
  });
}

TEST(Pcx, LyingAndHugeHeadersFail) {
  Bytes inverted = PcxHeader(5, 1, 8, 1, 1, 1, 2);
  inverted[4] = 9;  // xMin above xMax
  Bytes notPcx = PcxHeader(5, 1, 8, 1, 1, 1, 2);
  notPcx[0] = 0x0B;
  CheckHostile(DecodePcx, {
      {"32768 x 1", Cat(PcxHeader(5, 1, 8, 32768, 1, 1, 32768), {0}), "too large"},
      {"8192 x 8192 in 2 bytes", Cat(PcxHeader(5, 1, 8, 8192, 8192, 3, 8192), {0xFF, 0}), "ends early"},
      {"rows narrower than the picture", Cat(PcxHeader(5, 1, 8, 10, 1, 1, 4), {0, 0, 0, 0}), "cannot hold"},
      {"window upside down", inverted, "no pixels"},
      {"3 bits", PcxHeader(5, 1, 3, 1, 1, 1, 2), "not supported"},
      {"encoding 2", PcxHeader(5, 2, 8, 1, 1, 1, 2), "encoding"},
      {"not a PCX", notPcx, "not a PCX"},
      {"header cut", Bytes(127, 0x0A), "header"},
  });
}

TEST(Pnm, LyingAndHugeHeadersFail) {
  CheckHostile(DecodePnm, {
      {"40000 x 1", Text("P6 40000 1 255\n"), "too large"},
      {"8192 x 8192 in 3 bytes", Cat(Text("P6 8192 8192 255\n"), {1, 2, 3}), "ends early"},
      {"8192 x 8192 in ASCII", Text("P3 8192 8192 255\n1 2 3"), "ends early"},
      {"a width of 20 digits", Text("P5 99999999999999999999 1 255\n"), "header"},
      {"negative width", Text("P5 -1 1 255\n"), "header"},
      {"maximum 0", Text("P5 1 1 0\n\x01"), "maximum sample value 0"},
      {"maximum 65536", Text("P5 1 1 65536\n\x01\x01"), "maximum sample value 65536"},
      {"sample above the maximum", Text("P2 2 1 10\n3 11"), "above the maximum"},
      {"16-bit sample above the maximum", Cat(Text("P5 1 1 1000\n"), {0x03, 0xE9}), "above the maximum"},
      {"P4 letter in P1 data", Text("P1 2 1\n1x"), "damaged"},
      {"P7", Text("P7\nWIDTH 1\n"), "not a PNM"},
      {"no whitespace after the maximum", Text("P5 1 1 255"), "header"},
  });
}

}  // namespace
}  // namespace vexilo::testing

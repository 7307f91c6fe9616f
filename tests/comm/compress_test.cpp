#include <gtest/gtest.h>

#include "CardDecompress.h"
#include "CommTestSupport.h"
#include "comm/CompressUnit.h"

namespace vexilo::testing {
namespace {

Bytes Compress(const Bytes& in) {
  Bytes out(CompressBound(in.size()) + 16, 0xEE);
  size_t n = CompressBlock(in.data(), in.size(), out.data(), out.size());
  out.resize(n);
  return out;
}

struct CompressCase {
  const char* Name;
  Bytes Input;
  Bytes Expected;
};

TEST(CompressBlock, GivesTheCardsBlockFormatByteForByte) {
  const CompressCase cases[] = {
      {"two frequent values", {0x41, 0x41, 0x41, 0x42},
       {0x00, 0x0B, 0x02, 0x00, 0x02, 0x00, 0x00, 0x41, 0x42, 0x54, 0x80}},
      {"seven frequent, two raw", {0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08},
       {0x00, 0x15, 0x07, 0x00, 0x05, 0x00, 0x02, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x52, 0x21, 0x04,
        0x08, 0x0E, 0x07, 0x08}},
      {"empty input", {}, {0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00}},
      // Five equal bytes: ten bits 01 01 01 01 01, filled to two bytes.
      {"equal bytes", {9, 9, 9, 9, 9}, {0x00, 0x0A, 0x01, 0x00, 0x02, 0x00, 0x00, 0x09, 0x55, 0x40}},
      // Nine values, each once: the seven lowest are coded, 8 and 9 go raw;
      // codes 1 1 00000001 0000001 000001 00001 0001 001 01 = 37 bits.
      {"more than seven distinct", {9, 8, 7, 6, 5, 4, 3, 2, 1},
       {0x00, 0x15, 0x07, 0x00, 0x05, 0x00, 0x02, 1, 2, 3, 4, 5, 6, 7, 0xC0, 0x40, 0x82, 0x11, 0x28, 9, 8}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Compress(c.Input), c.Expected);
  }
}

TEST(CompressBlock, EqualBytesCostTwoBitsEach) {
  Bytes in(1060, 0x00);
  Bytes out = Compress(in);
  ASSERT_EQ(out.size(), 7u + 1 + 265);
  EXPECT_EQ(out[2], 1);
  EXPECT_EQ(out[3] << 8 | out[4], 265);
  EXPECT_EQ(out[5] << 8 | out[6], 0);
  for (size_t i = 8; i < out.size(); ++i) ASSERT_EQ(out[i], 0x55);
}

TEST(CompressBlock, RefusesWhatItCannotHoldAndWritesNothing) {
  Bytes in(kCompressMaxInput + 1, 1);
  Bytes out(CompressBound(in.size()), 0xEE);
  EXPECT_EQ(CompressBlock(in.data(), in.size(), out.data(), out.size()), 0u);
  Bytes small = {1, 2, 3};
  Bytes tight(9, 0xEE);  // the block needs 7 + 3 + 1 = 11 bytes
  EXPECT_EQ(CompressBlock(small.data(), small.size(), tight.data(), tight.size()), 0u);
  EXPECT_EQ(tight, Bytes(9, 0xEE));
}

// The largest block the exchange makes, of the worst data, stays within its
// bound, and every kind of block decodes back exactly with the card's reader.
TEST(CompressBlock, RoundTripsThroughTheCardsDecoder) {
  std::mt19937 gen(7);
  for (int round = 0; round < 200; ++round) {
    size_t n = round == 0 ? 1060 : gen() % 1061;
    int spread = 1 + static_cast<int>(gen() % 256);
    Bytes in(n);
    for (auto& b : in) b = static_cast<uint8_t>(gen() % spread);
    Bytes out = Compress(in);
    ASSERT_LE(out.size(), CompressBound(n));
    ASSERT_LE(out.size(), 1207u);
    Bytes back;
    size_t used = 0;
    ASSERT_TRUE(cardsim::DecompressBlock(out.data(), out.size(), back, used)) << "round " << round;
    EXPECT_EQ(used, out.size());
    ASSERT_EQ(back, in) << "round " << round;
  }
}

TEST(CardDecompress, RefusesBlocksThatDoNotAddUp) {
  const Bytes good = {0x00, 0x0B, 0x02, 0x00, 0x02, 0x00, 0x00, 0x41, 0x42, 0x54, 0x80};
  struct Bad {
    const char* Name;
    Bytes Block;
  };
  const Bad bad[] = {
      {"shorter than its header", {0x00, 0x07, 0x00}},
      {"total beyond the bytes", {0x00, 0x0C, 0x02, 0x00, 0x02, 0x00, 0x00, 0x41, 0x42, 0x54, 0x80}},
      {"total unlike its parts", {0x00, 0x0B, 0x02, 0x00, 0x01, 0x00, 0x00, 0x41, 0x42, 0x54, 0x80}},
      {"eight frequent values", {0x00, 0x0F, 0x08, 0x00, 0x00, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8}},
      {"code of a rank not sent", {0x00, 0x09, 0x01, 0x00, 0x01, 0x00, 0x00, 0x41, 0x20}},
      {"raw byte missing", {0x00, 0x08, 0x00, 0x00, 0x01, 0x00, 0x00, 0x80}},
      {"raw byte left over", {0x00, 0x0A, 0x01, 0x00, 0x01, 0x00, 0x01, 0x41, 0x40, 0x99}},
      {"a whole zero byte of fill", {0x00, 0x0A, 0x01, 0x00, 0x02, 0x00, 0x00, 0x41, 0x40, 0x00}},
  };
  Bytes out;
  size_t used = 0;
  ASSERT_TRUE(cardsim::DecompressBlock(good.data(), good.size(), out, used));
  EXPECT_EQ(out, Bytes({0x41, 0x41, 0x41, 0x42}));
  for (const auto& b : bad) {
    SCOPED_TRACE(b.Name);
    EXPECT_FALSE(cardsim::DecompressBlock(b.Block.data(), b.Block.size(), out, used));
  }
}

}  // namespace
}  // namespace vexilo::testing

#include "CommTestSupport.h"

namespace vexilo::testing {
namespace {

Bytes Frame(uint8_t letter, uint8_t dest, const Bytes& data = {}) {
  Bytes f(data.size() + 8);
  EXPECT_EQ(BuildFrame(letter, dest, data.data(), data.size(), f.data()), f.size());
  return f;
}

TEST(Frame, HandshakeToCardOneIsTheKnownEightBytes) {
  EXPECT_EQ(Frame(kLetterHandshake, 1), Bytes({0x53, 0x00, 0x01, 0x08, 0x41, 0xE6, 0x7C, 0x40}));
  Bytes big(kFrameMaxData, 0x11);
  EXPECT_EQ(Frame(kLetterData, 1, big).size(), 254u);
  uint8_t out[300];
  Bytes tooBig(kFrameMaxData + 1, 0x11);
  EXPECT_EQ(BuildFrame(kLetterData, 1, tooBig.data(), tooBig.size(), out), 0u);
}

TEST(Frame, ReplyChecksInTheirOrder) {
  const Bytes good = CardReply(5, kLetterData, {7, 8});
  auto with = [&](size_t at, uint8_t v) {
    Bytes b = good;
    b[at] = v;
    return b;
  };
  struct Case {
    const char* Name;
    Bytes Bytes_;
    bool Serial;
    uint8_t Dest;
    FrameCheck Expected;
  };
  const Case cases[] = {
      {"valid over serial", good, true, 5, FrameCheck::Valid},
      {"valid with bytes after it", [&] { Bytes b = good; b.push_back(0); return b; }(), true, 5,
       FrameCheck::Valid},
      {"seven bytes", Bytes(good.begin(), good.begin() + 7), true, 5, FrameCheck::TooShort},
      {"fewer bytes than its length", Bytes(good.begin(), good.end() - 1), true, 5, FrameCheck::Truncated},
      {"length beyond the bytes", with(3, 200), true, 5, FrameCheck::Truncated},
      {"wrong start", with(0, 0x52), true, 5, FrameCheck::BadStart},
      {"wrong end", with(good.size() - 1, 0x41), true, 5, FrameCheck::BadEnd},
      {"length below a frame", with(3, 3), true, 5, FrameCheck::BadEnd},
      {"wrong CRC", with(good.size() - 2, good[good.size() - 2] ^ 1), true, 5, FrameCheck::BadCrc},
      {"changed data", with(5, 9), true, 5, FrameCheck::BadCrc},
      {"other card over serial", good, true, 6, FrameCheck::ForeignCard},
      {"other card over UDP", good, false, 6, FrameCheck::Valid},
      {"any card over serial", good, true, kAnyCard, FrameCheck::Valid},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(CheckReplyFrame(c.Bytes_.data(), c.Bytes_.size(), c.Serial, c.Dest), c.Expected);
  }
  // A frame addressed to another station than the host (destination not 0).
  Bytes request = Frame(kLetterData, 3, {7, 8});
  request[1] = 5;
  uint16_t crc = Crc16(request.data() + 1, request.size() - 4);
  request[request.size() - 3] = static_cast<uint8_t>(crc >> 8);
  request[request.size() - 2] = static_cast<uint8_t>(crc);
  EXPECT_EQ(CheckReplyFrame(request.data(), request.size(), false, kAnyCard), FrameCheck::NotForHost);
}

TEST(Frame, SendFrameRefusesMoreThan246DataBytesAndCountsWhatWentOut) {
  std::vector<Bytes> sent;
  SetUdpSendHook([&](uint32_t, uint16_t, const uint8_t* d, size_t n) {
    sent.emplace_back(d, d + n);
    return true;
  });
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", 9100));
  const uint32_t before = SentFrameCount();
  Bytes data(kFrameMaxData + 1, 0x22);
  EXPECT_FALSE(SendFrame(nullptr, kLetterData, 1, data.data(), data.size()));
  EXPECT_EQ(SentFrameCount(), before);
  EXPECT_TRUE(SendFrame(nullptr, kLetterData, 1, data.data(), kFrameMaxData));
  EXPECT_EQ(SentFrameCount(), before + 1);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].size(), 254u);
  EXPECT_EQ(sent[0][2], kAnyCard);  // over UDP, whatever card was named

  // A send the link could not complete is not counted.
  SetUdpSendHook([](uint32_t, uint16_t, const uint8_t*, size_t) { return false; });
  EXPECT_FALSE(SendFrame(nullptr, kLetterHandshake, 1, nullptr, 0));
  EXPECT_EQ(SentFrameCount(), before + 1);
  CloseUdpLink();
  SetUdpSendHook(nullptr);
}

TEST(Frame, FormFollowsTheDataKind) {
  EXPECT_EQ(FormOfKind(kKindClock), ExchangeForm::Single);
  EXPECT_EQ(FormOfKind(kKindScreen), ExchangeForm::Single);
  EXPECT_EQ(FormOfKind(kKindProgram), ExchangeForm::Single);
  EXPECT_EQ(FormOfKind(kKindPackPlain), ExchangeForm::Plain);
  EXPECT_EQ(FormOfKind(kKindPackPlainAlt), ExchangeForm::Plain);
  EXPECT_EQ(FormOfKind(kKindPackCompressed), ExchangeForm::Compressed);
  EXPECT_EQ(FormOfKind(kKindPackCompressedAlt), ExchangeForm::Compressed);
}

}  // namespace
}  // namespace vexilo::testing

#include <memory>
#include <thread>

#include "CommTestSupport.h"
#include "frame/FrameCountersUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "comm/CommTextsUnit.h"
#include "comm/CompressUnit.h"

namespace vexilo::testing {
namespace {

using cardsim::CardFaults;
using cardsim::CardSimulator;

enum class Via { Udp, Serial };
const char* Name(Via v) { return v == Via::Udp ? "UDP" : "serial"; }

struct Progress {
  int Percent;
  std::string Text;
  bool operator==(const Progress&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Progress& p) { return os << p.Percent << " '" << p.Text << "'"; }

// One simulated card, address 1, on loopback UDP and on COM1 of a serial folder.
class Exchange : public CommTest {
 protected:
  void SetUp() override {
    CommTest::SetUp();
    cardsim::CardOptions options;
    options.Serial = true;
    options.SerialDir = dir_.Path();
    sim_ = std::make_unique<CardSimulator>(options);
    ASSERT_TRUE(sim_->Start()) << sim_->LastError();
  }
  void TearDown() override {
    sim_->Stop();
    CommTest::TearDown();
  }

  bool Run(Via via, uint8_t& dest, uint8_t kind, const ExchangeData& data, uint16_t packetSize = 200,
           uint16_t retryCount = 3) {
    ProgressObserver observer = [this](int percent, const std::string& text) {
      progress_.push_back({percent, text});
    };
    if (via == Via::Udp) {
      if (!OpenUdpLink("127.0.0.1", sim_->UdpPort())) return false;
      UdpLinkCloser closer;
      return PacketExchange(nullptr, dest, kind, data, packetSize, retryCount, observer);
    }
    SerialPort* port = OpenSerialLink("COM1", 115200);
    if (port == nullptr) return false;
    SerialLinkCloser closer(port);
    return PacketExchange(port, dest, kind, data, packetSize, retryCount, observer);
  }
  bool Run(Via via, uint8_t kind, const ExchangeData& data, uint16_t packetSize = 200, uint16_t retryCount = 3) {
    uint8_t dest = 1;
    return Run(via, dest, kind, data, packetSize, retryCount);
  }

  SerialDir dir_;
  std::unique_ptr<CardSimulator> sim_;
  std::vector<Progress> progress_;
};

TEST_F(Exchange, SinglePayloadsReachTheCardOverBothLinks) {
  struct Case {
    Via Link;
    uint8_t Kind;
    Bytes Data;
  };
  const Case cases[] = {
      {Via::Serial, kKindScreen, {0x00}},
      {Via::Udp, kKindScreen, {0x0F}},
      {Via::Udp, kKindProgram, {0x02}},
      {Via::Serial, kKindClock, {0x09, 0x05, 0x14, 0x03, 0x02, 0x03, 0x09}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(Name(c.Link)) + " kind " + std::to_string(c.Kind));
    sim_->ClearRecords();
    ASSERT_TRUE(Run(c.Link, c.Kind, MemoryData(c.Data.data(), static_cast<uint32_t>(c.Data.size()))));
    auto requests = sim_->Requests();
    ASSERT_EQ(requests.size(), 2u);
    // Serial requests name the card; over UDP they address any card.
    const Bytes handshake = c.Link == Via::Serial ? Bytes{0x53, 0x00, 0x01, 0x08, 0x41, 0xE6, 0x7C, 0x40}
                                                  : Bytes{0x53, 0x00, 0xFF, 0x08, 0x41, 0x1E, 0x2F, 0x40};
    EXPECT_EQ(requests[0].Bytes, handshake);
    Bytes payload = {kFlagSingle, c.Kind};
    payload.insert(payload.end(), c.Data.begin(), c.Data.end());
    EXPECT_EQ(DataPayloads(*sim_), std::vector<Bytes>{payload});
    auto singles = sim_->Singles();
    ASSERT_EQ(singles.size(), 1u);
    EXPECT_EQ(singles[0].Kind, c.Kind);
    EXPECT_EQ(singles[0].Data, c.Data);
  }
}

TEST_F(Exchange, PlainPacksAreCutAtPacketSizeMinus14WithTheirFlagsAndOffsets) {
  struct Packet {
    uint8_t Flag;
    uint32_t Offset;
    size_t Length;
  };
  struct Case {
    size_t PackBytes;
    uint16_t PacketSize;
    std::vector<Packet> Packets;
  };
  const Case cases[] = {
      {186, 200, {{kFlagLast, 0, 186}}},
      {187, 200, {{kFlagFirst, 0, 186}, {kFlagLast, 186, 1}}},
      {373, 200, {{kFlagFirst, 0, 186}, {kFlagMiddle, 186, 186}, {kFlagLast, 372, 1}}},
      {3, 15, {{kFlagFirst, 0, 1}, {kFlagMiddle, 1, 1}, {kFlagLast, 2, 1}}},
      {481, 254, {{kFlagFirst, 0, 240}, {kFlagMiddle, 240, 240}, {kFlagLast, 480, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.PackBytes) + " bytes in packets of " + std::to_string(c.PacketSize));
    sim_->ClearRecords();
    const Bytes pack = Sealed(RandomBytes(c.PackBytes - 2, static_cast<uint32_t>(c.PackBytes)));
    WritePack(pack);
    ASSERT_TRUE(Run(Via::Udp, kKindPackPlain, PackData(), c.PacketSize));
    auto payloads = DataPayloads(*sim_);
    ASSERT_EQ(payloads.size(), c.Packets.size());
    for (size_t i = 0; i < payloads.size(); ++i) {
      const Bytes& p = payloads[i];
      const Packet& want = c.Packets[i];
      ASSERT_EQ(p.size(), 6 + want.Length) << "packet " << i;
      EXPECT_EQ(p[0], want.Flag) << "packet " << i;
      EXPECT_EQ(p[1], kKindPackPlain);
      EXPECT_EQ(uint32_t(p[2]) << 24 | p[3] << 16 | p[4] << 8 | p[5], want.Offset) << "packet " << i;
      EXPECT_EQ(Bytes(p.begin() + 6, p.end()), Bytes(pack.begin() + want.Offset, pack.begin() + want.Offset + want.Length));
    }
    auto packs = sim_->Packs();
    ASSERT_EQ(packs.size(), 1u);
    EXPECT_EQ(packs[0].Bytes, pack);
    EXPECT_TRUE(packs[0].SealOk);
    EXPECT_EQ(packs[0].Error, "");
  }
}

TEST_F(Exchange, CompressedPacksTravelAsChunksOfCompressedBlocks) {
  // Two blocks: 1056 bytes and the 944 left, each with its offset in front.
  const Bytes pack = Sealed(RandomBytes(1998, 3));
  WritePack(pack);
  for (uint8_t kind : {kKindPackCompressed, kKindPackCompressedAlt}) {
    SCOPED_TRACE(static_cast<int>(kind));
    sim_->ClearRecords();
    ASSERT_TRUE(Run(Via::Serial, kind, PackData(), 100));
    Bytes expected;
    for (uint32_t pos : {0u, 1056u}) {
      Bytes block = {0, 0, static_cast<uint8_t>(pos >> 8), static_cast<uint8_t>(pos)};
      block.insert(block.end(), pack.begin() + pos, pack.begin() + std::min<size_t>(pos + 1056, pack.size()));
      Bytes out(CompressBound(block.size()));
      out.resize(CompressBlock(block.data(), block.size(), out.data(), out.size()));
      expected.insert(expected.end(), out.begin(), out.end());
    }
    auto payloads = DataPayloads(*sim_);
    Bytes stream;
    for (size_t i = 0; i < payloads.size(); ++i) {
      const Bytes& p = payloads[i];
      ASSERT_LE(p.size(), 92u);  // frames of at most 100 bytes
      EXPECT_EQ(p[0], i == 0 ? kFlagFirst : i + 1 == payloads.size() ? kFlagLast : kFlagMiddle) << i;
      EXPECT_EQ(p[1], kind);
      stream.insert(stream.end(), p.begin() + 2, p.end());
    }
    EXPECT_EQ(stream, expected);
    auto packs = sim_->Packs();
    ASSERT_EQ(packs.size(), 1u);
    EXPECT_EQ(packs[0].Kind, kind);
    EXPECT_EQ(packs[0].Bytes, pack);
    EXPECT_TRUE(packs[0].SealOk);
  }
}

TEST_F(Exchange, ProgressIsReportedBeforeEachPacketOrBlockAndAtTheEnd) {
  const Bytes pack = Sealed(RandomBytes(998, 4));
  WritePack(pack);
  ASSERT_TRUE(Run(Via::Udp, kKindPackPlain, PackData()));
  // Six packets of up to 186 bytes; 99 times the bytes taken, over 1000.
  EXPECT_EQ(progress_, (std::vector<Progress>{{0, strings::kSending}, {18, ""}, {36, ""}, {55, ""}, {73, ""},
                                              {92, ""}, {100, strings::kSendDone}}));

  // Compressed: once per block of 1056 bytes, whatever the chunks.
  const Bytes big = Sealed(RandomBytes(2398, 5));
  WritePack(big);
  progress_.clear();
  ASSERT_TRUE(Run(Via::Udp, kKindPackCompressed, PackData(), 200));
  EXPECT_EQ(progress_, (std::vector<Progress>{{0, strings::kSending}, {43, ""}, {87, ""}, {100, strings::kSendDone}}));

  // A packet that fails on every attempt.
  progress_.clear();
  sim_->ClearRecords();
  sim_->SetFaults(CardFaults{.DataForAccept = 3});
  EXPECT_FALSE(Run(Via::Udp, kKindPackPlain, PackData()));
  ASSERT_FALSE(progress_.empty());
  EXPECT_EQ(progress_.back(), (Progress{100, strings::kSendFailed}));
  EXPECT_EQ(DataPayloads(*sim_).size(), 3u);
}

TEST_F(Exchange, UnansweredHandshakesAreRetriedAboutASecondApartAndNoDataIsSent) {
  sim_->SetFaults(CardFaults{.Silent = true});
  auto t0 = Clock::now();
  EXPECT_FALSE(Run(Via::Udp, kKindPackPlain, MemoryData("abc", 3)));
  EXPECT_GE(MsSince(t0), 3000);
  EXPECT_LT(MsSince(t0), 3600);
  auto requests = sim_->Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(CountLetter(requests, kLetterHandshake), 3u);
  for (size_t i = 1; i < requests.size(); ++i) {
    double gap = MsBetween(requests[i - 1].At, requests[i].At);
    EXPECT_GE(gap, 1000);
    EXPECT_LT(gap, 1200);
  }
  EXPECT_EQ(progress_, std::vector<Progress>(3, {100, strings::kNotConnected}));

  // Over a serial link the text names the port.
  progress_.clear();
  EXPECT_FALSE(Run(Via::Serial, kKindPackPlain, MemoryData("abc", 3), 200, 1));
  std::string text = strings::kNoDeviceOnPort;
  text.replace(text.find("%s"), 2, "COM1");
  EXPECT_EQ(progress_, std::vector<Progress>(1, {100, text}));
}

TEST_F(Exchange, RefusalEndsTheExchangeAtOnce) {
  sim_->SetFaults(CardFaults{.Refuse = true});
  for (Via via : {Via::Udp, Via::Serial}) {
    SCOPED_TRACE(Name(via));
    sim_->ClearRecords();
    auto t0 = Clock::now();
    EXPECT_FALSE(Run(via, kKindPackPlain, MemoryData("abc", 3)));
    EXPECT_LT(MsSince(t0), 500);
    EXPECT_EQ(sim_->Requests().size(), 1u);
    EXPECT_TRUE(progress_.empty());
  }
}

TEST_F(Exchange, NothingIsSentForBadSizesOrRetryCounts) {
  const Bytes pack = Sealed(RandomBytes(30, 6));
  struct Case {
    uint16_t PacketSize;
    uint16_t RetryCount;
    uint8_t Kind;
    uint32_t Length;
  };
  const Case refused[] = {
      {0, 3, kKindPackPlain, 32},    {14, 3, kKindPackPlain, 32},    {255, 3, kKindPackPlain, 32},
      {4096, 3, kKindPackCompressed, 32}, {200, 0, kKindPackPlain, 32}, {10, 3, kKindScreen, 1},
      {15, 3, kKindScreen, 6},      // single data that cannot fit one frame of 15 bytes
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(std::to_string(c.PacketSize) + "/" + std::to_string(c.RetryCount));
    for (Via via : {Via::Udp, Via::Serial}) {
      EXPECT_FALSE(Run(via, c.Kind, MemoryData(pack.data(), c.Length), c.PacketSize, c.RetryCount));
    }
  }
  EXPECT_TRUE(sim_->Requests().empty());

  // The smallest and largest sizes work; no data at all costs a handshake only.
  EXPECT_TRUE(Run(Via::Udp, kKindPackCompressed, MemoryData(pack.data(), 32), 15));
  EXPECT_TRUE(Run(Via::Serial, kKindPackPlain, MemoryData(pack.data(), 32), 254));
  EXPECT_TRUE(Run(Via::Udp, kKindScreen, MemoryData(pack.data(), 5), 15));
  sim_->ClearRecords();
  EXPECT_FALSE(Run(Via::Udp, kKindPackPlain, MemoryData(pack.data(), 0)));
  EXPECT_EQ(sim_->Requests().size(), 1u);
}

TEST_F(Exchange, CorruptRepliesAreSkippedAndCountersCountOnlyValidFrames) {
  const Bytes pack = Sealed(RandomBytes(371, 7));  // three packets
  WritePack(pack);
  struct Case {
    const char* Name;
    Via Link;
    CardFaults Faults;
  };
  const Case cases[] = {
      {"clean, UDP", Via::Udp, {}},
      {"clean, serial", Via::Serial, {}},
      {"bad CRC first, UDP", Via::Udp, {.DecoyBadCrc = true}},
      {"bad CRC first, serial", Via::Serial, {.DecoyBadCrc = true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    sim_->ClearRecords();
    sim_->SetFaults(c.Faults);
    const uint32_t sent = SentFrameCount(), confirmed = ConfirmedFrameCount();
    ASSERT_TRUE(Run(c.Link, kKindPackPlain, PackData()));
    // Every request answered at its first attempt: 1 handshake + 3 packets.
    EXPECT_EQ(sim_->Requests().size(), 4u);
    EXPECT_EQ(SentFrameCount() - sent, 4u);
    EXPECT_EQ(ConfirmedFrameCount() - confirmed, 4u);
    ASSERT_EQ(sim_->Packs().size(), 1u);
    EXPECT_EQ(sim_->Packs()[0].Bytes, pack);
  }
}

TEST_F(Exchange, ForeignSourceIsDiscardedOnSerialAndAcceptedOverUdp) {
  sim_->SetFaults(CardFaults{.DecoyForeign = true, .ForeignAddress = 0x77});
  uint8_t dest = 1;
  ASSERT_TRUE(Run(Via::Serial, dest, kKindScreen, MemoryData("\x00", 1)));
  EXPECT_EQ(dest, 1);  // the decoys from card 0x77 were passed over
  EXPECT_EQ(sim_->Requests().size(), 2u);

  // A serial exchange begun for any card goes on with the one that answered.
  sim_->ClearRecords();
  sim_->SetFaults(CardFaults{});
  sim_->SetAddress(9);
  dest = kAnyCard;
  ASSERT_TRUE(Run(Via::Serial, dest, kKindScreen, MemoryData("\x00", 1)));
  EXPECT_EQ(dest, 9);
  EXPECT_EQ(sim_->Requests().size(), 2u);
  EXPECT_EQ(sim_->Requests()[1].Bytes[2], 9);  // the data packet went to the learnt address
  sim_->SetAddress(1);

  // Over UDP the first valid reply counts, and teaches its address. (The
  // card's own reply may come in after the drain and cost one more packet.)
  sim_->ClearRecords();
  sim_->SetFaults(CardFaults{.DecoyForeign = true, .ForeignAddress = 0x77});
  dest = 1;
  ASSERT_TRUE(Run(Via::Udp, dest, kKindScreen, MemoryData("\x00", 1)));
  EXPECT_EQ(dest, 0x77);
  EXPECT_EQ(CountLetter(sim_->Requests(), kLetterHandshake), 1u);
  for (const auto& f : sim_->Requests()) EXPECT_EQ(f.Bytes[2], kAnyCard);
}

TEST_F(Exchange, DataInsteadOfAcceptanceSendsThePacketAgainAfterAPause) {
  const Bytes pack = Sealed(RandomBytes(184, 8));  // one packet
  WritePack(pack);
  sim_->SetFaults(CardFaults{.DataForAccept = 1});
  ASSERT_TRUE(Run(Via::Serial, kKindPackPlain, PackData()));
  std::vector<cardsim::FrameRecord> data;
  for (const auto& f : sim_->Requests()) {
    if (f.Bytes[4] == kLetterData) data.push_back(f);
  }
  ASSERT_EQ(data.size(), 2u);
  EXPECT_EQ(data[0].Bytes, data[1].Bytes);
  EXPECT_GE(MsBetween(data[0].At, data[1].At), 10);
  EXPECT_EQ(sim_->Packs().at(0).Bytes, pack);
}

// One test at this floor: it costs seconds.
TEST_F(Exchange, ReplyWaitFloorLengthensEveryWait) {
  sim_->SetFaults(CardFaults{.DelayMs = 1300});
  auto t0 = Clock::now();
  EXPECT_FALSE(Run(Via::Udp, kKindScreen, MemoryData("\x00", 1), 200, 1));  // 1000 ms is too short
  EXPECT_LT(MsSince(t0), 1200);
  std::this_thread::sleep_for(milliseconds(400));  // the late reply comes and goes
  sim_->ClearRecords();
  SetReplyWaitFloor(3000);
  t0 = Clock::now();
  EXPECT_TRUE(Run(Via::Udp, kKindScreen, MemoryData("\x00", 1), 200, 1));
  EXPECT_GE(MsSince(t0), 2600);
  EXPECT_EQ(sim_->Requests().size(), 2u);
}

TEST_F(Exchange, HandshakeThatCannotBeSentIsReportedAndRetriedAtOnce) {
  SetUdpSendHook([](uint32_t, uint16_t, const uint8_t*, size_t) { return false; });
  auto t0 = Clock::now();
  EXPECT_FALSE(Run(Via::Udp, kKindScreen, MemoryData("\x00", 1)));
  EXPECT_LT(MsSince(t0), 100);
  EXPECT_EQ(progress_, std::vector<Progress>(3, {100, strings::kLinkFailed}));
}

// A megabyte of random data, plain and compressed, arrives byte for byte.
TEST_F(Exchange, MegabytePackArrivesExactlyPlainAndCompressed) {
  const Bytes pack = Sealed(RandomBytes((1u << 20) - 2, 9));
  WritePack(pack);
  for (uint8_t kind : {kKindPackPlain, kKindPackCompressed}) {
    SCOPED_TRACE(static_cast<int>(kind));
    sim_->ClearRecords();
    ASSERT_TRUE(Run(Via::Udp, kind, PackData(), 254));
    auto packs = sim_->Packs();
    ASSERT_EQ(packs.size(), 1u);
    EXPECT_EQ(packs[0].Error, "");
    EXPECT_TRUE(packs[0].SealOk);
    EXPECT_TRUE(packs[0].Bytes == pack);
  }
}

// Lost acceptances make the library send again; the card takes each packet once.
TEST_F(Exchange, DroppedRepliesAreRetriedAndThePackStillArrivesExactly) {
  Bytes body(5000);
  std::mt19937 gen(10);
  for (auto& b : body) b = static_cast<uint8_t>(gen() % 5 == 0 ? gen() : 0);  // like sparse pixel data
  const Bytes pack = Sealed(body);
  WritePack(pack);
  // Each lost reply costs the library a full wait, so the pack is small.
  sim_->SetFaults(CardFaults{.DropEvery = 4});
  for (Via via : {Via::Udp, Via::Serial}) {
    for (uint8_t kind : {kKindPackCompressed}) {
      SCOPED_TRACE(std::string(Name(via)) + " kind " + std::to_string(kind));
      sim_->ClearRecords();
      ASSERT_TRUE(Run(via, kind, PackData(), 254));
      auto packs = sim_->Packs();
      ASSERT_EQ(packs.size(), 1u);
      EXPECT_EQ(packs[0].Error, "");
      EXPECT_TRUE(packs[0].Bytes == pack);
    }
  }
}

// An all-zero pack compresses to many equal chunks in a row, and each of
// them is data: the card takes every one, whether its replies came a little
// late, were lost or did not accept; only the packets sent again because an
// acceptance was missed are left out.
TEST_F(Exchange, EqualCompressedChunksAreEachTakenAndResentOnesOnlyOnce) {
  const Bytes pack = Sealed(Bytes(600, 0));
  WritePack(pack);
  struct Case {
    const char* Name;
    Via Link;
    CardFaults Faults;
  };
  const Case cases[] = {
      {"late replies, UDP", Via::Udp, {.DelayMs = 5}},
      {"late replies, serial", Via::Serial, {.DelayMs = 5}},
      {"D for O, UDP", Via::Udp, {.DataForAccept = 2}},
      {"lost replies, UDP", Via::Udp, {.DropEvery = 6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    sim_->ClearRecords();
    sim_->SetFaults(c.Faults);
    ASSERT_TRUE(Run(c.Link, kKindPackCompressed, PackData(), 20));
    auto payloads = DataPayloads(*sim_);
    size_t equalNeighbours = 0;
    for (size_t i = 1; i < payloads.size(); ++i) equalNeighbours += payloads[i] == payloads[i - 1];
    EXPECT_GT(equalNeighbours, 5u) << "the pack must give equal chunks in a row";
    auto packs = sim_->Packs();
    ASSERT_EQ(packs.size(), 1u);
    EXPECT_EQ(packs[0].Error, "");
    EXPECT_TRUE(packs[0].Bytes == pack) << packs[0].Bytes.size() << " bytes rebuilt";
    EXPECT_TRUE(packs[0].SealOk);
  }
  sim_->SetFaults(CardFaults{});
}

}  // namespace
}  // namespace vexilo::testing

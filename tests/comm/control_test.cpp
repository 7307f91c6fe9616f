// Screen control and program transmission through the exports, against
// simulated cards on loopback UDP and on pseudo-terminals.
#include <memory>
#include <optional>
#include <thread>

#include "CommTestSupport.h"
#include "HostLibrary.h"
#include "frame/HostFilesUnit.h"
#include "pack/PackReaderUnit.h"
#include "comm/ScreenControlUnit.h"
#include "frame/ClockUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "lang/CodePageUnit.h"

namespace vexilo::testing {
namespace {

using cardsim::CardFaults;
using cardsim::CardOptions;
using cardsim::CardSimulator;

std::unique_ptr<CardSimulator> StartCard(CardOptions options) {
  auto sim = std::make_unique<CardSimulator>(std::move(options));
  EXPECT_TRUE(sim->Start()) << sim->LastError();
  return sim;
}

CardOptions UdpCard(uint8_t address = 1) {
  CardOptions o;
  o.Address = address;
  return o;
}

CardOptions SerialCard(const std::string& dir, int com, uint8_t address = 1) {
  CardOptions o;
  o.Address = address;
  o.Udp = false;
  o.Serial = true;
  o.SerialDir = dir;
  o.ComNumber = com;
  return o;
}

// Destination bytes of the requests a card received, with their letters.
std::vector<std::pair<char, int>> Requests(const CardSimulator& sim) {
  std::vector<std::pair<char, int>> out;
  for (const auto& f : sim.Requests()) out.emplace_back(static_cast<char>(f.Bytes[4]), f.Bytes[2]);
  return out;
}

class Control : public CommTest {
 protected:
  void SetUp() override {
    CommTest::SetUp();
    home_ = MakeTempFolder("control");
    library_.emplace(home_);
  }
  void TearDown() override {
    SetClockOverride(nullptr);
    library_.reset();
    CommTest::TearDown();
  }
  // Writes LED.INI (UTF-8 here, GBK in the file).
  void Screens(const std::string& utf8) { WriteTextFile(home_ + "/LED.INI", Utf8ToGbk(utf8)); }
  std::string UdpScreen(int n, uint16_t port, int linkAddr = 1, const std::string& extra = "") {
    return "[地址: " + std::to_string(n) + "]\nLinkMode=TCP/IP\nIPAddr=127.0.0.1\nPortNO=" + std::to_string(port) +
           "\nLinkAddr=" + std::to_string(linkAddr) + "\n" + extra;
  }
  // A small sealed pack for screen n.
  void BuildPack(int n) {
    ASSERT_EQ(User_InitBuffer(n), 1);
    ASSERT_EQ(User_AddProgram(0, 0), 0);
    ASSERT_EQ(User_AddProgram(0, 1), 0);
    ASSERT_EQ(User_CompletePack(), 1);
  }
  Bytes SwapFile() { return ReadWholeFile(home_ + "/Swap.Dat"); }

  SerialDir dir_;
  std::string home_;
  std::optional<testing::LoadedLibrary> library_;
};

TEST_F(Control, ClockPayloadIsLocalTimeInBcd) {
  auto sim = StartCard(UdpCard());
  Screens(UdpScreen(1, sim->UdpPort()));
  SetClockOverride([] { return LocalTime{2009, 3, 3, 14, 5, 9, 0, 2}; });
  ASSERT_EQ(User_AdjustTime(1), 1);
  ASSERT_EQ(User_AdjustToUDPTime(0, "127.0.0.1", sim->UdpPort()), 1);
  ASSERT_TRUE(sim->WaitFor([&] { return sim->Singles().size() == 2; }, milliseconds(2000)));
  for (const auto& single : sim->Singles()) {
    EXPECT_EQ(single.Kind, 1);
    EXPECT_EQ(single.Data, (Bytes{0x09, 0x05, 0x14, 0x03, 0x02, 0x03, 0x09}));
  }
  auto reqs = Requests(*sim);
  ASSERT_EQ(reqs.size(), 2u);  // no handshake, one D frame each
  EXPECT_EQ(reqs[0], (std::pair<char, int>{'D', 0xFF}));
  uint8_t payload[9];
  SetClockOverride([] { return LocalTime{2099, 12, 31, 23, 59, 58, 999, 6}; });
  MakeClockPayload(payload);
  EXPECT_EQ(Bytes(payload, payload + 9), (Bytes{0x0F, 0x01, 0x58, 0x59, 0x23, 0x31, 0x06, 0x12, 0x99}));
}

TEST_F(Control, ScreenOnAndOffOverUdp) {
  auto sim = StartCard(UdpCard(3));
  Screens(UdpScreen(1, sim->UdpPort(), 3));
  ASSERT_EQ(User_OpenScreen(1), 1);
  ASSERT_EQ(User_CloseScreen(1), 1);
  ASSERT_EQ(User_OpenToUDPScreen(0, "127.0.0.1", sim->UdpPort()), 1);
  ASSERT_EQ(User_CloseToUDPScreen(0, "127.0.0.1", sim->UdpPort()), 1);
  auto singles = sim->Singles();
  ASSERT_EQ(singles.size(), 4u);
  const Bytes states[] = {{0x00}, {0x0F}, {0x00}, {0x0F}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(singles[i].Kind, 2);
    EXPECT_EQ(singles[i].Data, states[i]);
  }
  for (const auto& r : Requests(*sim)) EXPECT_EQ(r.second, 0xFF) << "over UDP every request goes to any card";
}

TEST_F(Control, CommandsThatCannotReachACardSendNothing) {
  auto sim = StartCard(UdpCard());
  Screens("[地址: 1]\nLinkMode=GPRS\nCOMPort=COM1\n" "[地址: 2]\nLinkMode=TCP/IP\nPortNO=" +
          std::to_string(sim->UdpPort()) + "\n");
  auto card = StartCard(SerialCard(dir_.Path(), 1));
  EXPECT_EQ(User_OpenScreen(1), 0);  // GPRS: no link
  EXPECT_EQ(User_CloseScreen(1), 0);
  EXPECT_EQ(User_AdjustTime(1), 0);
  EXPECT_EQ(User_AdjustTime(2), 0);  // UDP without an address: no socket
  EXPECT_FALSE(UdpSocketExists());
  EXPECT_EQ(User_OpenScreen(2), 0);  // the empty address is refused by the link
  EXPECT_EQ(User_OpenScreen(9), 0);  // no such screen
  EXPECT_EQ(User_OpenToUDPScreen(0, nullptr, sim->UdpPort()), 0);
  EXPECT_EQ(User_AdjustToUDPTime(0, nullptr, sim->UdpPort()), 0);
  EXPECT_EQ(User_SelectToUDPScreenProgram(0, nullptr, sim->UdpPort(), 1), 0);
  EXPECT_TRUE(sim->Requests().empty());
  EXPECT_TRUE(card->Requests().empty());
}

TEST_F(Control, RefusedHandshakeEndsAfterOneFrame) {
  CardOptions o = UdpCard();
  o.Faults.Refuse = true;
  auto sim = StartCard(o);
  Screens(UdpScreen(1, sim->UdpPort()));
  EXPECT_EQ(User_OpenScreen(1), 0);
  EXPECT_EQ(Requests(*sim), (std::vector<std::pair<char, int>>{{'A', 0xFF}}));
}

TEST_F(Control, ExVariantsUseTheSerialPortWhateverTheLinkMode) {
  auto card = StartCard(SerialCard(dir_.Path(), 1, 5));
  Screens(UdpScreen(1, 9, 1, "COMPort=COM1\n"));
  ASSERT_EQ(User_CloseScreenEx(1, 5), 1);
  ASSERT_EQ(User_OpenScreenEx(1, 5), 1);
  auto reqs = Requests(*card);
  ASSERT_FALSE(reqs.empty());
  for (const auto& r : reqs) EXPECT_EQ(r.second, 5);
  ASSERT_EQ(card->Singles().size(), 2u);
  EXPECT_EQ(card->Singles()[0].Data, Bytes{0x0F});
}

TEST_F(Control, SendingNeedsAPackAndArgumentsInRange) {
  auto sim = StartCard(UdpCard());
  Screens(UdpScreen(1, sim->UdpPort()) + "[地址: 2]\nCOMPort=COM1\nLinkAddr=1\n");
  ASSERT_EQ(User_InitBuffer(1), 1);
  EXPECT_EQ(User_SendToScreen(1), 0);  // nothing added: 2 bytes
  BuildPack(1);
  EXPECT_EQ(User_SendToScreenX(1, 0, 4097, 3), 0);
  EXPECT_EQ(User_SendToScreenX(1, 0, 200, 0), 0);
  EXPECT_EQ(User_SendToScreenX(1, 0, 200, 101), 0);
  EXPECT_EQ(User_SendToAddrScreen(1, 1, 0, 0, 4097, 3), 0);
  EXPECT_EQ(User_SendToAddrScreen(1, 1, 0, 0, 200, 0), 0);
  EXPECT_EQ(User_SendToAddrScreen(1, 1, 0, 0, 200, 3), 0);  // a UDP screen
  EXPECT_EQ(User_SendToUDPScreen(7, "127.0.0.1", sim->UdpPort(), 0, 0, 200, 3), 0);  // no section 7
  EXPECT_EQ(User_SendToUDPScreen(1, nullptr, sim->UdpPort(), 0, 0, 200, 3), 0);
  EXPECT_TRUE(sim->Requests().empty());
}

// Sizes that cannot make a frame, and retry counts out of range, are refused
// before any frame goes out: no probe of a port search, no handshake. A
// negative size is refused as it is, not cut to 16 bits first (-65336 would
// have become 200).
TEST_F(Control, BadPacketSizesAndRetryCountsAreRefusedBeforeAnyFrame) {
  auto udp = StartCard(UdpCard());
  auto serial = StartCard(SerialCard(dir_.Path(), 1));
  // Screen 1 over UDP; screen 2 searches the serial ports (no "COM" in its name).
  Screens(UdpScreen(1, udp->UdpPort()) + "[地址: 2]\nCOMPort=AUTO\nLinkAddr=1\n");
  BuildPack(1);
  const std::pair<int32_t, int32_t> refused[] = {{14, 3}, {255, 3}, {4096, 3}, {0, 3},      {-1, 3},
                                                 {-65336, 3}, {200, 0}, {200, 101}, {200, -1}};
  for (const auto& [size, retries] : refused) {
    SCOPED_TRACE(std::to_string(size) + "/" + std::to_string(retries));
    EXPECT_EQ(User_SendToScreenX(1, 0, size, retries), 0);
    EXPECT_EQ(User_SendToScreenX(2, 0, size, retries), 0);
    EXPECT_EQ(User_SendToAddrScreen(2, 1, 0, 0, size, retries), 0);
  }
  const std::pair<uint16_t, uint16_t> refusedUdp[] = {{14, 3}, {255, 3}, {0, 3}, {65535, 3}, {200, 0}};
  for (const auto& [size, retries] : refusedUdp) {
    SCOPED_TRACE(std::to_string(size) + "/" + std::to_string(retries) + " UDP");
    EXPECT_EQ(User_SendToUDPScreen(1, "127.0.0.1", udp->UdpPort(), 0, 0, size, retries), 0);
  }
  EXPECT_TRUE(udp->Requests().empty());
  EXPECT_TRUE(serial->Requests().empty());

  // The bounds themselves are sizes that work.
  ASSERT_EQ(User_SendToAddrScreen(2, 1, 0, 0, 15, 1), 1);
  ASSERT_EQ(User_SendToUDPScreen(1, "127.0.0.1", udp->UdpPort(), 1, 0, 254, 1), 1);
  EXPECT_EQ(serial->Packs().at(0).Bytes, SwapFile());
  EXPECT_EQ(udp->Packs().at(0).Bytes, SwapFile());
}

// A socket on 127.0.0.2 plays the card: its frames are not the card's (at
// 127.0.0.1), whatever they say.
TEST_F(Control, RepliesFromAnotherAddressAreNotTheCards) {
  auto sim = StartCard(UdpCard());
  Screens(UdpScreen(1, sim->UdpPort()));
  BuildPack(1);
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", sim->UdpPort()));  // the library's socket, and its port
  const uint16_t port = UdpLocalPort();
  CloseUdpLink();
  struct Case {
    const char* Name;
    bool CardSilent;
    std::vector<Bytes> Forged;
    uint8_t Result;
  };
  const Case cases[] = {
      {"a silent card, forged acceptance", true,
       {CardReply(1, kLetterReady), CardReply(1, kLetterAccepted), CardReply(1, kLetterData, {0})}, 0},
      {"an answering card, forged refusal", false, {CardReply(1, kLetterRefused)}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    CardFaults faults;
    faults.Silent = c.CardSilent;
    sim->SetFaults(faults);
    Chatter forger(kOtherLoopback, port, c.Forged, milliseconds(20));
    if (!forger.Bound()) GTEST_SKIP() << "127.0.0.2 cannot be bound here";
    EXPECT_EQ(User_SendToUDPScreen(1, "127.0.0.1", sim->UdpPort(), 0, 0, 200, 3), c.Result);
    EXPECT_EQ(UdpLocalPort(), port);
  }
}

// Junk from the card's own address, ten datagrams a second for longer than
// the export may take: three handshake attempts of a second each, no more.
TEST_F(Control, JunkDatagramsDoNotKeepAnExportWaiting) {
  CardOptions o = UdpCard();
  o.Faults.Silent = true;
  auto sim = StartCard(o);
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", sim->UdpPort()));
  const uint16_t port = UdpLocalPort();
  CloseUdpLink();
  Chatter junk(INADDR_LOOPBACK, port, JunkFrames(31), milliseconds(100));
  const auto t0 = Clock::now();
  EXPECT_EQ(User_OpenToUDPScreen(0, "127.0.0.1", sim->UdpPort()), 0);
  EXPECT_GE(MsSince(t0), 2990);
  EXPECT_LT(MsSince(t0), 3600);
  EXPECT_EQ(CountLetter(sim->Requests(), kLetterHandshake), 3u);
}

TEST_F(Control, PackArrivesPlainAndCompressedWithItsSeal) {
  CardOptions o = UdpCard();
  o.Status = 15;
  auto sim = StartCard(o);
  Screens(UdpScreen(1, sim->UdpPort()));
  BuildPack(1);
  ASSERT_EQ(User_SendToScreen(1), 1);
  ASSERT_EQ(User_SendToScreenX(1, 1, 254, 5), 1);
  ASSERT_EQ(User_SendToScreenX(1, 2, 100, 5), 1);  // Compress 2 sends plain
  ASSERT_EQ(User_SendToUDPScreen(1, "127.0.0.1", sim->UdpPort(), 1, 1, 64, 2), 1);
  ASSERT_EQ(User_SendToUDPScreen(1, "127.0.0.1", sim->UdpPort(), 0, 1, 64, 2), 1);
  auto packs = sim->Packs();
  ASSERT_EQ(packs.size(), 5u);
  const uint8_t kinds[] = {15, 47, 15, 63, 31};
  for (size_t i = 0; i < packs.size(); ++i) {
    EXPECT_EQ(packs[i].Kind, kinds[i]);
    EXPECT_TRUE(packs[i].SealOk) << packs[i].Error;
    EXPECT_EQ(packs[i].Bytes, SwapFile());
  }
}

TEST_F(Control, UdpSendsTryEachPacketThreeTimesWhateverRetryCountSays) {
  CardOptions o = UdpCard();
  o.Faults.DataForAccept = 1000;  // every data packet is answered with D
  auto sim = StartCard(o);
  Screens(UdpScreen(1, sim->UdpPort()));
  BuildPack(1);
  EXPECT_EQ(User_SendToScreenX(1, 0, 200, 10), 0);
  EXPECT_EQ(CountLetter(sim->Requests(), 'A'), 1u);
  EXPECT_EQ(CountLetter(sim->Requests(), 'D'), 3u);
}

TEST_F(Control, StatusAfterTheTransferDecides) {
  auto sim = StartCard(UdpCard());
  Screens(UdpScreen(1, sim->UdpPort()));
  BuildPack(1);
  struct {
    uint8_t Status;
    uint8_t Result;
  } cases[] = {{15, 1}, {0, 1}, {1, 0}};
  for (const auto& c : cases) {
    sim->SetStatus(c.Status);
    EXPECT_EQ(User_SendToScreen(1), c.Result) << int(c.Status);
    EXPECT_EQ(User_SendToUDPScreen(1, "127.0.0.1", sim->UdpPort(), 0, 0, 200, 3), c.Result) << int(c.Status);
  }
}

TEST_F(Control, CardThatNeverGivesItsStatusFailsAfterTenSeconds) {
  auto sim = StartCard(UdpCard());
  Screens(UdpScreen(1, sim->UdpPort()));
  BuildPack(1);
  // The transfer is answered; from then on the card is silent.
  std::thread silencer([&] {
    sim->WaitFor([&] { return !sim->Packs().empty(); }, milliseconds(5000));
    CardFaults f;
    f.Silent = true;
    sim->SetFaults(f);
  });
  const auto start = Clock::now();
  EXPECT_EQ(User_SendToScreen(1), 0);
  silencer.join();
  const double ms = MsSince(start);
  EXPECT_GT(ms, 10000);
  EXPECT_LT(ms, 16000);
}

TEST_F(Control, NamedPortIsUsedWithoutAProbeAndNoOtherIsTried) {
  CardOptions silent = SerialCard(dir_.Path(), 3);
  silent.Faults.Silent = true;
  auto com3 = StartCard(silent);
  auto com1 = StartCard(SerialCard(dir_.Path(), 1));
  Screens("[地址: 1]\nCOMPort=COM3\nLinkAddr=1\n");
  BuildPack(1);
  const auto start = Clock::now();
  EXPECT_EQ(User_SendToScreen(1), 0);
  EXPECT_EQ(CountLetter(com3->Requests(), 'A'), 3u);  // the handshake, three times; no probe
  EXPECT_TRUE(com1->Requests().empty());
  EXPECT_GT(MsSince(start), 2500);
}

TEST_F(Control, PortSearchSkipsMissingAndSilentPorts) {
  CardOptions silent = SerialCard(dir_.Path(), 2);
  silent.Faults.Silent = true;
  auto com2 = StartCard(silent);  // COM1 does not exist
  CardOptions answering = SerialCard(dir_.Path(), 4);
  answering.Status = 0;
  auto com4 = StartCard(answering);
  // A port name without "COM" asks for the search.
  Screens("[地址: 1]\nCOMPort=AUTO\nLinkAddr=1\n");
  BuildPack(1);
  ASSERT_EQ(User_SendToScreen(1), 1);
  EXPECT_EQ(CountLetter(com2->Requests(), 'A'), 3u);  // probed, no answer
  ASSERT_EQ(com4->Packs().size(), 1u);
  EXPECT_EQ(com4->Packs()[0].Bytes, SwapFile());
  EXPECT_GE(ReplyWaitFloor(), 200u);  // the search raised it
}

TEST_F(Control, SelectionProbesForTheSearchAddressAndSelectsOnTheScreensCard) {
  auto card9 = StartCard(SerialCard(dir_.Path(), 2, 9));
  Screens("[地址: 1]\nCOMPort=ANY\nLinkAddr=1\n" + UdpScreen(2, 0));
  EXPECT_EQ(User_SelectScreenProgram(1, 9, 2), 0);  // card 1 is not on the bus
  auto reqs = Requests(*card9);
  ASSERT_GE(reqs.size(), 3u);
  EXPECT_EQ(reqs[0], (std::pair<char, int>{'A', 9}));
  EXPECT_EQ(reqs[1], (std::pair<char, int>{'U', 9}));
  EXPECT_EQ(reqs[2], (std::pair<char, int>{'A', 1}));
  EXPECT_EQ(ReplyWaitFloor(), 0u);  // only the send exports raise it
}

TEST_F(Control, SelectionOverUdpAndSerial) {
  auto sim = StartCard(UdpCard(4));
  auto card = StartCard(SerialCard(dir_.Path(), 1, 4));
  Screens(UdpScreen(1, sim->UdpPort(), 4) + "[地址: 2]\nCOMPort=COM1\nLinkAddr=4\n");
  ASSERT_EQ(User_SelectScreenProgram(1, 0, 2), 1);
  ASSERT_EQ(User_SelectToUDPScreenProgram(0, "127.0.0.1", sim->UdpPort(), 7), 1);
  ASSERT_EQ(User_SelectScreenProgram(2, 4, 3), 1);
  ASSERT_EQ(sim->Singles().size(), 2u);
  EXPECT_EQ(sim->Singles()[0].Kind, 3);
  EXPECT_EQ(sim->Singles()[0].Data, Bytes{2});
  EXPECT_EQ(sim->Singles()[1].Data, Bytes{7});
  ASSERT_EQ(card->Singles().size(), 1u);
  EXPECT_EQ(card->Singles()[0].Data, Bytes{3});
}

TEST_F(Control, SerialPackToAnAddressedCard) {
  auto card = StartCard(SerialCard(dir_.Path(), 1, 6));
  Screens("[地址: 1]\nCOMPort=COM1\nLinkAddr=1\nBaudRate=38400bps\n");
  BuildPack(1);
  ASSERT_EQ(User_SendToAddrScreen(1, 6, 1, 0, 120, 2), 1);
  ASSERT_EQ(card->Packs().size(), 1u);
  EXPECT_EQ(card->Packs()[0].Kind, 47);
  EXPECT_TRUE(card->Packs()[0].SealOk);
}

}  // namespace
}  // namespace vexilo::testing

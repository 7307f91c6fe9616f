#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>

#include "CommTestSupport.h"
#include "HostLibrary.h"
#include "lang/CodePageUnit.h"

extern char** environ;

namespace vexilo::testing {
namespace {

using cardsim::CardSimulator;

class CardSim : public CommTest {};

TEST_F(CardSim, AnswersStatusAndWordQueriesWithData) {
  CardSimulator sim(cardsim::CardOptions{.Address = 4, .Status = 15, .Word = 0x1234});
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", sim.UdpPort()));
  UdpLinkCloser closer;
  uint8_t dest = 4;
  ReplyFrame reply;
  ASSERT_TRUE(SendFrame(nullptr, kLetterStatus, dest, nullptr, 0));
  ASSERT_TRUE(ReceiveFrame(nullptr, dest, 500, reply));
  EXPECT_EQ(reply.Letter, kLetterData);
  EXPECT_EQ(Bytes(reply.Data, reply.Data + reply.DataLength), Bytes({15}));
  ASSERT_TRUE(SendFrame(nullptr, kLetterWord, dest, nullptr, 0));
  ASSERT_TRUE(ReceiveFrame(nullptr, dest, 500, reply));
  EXPECT_EQ(Bytes(reply.Data, reply.Data + reply.DataLength), Bytes({0x12, 0x34}));
  EXPECT_EQ(reply.Source, 4);
}

TEST_F(CardSim, CorruptsTheCrcOfAsManyRepliesAsAsked) {
  CardSimulator sim(cardsim::CardOptions{.Faults = {.CorruptCrc = 1}});
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", sim.UdpPort()));
  UdpLinkCloser closer;
  uint8_t dest = 1;
  ReplyFrame reply;
  const uint32_t confirmed = ConfirmedFrameCount();
  ASSERT_TRUE(SendFrame(nullptr, kLetterHandshake, dest, nullptr, 0));
  EXPECT_FALSE(ReceiveFrame(nullptr, dest, 100, reply));
  ASSERT_TRUE(SendFrame(nullptr, kLetterHandshake, dest, nullptr, 0));
  EXPECT_TRUE(ReceiveFrame(nullptr, dest, 100, reply));
  EXPECT_EQ(ConfirmedFrameCount() - confirmed, 1u);
  EXPECT_EQ(sim.Replies().size(), 2u);
}

TEST_F(CardSim, SerialRequestsForOtherCardsAreRecordedButNotAnswered) {
  SerialDir dir;
  CardSimulator sim(cardsim::CardOptions{.Address = 2, .Udp = false, .Serial = true, .SerialDir = dir.Path(),
                                         .ComNumber = 6});
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  EXPECT_EQ(sim.ComLink(), dir.Path() + "/COM6");
  SerialPort* port = OpenSerialLink("COM6", 9600);
  ASSERT_NE(port, nullptr);
  SerialLinkCloser closer(port);
  uint8_t dest = 3;
  ReplyFrame reply;
  ASSERT_TRUE(SendFrame(port, kLetterHandshake, dest, nullptr, 0));
  EXPECT_FALSE(ReceiveFrame(port, dest, 100, reply));
  dest = 2;
  ASSERT_TRUE(SendFrame(port, kLetterHandshake, dest, nullptr, 0));
  EXPECT_TRUE(ReceiveFrame(port, dest, 100, reply));
  auto requests = sim.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_FALSE(requests[0].ForThisCard);
  EXPECT_TRUE(requests[1].ForThisCard);
  EXPECT_EQ(sim.Replies().size(), 1u);
}

// The command-line program: prints where it listens, serves, saves the pack.
TEST_F(CardSim, CommandLineProgramServesAndSavesPacks) {
  const std::string program = VEXILO_BINARY_DIR "/tools/cardsim/vexilo-cardsim";
  if (::access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "vexilo-cardsim is not built";
  SerialDir dir;
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string dirArg = dir.Path();
  const char* argv[] = {program.c_str(), "--serial-dir", dirArg.c_str(), "--com", "4", "--save", dirArg.c_str(),
                        "--address", "3", "--quiet", nullptr};
  pid_t pid;
  ASSERT_EQ(::posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char**>(argv), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);

  // Reads lines until the link line has come.
  std::string text;
  auto end = Clock::now() + milliseconds(5000);
  while (text.find("link ") == std::string::npos && Clock::now() < end) {
    struct pollfd p = {out[0], POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char buf[256];
    ssize_t r = ::read(out[0], buf, sizeof buf);
    if (r <= 0) break;
    text.append(buf, static_cast<size_t>(r));
  }
  EXPECT_NE(text.find("serial /dev/pts/"), std::string::npos) << text;
  EXPECT_NE(text.find("link " + dir.Path() + "/COM4"), std::string::npos) << text;
  size_t at = text.find("udp 127.0.0.1:");
  ASSERT_NE(at, std::string::npos) << text;
  const uint16_t port = static_cast<uint16_t>(std::stoi(text.substr(at + 14)));

  const Bytes pack = Sealed(RandomBytes(3000, 11));
  WritePack(pack);
  uint8_t dest = 3;
  {
    ASSERT_TRUE(OpenUdpLink("127.0.0.1", port));
    UdpLinkCloser closer;
    EXPECT_TRUE(PacketExchange(nullptr, dest, kKindPackCompressed, PackData(), 254, 3));
  }
  // And over its terminal.
  SerialPort* serial = OpenSerialLink("COM4", 115200);
  ASSERT_NE(serial, nullptr);
  EXPECT_TRUE(PacketExchange(serial, dest, kKindScreen, MemoryData("\x0F", 1), 200, 3));
  CloseSerialLink(serial);

  ::kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ::close(out[0]);
  std::ifstream saved(dir.Path() + "/pack-1.bin", std::ios::binary);
  Bytes got((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(got == pack) << got.size();
}

// The answer to C is the card's verdict on the last pack: the configured
// status before any pack and after a sound one, 1 after a pack whose seal is
// wrong or that stopped half way; FixedStatus answers the configured status
// whatever came.
TEST_F(CardSim, StatusIsTheVerdictOnTheLastPack) {
  CardSimulator sim(cardsim::CardOptions{.Status = 15});
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", sim.UdpPort()));
  UdpLinkCloser closer;
  auto status = [&]() -> int {
    uint8_t dest = 1;
    ReplyFrame reply;
    if (!SendFrame(nullptr, kLetterStatus, dest, nullptr, 0) || !ReceiveFrame(nullptr, dest, 500, reply) ||
        reply.Letter != kLetterData || reply.DataLength != 1) {
      return -1;
    }
    return reply.Data[0];
  };
  const Bytes sound = Sealed(RandomBytes(400, 21));
  Bytes wrongSeal = sound;
  wrongSeal[100] ^= 0x01;
  EXPECT_EQ(status(), 15) << "no pack yet";
  struct Step {
    const char* Name;
    const Bytes* Pack;  // null: only the first packet of a pack
    cardsim::CardFaults Faults;
    int Status;
  };
  const Step steps[] = {
      {"sound pack", &sound, {}, 15},
      {"seal wrong", &wrongSeal, {}, cardsim::kStatusBadPack},
      {"sound again", &sound, {}, 15},
      {"stopped after its first packet", nullptr, {}, cardsim::kStatusBadPack},
      {"seal wrong, status lies", &wrongSeal, {.FixedStatus = true}, 15},
      {"rebuilt wrong", &sound, {.SpoilPack = true}, cardsim::kStatusBadPack},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.Name);
    sim.SetFaults(step.Faults);
    uint8_t dest = 1;
    if (step.Pack != nullptr) {
      WritePack(*step.Pack);
      ASSERT_TRUE(PacketExchange(nullptr, dest, kKindPackPlain, PackData(), 200, 3));
    } else {
      Bytes first = {kFlagFirst, kKindPackPlain, 0, 0, 0, 0};
      first.insert(first.end(), sound.begin(), sound.begin() + 100);
      ReplyFrame reply;
      ASSERT_TRUE(SendFrame(nullptr, kLetterData, dest, first.data(), first.size()));
      ASSERT_TRUE(ReceiveFrame(nullptr, dest, 500, reply));
    }
    EXPECT_EQ(status(), step.Status);
  }
}

// Through the exports, as a host sends: a pack whose text page is blank
// (its pixel bytes all 0) goes to a card on UDP, built and sent by the
// library in a child process. Gives the send's result.
class CardSimExports : public CardSim {
 protected:
  void SetUp() override {
    CardSim::SetUp();
    home_ = MakeTempFolder("cardsim-send");
  }
  std::string Send(uint16_t port, bool seal, int32_t compress, uint16_t packetSize) {
    WriteTextFile(home_ + "/LED.INI", Utf8ToGbk("[地址: 1]\nLinkMode=TCP/IP\nIPAddr=127.0.0.1\nPortNO=" +
                                                std::to_string(port) + "\nLinkAddr=1\nColor=1\n"));
    auto run = RunHost(home_, [&](const HostApi& api) {
      const std::string face = Utf8ToGbk("宋体");
      TTextParam blank{};
      blank.Text = " ";
      blank.AreaWidth = 128;
      blank.AreaHeight = 32;
      blank.Font.FaceName = face.c_str();
      blank.Font.Size = 16;
      blank.Font.TextColor = 1;
      std::string r = std::to_string(api.InitBuffer(1));
      r += std::to_string(api.AddProgram(0, 0));
      r += std::to_string(api.AddText(&blank));
      if (seal) r += std::to_string(api.CompletePack());
      if (r != (seal ? "1001" : "100")) return "pack not built: " + r;
      return std::to_string(api.SendToUDPScreen(1, "127.0.0.1", port, compress, 0, packetSize, 3));
    });
    if (!run.Ok) return "run failed: " + run.Error;
    return run.Output;
  }
  Bytes SwapFile() const { return ReadWholeFile(home_ + "/Swap.Dat"); }
  std::string home_;
};

// A blank page sent compressed in the smallest packets gives long rows of
// equal chunks; replies a little late must not make the card drop any. The
// library reports success because the card rebuilt the pack exactly.
TEST_F(CardSimExports, BlankPageCompressedInSmallestPacketsUnderDelayArrivesExactly) {
  CardSimulator sim(cardsim::CardOptions{.Faults = {.DelayMs = 5}});
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  EXPECT_EQ(Send(sim.UdpPort(), true, 1, 15), "1");
  auto payloads = DataPayloads(sim);
  size_t equalNeighbours = 0;
  for (size_t i = 1; i < payloads.size(); ++i) equalNeighbours += payloads[i] == payloads[i - 1];
  EXPECT_GT(equalNeighbours, 10u) << "the blank page must give equal chunks in a row";
  auto packs = sim.Packs();
  ASSERT_EQ(packs.size(), 1u);
  EXPECT_EQ(packs[0].Kind, 47);
  EXPECT_EQ(packs[0].Error, "");
  EXPECT_TRUE(packs[0].SealOk);
  EXPECT_TRUE(packs[0].Bytes == SwapFile()) << packs[0].Bytes.size() << " bytes rebuilt";
}

// The send's result follows the card's verdict on what it rebuilt.
TEST_F(CardSimExports, SendFailsWhenTheCardsPackIsBroken) {
  struct Case {
    const char* Name;
    cardsim::CardFaults Faults;
    bool Seal;        // User_CompletePack before the send
    bool CardSealOk;  // the seal checks on the card's copy
    const char* Result;
  };
  const Case cases[] = {
      {"sound pack", {}, true, true, "1"},
      {"card rebuilt it wrong", {.SpoilPack = true}, true, false, "0"},
      {"pack sent without its seal", {}, false, false, "0"},
      {"card rebuilt it wrong, status lies", {.FixedStatus = true, .SpoilPack = true}, true, false, "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    CardSimulator sim(cardsim::CardOptions{.Faults = c.Faults});
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    EXPECT_EQ(Send(sim.UdpPort(), c.Seal, 0, 200), c.Result);
    ASSERT_EQ(sim.Packs().size(), 1u);
    EXPECT_EQ(sim.Packs()[0].SealOk, c.CardSealOk);
  }
}

}  // namespace
}  // namespace vexilo::testing

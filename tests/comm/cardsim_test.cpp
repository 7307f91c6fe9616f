#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>

#include "CommTestSupport.h"

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

}  // namespace
}  // namespace vexilo::testing

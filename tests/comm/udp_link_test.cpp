#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <thread>

#include "CommTestSupport.h"

namespace vexilo::testing {
namespace {

bool LockIsFreeForAnotherThread() {
  bool free = false;
  std::thread([&] {
    free = UdpLinkLock().try_lock();
    if (free) UdpLinkLock().unlock();
  }).join();
  return free;
}

class UdpLink : public CommTest {};

TEST_F(UdpLink, AddressTextsThatAreNotDottedIpv4FailAndLeaveTheLockFree) {
  const char* texts[] = {"", "localhost", "1.2.3", "1.2.3.4.5", "256.1.1.1", " 127.0.0.1", "127.0.0.1 ",
                         "0x7f.0.0.1", "::1"};
  for (const char* t : texts) {
    SCOPED_TRACE(t);
    EXPECT_FALSE(OpenUdpLink(t, 9000));
    EXPECT_TRUE(LockIsFreeForAnotherThread());
  }
  EXPECT_FALSE(OpenUdpLink(nullptr, 9000));
  EXPECT_TRUE(LockIsFreeForAnotherThread());
}

TEST_F(UdpLink, UnicastUsesShareOneSocketAndItsPort) {
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", 9001));
  const uint16_t port = UdpLocalPort();
  EXPECT_TRUE(port == 8000 || (port >= 8100 && port <= 9099)) << port;
  EXPECT_FALSE(UdpIsBroadcast());
  CloseUdpLink();
  ASSERT_TRUE(OpenUdpLink("127.0.0.2", 9002));
  EXPECT_EQ(UdpLocalPort(), port);
  CloseUdpLink();
  EXPECT_TRUE(UdpSocketExists());
}

TEST_F(UdpLink, BindsTo8100WhenPort8000IsTaken) {
  CloseUdpSocket();
  TestSocket holder(8000, INADDR_ANY);
  if (!holder.Bound()) GTEST_SKIP() << "port 8000 is used by another program";
  { TestSocket probe(8100, INADDR_ANY);
    if (!probe.Bound()) GTEST_SKIP() << "port 8100 is used by another program"; }
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", 9003));
  EXPECT_EQ(UdpLocalPort(), 8100);
  CloseUdpLink();
  CloseUdpSocket();
  EXPECT_FALSE(UdpSocketExists());
}

// The broadcast address is only ever handed to the seam: no datagram to it
// leaves this test.
TEST_F(UdpLink, BroadcastUseGetsItsOwnSocketAndLeavesAFreshUnicastOne) {
  struct Sent {
    uint32_t Address;
    uint16_t Port;
    Bytes Frame;
  };
  std::vector<Sent> sent;
  SetUdpSendHook([&](uint32_t address, uint16_t port, const uint8_t* data, size_t n) {
    sent.push_back({address, port, Bytes(data, data + n)});
    return true;
  });
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", 9004));
  CloseUdpLink();

  ASSERT_TRUE(OpenUdpLink("255.255.255.255", 5005));
  EXPECT_TRUE(UdpIsBroadcast());
  EXPECT_TRUE(SendFrame(nullptr, kLetterHandshake, 7, nullptr, 0));
  CloseUdpLink();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Address, 0xFFFFFFFFu);
  EXPECT_EQ(sent[0].Port, 5005);
  EXPECT_EQ(sent[0].Frame[2], kAnyCard);

  // Replaced at once by a unicast socket bound from 8000 upward, with the
  // card's address forgotten.
  EXPECT_TRUE(UdpSocketExists());
  EXPECT_FALSE(UdpIsBroadcast());
  const uint16_t port = UdpLocalPort();
  EXPECT_TRUE(port == 8000 || (port >= 8100 && port <= 9099)) << port;
  const uint8_t byte = 0;
  EXPECT_FALSE(UdpSend(&byte, 1));

  // The next unicast use finds that socket and sends for real.
  SetUdpSendHook(nullptr);
  cardsim::CardSimulator sim;
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", sim.UdpPort()));
  EXPECT_EQ(UdpLocalPort(), port);
  EXPECT_FALSE(UdpIsBroadcast());
  uint8_t dest = 1;
  EXPECT_TRUE(SendFrame(nullptr, kLetterHandshake, dest, nullptr, 0));
  ReplyFrame reply;
  EXPECT_TRUE(ReceiveFrame(nullptr, dest, 1000, reply));
  EXPECT_EQ(reply.Letter, kLetterReady);
  CloseUdpLink();
}

TEST_F(UdpLink, ReceiveWaitsUntilItsDeadlineAndTakesWaitingDatagramsAtOnce) {
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", 9005));
  uint8_t buf[kUdpReplyBuffer];
  auto t0 = Clock::now();
  EXPECT_EQ(UdpReceive(buf, 500), 0);
  EXPECT_GE(MsSince(t0), 495);
  EXPECT_LT(MsSince(t0), 800);
  t0 = Clock::now();
  EXPECT_EQ(UdpReceive(buf, 0), 0);
  EXPECT_LT(MsSince(t0), 50);

  // From the card's address (from any port of it), cut to the reply buffer.
  TestSocket other;
  other.SendTo(UdpLocalPort(), Bytes(300, 0x5A));
  std::this_thread::sleep_for(milliseconds(20));
  t0 = Clock::now();
  EXPECT_EQ(UdpReceive(buf, 5000), static_cast<int>(kUdpReplyBuffer));
  EXPECT_LT(MsSince(t0), 50);

  // Drain takes everything that waits.
  for (int i = 0; i < 3; ++i) other.SendTo(UdpLocalPort(), Bytes(1025, 1));
  std::this_thread::sleep_for(milliseconds(20));
  DrainUdp();
  EXPECT_EQ(UdpReceive(buf, 0), 0);
  CloseUdpLink();
}

TEST_F(UdpLink, LockIsHeldFromOpenToCloseAcrossThreads) {
  std::atomic<bool> opened{false}, closing{false};
  std::thread first([&] {
    ASSERT_TRUE(OpenUdpLink("127.0.0.1", 9006));
    // The holder may take the lock again.
    EXPECT_TRUE(UdpLinkLock().try_lock());
    UdpLinkLock().unlock();
    opened = true;
    std::this_thread::sleep_for(milliseconds(200));
    closing = true;
    CloseUdpLink();
  });
  while (!opened) std::this_thread::sleep_for(milliseconds(1));
  EXPECT_FALSE(LockIsFreeForAnotherThread());
  auto t0 = Clock::now();
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", 9007));
  EXPECT_TRUE(closing.load());
  EXPECT_GE(MsSince(t0), 100);
  CloseUdpLink();
  first.join();
  EXPECT_TRUE(LockIsFreeForAnotherThread());
}

// Junk from the card's own address, ten datagrams a second: the wait still
// ends at its deadline, and a reply that comes within it is taken.
TEST_F(UdpLink, DiscardedDatagramsDoNotExtendTheReplyWait) {
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", 9008));
  UdpLinkCloser closer;
  Chatter junk(INADDR_LOOPBACK, UdpLocalPort(), JunkFrames(11), milliseconds(100));
  ASSERT_TRUE(junk.Bound());
  struct Case {
    const char* Name;
    int ReplyAtMs;  // -1: no reply
    bool Taken;
    double MinMs, MaxMs;
  };
  const Case cases[] = {
      {"junk only", -1, false, 990, 1250},
      {"a reply among the junk", 350, true, 340, 700},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::thread card;
    if (c.ReplyAtMs >= 0) {
      card = std::thread([&] {
        std::this_thread::sleep_for(milliseconds(c.ReplyAtMs));
        TestSocket(0, INADDR_LOOPBACK).SendTo(UdpLocalPort(), CardReply(1, kLetterReady));
      });
    }
    uint8_t dest = 1;
    ReplyFrame reply;
    const auto t0 = Clock::now();
    EXPECT_EQ(ReceiveFrame(nullptr, dest, 1000, reply), c.Taken);
    const double ms = MsSince(t0);
    if (card.joinable()) card.join();
    EXPECT_GE(ms, c.MinMs);
    EXPECT_LT(ms, c.MaxMs);
    if (c.Taken) {
      EXPECT_EQ(reply.Letter, kLetterReady);
    }
  }
}

TEST_F(UdpLink, HandshakeToASilentCardEndsAfterItsWaitWhateverJunkComes) {
  cardsim::CardOptions options;
  options.Faults.Silent = true;
  cardsim::CardSimulator sim(options);
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", sim.UdpPort()));
  UdpLinkCloser closer;
  Chatter junk(INADDR_LOOPBACK, UdpLocalPort(), JunkFrames(12), milliseconds(100), milliseconds(6000));
  uint8_t dest = 1;
  const uint8_t on = 0;
  const auto t0 = Clock::now();
  EXPECT_FALSE(PacketExchange(nullptr, dest, kKindScreen, MemoryData(&on, 1), 200, 1));
  EXPECT_GE(MsSince(t0), 990);
  EXPECT_LT(MsSince(t0), 1400);
}

// A unicast link takes replies only from the card's IPv4 address (from any
// port of it); with the broadcast address any sender may answer.
TEST_F(UdpLink, UnicastLinkTakesRepliesOnlyFromTheCardsAddress) {
  TestSocket card(0, INADDR_LOOPBACK);
  TestSocket forger(0, kOtherLoopback);
  if (!forger.Bound()) GTEST_SKIP() << "127.0.0.2 cannot be bound here";
  struct Case {
    const char* Name;
    TestSocket* From;
    bool Taken;
  };
  const Case cases[] = {
      {"another address", &forger, false},
      {"the card's address, another port", &card, true},
  };
  ASSERT_TRUE(OpenUdpLink("127.0.0.1", 9009));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    c.From->SendTo(UdpLocalPort(), CardReply(1, kLetterReady));
    uint8_t dest = 1;
    ReplyFrame reply;
    const auto t0 = Clock::now();
    EXPECT_EQ(ReceiveFrame(nullptr, dest, 300, reply), c.Taken);
    if (!c.Taken) {
      EXPECT_GE(MsSince(t0), 290);  // the forgery neither ends nor extends the wait
    }
  }
  CloseUdpLink();

  SetUdpSendHook([](uint32_t, uint16_t, const uint8_t*, size_t) { return true; });
  ASSERT_TRUE(OpenUdpLink("255.255.255.255", 9010));
  EXPECT_TRUE(SendFrame(nullptr, kLetterHandshake, 1, nullptr, 0));
  forger.SendTo(UdpLocalPort(), CardReply(4, kLetterReady));
  uint8_t dest = kAnyCard;
  ReplyFrame reply;
  EXPECT_TRUE(ReceiveFrame(nullptr, dest, 300, reply));
  EXPECT_EQ(dest, 4);
  CloseUdpLink();
}

}  // namespace
}  // namespace vexilo::testing

// Helpers shared by the communication tests: a temporary folder for
// VEXILO_SERIAL_DIR, simulators on loopback, packs in "Swap.Dat".
#pragma once
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "CardSim.h"
#include "base/CrcUnit.h"
#include "comm/PacketUnit.h"
#include "comm/SocketUnit.h"
#include "frame/FrameCountersUnit.h"
#include "frame/HostFilesUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "pack/ProgramPackUnit.h"

namespace vexilo::testing {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

inline double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}
inline double MsBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// A folder that lives for one test; VEXILO_SERIAL_DIR points at it, and
// VEXILO_LOCK_DIR at its subfolder "locks", so that the ports' lock files
// stay out of /var/lock.
class SerialDir {
 public:
  SerialDir() {
    char tmpl[] = "/tmp/vexilo-comm-XXXXXX";
    path_ = ::mkdtemp(tmpl);
    locks_ = path_ + "/locks";
    std::filesystem::create_directory(locks_);
    ::setenv("VEXILO_SERIAL_DIR", path_.c_str(), 1);
    ::setenv("VEXILO_LOCK_DIR", locks_.c_str(), 1);
  }
  ~SerialDir() {
    ::unsetenv("VEXILO_SERIAL_DIR");
    ::unsetenv("VEXILO_LOCK_DIR");
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  const std::string& LockDir() const { return locks_; }

 private:
  std::string path_;
  std::string locks_;
};

// A plain UDP socket of the test's own on a loopback address (127.0.0.1
// unless told), sending to the library's socket or anywhere on 127.0.0.1.
class TestSocket {
 public:
  explicit TestSocket(uint16_t bindPort = 0, uint32_t bindAddress = INADDR_LOOPBACK) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(bindAddress);
    a.sin_port = htons(bindPort);
    bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  ~TestSocket() { ::close(fd_); }
  TestSocket(const TestSocket&) = delete;
  TestSocket& operator=(const TestSocket&) = delete;
  bool Bound() const { return bound_; }
  void SendTo(uint16_t port, const Bytes& b) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    ::sendto(fd_, b.data(), b.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }

 private:
  int fd_;
  bool bound_;
};

// 127.0.0.2: a loopback address that is not the simulated card's.
inline constexpr uint32_t kOtherLoopback = 0x7F000002;

inline Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(gen());
  return b;
}

// Appends the seal: Crc16 of everything before, high byte first.
inline Bytes Sealed(Bytes body) {
  uint16_t crc = Crc16(body.data(), body.size());
  body.push_back(static_cast<uint8_t>(crc >> 8));
  body.push_back(static_cast<uint8_t>(crc));
  return body;
}

// Puts the bytes into "Swap.Dat" as the pack being sent.
inline void WritePack(const Bytes& pack) { ASSERT_TRUE(ReplacePack(pack.data(), pack.size())); }

// A reply as a card sends it: its address as source, the host's 0 as destination.
inline Bytes CardReply(uint8_t source, uint8_t letter, const Bytes& data = {}) {
  Bytes f(data.size() + 8);
  BuildFrame(letter, 0, data.data(), data.size(), f.data());
  f[1] = source;
  uint16_t crc = Crc16(f.data() + 1, f.size() - 4);
  f[f.size() - 3] = static_cast<uint8_t>(crc >> 8);
  f[f.size() - 2] = static_cast<uint8_t>(crc);
  return f;
}

// The D frames a simulator received, as their payloads.
inline std::vector<Bytes> DataPayloads(const cardsim::CardSimulator& sim) {
  std::vector<Bytes> out;
  for (const auto& f : sim.Requests()) {
    if (f.Bytes[4] == kLetterData) out.emplace_back(f.Bytes.begin() + 5, f.Bytes.end() - 3);
  }
  return out;
}

inline size_t CountLetter(const std::vector<cardsim::FrameRecord>& frames, uint8_t letter) {
  size_t n = 0;
  for (const auto& f : frames) n += f.Bytes[4] == letter;
  return n;
}

// Frames a card's link must shrug off: noise, a broken CRC, a cut frame, a
// reply meant for another host, and a valid frame of a letter the library
// does not take.
inline std::vector<Bytes> JunkFrames(uint32_t seed) {
  Bytes badCrc = CardReply(1, kLetterReady);
  badCrc[5] ^= 0x01;
  Bytes cut = CardReply(1, kLetterAccepted);
  cut.resize(6);
  Bytes otherHost = CardReply(1, kLetterReady);
  otherHost[2] = 5;
  const uint16_t crc = Crc16(otherHost.data() + 1, otherHost.size() - 4);
  otherHost[5] = static_cast<uint8_t>(crc >> 8);
  otherHost[6] = static_cast<uint8_t>(crc);
  return {RandomBytes(12, seed), badCrc, RandomBytes(40, seed + 1), cut, otherHost, CardReply(1, 'K')};
}

// Sends the datagrams in turn from a socket of its own to a port of
// 127.0.0.1, one every period, on its own thread: until it goes, or until
// the time given has passed.
class Chatter {
 public:
  Chatter(uint32_t bindAddress, uint16_t toPort, std::vector<Bytes> datagrams, milliseconds period,
          milliseconds lasting = milliseconds(8000))
      : socket_(0, bindAddress) {
    if (!socket_.Bound()) return;
    thread_ = std::thread([this, toPort, datagrams = std::move(datagrams), period, lasting] {
      const auto end = Clock::now() + lasting;
      for (size_t i = 0; !stop_ && Clock::now() < end; ++i) {
        socket_.SendTo(toPort, datagrams[i % datagrams.size()]);
        std::this_thread::sleep_for(period);
      }
    });
  }
  ~Chatter() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool Bound() const { return socket_.Bound(); }

 private:
  TestSocket socket_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Base fixture: the reply floor at 0 and no send hook, before and after.
class CommTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetReplyWaitFloor(0);
    SetUdpSendHook(nullptr);
  }
  void TearDown() override {
    SetReplyWaitFloor(0);
    SetUdpSendHook(nullptr);
  }
};

}  // namespace vexilo::testing

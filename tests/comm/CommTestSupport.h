// Helpers shared by the communication tests: a temporary folder for
// VEXILO_SERIAL_DIR, simulators on loopback, packs in "Swap.Dat".
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
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

// A folder that lives for one test; VEXILO_SERIAL_DIR points at it.
class SerialDir {
 public:
  SerialDir() {
    char tmpl[] = "/tmp/vexilo-comm-XXXXXX";
    path_ = ::mkdtemp(tmpl);
    ::setenv("VEXILO_SERIAL_DIR", path_.c_str(), 1);
  }
  ~SerialDir() {
    ::unsetenv("VEXILO_SERIAL_DIR");
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

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

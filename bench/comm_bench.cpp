// Moving a pack to a card: a 1 MiB pack over UDP loopback to the simulator
// with packets of 254 bytes, plain and compressed, against the same number
// of bare request/reply round trips on the same pair of sockets; and the
// throughput of CompressBlock.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "CardSim.h"
#include "comm/CompressUnit.h"
#include "base/CrcUnit.h"
#include "comm/PacketUnit.h"
#include "comm/SocketUnit.h"
#include "frame/FrameCountersUnit.h"
#include "frame/HostFilesUnit.h"
#include "pack/ProgramPackUnit.h"

namespace {

using namespace vexilo;

constexpr size_t kPackBytes = 1u << 20;
constexpr uint16_t kPacketSize = 254;
constexpr double kFinalPauseMs = 300;  // the card's pause after the last packet, part of every exchange

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::vector<uint8_t> b(n);
  for (auto& x : b) x = static_cast<uint8_t>(gen());
  return b;
}

// Sparse bytes, like the pixel data of text pages: mostly zero.
std::vector<uint8_t> SparseBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::vector<uint8_t> b(n);
  for (auto& x : b) x = gen() % 5 == 0 ? static_cast<uint8_t>(gen()) : 0;
  return b;
}

cardsim::CardSimulator& Sim() {
  static std::unique_ptr<cardsim::CardSimulator> sim = [] {
    auto s = std::make_unique<cardsim::CardSimulator>();
    if (!s->Start()) std::abort();
    // The 1 MiB pack in "Swap.Dat", sealed.
    std::vector<uint8_t> pack = RandomBytes(kPackBytes - 2, 1);
    uint16_t crc = Crc16(pack.data(), pack.size());
    pack.push_back(static_cast<uint8_t>(crc >> 8));
    pack.push_back(static_cast<uint8_t>(crc));
    if (!ReplacePack(pack.data(), pack.size())) std::abort();
    return s;
  }();
  return *sim;
}

// Frames one exchange of the kind sends (handshake included), found once.
uint32_t FramesOfExchange(uint8_t kind) {
  static uint32_t counts[256] = {};
  if (counts[kind] == 0) {
    cardsim::CardSimulator& sim = Sim();
    if (!OpenUdpLink("127.0.0.1", sim.UdpPort())) std::abort();
    const uint32_t before = SentFrameCount();
    uint8_t dest = 1;
    if (!PacketExchange(nullptr, dest, kind, PackData(), kPacketSize, 3)) std::abort();
    counts[kind] = SentFrameCount() - before;
    CloseUdpLink();
    sim.ClearRecords();
  }
  return counts[kind];
}

void BM_SendPack(benchmark::State& state) {
  const uint8_t kind = static_cast<uint8_t>(state.range(0));
  cardsim::CardSimulator& sim = Sim();
  const uint32_t frames = FramesOfExchange(kind);
  if (!OpenUdpLink("127.0.0.1", sim.UdpPort())) std::abort();
  double totalMs = 0;
  for (auto _ : state) {
    uint8_t dest = 1;
    auto t0 = std::chrono::steady_clock::now();
    bool ok = PacketExchange(nullptr, dest, kind, PackData(), kPacketSize, 3);
    totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    if (!ok) state.SkipWithError("exchange failed");
    state.PauseTiming();
    sim.ClearRecords();
    state.ResumeTiming();
  }
  CloseUdpLink();
  const double perExchange = totalMs / static_cast<double>(state.iterations());
  state.counters["frames"] = frames;
  state.counters["ms_without_final_pause"] = perExchange - kFinalPauseMs;
  state.counters["us_per_frame"] = (perExchange - kFinalPauseMs) * 1000.0 / frames;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kPackBytes));
}
BENCHMARK(BM_SendPack)->ArgName("kind")->Arg(kKindPackPlain)->Arg(kKindPackCompressed)->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// As many request/reply round trips as the exchange of the kind makes, with
// full-size data frames, on the library's socket to the same simulator.
void BM_BareRoundTrips(benchmark::State& state) {
  const uint8_t kind = static_cast<uint8_t>(state.range(0));
  cardsim::CardSimulator& sim = Sim();
  const uint32_t frames = FramesOfExchange(kind);
  uint8_t payload[kPacketSize - 8] = {kFlagMiddle, kKindPackPlain, 0, 0, 0x10, 0};
  uint8_t frame[kFrameMaxLength];
  const size_t length = BuildFrame(kLetterData, kAnyCard, payload, sizeof payload, frame);
  if (!OpenUdpLink("127.0.0.1", sim.UdpPort())) std::abort();
  uint8_t reply[kUdpReplyBuffer];
  double totalMs = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    for (uint32_t i = 0; i < frames; ++i) {
      if (!UdpSend(frame, length) || UdpReceive(reply, 1000) <= 0) {
        state.SkipWithError("round trip failed");
        break;
      }
    }
    totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    state.PauseTiming();
    sim.ClearRecords();
    state.ResumeTiming();
  }
  CloseUdpLink();
  state.counters["frames"] = frames;
  state.counters["us_per_frame"] = totalMs * 1000.0 / static_cast<double>(state.iterations()) / frames;
}
BENCHMARK(BM_BareRoundTrips)->ArgName("kind_of_count")->Arg(kKindPackPlain)->Arg(kKindPackCompressed)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CompressBlock(benchmark::State& state) {
  const size_t n = 4 + kCompressBlockInput;
  std::vector<uint8_t> in;
  switch (state.range(0)) {
    case 0: in = RandomBytes(n, 2); break;
    case 1: in = SparseBytes(n, 3); break;
    default: in.assign(n, 0); break;
  }
  std::vector<uint8_t> out(CompressBound(n));
  size_t total = 0;
  for (auto _ : state) {
    total = CompressBlock(in.data(), in.size(), out.data(), out.size());
    benchmark::DoNotOptimize(total);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
  state.counters["ratio"] = static_cast<double>(total) / static_cast<double>(n);
}
// 0 random bytes, 1 sparse (mostly zero, like text pages), 2 all zero.
BENCHMARK(BM_CompressBlock)->ArgName("data")->Arg(0)->Arg(1)->Arg(2);

}  // namespace

BENCHMARK_MAIN();

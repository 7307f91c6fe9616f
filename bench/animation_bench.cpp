// List animations: a list with one 100-frame 128 x 64 GIF entry written into
// an animation area, and what one frame of it costs, the first against the
// last (frame 100 after frame 99 through the player, and, for comparison,
// composed from the first frame as without a player).
#include <benchmark/benchmark.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "GifWriter.h"
#include "HostLibrary.h"
#include "items/ListAnimationUnit.h"
#include "lang/CodePageUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/GifUnit.h"
#include "render/PicturePageUnit.h"

namespace vexilo {
namespace {

constexpr int kW = 128, kH = 64, kFrames = 100, kMode = 2;

// A whole first picture in 16 colours, then 99 frames that each repaint a
// 24 x 16 block moving across it.
const std::vector<uint8_t>& Animation(int frames) {
  static std::vector<uint8_t> gifs[kFrames + 1];
  std::vector<uint8_t>& gif = gifs[frames];
  if (!gif.empty()) return gif;
  testing::GifLayout s{kW, kH};
  for (int i = 0; i < 16; ++i) {
    s.GlobalTable.push_back(MakeColorRef(static_cast<uint8_t>(i * 17), static_cast<uint8_t>(255 - i * 16),
                                         static_cast<uint8_t>(i * 40)));
  }
  for (int n = 0; n < frames; ++n) {
    testing::GifFrameLayout f;
    f.Width = n == 0 ? kW : 24;
    f.Height = n == 0 ? kH : 16;
    f.Left = n == 0 ? 0 : static_cast<uint16_t>((n * 5) % (kW - 24));
    f.Top = n == 0 ? 0 : static_cast<uint16_t>((n * 3) % (kH - 16));
    f.Control = testing::GifControl{false, 1, 0, 4};
    for (int y = 0; y < f.Height; ++y) {
      for (int x = 0; x < f.Width; ++x) f.Indices.push_back(static_cast<uint16_t>((x / 4 + y * x / 64 + n) % 16));
    }
    s.Frames.push_back(f);
  }
  gif = testing::WriteGif(s);
  return gif;
}

// A library with one two-plane screen, and a program open for the area.
class Pack {
 public:
  Pack() {
    home_ = testing::MakeTempFolder("animation_bench");
    testing::WriteTextFile(home_ + "/LED.INI", Utf8ToGbk("[地址: 1]\nCOMPort=COM1\nColor=2\n"));
    library_.emplace(home_);
  }
  // Writes the whole animation list; false when it fails.
  bool AddList(const std::vector<uint8_t>& gif) {
    if (User_InitBufferEx(1, 0) != 1 || User_AddProgram(0, 0) != 0) return false;
    TListEntry entry{};
    entry.Data = gif.data();
    entry.DataSize = static_cast<uint32_t>(gif.size());
    TListParam list{};
    list.AreaWidth = kW;
    list.AreaHeight = kH;
    list.EntryCount = 1;
    list.EntryKinds[0] = VEXILO_ENTRY_ANIMATION;
    list.Entries[0] = &entry;
    if (!BeginArea(8, 0, 0, kW, kH, false)) return false;
    std::optional<uint32_t> written = AddListAnimation(list);
    return written && EndArea(14 + *written);
  }

 private:
  std::string home_;
  std::optional<testing::LoadedLibrary> library_;
};

// The whole list: arg frames of the GIF. frame_us is the time per frame.
void BM_AnimationList(benchmark::State& state) {
  Pack pack;
  const int frames = static_cast<int>(state.range(0));
  const std::vector<uint8_t>& gif = Animation(frames);
  for (auto _ : state) {
    if (!pack.AddList(gif)) state.SkipWithError("the list failed");
  }
  state.counters["frame_us"] = benchmark::Counter(static_cast<double>(state.iterations()) * frames * 1e-6,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AnimationList)->Arg(1)->Arg(99)->Arg(100)->Unit(benchmark::kMillisecond);

// One frame's page as the list asks for it: arg frame (1 or 100), arg
// player (1: frame N right after N - 1 through the player; 0: from the start).
void BM_AnimationFramePage(benchmark::State& state) {
  const std::vector<uint8_t>& gif = Animation(kFrames);
  const int frame = static_cast<int>(state.range(0));
  const bool usePlayer = state.range(1) != 0;
  std::vector<uint8_t> out(PageDataSize(kW, kH, PlaneCount(kMode)));
  uint16_t delay = 0;
  for (auto _ : state) {
    state.PauseTiming();
    GifPlayer player;
    if (usePlayer && frame > 1) {
      RenderGifFramePage(kMode, gif.data(), gif.size(), frame - 1, kW, kH, 0, 0, kColorBlack, out.data(), out.size(),
                         delay, &player);
    }
    state.ResumeTiming();
    if (RenderGifFramePage(kMode, gif.data(), gif.size(), frame, kW, kH, 0, 0, kColorBlack, out.data(), out.size(),
                           delay, usePlayer ? &player : nullptr) == 0) {
      state.SkipWithError("no such frame");
    }
  }
}
BENCHMARK(BM_AnimationFramePage)
    ->ArgNames({"frame", "player"})
    ->Args({1, 1})
    ->Args({100, 1})
    ->Args({100, 0})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vexilo

BENCHMARK_MAIN();

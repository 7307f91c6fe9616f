// Benchmarks of picture pages and GIF playing (issue 11): a 1024 x 768
// picture stretched into a 256 x 64 page, and frames 1 to 100 of a
// 100-frame 128 x 64 GIF asked in order, with what frame 100 costs against
// frame 1.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "GifWriter.h"
#include "render/BitmapDataUnit.h"
#include "render/GifUnit.h"
#include "render/PicturePageUnit.h"

namespace vexilo {
namespace {

RasterPtr BigPicture() {
  RasterPtr r = CreateRaster(1024, 768, PixelKind::Rgb24);
  for (int y = 0; y < 768; ++y) {
    uint8_t* row = RasterRow(*r, y);
    for (int x = 0; x < 1024; ++x) {
      row[3 * x] = static_cast<uint8_t>(x ^ y);
      row[3 * x + 1] = static_cast<uint8_t>(x * 3 + y);
      row[3 * x + 2] = static_cast<uint8_t>(y * 5 - x);
    }
  }
  return r;
}

void BM_RenderPicturePageStretch1024x768To256x64(benchmark::State& state) {
  RasterPtr picture = BigPicture();
  const int mode = static_cast<int>(state.range(0));
  std::vector<uint8_t> out(PageDataSize(256, 64, PlaneCount(mode)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(RenderPicturePage(mode, *picture, 256, 64, 1024, 768, 0, out.data(), out.size()));
  }
}
BENCHMARK(BM_RenderPicturePageStretch1024x768To256x64)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// 100 frames of 128 x 64, each a whole new picture in 16 colours, with
// graphic controls that alternate transparency and disposal.
const std::vector<uint8_t>& Animation() {
  static const std::vector<uint8_t> gif = [] {
    testing::GifLayout s{128, 64};
    for (int i = 0; i < 16; ++i) {
      s.GlobalTable.push_back(MakeColorRef(static_cast<uint8_t>(i * 17), static_cast<uint8_t>(255 - i * 16),
                                           static_cast<uint8_t>(i * 40)));
    }
    for (int n = 0; n < 100; ++n) {
      testing::GifFrameLayout f;
      f.Width = 128;
      f.Height = 64;
      f.Control = testing::GifControl{n % 3 == 0, static_cast<uint8_t>(1 + n % 2), 0, 4};
      for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 128; ++x) f.Indices.push_back(static_cast<uint16_t>(((x + n) / 4 + (y * x) / 64) % 16));
      }
      s.Frames.push_back(f);
    }
    return testing::WriteGif(s);
  }();
  return gif;
}

// Frames 1 to 100 in order through one player, as a list animation plays
// them; frame1_us and frame100_us are the median costs of those two calls
// (medians, since the machine may be shared).
void BM_GifFrames1To100InOrder(benchmark::State& state) {
  const std::vector<uint8_t>& gif = Animation();
  using Clock = std::chrono::steady_clock;
  std::vector<double> first, last;
  for (auto _ : state) {
    GifPlayer player;
    uint16_t delay = 0;
    for (int n = 1; n <= 100; ++n) {
      const auto t0 = Clock::now();
      benchmark::DoNotOptimize(player.Compose(gif.data(), gif.size(), n, kColorBlack, delay));
      const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
      if (n == 1) first.push_back(us);
      if (n == 100) last.push_back(us);
    }
  }
  auto median = [](std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
  };
  const double f = median(first), l = median(last);
  state.counters["frame1_us"] = f;
  state.counters["frame100_us"] = l;
  state.counters["frame100_vs_1"] = l / f;
}
BENCHMARK(BM_GifFrames1To100InOrder)->Unit(benchmark::kMillisecond);

// For comparison: frame 100 composed from the first frame, as without a player.
void BM_GifFrame100FromTheStart(benchmark::State& state) {
  const std::vector<uint8_t>& gif = Animation();
  for (auto _ : state) {
    uint16_t delay = 0;
    benchmark::DoNotOptimize(ComposeGifFrame(gif.data(), gif.size(), 100, kColorBlack, delay));
  }
}
BENCHMARK(BM_GifFrame100FromTheStart)->Unit(benchmark::kMillisecond);

// The animation's frame pages in order, one per iteration (fit 2, 256 x 64).
void BM_GifFramePageInOrder(benchmark::State& state) {
  const std::vector<uint8_t>& gif = Animation();
  std::vector<uint8_t> out(PageDataSize(256, 64, 2));
  GifPlayer player;
  int n = 0;
  for (auto _ : state) {
    uint16_t delay = 0;
    n = n % 100 + 1;
    benchmark::DoNotOptimize(RenderGifFramePage(2, gif.data(), gif.size(), n, 256, 64, 0, 2, kColorBlack, out.data(),
                                                out.size(), delay, &player));
  }
}
BENCHMARK(BM_GifFramePageInOrder)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vexilo

BENCHMARK_MAIN();

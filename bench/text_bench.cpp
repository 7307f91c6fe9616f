// Text items and the text renderer: a paged text of 255 pages, 300 single
// lines shown last to first, a static Chinese text, single-line texts of
// 64 KiB and 1 MiB; and the cost of one page of a long text by its page
// number, laid out afresh or resumed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchLibrary.h"
#include "frame/LifecycleUnit.h"
#include "lang/CodePageUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/TextPageUnit.h"
#include "vexilo.h"

namespace {

const std::string kSong = vexilo::Utf8ToGbk("宋体");

using vexilo::bench::Lib;

FontSpec Font16() {
  FontSpec f{};
  f.FaceName = kSong.c_str();
  f.Size = 16;
  f.TextColor = 1;
  return f;
}

// 16-px Chinese in 128 x 32: 8 characters a line, 2 lines a page, so 4,080
// characters fill 255 pages.
std::string LongText() {
  const std::string sentence = vexilo::Utf8ToGbk("把文字图片和时钟送到显示屏上每一页都在主机排版");
  std::string text;
  while (text.size() < 2 * 8 * 255 * 2) text += sentence;
  return text.substr(0, 2 * 8 * 255 * 2);
}

void BM_AddText255Pages(benchmark::State& state) {
  Lib();
  const std::string text = LongText();
  TTextParam p{};
  p.Text = text.c_str();
  p.AreaWidth = 128;
  p.AreaHeight = 32;
  p.Font = Font16();
  int pages = 0;
  for (auto _ : state) {
    User_InitBuffer(1);
    User_AddProgram(0, 0);
    if (User_AddText(&p) != 0) state.SkipWithError("User_AddText failed");
    pages = vexilo::Pack().PageCountHeader[0];
  }
  state.counters["pages"] = pages;
  state.counters["per_page_us"] = benchmark::Counter(255.0 * static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AddText255Pages)->Unit(benchmark::kMillisecond);

// One page of the 255-page text by its number, laid out from the start of the
// text (arg 1 = 0) or resumed from the page before (arg 1 = 1).
void BM_TextPageByNumber(benchmark::State& state) {
  const int page = static_cast<int>(state.range(0));
  const bool resume = state.range(1) != 0;
  const std::u16string text = vexilo::AnsiToUtf16(LongText());
  const FontSpec font = Font16();
  std::vector<uint8_t> out(2 * 32 * 16);
  vexilo::TextLayoutCache cache;
  vexilo::TextPageRequest request;
  request.Text = text;
  request.Width = 128;
  request.Height = 32;
  request.Font = font;
  request.NarrowItalics = true;
  request.Cache = resume ? &cache : nullptr;
  if (resume) {
    for (int k = 0; k < page; ++k) vexilo::RenderTextPage(request, k, out.data(), out.size());
  }
  for (auto _ : state) {
    size_t n = vexilo::RenderTextPage(request, page, out.data(), out.size());
    if (n == 0) state.SkipWithError("no such page");
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_TextPageByNumber)->Args({0, 0})->Args({254, 0})->Args({254, 1})->Unit(benchmark::kMicrosecond);

void BM_AddSingleText300LinesEffect8(benchmark::State& state) {
  Lib();
  std::string text;
  for (int i = 0; i < 300; ++i) text += "LINE " + std::to_string(i) + "\n";
  TSingleTextParam p{};
  p.Text = text.c_str();
  p.AreaWidth = 128;
  p.AreaHeight = 16;
  p.Font = Font16();
  p.Effect = 8;
  for (auto _ : state) {
    User_InitBuffer(1);
    User_AddProgram(0, 0);
    if (User_AddSingleText(&p) != 0) state.SkipWithError("User_AddSingleText failed");
  }
  state.counters["per_page_us"] = benchmark::Counter(255.0 * static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AddSingleText300LinesEffect8)->Unit(benchmark::kMillisecond);

// A long single-line text (arg: its size in KiB) in a 128 x 16 area: one
// line per page (effect 1) or the continuous line (effect 7, no stay time).
// Only the first 255 pages are kept, so the size beyond them should cost
// next to nothing.
void BM_AddSingleTextLong(benchmark::State& state) {
  Lib();
  const size_t bytes = static_cast<size_t>(state.range(0)) * 1024;
  const bool continuous = state.range(1) != 0;
  const std::string sentence = "Single-line text for LED panels, measured once per call. ";
  std::string text;
  while (text.size() < bytes) text += sentence;
  text.resize(bytes);
  TSingleTextParam p{};
  p.Text = text.c_str();
  p.AreaWidth = 128;
  p.AreaHeight = 16;
  p.Font = Font16();
  p.Effect = continuous ? 7 : 1;
  p.StayTime = continuous ? 0 : 3;
  for (auto _ : state) {
    User_InitBuffer(1);
    User_AddProgram(0, 0);
    if (User_AddSingleText(&p) != 0) state.SkipWithError("User_AddSingleText failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_AddSingleTextLong)
    ->ArgNames({"KiB", "continuous"})
    ->Args({64, 0})
    ->Args({1024, 0})
    ->Args({64, 1})
    ->Args({1024, 1})
    ->Unit(benchmark::kMillisecond);

void BM_StaticTextChinese256x64(benchmark::State& state) {
  Lib();
  const std::string text = vexilo::Utf8ToGbk("欢迎光临本店今日特价全场八折优惠欢迎选购各类商品谢谢惠顾请慢走");
  TStaticTextParam p{};
  p.Text = text.c_str();
  p.AreaWidth = 256;
  p.AreaHeight = 64;
  p.Font = Font16();
  for (auto _ : state) {
    User_InitBuffer(1);
    User_AddProgram(0, 0);
    if (User_AddStaticText(&p) != 0) state.SkipWithError("User_AddStaticText failed");
  }
}
BENCHMARK(BM_StaticTextChinese256x64)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

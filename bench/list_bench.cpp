// Custom lists: a text entry of 1 to 200 pages of 128 x 32, as one list call,
// with each entry's layout kept between its pages (keep = 1) or laid out again
// for every page (keep = 0). The counter per_page_us is the call's time over
// its pages, so that the last page's cost shows against the first's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchLibrary.h"
#include "frame/LifecycleUnit.h"
#include "items/ListItemUnit.h"
#include "lang/CodePageUnit.h"
#include "vexilo.h"

namespace {

const std::string kSong = vexilo::Utf8ToGbk("宋体");

using vexilo::bench::Lib;

// 16-px Chinese in 128 x 32: 8 characters a line, 2 lines a page.
std::u16string PagesOfText(int pages) {
  const std::u16string sentence = u"把文字图片和时钟送到显示屏上每一页都在主机排版";
  std::u16string text;
  const size_t want = static_cast<size_t>(pages) * 16;
  while (text.size() < want) text += sentence;
  return text.substr(0, want);
}

void BM_ListTextEntry(benchmark::State& state) {
  Lib();
  const int pages = static_cast<int>(state.range(0));
  const bool keep = state.range(1) != 0;
  const std::u16string text = PagesOfText(pages);
  TListEntry entry{};
  entry.Data = text.c_str();
  entry.Effect = 1;
  entry.Setting.Font.FaceName = kSong.c_str();
  entry.Setting.Font.Size = 16;
  entry.Setting.Font.TextColor = 1;
  TListParam list{};
  list.AreaWidth = 128;
  list.AreaHeight = 32;
  list.EntryCount = 1;
  list.EntryKinds[0] = VEXILO_ENTRY_TEXT;
  list.Entries[0] = &entry;
  for (auto _ : state) {
    state.PauseTiming();
    if (User_InitBuffer(1) != 1 || User_AddProgram(0, 0) != 0) state.SkipWithError("no pack");
    state.ResumeTiming();
    if (vexilo::AddCustomList(&list, nullptr, keep) != 0) state.SkipWithError("list failed");
  }
  state.counters["per_page_us"] =
      benchmark::Counter(static_cast<double>(pages) * 1e-6,
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ListTextEntry)
    ->ArgNames({"pages", "keep"})
    ->Args({1, 1})
    ->Args({200, 1})
    ->Args({200, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

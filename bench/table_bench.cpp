// Table pages: a 500-row table in a 128 x 32 area, two rows a page. One page
// by its number, drawn by a fresh call (arg resume = 0: the rows before it
// are laid out again) or resumed through the layout cache that the pages
// before it filled (resume = 1); and every page of the table in turn, as a
// list asks for them.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "base/ByteOrderUnit.h"
#include "lang/CodePageUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/TableDataUnit.h"
#include "render/TablePageUnit.h"

namespace {

using namespace vexilo;

constexpr int kRows = 500;
constexpr int kWidth = 128;
constexpr int kHeight = 32;
constexpr int kMode = 2;

void PutName(uint8_t* field, const std::string& name) {
  field[0] = static_cast<uint8_t>(name.size());
  std::copy(name.begin(), name.end(), field + 1);
}

// Rows of 14 pixels, columns of 40, 50 and 38: a number, a Chinese label and
// a text cut into two lines, in 9-point 宋体; a title in 10 points.
std::vector<uint8_t> Table500() {
  const std::vector<int32_t> widths = {40, 50, 38};
  const size_t cols = widths.size();
  std::vector<uint8_t> b(TableDataSize(kRows, static_cast<int64_t>(cols)), 0);
  const std::string song = Utf8ToGbk("宋体");
  PutLe32(&b[0], kRows);
  PutLe32(&b[4], static_cast<uint32_t>(cols));
  PutLe32(&b[8], MakeColorRef(0, 255, 0));
  PutName(&b[12], Utf8ToGbk("库存表"));
  PutName(&b[63], song);
  PutLe32(&b[94], 10);
  PutLe32(&b[102], MakeColorRef(255, 255, 0));
  size_t at = kTableHeaderSize;
  for (int r = 0; r < kRows; ++r, at += 4) PutLe32(&b[at], 14);
  for (int32_t w : widths) PutLe32(&b[at], static_cast<uint32_t>(w)), at += 4;
  for (int r = 0; r < kRows; ++r) {
    for (size_t c = 0; c < cols; ++c, at += kTableCellSize) {
      PutName(&b[at], song);
      PutLe32(&b[at + 31], 9);
      b[at + 38] = static_cast<uint8_t>(c + 1);
      PutLe32(&b[at + 39], MakeColorRef(255, 0, 0));
      PutLe32(&b[at + 43], c == 1 ? MakeColorRef(0, 0, 0) : MakeColorRef(0, 64, 0));
      const std::string text = c == 0 ? std::to_string(r) : Utf8ToGbk(c == 1 ? "第" + std::to_string(r) + "号货" : "在库中");
      std::copy(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(at + 49));
    }
  }
  return b;
}

const std::vector<uint8_t>& Block() {
  static const std::vector<uint8_t> block = Table500();
  return block;
}

int PageCount(const TableData& t, bool continuous) {
  std::vector<uint8_t> out(PageDataSize(kWidth, kHeight, PlaneCount(kMode)));
  TableLayoutCache cache;
  int n = 0;
  while (RenderTablePage(kMode, t, n, kWidth, kHeight, 0, out.data(), out.size(), continuous, &cache) > 0) ++n;
  return n;
}

// Args: page (-1 for the last), resume, continuous.
void BM_TablePageByNumber(benchmark::State& state) {
  TableData t;
  ReadTableData(Block().data(), Block().size(), t);
  const bool resume = state.range(1) != 0, continuous = state.range(2) != 0;
  const int pages = PageCount(t, continuous);
  const int page = state.range(0) < 0 ? pages - 1 : static_cast<int>(state.range(0));
  std::vector<uint8_t> out(PageDataSize(kWidth, kHeight, PlaneCount(kMode)));
  TableLayoutCache cache;
  TableLayoutCache* kept = resume ? &cache : nullptr;
  for (int k = 0; resume && k < page; ++k) {
    RenderTablePage(kMode, t, k, kWidth, kHeight, 0, out.data(), out.size(), continuous, kept);
  }
  for (auto _ : state) {
    if (RenderTablePage(kMode, t, page, kWidth, kHeight, 0, out.data(), out.size(), continuous, kept) == 0) {
      state.SkipWithError("no such page");
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["page"] = page;
  state.counters["pages"] = pages;
}
BENCHMARK(BM_TablePageByNumber)
    ->ArgNames({"page", "resume", "continuous"})
    ->Args({0, 0, 0})
    ->Args({-1, 0, 0})
    ->Args({0, 1, 0})
    ->Args({-1, 1, 0})
    ->Args({0, 0, 1})
    ->Args({-1, 0, 1})
    ->Args({0, 1, 1})
    ->Args({-1, 1, 1})
    ->Unit(benchmark::kMicrosecond);

// Every page in turn, with one cache for the whole table (arg 1) or none.
void BM_TableAllPages(benchmark::State& state) {
  TableData t;
  ReadTableData(Block().data(), Block().size(), t);
  const bool resume = state.range(0) != 0;
  std::vector<uint8_t> out(PageDataSize(kWidth, kHeight, PlaneCount(kMode)));
  int pages = 0;
  for (auto _ : state) {
    TableLayoutCache cache;
    pages = 0;
    while (RenderTablePage(kMode, t, pages, kWidth, kHeight, 0, out.data(), out.size(), false,
                           resume ? &cache : nullptr) > 0) {
      ++pages;
    }
  }
  state.counters["pages"] = pages;
  state.counters["per_page"] =
      benchmark::Counter(static_cast<double>(pages) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TableAllPages)->ArgNames({"resume"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

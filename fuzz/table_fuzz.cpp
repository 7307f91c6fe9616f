// Table blocks for the table reader and the page renderer: the first two
// bytes choose the colour mode, the continuous flag, the page size and the
// margin; the rest is the block. Every page is asked in order through one
// layout cache and again out of order through another, and each answer must
// be byte for byte what a fresh call gives.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "render/BitmapDataUnit.h"
#include "render/TableDataUnit.h"
#include "render/TablePageUnit.h"

namespace {

using namespace vexilo;

constexpr int kMaxPages = 16;
constexpr int kOutOfOrder[] = {3, 1, 0, 2, 2, 7, -1, 5, 4, 1000000, 2147483647};

struct Shape {
  int Mode, Width, Height, Margin;
  bool Continuous;
};

std::vector<uint8_t> Fresh(const TableData& t, const Shape& s, int page) {
  std::vector<uint8_t> out(PageDataSize(s.Width, s.Height, PlaneCount(s.Mode)));
  out.resize(RenderTablePage(s.Mode, t, page, s.Width, s.Height, s.Margin, out.data(), out.size(), s.Continuous));
  return out;
}

std::vector<uint8_t> Kept(const TableData& t, const Shape& s, int page, TableLayoutCache& cache) {
  std::vector<uint8_t> out(PageDataSize(s.Width, s.Height, PlaneCount(s.Mode)));
  out.resize(
      RenderTablePage(s.Mode, t, page, s.Width, s.Height, s.Margin, out.data(), out.size(), s.Continuous, &cache));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t a = data[0], b = data[1];
  // A copy of exactly the block's size, so that a read past it is seen.
  const std::vector<uint8_t> block(data + 2, data + size);
  TableData table;
  if (ReadTableData(block.data(), block.size(), table) != TableDataStatus::Ok) return 0;

  const Shape shape{a & 3, 1 + ((a >> 2) & 7) * 9, 1 + ((a >> 5) & 7) * 7, b & 7, (b & 8) != 0};
  TableLayoutCache inOrder;
  for (int page = 0; page < kMaxPages; ++page) {
    const std::vector<uint8_t> fresh = Fresh(table, shape, page);
    if (Kept(table, shape, page, inOrder) != fresh) std::abort();
    if (fresh.empty()) break;
  }
  TableLayoutCache outOfOrder;
  for (int page : kOutOfOrder) {
    if (Kept(table, shape, page, outOfOrder) != Fresh(table, shape, page)) std::abort();
  }
  // The host form reads the same block (it is as long as its counts make).
  std::vector<uint8_t> out(PageDataSize(shape.Width, shape.Height, PlaneCount(shape.Mode)));
  out.resize(RenderTablePage(shape.Mode, static_cast<const void*>(block.data()), 0, shape.Width, shape.Height,
                             shape.Margin, out.data(), out.size(), shape.Continuous));
  if (out != Fresh(table, shape, 0)) std::abort();
  return 0;
}

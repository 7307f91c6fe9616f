#include "PictureTestKit.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> gProbing{false};
std::atomic<size_t> gLargest{0};

void* Allocate(size_t n) {
  if (gProbing.load(std::memory_order_relaxed)) {
    size_t seen = gLargest.load(std::memory_order_relaxed);
    while (n > seen && !gLargest.compare_exchange_weak(seen, n)) {
    }
  }
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace

// Every plain new of the test program goes through the probe.
void* operator new(size_t n) { return Allocate(n); }
void* operator new[](size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace vexilo::testing {

uint32_t Legend(char c) {
  switch (c) {
    case 'k': return 0x000000;
    case 'w': return 0xFFFFFF;
    case 'r': return 0xFF0000;
    case 'g': return 0x00FF00;
    case 'b': return 0x0000FF;
    case 'y': return 0xFFFF00;
    case 'c': return 0x00FFFF;
    case 'm': return 0xFF00FF;
    case 'a': return 0x102030;
    case 'z': return 0xF0E0D0;
    case 'h': return 0x848484;
    default: ADD_FAILURE() << "no legend colour '" << c << "'"; return 0;
  }
}

uint32_t PixelAt(const Raster& raster, int x, int y) {
  const uint8_t* p = raster.Pixels.data() + raster.Stride * y + 3 * x;
  return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

::testing::AssertionResult RasterIs(const Raster* raster, const std::vector<std::string>& rows) {
  if (!raster) return ::testing::AssertionFailure() << "no raster";
  const int height = static_cast<int>(rows.size()), width = static_cast<int>(rows[0].size());
  if (raster->Kind != PixelKind::Rgb24 || raster->Width != width || raster->Height != height ||
      raster->Stride != static_cast<size_t>(width) * 3 || raster->Pixels.size() != raster->Stride * height) {
    return ::testing::AssertionFailure() << "raster is " << raster->Width << " x " << raster->Height << ", expected "
                                         << width << " x " << height << " in 24 bits";
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t got = PixelAt(*raster, x, y), want = Legend(rows[y][x]);
      if (got != want) {
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << got
                                             << ", expected " << want << " ('" << rows[y][x] << "')";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

AllocationProbe::AllocationProbe() {
  gLargest = 0;
  gProbing = true;
}
AllocationProbe::~AllocationProbe() { gProbing = false; }
size_t AllocationProbe::Largest() const { return gLargest.load(); }

}  // namespace vexilo::testing

// Shared helpers of the picture tests: colours by letter, pixel checks, and
// a probe of the largest allocation a decoder makes.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "render/DrawingUnit.h"

namespace vexilo::testing {

// Colours by letter, as 0xRRGGBB: k black, w white, r g b, y c m, a and z
// two uneven colours, h the grey of the 5-bit value 16 (132).
uint32_t Legend(char c);

// The pixel at (x, y) of a 24-bit raster as 0xRRGGBB.
uint32_t PixelAt(const Raster& raster, int x, int y);

// Checks a decoded raster against rows of legend letters, top row first.
::testing::AssertionResult RasterIs(const Raster* raster, const std::vector<std::string>& rows);

// The largest single operator-new request while a probe is alive.
class AllocationProbe {
 public:
  AllocationProbe();
  ~AllocationProbe();
  size_t Largest() const;
};

}  // namespace vexilo::testing

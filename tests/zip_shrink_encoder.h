#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ostrya::testing {

// What a shrunk stream made by shrinkForTest asked of its decoder.
struct ShrinkCounts {
  unsigned widenings = 0;
  unsigned partialClears = 0;
  // Clears that freed the code sent just before them, whose next node then names a freed code.
  unsigned clearsOfTheCodeJustSent = 0;
};

// A shrunk stream (ZIP method 1) of `data`, for decoder tests. Codes widen when a code needs the
// next width, and the table is partially cleared whenever it is full, so some tens of kilobytes
// of varied data reach 13-bit codes and clears.
std::vector<uint8_t> shrinkForTest(std::span<const uint8_t> data, ShrinkCounts* counts = nullptr);

}  // namespace ostrya::testing

#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ostrya::testing {

// What an imploded stream made by implodeForTest holds.
struct ImplodeCounts {
  unsigned literals = 0;
  unsigned matches = 0;
  // Matches whose length needs length code 63 and its extra byte.
  unsigned longMatches = 0;
  // Matches that start in the zeros before the data.
  unsigned matchesBeforeStart = 0;
  // Matches reaching further than the small window could.
  unsigned farMatches = 0;
};

// An imploded stream (ZIP method 6) of `data`, for decoder tests: greedy matches found through
// hash chains, leading zeros matched in the zeros before the data, and codes fitted to the
// stream. `literalTree` and `window8k` are general purpose bits 2 and 1.
std::vector<uint8_t> implodeForTest(std::span<const uint8_t> data, bool literalTree, bool window8k,
                                    ImplodeCounts* counts = nullptr);

}  // namespace ostrya::testing

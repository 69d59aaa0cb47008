#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ostrya::testing {

// What a reduced stream made by reduceForTest holds.
struct ReduceCounts {
  unsigned copies = 0;
  // Copies whose length needs the extra length byte.
  unsigned longCopies = 0;
  // Copies that start in the zeros before the data.
  unsigned copiesBeforeStart = 0;
  unsigned literalDles = 0;
  // Bytes sent as an index into the follower set of the byte before them.
  unsigned followerIndexes = 0;
};

// A reduced stream (ZIP methods 2 to 5) of `data` with compression factor 1 to 4, for decoder
// tests. Repeats become copies, leading zeros are copied from the zeros before the data, and a
// byte's follower set holds the bytes seen after it at least twice.
std::vector<uint8_t> reduceForTest(std::span<const uint8_t> data, int factor,
                                   ReduceCounts* counts = nullptr);

}  // namespace ostrya::testing

// ZOO's method 1 compressor, for the decoder's tests and the ZOO fixtures.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ostrya::testing {

// Compresses as ZOO does: a clear code first; codes from 9 bits up to 13, each width taken a
// node after the decoder widens, since the compressor makes each node a code earlier; a clear
// code whenever the table is full; the end code last.
std::vector<uint8_t> zooLzwEncode(std::span<const uint8_t> data);

}  // namespace ostrya::testing

// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrya::archive {

enum class PayloadCompressor { Gzip, Bzip2 };

// Decompresses a whole payload in one call into `output`, which holds `capacity` bytes;
// `produced` tells how many it received. Both sizes stay below 4 GiB. 0, or kDecoderFailed
// when the data is damaged, ends early, or does not fit.
int decompressPayload(PayloadCompressor compressor, const uint8_t* input, std::size_t inputSize,
                      uint8_t* output, std::size_t capacity, std::size_t& produced);

}  // namespace ostrya::archive

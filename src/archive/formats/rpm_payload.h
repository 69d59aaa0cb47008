// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrya::archive {

// What a package names in its payload compressor tag: "gzip", "bzip2", "xz", "lzma" (the .lzma
// format xz also reads) and "zstd". Old packages, whose payload is gzip, and packages built
// without compression name none: the payload's first bytes then tell which it is.
enum class PayloadCompressor { Unnamed, Gzip, Bzip2, Xz, Zstd };

// Decompresses a whole payload in one call into `output`, which holds `capacity` bytes;
// `produced` tells how many it received. Both sizes stay below 4 GiB. 0, or kDecoderFailed
// when the data is damaged, ends early, or does not fit.
int decompressPayload(PayloadCompressor compressor, const uint8_t* input, std::size_t inputSize,
                      uint8_t* output, std::size_t capacity, std::size_t& produced);

}  // namespace ostrya::archive

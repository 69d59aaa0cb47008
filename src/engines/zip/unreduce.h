// portable: no platform headers.
#pragma once

#include <cstdint>

#include "engines/decoder_stream.h"

namespace ostrya::engines::zip {

// ZIP methods 2 to 5, reducing with compression factor 1 to 4 (the method less one). The stream
// has no end marker, so decoding stops after `size` bytes, the entry's stated size.
Decoded unreduce(CompressedInput& input, DecodedOutput& output, uint64_t size, int factor);

}  // namespace ostrya::engines::zip

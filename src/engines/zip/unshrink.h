// portable: no platform headers.
#pragma once

#include <cstdint>

#include "engines/decoder_stream.h"

namespace ostrya::engines::zip {

// ZIP method 1, shrinking: LZW whose code width and partial clearing the compressor decides.
// The stream has no end code, so decoding stops after `size` bytes, the entry's stated size.
Decoded unshrink(CompressedInput& input, DecodedOutput& output, uint64_t size);

}  // namespace ostrya::engines::zip

// portable: no platform headers.
#pragma once

#include <cstdint>

#include "engines/decoder_stream.h"

namespace ostrya::engines::zip {

// ZIP method 6, imploding. The stream has no end marker: decoding stops at `size` bytes.
// `flags` are the entry's general purpose bits: bit 1 chooses the 8 KiB window, bit 2 the
// code for literals. Damaged names tree descriptions that do not make a prefix code and data
// that ends before `size` bytes.
Decoded explode(CompressedInput& input, DecodedOutput& output, uint64_t size, uint16_t flags);

}  // namespace ostrya::engines::zip

// portable: no platform headers.
#pragma once

#include <cstdint>

#include "engines/decoder_stream.h"

namespace ostrya::engines::arj {

// ARJ methods 1 to 3: LZ77 over a 26624-byte dictionary, with the codes of each block in static
// Huffman tables sent at the block's start. The three differ only in how hard the compressor
// searched.
Decoded decodeMethods1To3(CompressedInput& input, DecodedOutput& output, uint64_t size);

// ARJ method 4: LZ77 over the same dictionary with lengths and distances in unary-prefixed
// numbers and literals as plain bytes.
Decoded decodeMethod4(CompressedInput& input, DecodedOutput& output, uint64_t size);

// Both produce exactly `size` bytes, the entry's original size, which is all that ends the data.
// Damaged data decodes to bytes that the entry's CRC-32 refuses, or gives Decoded::Damaged
// where it would reach outside the decoder's tables or dictionary.

}  // namespace ostrya::engines::arj

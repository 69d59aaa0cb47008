// portable: no platform headers.
#pragma once

#include <cstdint>

#include "engines/decoder_stream.h"

namespace ostrya::engines::zip {

// Whether this engine decodes the compression method.
bool methodDecoded(uint16_t method);

// Decodes an entry's data by its method. `size` is the entry's stated size: the methods
// without an end marker stop there. `flags` are the entry's general purpose bits, which choose
// the variant of imploding and tell whether an LZMA stream ends with a marker.
Decoded decodeMethod(uint16_t method, uint16_t flags, uint64_t size, CompressedInput& input,
                     DecodedOutput& output);

}  // namespace ostrya::engines::zip

// portable: no platform headers.
#pragma once

#include "engines/decoder_stream.h"

namespace ostrya::engines::zoo {

// ZOO method 1: LZW with codes of 9 to 13 bits, least significant bit first, a clear code and
// an end code. The data ends with the end code; what follows it is not read.
Decoded unlzw(CompressedInput& input, DecodedOutput& output);

}  // namespace ostrya::engines::zoo

// portable: no platform headers.
#pragma once

#include <cstdint>

#include "engines/decoder_stream.h"

namespace ostrya::engines::zoo {

// ZOO method 2: LZH with an 8 KiB window, the bit stream of LHA's "-lh5-", decoded by lhasa.
// The data has no end mark: decoding stops after `size` bytes, the entry's stated size.
Decoded unlzh(CompressedInput& input, DecodedOutput& output, uint32_t size);

}  // namespace ostrya::engines::zoo

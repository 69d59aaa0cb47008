// portable: no platform headers.
#pragma once

#include "engines/decoder_stream.h"

namespace ostrya::engines::arc {

// Method 4, squeezing: a Huffman tree of at most 256 nodes stored before the data, codes read
// least significant bit first, ended by the code of the value 256. A tree of more nodes, or a
// child that names no node or no byte, is damage. The run-length step is the caller's output.
Decoded unsqueeze(CompressedInput& input, DecodedOutput& output);

}  // namespace ostrya::engines::arc

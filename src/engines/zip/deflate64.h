// portable: no platform headers.
#pragma once

#include "engines/decoder_stream.h"

namespace ostrya::engines::zip {

// ZIP method 9, deflate with a 64 KiB window. Ends at the final block; Damaged names codes the
// method does not define, code sets that are not prefix codes, references before the first
// byte, stored lengths without their complement and data that ends inside the stream.
Decoded inflate64(CompressedInput& input, DecodedOutput& output);

}  // namespace ostrya::engines::zip

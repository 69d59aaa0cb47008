// portable: no platform headers.
#pragma once

#include "engines/decoder_stream.h"

namespace ostrya::engines::arc {

// Which hash placed the crunched methods' strings in their 4096-entry table: the older one
// (methods 5 and 6) or the newer one (method 7).
enum class CrunchHash { Old, New };

// Methods 5 to 7, crunching: 12-bit codes in a hashed string table that fills up and is never
// cleared. The run-length step, where the method has one, is the caller's output.
Decoded uncrunch(CompressedInput& input, DecodedOutput& output, CrunchHash hash);

// Method 8 (dynamic crunching: a leading byte names the widest code, 12 bits; codes beyond the
// table end the data quietly) and method 9 (squashing: no leading byte, codes up to 13 bits;
// such a code is damage). Both start with 9-bit codes and clear the table on code 256.
enum class DynamicLzw { Crunched, Squashed };
Decoded undynamic(CompressedInput& input, DecodedOutput& output, DynamicLzw variant);

}  // namespace ostrya::engines::arc

// portable: no platform headers.
#pragma once

#include <cstdint>

#include "engines/decoder_stream.h"

namespace ostrya::engines::zip {

// The ZIP methods that well-kept libraries decode, over the engine's streams. Each ends at the
// end of its stream; `size` is what the entry says it holds, for a stream that may stop without
// an end marker.
Decoded inflateRaw(CompressedInput& input, DecodedOutput& output);
Decoded decodeBzip2(CompressedInput& input, DecodedOutput& output);
// ZIP's LZMA: a four-byte header (version, properties length) and the properties ahead of the
// raw stream, which carries an end marker only when the entry's flag bit 1 says so.
Decoded decodeZipLzma(CompressedInput& input, DecodedOutput& output, uint64_t size);
Decoded decodeZstd(CompressedInput& input, DecodedOutput& output);
Decoded decodeXz(CompressedInput& input, DecodedOutput& output);

}  // namespace ostrya::engines::zip

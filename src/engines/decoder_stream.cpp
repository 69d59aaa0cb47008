// portable: no platform headers.
#include "engines/decoder_stream.h"

namespace ostrya::engines {

Decoded copyStored(CompressedInput& input, DecodedOutput& output) {
  uint8_t piece[16384];
  for (;;) {
    std::size_t got = 0;
    if (!input.read(piece, sizeof piece, got)) return Decoded::InputFailed;
    if (got == 0) return Decoded::Complete;
    if (!output.write(piece, got)) return Decoded::OutputStopped;
  }
}

}  // namespace ostrya::engines

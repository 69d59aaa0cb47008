// An ACE entry's LZ77 data comes from any archive: any bytes may reach the decoder, with any
// stated size and parameter. Input: the stated size in three bytes (least significant first),
// the parameter, the size of the pieces the input is read in less one, then the compressed
// data. A parameter with bit 4 set decodes the data twice through one solid decoder, the second
// time as an entry that continues the first's dictionary.
#include <cstddef>
#include <cstdint>

#include "decoder_fuzz.h"
#include "engines/ace/ace_lz77.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr std::size_t kHeader = 5;
  // A decoder's output may grow far past its input; this much is enough to reach every state.
  constexpr std::size_t kCap = std::size_t{4} << 20;
  if (size < kHeader) return 0;
  const uint64_t stated = data[0] | uint64_t{data[1]} << 8 | uint64_t{data[2]} << 16;
  const uint16_t parameter = data[3];
  const bool solid = (parameter & 0x10) != 0;
  ostrya::engines::ace::Lz77Decoder decoder(solid);
  for (int entry = 0; entry < (solid ? 2 : 1); ++entry) {
    ostrya::fuzzing::FuzzInput input(data + kHeader, size - kHeader, std::size_t{data[4]} + 1);
    ostrya::fuzzing::CappedOutput output(kCap, stated);
    const auto result = decoder.decompress(input, output, stated, parameter);
    if (result == ostrya::engines::Decoded::Complete && output.written() != stated)
      __builtin_trap();
  }
  return 0;
}

// A ZOO entry's LZW data comes from any archive: any bytes may reach the decoder. Input: the
// size of the pieces the input is read in less one, then the compressed data.
#include <cstddef>
#include <cstdint>

#include "decoder_fuzz.h"
#include "engines/zoo/zoo_lzw.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr std::size_t kHeader = 1;
  // A decoder's output may grow far past its input; this much is enough to reach every state.
  constexpr std::size_t kCap = std::size_t{4} << 20;
  if (size < kHeader) return 0;
  ostrya::fuzzing::FuzzInput input(data + kHeader, size - kHeader, std::size_t{data[0]} + 1);
  ostrya::fuzzing::CappedOutput output(kCap);
  ostrya::engines::zoo::unlzw(input, output);
  return 0;
}

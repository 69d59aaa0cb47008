// An ARJ entry's data comes from any archive: any bytes may reach the decoders, with any stated
// size. Input: the method (an even byte: methods 1 to 3, odd: method 4), the stated size in three
// bytes (least significant first), the size of the pieces the input is read in less one, then
// the compressed data.
#include <cstddef>
#include <cstdint>

#include "decoder_fuzz.h"
#include "engines/arj/arj_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr std::size_t kHeader = 5;
  // A decoder's output may grow far past its input. Ten dictionaries are enough to reach every
  // state, and a small cap keeps inputs that decode from zero bits quick.
  constexpr std::size_t kCap = std::size_t{256} << 10;
  if (size < kHeader) return 0;
  const uint64_t stated = data[1] | uint64_t{data[2]} << 8 | uint64_t{data[3]} << 16;
  ostrya::fuzzing::FuzzInput input(data + kHeader, size - kHeader, std::size_t{data[4]} + 1);
  ostrya::fuzzing::CappedOutput output(kCap, stated);
  namespace arj = ostrya::engines::arj;
  const auto result = data[0] % 2 == 0 ? arj::decodeMethods1To3(input, output, stated)
                                       : arj::decodeMethod4(input, output, stated);
  if (result == ostrya::engines::Decoded::Complete && output.written() != stated) __builtin_trap();
  return 0;
}

// A shrunk entry's data comes from any archive: any bytes may reach the decoder, with any
// stated size. Input: the stated size in three bytes (least significant first), the size of the
// pieces the input is read in less one, then the compressed data.
#include <cstddef>
#include <cstdint>

#include "engines/zip/unshrink.h"
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr std::size_t kHeader = 4;
  // A decoder's output may grow far past its input; this much is enough to reach every state.
  constexpr std::size_t kCap = std::size_t{4} << 20;
  if (size < kHeader) return 0;
  const uint64_t stated = data[0] | uint64_t{data[1]} << 8 | uint64_t{data[2]} << 16;
  ostrya::fuzzing::FuzzInput input(data + kHeader, size - kHeader, std::size_t{data[3]} + 1);
  ostrya::fuzzing::CappedOutput output(kCap, stated);
  const auto result = ostrya::engines::zip::unshrink(input, output, stated);
  if (result == ostrya::engines::Decoded::Complete && output.written() != stated)
    __builtin_trap();
  return 0;
}

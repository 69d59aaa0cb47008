// An ARC entry's data comes from any archive: any bytes may reach the squeezing, crunching and
// squashing decoders and the run-length step after them. Input: the method (its value modulo 6
// picks squeezed, crunched with either hash, dynamic crunching or squashing, the next bit adds
// the run-length step), the size of the pieces the input is read in less one, then the data.
#include <cstddef>
#include <cstdint>

#include "decoder_fuzz.h"
#include "engines/arc/arc_lzw.h"
#include "engines/arc/arc_run_length.h"
#include "engines/arc/arc_unsqueeze.h"

namespace arc = ostrya::engines::arc;
using ostrya::engines::CompressedInput;
using ostrya::engines::Decoded;
using ostrya::engines::DecodedOutput;

namespace {

Decoded decode(unsigned method, CompressedInput& input, DecodedOutput& output) {
  switch (method % 6) {
    case 0:
      return arc::unsqueeze(input, output);
    case 1:
      return arc::uncrunch(input, output, arc::CrunchHash::Old);
    case 2:
      return arc::uncrunch(input, output, arc::CrunchHash::New);
    case 3:
      return arc::undynamic(input, output, arc::DynamicLzw::Crunched);
    default:
      return arc::undynamic(input, output, arc::DynamicLzw::Squashed);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr std::size_t kHeader = 2;
  // A decoder's output may grow far past its input; this much is enough to reach every state.
  constexpr std::size_t kCap = std::size_t{4} << 20;
  if (size < kHeader) return 0;
  ostrya::fuzzing::FuzzInput input(data + kHeader, size - kHeader, std::size_t{data[1]} + 1);
  ostrya::fuzzing::CappedOutput output(kCap);
  if ((data[0] & 0x80) == 0) {
    decode(data[0], input, output);
    return 0;
  }
  arc::RunLengthOutput expanded(output);
  if (decode(data[0], input, expanded) == Decoded::Complete) expanded.finish();
  return 0;
}

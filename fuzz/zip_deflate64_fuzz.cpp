// Every ZIP entry of method 9 reaches this decoder, its data as the archive holds it. Input: a
// raw deflate64 stream.
#include <cstddef>
#include <cstdint>

#include "engines/zip/deflate64.h"
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A stream of longest matches grows 65538 bytes for two bytes; the cap bounds a run's time.
  constexpr std::size_t kCap = 32u << 20;
  ostrya::fuzzing::FuzzInput input(data, size);
  ostrya::fuzzing::CappedOutput output(kCap);
  ostrya::engines::zip::inflate64(input, output);
  return 0;
}

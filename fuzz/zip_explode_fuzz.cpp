// Every ZIP entry of method 6 reaches this decoder, its general purpose bits and stated size
// from the entry's header. Input: one byte of flags (bits 1 and 2 as the entry's), three bytes of
// size, least significant first, then the imploded stream.
#include <cstddef>
#include <cstdint>

#include "engines/zip/explode.h"
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr std::size_t kHeader = 4;
  // Below the largest size the header can state, so that a refused write is reached too.
  constexpr std::size_t kCap = 8u << 20;
  if (size < kHeader) return 0;
  const uint16_t flags = data[0];
  const uint64_t stated = data[1] | data[2] << 8 | uint64_t{data[3]} << 16;
  ostrya::fuzzing::FuzzInput input(data + kHeader, size - kHeader);
  ostrya::fuzzing::CappedOutput output(kCap, stated);
  ostrya::engines::zip::explode(input, output, stated, flags);
  return 0;
}

// portable: no platform headers.
#include "engines/zoo/zoo_lzh.h"

#include <lhasa.h>

#include <memory>

namespace ostrya::engines::zoo {
namespace {

// lhasa's decoder asks for compressed bytes through a callback that can only say how many it
// got; a failed read is kept here and told apart from the end of the data afterwards.
struct Source {
  CompressedInput& input;
  bool failed = false;
};

std::size_t readCompressed(void* buffer, std::size_t capacity, void* user) {
  auto& source = *static_cast<Source*>(user);
  std::size_t got = 0;
  if (source.failed || !source.input.read(static_cast<uint8_t*>(buffer), capacity, got)) {
    source.failed = true;
    return 0;
  }
  return got;
}

struct DecoderFree {
  void operator()(LHADecoder* decoder) const { lha_decoder_free(decoder); }
};

}  // namespace

Decoded unlzh(CompressedInput& input, DecodedOutput& output, uint32_t size) {
  static char kName[] = "-lh5-";
  LHADecoderType* type = lha_decoder_for_name(kName);
  // A library built without the method cannot set the decoder up.
  if (type == nullptr) return Decoded::NoMemory;
  Source source{input};
  std::unique_ptr<LHADecoder, DecoderFree> decoder(
      lha_decoder_new(type, readCompressed, &source, size));
  if (!decoder) return Decoded::NoMemory;
  uint8_t piece[16384];
  uint64_t total = 0;
  while (total < size) {
    const std::size_t got = lha_decoder_read(decoder.get(), piece, sizeof piece);
    if (got == 0) break;
    total += got;
    if (!output.write(piece, got)) return Decoded::OutputStopped;
  }
  if (source.failed) return Decoded::InputFailed;
  // lhasa's decoder stops early only when the data ran out or broke its rules.
  return total == size ? Decoded::Complete : Decoded::Damaged;
}

}  // namespace ostrya::engines::zoo

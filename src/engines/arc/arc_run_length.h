// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engines/byte_input.h"
#include "engines/decoder_stream.h"

namespace ostrya::engines::arc {

// The run-length step most ARC methods end with: 0x90 n repeats the byte before it n - 1 more
// times, and 0x90 0 stands for the byte 0x90 itself. A decoder writes into it; it writes the
// expanded bytes on.
class RunLengthOutput final : public DecodedOutput {
 public:
  explicit RunLengthOutput(DecodedOutput& next) : next_(next) {}
  bool write(const uint8_t* bytes, std::size_t count) override;
  // Hands on what is still held; false when the output refused it.
  bool finish() { return out_.flush(); }

 private:
  DecodedOutput& next_;
  BufferedOutput out_{next_};
  uint8_t last_ = 0;
  bool afterMarker_ = false;
};

}  // namespace ostrya::engines::arc

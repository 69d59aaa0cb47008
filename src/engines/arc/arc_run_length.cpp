// portable: no platform headers.
#include "engines/arc/arc_run_length.h"

namespace ostrya::engines::arc {
namespace {

constexpr uint8_t kMarker = 0x90;

}  // namespace

bool RunLengthOutput::write(const uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const uint8_t byte = bytes[i];
    if (afterMarker_) {
      afterMarker_ = false;
      if (byte == 0) {
        // The marker's own byte does not become the byte a later run repeats.
        if (!out_.put(kMarker)) return false;
        continue;
      }
      for (unsigned repeat = 1; repeat < byte; ++repeat)
        if (!out_.put(last_)) return false;
    } else if (byte == kMarker) {
      afterMarker_ = true;
    } else {
      last_ = byte;
      if (!out_.put(byte)) return false;
    }
  }
  return true;
}

}  // namespace ostrya::engines::arc

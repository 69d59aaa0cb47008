// portable: no platform headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ostrya {

// The progress of a long operation (an extraction, a copy) as the status bar shows it: a
// percentage that is shown again only when it changes.
class ProgressMeter {
 public:
  // A new total; the next update shows 0 %. A total of 0 makes advance do nothing.
  std::optional<uint32_t> begin(uint64_t total);
  // Adds to what is done (never beyond the total); the percentage when it changed.
  std::optional<uint32_t> advance(uint32_t amount);
  std::optional<uint32_t> setPercent(uint32_t percent);

 private:
  std::optional<uint32_t> update(uint32_t percent);

  uint64_t total_ = 0;
  uint64_t done_ = 0;
  // What the bar shows; none forces the next update.
  std::optional<uint32_t> shown_;
};

// The status text of a percentage: "  42 %".
std::string progressText(uint32_t percent);

}  // namespace ostrya

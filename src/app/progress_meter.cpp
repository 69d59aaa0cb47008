// portable: no platform headers.
#include "app/progress_meter.h"

namespace ostrya {

std::optional<uint32_t> ProgressMeter::begin(uint64_t total) {
  total_ = total;
  done_ = 0;
  shown_.reset();
  return update(0);
}

std::optional<uint32_t> ProgressMeter::advance(uint32_t amount) {
  if (total_ == 0) return std::nullopt;
  done_ = amount > total_ - done_ ? total_ : done_ + amount;
  // Beyond 2^64 / 100 bytes the product would overflow; the total is then at least 100.
  const uint64_t percent = done_ > UINT64_MAX / 100 ? done_ / (total_ / 100) : done_ * 100 / total_;
  return update(static_cast<uint32_t>(percent));
}

std::optional<uint32_t> ProgressMeter::setPercent(uint32_t percent) {
  return update(percent > 100 ? 100 : percent);
}

std::optional<uint32_t> ProgressMeter::update(uint32_t percent) {
  if (shown_ == percent) return std::nullopt;
  shown_ = percent;
  return percent;
}

std::string progressText(uint32_t percent) {
  return "  " + std::to_string(percent) + " %";
}

}  // namespace ostrya

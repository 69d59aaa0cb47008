// portable: no platform headers.
#include "results/growable_area.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

namespace ostrya {
namespace {

// Small appends share one step of growth, so a run of many short records reallocates rarely.
constexpr std::size_t kMinGrowth = 4096;

// The row table addresses records by 32-bit offsets, so no area may grow past what such an
// offset can reach.
constexpr std::size_t kMaxAreaBytes = std::numeric_limits<uint32_t>::max();

}  // namespace

GrowableArea::~GrowableArea() {
  std::free(data_);
}

GrowableArea::GrowableArea(GrowableArea&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      count_(std::exchange(other.count_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      used_(std::exchange(other.used_, 0)) {}

GrowableArea& GrowableArea::operator=(GrowableArea&& other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, nullptr);
    count_ = std::exchange(other.count_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    used_ = std::exchange(other.used_, 0);
  }
  return *this;
}

// Grows into new memory before the old is let go, so a failed growth leaves every record that
// rows point at in place.
bool GrowableArea::append(const void* bytes, std::size_t n) {
  if (count_ == std::numeric_limits<uint32_t>::max() || n > kMaxAreaBytes - used_) return false;
  if (data_ == nullptr || used_ + n > capacity_) {
    uint64_t wanted =
        data_ == nullptr ? std::max(n, kMinGrowth) : uint64_t{capacity_} + std::max(n, kMinGrowth);
    wanted = std::min<uint64_t>(wanted, kMaxAreaBytes);
    auto* grown = static_cast<uint8_t*>(std::malloc(static_cast<std::size_t>(wanted)));
    if (grown == nullptr) return false;
    if (used_ != 0) std::memcpy(grown, data_, used_);
    std::free(data_);
    data_ = grown;
    capacity_ = static_cast<std::size_t>(wanted);
  }
  if (n != 0) std::memcpy(data_ + used_, bytes, n);
  used_ += n;
  ++count_;
  return true;
}

void GrowableArea::reset() {
  count_ = 0;
  used_ = 0;
}

void GrowableArea::release() {
  std::free(data_);
  data_ = nullptr;
  count_ = 0;
  capacity_ = 0;
  used_ = 0;
}

}  // namespace ostrya

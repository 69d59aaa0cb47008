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
      reserved_(std::exchange(other.reserved_, 0)),
      used_(std::exchange(other.used_, 0)) {}

GrowableArea& GrowableArea::operator=(GrowableArea&& other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, nullptr);
    count_ = std::exchange(other.count_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    reserved_ = std::exchange(other.reserved_, 0);
    used_ = std::exchange(other.used_, 0);
  }
  return *this;
}

// The capacity follows the area's growth rule; the memory behind it doubles, so that a run
// with a million rows copies its records a few times rather than once per 4 KiB step.
// Grows into new memory before the old is let go, so a failed growth leaves every record that
// rows point at in place.
bool GrowableArea::append(const void* bytes, std::size_t n) {
  if (count_ == std::numeric_limits<uint32_t>::max() || n > kMaxAreaBytes - used_) return false;
  if (data_ == nullptr || used_ + n > capacity_) {
    uint64_t wanted =
        data_ == nullptr ? std::max(n, kMinGrowth) : uint64_t{capacity_} + std::max(n, kMinGrowth);
    wanted = std::min<uint64_t>(wanted, kMaxAreaBytes);
    if (wanted > reserved_ && !reserve(static_cast<std::size_t>(wanted))) return false;
    capacity_ = static_cast<std::size_t>(wanted);
  }
  if (n != 0) std::memcpy(data_ + used_, bytes, n);
  used_ += n;
  ++count_;
  return true;
}

bool GrowableArea::reserve(std::size_t needed) {
  const uint64_t doubled = std::min<uint64_t>(uint64_t{reserved_} * 2, kMaxAreaBytes);
  std::size_t size = std::max<std::size_t>(needed, static_cast<std::size_t>(doubled));
  auto* grown = static_cast<uint8_t*>(std::malloc(size));
  if (grown == nullptr && size != needed) grown = static_cast<uint8_t*>(std::malloc(size = needed));
  if (grown == nullptr) return false;
  if (used_ != 0) std::memcpy(grown, data_, used_);
  std::free(data_);
  data_ = grown;
  reserved_ = size;
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
  reserved_ = 0;
  used_ = 0;
}

}  // namespace ostrya

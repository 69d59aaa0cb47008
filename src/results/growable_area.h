// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrya {

// Variable-length items stored back to back in one block. The area does not remember where an
// item starts: areas of records are walked by each record's own length field.
class GrowableArea {
 public:
  GrowableArea() = default;
  ~GrowableArea();
  GrowableArea(GrowableArea&& other) noexcept;
  GrowableArea& operator=(GrowableArea&& other) noexcept;
  GrowableArea(const GrowableArea&) = delete;
  GrowableArea& operator=(const GrowableArea&) = delete;

  // Copies n bytes to the end as one item. False when memory cannot be had; the area then keeps
  // what it held.
  bool append(const void* bytes, std::size_t n);
  // Empties the area but keeps its storage.
  void reset();
  // Frees the storage.
  void release();

  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  uint32_t count() const { return count_; }
  std::size_t capacity() const { return capacity_; }
  std::size_t used() const { return used_; }

 private:
  bool reserve(std::size_t needed);

  uint8_t* data_ = nullptr;
  uint32_t count_ = 0;
  std::size_t capacity_ = 0;
  std::size_t reserved_ = 0;  // memory behind the capacity
  std::size_t used_ = 0;
};

}  // namespace ostrya

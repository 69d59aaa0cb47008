// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/crc16.h"
#include "archive/entry_extraction.h"
#include "archive/host_services.h"
#include "engines/decoder_stream.h"

namespace ostrya::archive {

// An entry's compressed bytes for a decoder: `size` bytes from the archive's current position,
// read through the host.
class HostEntryInput final : public engines::CompressedInput {
 public:
  HostEntryInput(const HostServices& services, HostFile archive, uint64_t size)
      : services_(services), archive_(archive), left_(size) {}
  bool read(uint8_t* buffer, std::size_t capacity, std::size_t& got) override {
    got = static_cast<std::size_t>(left_ < capacity ? left_ : capacity);
    // The host takes 32-bit counts.
    if (got > 0x40000000) got = 0x40000000;
    if (got > 0 && services_.ReadExact(archive_, buffer, static_cast<uint32_t>(got)) != 0)
      return false;
    left_ -= got;
    return true;
  }

 private:
  const HostServices& services_;
  HostFile archive_;
  uint64_t left_;
};

// A decoder's bytes into an entry's output file.
class EntryDecodedOutput final : public engines::DecodedOutput {
 public:
  explicit EntryDecodedOutput(EntryOutput& output) : output_(output) {}
  bool write(const uint8_t* bytes, std::size_t count) override {
    return output_.write(bytes, count) == kDone;
  }

 private:
  EntryOutput& output_;
};

// The decoded bytes on their way to the file, for the DOS-era formats that check entries by
// CRC-16: their CRC, and a stop at the stated size, since no sound entry decodes to more and a
// damaged one could otherwise run on for gigabytes.
class Crc16CheckedOutput final : public engines::DecodedOutput {
 public:
  Crc16CheckedOutput(EntryOutput& output, uint32_t size) : output_(output), left_(size) {}
  bool write(const uint8_t* bytes, std::size_t count) override {
    if (count > left_) {
      overran_ = true;
      return false;
    }
    crc_ = crc16Update(crc_, bytes, count);
    left_ -= count;
    return output_.write(bytes, count) == kDone;
  }
  uint16_t crc() const { return crc_; }
  // Whether the stated size was written in full.
  bool filled() const { return left_ == 0; }
  bool overran() const { return overran_; }

 private:
  EntryOutput& output_;
  uint64_t left_;
  uint16_t crc_ = 0;
  bool overran_ = false;
};

}  // namespace ostrya::archive

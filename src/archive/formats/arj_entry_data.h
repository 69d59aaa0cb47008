// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/entry_extraction.h"
#include "archive/formats/arj_header.h"
#include "engines/decoder_stream.h"

namespace ostrya::archive {

// ARJ's output step: keeps the CRC-32 of the bytes as decoded, and writes a text entry as a
// DOS text stream would, each line feed as carriage return and line feed, with the top bit of
// every byte cleared unless the entry comes from a Unix host.
class ArjOutputStep final : public engines::DecodedOutput {
 public:
  ArjOutputStep(engines::DecodedOutput& output, const ArjHeader& header);
  bool write(const uint8_t* bytes, std::size_t count) override;
  uint32_t crc() const { return ~crc_; }

 private:
  engines::DecodedOutput& output_;
  bool text_;
  uint8_t keptBits_;
  uint32_t crc_ = 0xFFFFFFFFu;
};

// An entry's data from the archive's current position: stored or decoded by its method (0 to
// 4; the caller refuses others), checked against the header's CRC-32.
class ArjEntryData final : public EntryData {
 public:
  ArjEntryData(const HostServices& services, HostFile archive, const ArjHeader& header)
      : services_(services), archive_(archive), header_(header) {}
  // 0, kDamagedData for a CRC-32 that differs or data its decoder cannot follow, kReadFailed,
  // kWriteFailed, or kSetUpFailed when the decoder gets no memory.
  int writeTo(EntryOutput& output) override;

 private:
  int copyStored(engines::DecodedOutput& output);

  const HostServices& services_;
  HostFile archive_;
  const ArjHeader& header_;
};

}  // namespace ostrya::archive

// portable: no platform headers.
#include "engines/zip/zip_entry_data.h"

#include <zlib.h>

#include <algorithm>

#include "engines/zip/zip_methods.h"

namespace ostrya::engines::zip {
namespace {

// The entry's compressed bytes, read from the archive in the pieces a decoder asks for.
class EntryInput final : public CompressedInput {
 public:
  EntryInput(ArchiveBytes& bytes, uint64_t offset, uint64_t length)
      : bytes_(bytes), next_(offset), left_(length) {}
  bool read(uint8_t* buffer, std::size_t capacity, std::size_t& got) override {
    got = static_cast<std::size_t>(std::min<uint64_t>(capacity, left_));
    if (got != 0 && !bytes_.readAt(next_, buffer, got)) return false;
    next_ += got;
    left_ -= got;
    return true;
  }

 private:
  ArchiveBytes& bytes_;
  uint64_t next_;
  uint64_t left_;
};

// Passes on at most the stated size and keeps the CRC-32 of what it passed.
class CheckedOutput final : public DecodedOutput {
 public:
  CheckedOutput(DecodedOutput& output, uint64_t size) : output_(output), left_(size) {}
  bool write(const uint8_t* bytes, std::size_t count) override {
    if (count > left_) {
      overflowed_ = true;
      return false;
    }
    crc_ = crc32_z(crc_, bytes, count);
    left_ -= count;
    return output_.write(bytes, count);
  }
  bool overflowed() const { return overflowed_; }
  bool complete() const { return left_ == 0; }
  uint32_t crc() const { return static_cast<uint32_t>(crc_); }

 private:
  DecodedOutput& output_;
  uint64_t left_;
  uLong crc_ = crc32(0, nullptr, 0);
  bool overflowed_ = false;
};

}  // namespace

EntryOutcome extractEntryData(ArchiveBytes& bytes, ZipDirectory& directory, const ZipEntry& entry,
                              DecodedOutput& output) {
  if (entry.encrypted()) return EntryOutcome::Encrypted;
  if (!methodDecoded(entry.method)) return EntryOutcome::UnsupportedMethod;
  uint64_t offset = 0;
  if (!directory.dataOffset(entry, offset)) return EntryOutcome::Damaged;
  EntryInput input(bytes, offset, entry.compressedSize);
  CheckedOutput checked(output, entry.size);
  switch (decodeMethod(entry.method, entry.flags, entry.size, input, checked)) {
    case Decoded::Complete:
      return checked.complete() && checked.crc() == entry.crc ? EntryOutcome::Extracted
                                                              : EntryOutcome::Damaged;
    case Decoded::OutputStopped:
      return checked.overflowed() ? EntryOutcome::Damaged : EntryOutcome::OutputFailed;
    case Decoded::InputFailed:
      return EntryOutcome::ReadFailed;
    case Decoded::NoMemory:
      return EntryOutcome::NoMemory;
    // Settings of its method beyond what is decoded: the next entry may do without them.
    case Decoded::BeyondMemoryGrant:
      return EntryOutcome::UnsupportedMethod;
    case Decoded::Damaged:
      break;
  }
  return EntryOutcome::Damaged;
}

}  // namespace ostrya::engines::zip

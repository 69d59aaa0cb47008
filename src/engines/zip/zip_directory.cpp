// portable: no platform headers.
#include "engines/zip/zip_directory.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "engines/zip/zip_layout.h"

namespace ostrya::engines::zip {
namespace {

namespace L = layout;

uint16_t le16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | at[1] << 8);
}
uint32_t le32(const uint8_t* at) {
  return le16(at) | uint32_t{le16(at + 2)} << 16;
}
uint64_t le64(const uint8_t* at) {
  return le32(at) | uint64_t{le32(at + 4)} << 32;
}

// The end record may be followed by a comment of up to 65535 bytes.
constexpr std::size_t kEndSearchSpan = L::end::kSize + 0xFFFF;
// A central record with the longest name, extra field and comment fits with room to spare, so
// every record can be parsed from one contiguous piece.
constexpr std::size_t kWindowSize = 256 * 1024;

constexpr uint8_t kMadeOnUnix = 3;
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixFolder = 0040000;
constexpr uint32_t kDosFolder = 0x10;
// The DOS bits a reader reports: read-only, hidden, system, folder, archive.
constexpr uint32_t kDosBits = 0x37;

bool hasSignature(const uint8_t* at, uint32_t signature) {
  return le32(at) == signature;
}

}  // namespace

bool ZipEntry::encrypted() const {
  constexpr uint16_t kAesMethod = 99;
  return (flags & (L::kFlagEncrypted | L::kFlagStrongEncryption)) != 0 || method == kAesMethod;
}

bool ZipEntry::isFolder() const {
  if ((attributes & kDosFolder) != 0) return true;
  const std::string_view name = unicodeName.empty() ? storedName : unicodeName;
  return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

DirectoryStatus ZipDirectory::open() {
  status_ = DirectoryStatus::NotZip;
  if (!locateEnd() || !placeDirectory()) return status_;
  try {
    window_.resize(kWindowSize);
  } catch (const std::bad_alloc&) {
    return status_ = DirectoryStatus::ReadFailed;
  }
  unread_ = directorySize_;
  position_ = filled_ = 0;
  return status_ = DirectoryStatus::Read;
}

// The last end record whose comment fits in the file; junk after the comment is allowed, as
// some writers and transfers leave it.
bool ZipDirectory::locateEnd() {
  const uint64_t fileSize = bytes_.size();
  if (fileSize < L::end::kSize) return false;
  const std::size_t span =
      static_cast<std::size_t>(std::min<uint64_t>(fileSize, kEndSearchSpan + L::end::kSize));
  std::vector<uint8_t> tail;
  try {
    tail.resize(span);
  } catch (const std::bad_alloc&) {
    return fail(DirectoryStatus::ReadFailed);
  }
  const uint64_t tailStart = fileSize - span;
  if (!bytes_.readAt(tailStart, tail.data(), span)) return fail(DirectoryStatus::ReadFailed);
  for (std::size_t at = span - L::end::kSize + 1; at-- > 0;) {
    if (tail[at] != 'P' || !hasSignature(&tail[at], L::kEndSignature)) continue;
    const uint8_t* end = &tail[at];
    if (at + L::end::kSize + le16(end + L::end::kCommentLength) > span) continue;
    endPosition_ = tailStart + at;
    directorySize_ = le32(end + L::end::kDirectorySize);
    statedOffset_ = le32(end + L::end::kDirectoryOffset);
    const bool needs64 = le16(end + L::end::kEntriesTotal) == L::kMore16 ||
                         directorySize_ == L::kMore32 || statedOffset_ == L::kMore32;
    const bool located = at >= L::locator::kSize &&
                         hasSignature(&tail[at - L::locator::kSize], L::kEnd64LocatorSignature);
    if (located && readZip64End(endPosition_ - L::locator::kSize)) return true;
    if (needs64) return fail(DirectoryStatus::Damaged);
    return true;
  }
  return false;
}

// The ZIP64 end record is where the locator says, or, behind a stub that did not adjust the
// offsets, right before the locator.
bool ZipDirectory::readZip64End(uint64_t locatorPosition) {
  uint8_t locator[L::locator::kSize];
  if (!bytes_.readAt(locatorPosition, locator, sizeof locator)) return false;
  if (locatorPosition < L::end64::kSize) return false;
  const uint64_t latest = locatorPosition - L::end64::kSize;
  const uint64_t stated = le64(locator + L::locator::kEnd64Offset);
  uint8_t record[L::end64::kSize];
  for (const uint64_t at : {stated, latest}) {
    if (at > latest) continue;
    if (!bytes_.readAt(at, record, sizeof record) || !hasSignature(record, L::kEnd64Signature))
      continue;
    endPosition_ = at;
    directorySize_ = le64(record + L::end64::kDirectorySize);
    statedOffset_ = le64(record + L::end64::kDirectoryOffset);
    return true;
  }
  return false;
}

// The directory ends where the end record begins. When the stated offset does not hold a
// central record but the place the size points back to does, bytes were put in front of the
// archive and every offset is shifted by as many.
bool ZipDirectory::placeDirectory() {
  if (directorySize_ > endPosition_) return fail(DirectoryStatus::Damaged);
  const uint64_t actual = endPosition_ - directorySize_;
  uint8_t signature[4];
  const auto centralAt = [&](uint64_t at) {
    return at + sizeof signature <= endPosition_ &&
           bytes_.readAt(at, signature, sizeof signature) &&
           hasSignature(signature, L::kCentralSignature);
  };
  if (directorySize_ == 0) {
    directoryStart_ = actual;
    return true;
  }
  if (statedOffset_ <= actual && centralAt(statedOffset_)) {
    directoryStart_ = statedOffset_;
    return true;
  }
  if (statedOffset_ < actual && centralAt(actual)) {
    directoryStart_ = actual;
    shift_ = actual - statedOffset_;
    return true;
  }
  return fail(DirectoryStatus::Damaged);
}

bool ZipDirectory::have(std::size_t count) {
  if (filled_ - position_ >= count) return true;
  std::memmove(window_.data(), window_.data() + position_, filled_ - position_);
  filled_ -= position_;
  position_ = 0;
  const std::size_t room = window_.size() - filled_;
  const std::size_t wanted = static_cast<std::size_t>(std::min<uint64_t>(room, unread_));
  if (wanted > 0) {
    const uint64_t at = directoryStart_ + (directorySize_ - unread_);
    if (!bytes_.readAt(at, window_.data() + filled_, wanted)) {
      status_ = DirectoryStatus::ReadFailed;
      return false;
    }
    filled_ += wanted;
    unread_ -= wanted;
  }
  return filled_ >= count;
}

bool ZipDirectory::next(ZipEntry& entry) {
  if (status_ != DirectoryStatus::Read) return false;
  if (unread_ == 0 && position_ == filled_) return false;
  if (!have(L::central::kHeaderSize) || !hasSignature(&window_[position_], L::kCentralSignature)) {
    // Bytes that are not a record where one should be: the directory is damaged, unless
    // reading it failed.
    if (status_ == DirectoryStatus::Read) status_ = DirectoryStatus::Damaged;
    return false;
  }
  const uint8_t* header = &window_[position_];
  const std::size_t nameLength = le16(header + L::central::kNameLength);
  const std::size_t extraLength = le16(header + L::central::kExtraLength);
  const std::size_t recordSize = L::central::kHeaderSize + nameLength + extraLength +
                                 le16(header + L::central::kCommentLength);
  if (!have(recordSize)) {
    if (status_ == DirectoryStatus::Read) status_ = DirectoryStatus::Damaged;
    return false;
  }
  header = &window_[position_];
  entry = ZipEntry{};
  const char* name = reinterpret_cast<const char*>(header + L::central::kHeaderSize);
  entry.storedName = {name, nameLength};
  entry.flags = le16(header + L::central::kFlags);
  entry.utf8Name = (entry.flags & L::kFlagUtf8Name) != 0;
  entry.madeOn = header[L::central::kMadeBy + 1];
  entry.method = le16(header + L::central::kMethod);
  entry.dosTime = le16(header + L::central::kDosTime);
  entry.dosDate = le16(header + L::central::kDosDate);
  entry.crc = le32(header + L::central::kCrc);
  entry.compressedSize = le32(header + L::central::kCompressedSize);
  entry.size = le32(header + L::central::kSize);
  entry.localOffset = le32(header + L::central::kLocalOffset);
  const uint32_t external = le32(header + L::central::kExternalAttributes);
  entry.attributes = external & kDosBits;
  if (entry.madeOn == kMadeOnUnix && ((external >> 16) & kUnixTypeMask) == kUnixFolder)
    entry.attributes |= kDosFolder;
  const uint8_t* extra = header + L::central::kHeaderSize + nameLength;
  position_ += recordSize;
  if (!parseExtra(extra, extraLength, entry)) return fail(DirectoryStatus::Damaged);
  return true;
}

// The ZIP64 field holds, in this order, only the values whose 32-bit fields are all ones; one
// that is missing leaves the entry without a size or place, which is damage.
bool ZipDirectory::parseExtra(const uint8_t* extra, std::size_t length, ZipEntry& entry) {
  bool sizes64 = true;
  const bool wantsSize = entry.size == L::kMore32;
  const bool wantsCompressed = entry.compressedSize == L::kMore32;
  const bool wantsOffset = entry.localOffset == L::kMore32;
  bool found64 = false;
  for (std::size_t at = 0; at + L::extra::kBlockHeader <= length;) {
    const uint16_t tag = le16(extra + at);
    const std::size_t size = le16(extra + at + 2);
    const uint8_t* block = extra + at + L::extra::kBlockHeader;
    if (at + L::extra::kBlockHeader + size > length) break;
    at += L::extra::kBlockHeader + size;
    if (tag == L::extra::kZip64 && !found64) {
      found64 = true;
      std::size_t used = 0;
      const auto take = [&](uint64_t& field) {
        if (used + 8 > size) return sizes64 = false;
        field = le64(block + used);
        used += 8;
        return true;
      };
      if (wantsSize) take(entry.size);
      if (wantsCompressed) take(entry.compressedSize);
      if (wantsOffset) take(entry.localOffset);
    } else if (tag == L::extra::kExtendedTime && size >= 5 && (block[0] & 1) != 0) {
      entry.hasUnixTime = true;
      // Signed: a time before 1970 is negative, not one after 2038.
      entry.unixTime = static_cast<int32_t>(le32(block + 1));
    } else if (tag == L::extra::kUnicodePath && size >= 5 && block[0] == 1) {
      const auto* stored = reinterpret_cast<const Bytef*>(entry.storedName.data());
      const uLong check = crc32(0, stored, static_cast<uInt>(entry.storedName.size()));
      if (check == le32(block + 1))
        entry.unicodeName = {reinterpret_cast<const char*>(block + 5), size - 5};
    }
  }
  if ((wantsSize || wantsCompressed || wantsOffset) && !found64) return false;
  return sizes64;
}

bool ZipDirectory::dataOffset(const ZipEntry& entry, uint64_t& offset) {
  const uint64_t fileSize = bytes_.size();
  const uint64_t local = entry.localOffset + shift_;
  if (local < entry.localOffset || local >= fileSize || fileSize - local < L::local::kHeaderSize)
    return false;
  uint8_t header[L::local::kHeaderSize];
  if (!bytes_.readAt(local, header, sizeof header) || !hasSignature(header, L::kLocalSignature))
    return false;
  offset = local + L::local::kHeaderSize + le16(header + L::local::kNameLength) +
           le16(header + L::local::kExtraLength);
  return offset <= fileSize && entry.compressedSize <= fileSize - offset;
}

}  // namespace ostrya::engines::zip

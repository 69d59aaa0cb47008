// portable: no platform headers.
#include "archive/formats/rpm_header.h"

#include <cstring>

#include "archive/byte_fields.h"

namespace ostrya::archive {
namespace {

// A header structure: intro, index entries, data store; all numbers big-endian.
//   intro:        0 magic 8E AD E8 01   4 reserved   8 index count   12 store size
//   index entry:  0 tag   4 type   8 offset into the store   12 count
constexpr uint8_t kMagic[] = {0x8E, 0xAD, 0xE8, 0x01};
constexpr std::size_t kIndexCountOffset = 8;
constexpr std::size_t kStoreSizeOffset = kIndexCountOffset + 4;
constexpr std::size_t kIndexEntrySize = 16;
constexpr std::size_t kEntryTypeOffset = 4;
constexpr std::size_t kEntryOffsetOffset = kEntryTypeOffset + 4;
constexpr std::size_t kEntryCountOffset = kEntryOffsetOffset + 4;

constexpr uint32_t kInt16Type = 3;
constexpr uint32_t kInt32Type = 4;
constexpr uint32_t kStringType = 6;
constexpr uint32_t kStringArrayType = 8;

// Headers of real packages stay far below this, even with tens of thousands of files; a
// larger one is taken as damage rather than read into memory.
constexpr uint64_t kLargestSection = 32u << 20;

}  // namespace

bool readRpmHeaderIntro(const uint8_t* intro, uint32_t& indexCount, uint32_t& storeSize) {
  if (std::memcmp(intro, kMagic, sizeof kMagic) != 0) return false;
  indexCount = be32(intro + kIndexCountOffset);
  storeSize = be32(intro + kStoreSizeOffset);
  return true;
}

uint32_t RpmNumbers::at(uint32_t i) const {
  if (i >= count) return 0;
  const uint8_t* value = values + uint64_t{i} * width;
  return width == 4 ? be32(value) : be16(value);
}

RpmHeader::~RpmHeader() {
  if (block_) services_.FreeAndClear(&block_);
}

bool RpmHeader::read(HostFile file, uint64_t bytesLeft) {
  uint8_t intro[kRpmHeaderIntroSize];
  if (bytesLeft < sizeof intro || services_.ReadExact(file, intro, sizeof intro) != 0 ||
      !readRpmHeaderIntro(intro, indexCount_, storeSize_))
    return false;
  const uint64_t rest = sectionSize() - sizeof intro;
  if (sectionSize() > bytesLeft || rest > kLargestSection) return false;
  // One byte more than the section, so that an empty one still gets a block.
  block_ = services_.Alloc(static_cast<std::size_t>(rest) + 1);
  if (block_ == nullptr || services_.ReadExact(file, block_, static_cast<uint32_t>(rest)) != 0)
    return false;
  store_ = static_cast<const uint8_t*>(block_) + uint64_t{indexCount_} * kIndexEntrySize;
  return true;
}

bool RpmHeader::find(uint32_t tag, uint32_t type, IndexEntry& entry) const {
  const auto* index = static_cast<const uint8_t*>(block_);
  for (uint32_t i = 0; i < indexCount_; ++i) {
    const uint8_t* at = index + uint64_t{i} * kIndexEntrySize;
    if (be32(at) != tag) continue;
    entry = {be32(at + kEntryTypeOffset), be32(at + kEntryOffsetOffset),
             be32(at + kEntryCountOffset)};
    return entry.type == type && entry.offset < storeSize_;
  }
  return false;
}

RpmNumbers RpmHeader::numbers(uint32_t tag, uint32_t type, uint32_t width) const {
  IndexEntry entry;
  if (!find(tag, type, entry) ||
      uint64_t{entry.count} * width > uint64_t{storeSize_} - entry.offset)
    return {};
  return {store_ + entry.offset, entry.count, width};
}

RpmNumbers RpmHeader::numbers32(uint32_t tag) const {
  return numbers(tag, kInt32Type, 4);
}

RpmNumbers RpmHeader::numbers16(uint32_t tag) const {
  return numbers(tag, kInt16Type, 2);
}

const char* RpmHeader::string(uint32_t tag) const {
  IndexEntry entry;
  if (!find(tag, kStringType, entry)) return nullptr;
  const char* text = reinterpret_cast<const char*>(store_ + entry.offset);
  return std::memchr(text, 0, storeSize_ - entry.offset) ? text : nullptr;
}

const char* RpmHeader::strings(uint32_t tag, uint32_t& count) const {
  IndexEntry entry;
  count = 0;
  // Every string takes at least its terminator, which also bounds the walk below.
  if (!find(tag, kStringArrayType, entry) || entry.count > storeSize_ - entry.offset)
    return nullptr;
  const char* first = reinterpret_cast<const char*>(store_ + entry.offset);
  const char* end = reinterpret_cast<const char*>(store_ + storeSize_);
  const char* next = first;
  for (uint32_t i = 0; i < entry.count; ++i) {
    const void* nul = std::memchr(next, 0, static_cast<std::size_t>(end - next));
    if (nul == nullptr) return nullptr;
    next = static_cast<const char*>(nul) + 1;
  }
  count = entry.count;
  return first;
}

RpmStrings::RpmStrings(const HostServices& services, const RpmHeader& header, uint32_t tag)
    : services_(services) {
  uint32_t count = 0;
  first_ = header.strings(tag, count);
  if (first_ == nullptr || count == 0) return;
  offsets_ = services_.Alloc(std::size_t{count} * sizeof(uint32_t));
  if (offsets_ == nullptr) {
    outOfMemory_ = true;
    return;
  }
  auto* offsets = static_cast<uint32_t*>(offsets_);
  uint32_t offset = 0;
  for (uint32_t i = 0; i < count; ++i) {
    offsets[i] = offset;
    offset += static_cast<uint32_t>(std::strlen(first_ + offset)) + 1;
  }
  count_ = count;
}

RpmStrings::~RpmStrings() {
  if (offsets_) services_.FreeAndClear(&offsets_);
}

const char* RpmStrings::at(uint32_t i) const {
  return i < count_ ? first_ + static_cast<const uint32_t*>(offsets_)[i] : "";
}

}  // namespace ostrya::archive

// portable: no platform headers.
#pragma once

#include <cstdint>

// The records of a ZIP file that the reader parses, as offsets into each record. Every number
// is stored least significant byte first.
namespace ostrya::engines::zip::layout {

inline constexpr uint32_t kLocalSignature = 0x04034b50;
inline constexpr uint32_t kCentralSignature = 0x02014b50;
inline constexpr uint32_t kEndSignature = 0x06054b50;
inline constexpr uint32_t kEnd64Signature = 0x06064b50;
inline constexpr uint32_t kEnd64LocatorSignature = 0x07064b50;

// End of central directory record, followed by the archive comment.
namespace end {
inline constexpr unsigned kEntriesTotal = 10;
inline constexpr unsigned kDirectorySize = 12;
inline constexpr unsigned kDirectoryOffset = 16;
inline constexpr unsigned kCommentLength = 20;
inline constexpr unsigned kSize = 22;
}  // namespace end

// ZIP64 end of central directory locator, right before the end record.
namespace locator {
inline constexpr unsigned kEnd64Offset = 8;
inline constexpr unsigned kSize = 20;
}  // namespace locator

// ZIP64 end of central directory record.
namespace end64 {
inline constexpr unsigned kEntriesTotal = 32;
inline constexpr unsigned kDirectorySize = 40;
inline constexpr unsigned kDirectoryOffset = 48;
inline constexpr unsigned kSize = 56;
}  // namespace end64

// Central directory file header, followed by name, extra field and comment.
namespace central {
inline constexpr unsigned kMadeBy = 4;
inline constexpr unsigned kFlags = 8;
inline constexpr unsigned kMethod = 10;
inline constexpr unsigned kDosTime = 12;
inline constexpr unsigned kDosDate = 14;
inline constexpr unsigned kCrc = 16;
inline constexpr unsigned kCompressedSize = 20;
inline constexpr unsigned kSize = 24;
inline constexpr unsigned kNameLength = 28;
inline constexpr unsigned kExtraLength = 30;
inline constexpr unsigned kCommentLength = 32;
inline constexpr unsigned kExternalAttributes = 38;
inline constexpr unsigned kLocalOffset = 42;
inline constexpr unsigned kHeaderSize = 46;
}  // namespace central

// Local file header, followed by name, extra field and the entry's data.
namespace local {
inline constexpr unsigned kNameLength = 26;
inline constexpr unsigned kExtraLength = 28;
inline constexpr unsigned kHeaderSize = 30;
}  // namespace local

// Extra field blocks: a 2-byte tag and a 2-byte length before each.
namespace extra {
inline constexpr uint16_t kZip64 = 0x0001;
inline constexpr uint16_t kExtendedTime = 0x5455;
inline constexpr uint16_t kUnicodePath = 0x7075;
inline constexpr unsigned kBlockHeader = 4;
}  // namespace extra

// General purpose flag bits.
inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr uint16_t kFlagUtf8Name = 0x0800;

// A 16- or 32-bit field holding this says that the ZIP64 record or extra field has the value.
inline constexpr uint16_t kMore16 = 0xFFFF;
inline constexpr uint32_t kMore32 = 0xFFFFFFFF;

}  // namespace ostrya::engines::zip::layout

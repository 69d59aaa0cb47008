// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace ostrya {

// Attribute bits of a result record.
enum : uint16_t {
  kRecReadOnly = 0x1,
  kRecHidden = 0x2,
  kRecSystem = 0x4,
  kRecFolder = 0x10,
  kRecArchive = 0x20,
  kRecEncrypted = 0x40,
  kRecCompressed = 0x800,
  kRecInArchive = 0x8000,
};

inline constexpr uint64_t kUnknownSize = ~uint64_t{0};

// List-view state bits kept in a record.
enum : uint8_t { kStateFocused = 0x1, kStateSelected = 0x2 };

// Result record: a packed 71-byte header followed by the zero-terminated name.
//   offset  width  field
//        0      2  record length (name length + 72)
//        2      2  extension position
//        4      4  folder number (from 1)
//        8      4  icon index (-1 until known)
//       12      8  size (kUnknownSize when not known)
//       20      2  attributes
//       22      2  DOS date
//       24      2  DOS time
//       26      4  row position
//       30      1  list state
//       31     40  type text
//       71         name
namespace result_layout {
inline constexpr std::size_t kLength = 0;
inline constexpr std::size_t kExtensionPosition = kLength + 2;
inline constexpr std::size_t kFolderNumber = kExtensionPosition + 2;
inline constexpr std::size_t kIconIndex = kFolderNumber + 4;
inline constexpr std::size_t kSize = kIconIndex + 4;
inline constexpr std::size_t kAttributes = kSize + 8;
inline constexpr std::size_t kDate = kAttributes + 2;
inline constexpr std::size_t kTime = kDate + 2;
inline constexpr std::size_t kRowPosition = kTime + 2;
inline constexpr std::size_t kListState = kRowPosition + 4;
inline constexpr std::size_t kTypeText = kListState + 1;
inline constexpr std::size_t kTypeTextSize = 40;
inline constexpr std::size_t kName = kTypeText + kTypeTextSize;
static_assert(kName == 71);
}  // namespace result_layout

// Folder record: record length (path length + 5), archive-path length, zero-terminated path.
namespace folder_layout {
inline constexpr std::size_t kLength = 0;
inline constexpr std::size_t kArchivePathLength = kLength + 2;
inline constexpr std::size_t kPath = kArchivePathLength + 2;
}  // namespace folder_layout

// Room for the largest record either layout can hold: a folder inside an archive has the
// archive's path, a separator and an inner path.
inline constexpr std::size_t kRecordBuilderSize = 592;

template <typename T>
T loadField(const uint8_t* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}
template <typename T>
void storeField(uint8_t* p, T value) {
  std::memcpy(p, &value, sizeof value);
}

// A view of a packed result record; records sit at any byte offset, so fields are copied.
class ResultRecord {
 public:
  explicit ResultRecord(uint8_t* bytes) : p_(bytes) {}
  uint8_t* bytes() const { return p_; }

  uint16_t length() const { return loadField<uint16_t>(p_ + result_layout::kLength); }
  uint16_t extensionPosition() const {
    return loadField<uint16_t>(p_ + result_layout::kExtensionPosition);
  }
  uint32_t folderNumber() const { return loadField<uint32_t>(p_ + result_layout::kFolderNumber); }
  int32_t iconIndex() const { return loadField<int32_t>(p_ + result_layout::kIconIndex); }
  void setIconIndex(int32_t v) const { storeField(p_ + result_layout::kIconIndex, v); }
  uint64_t size() const { return loadField<uint64_t>(p_ + result_layout::kSize); }
  uint16_t attributes() const { return loadField<uint16_t>(p_ + result_layout::kAttributes); }
  uint16_t date() const { return loadField<uint16_t>(p_ + result_layout::kDate); }
  uint16_t time() const { return loadField<uint16_t>(p_ + result_layout::kTime); }
  uint32_t rowPosition() const { return loadField<uint32_t>(p_ + result_layout::kRowPosition); }
  void setRowPosition(uint32_t v) const { storeField(p_ + result_layout::kRowPosition, v); }
  uint8_t listState() const { return p_[result_layout::kListState]; }
  void setListState(uint8_t v) const { p_[result_layout::kListState] = v; }
  char* typeText() const { return reinterpret_cast<char*>(p_ + result_layout::kTypeText); }
  const char* name() const { return reinterpret_cast<const char*>(p_ + result_layout::kName); }
  bool isFolder() const { return (attributes() & kRecFolder) != 0; }

 private:
  uint8_t* p_;
};

class FolderRecord {
 public:
  explicit FolderRecord(const uint8_t* bytes) : p_(bytes) {}
  const uint8_t* bytes() const { return p_; }
  uint16_t length() const { return loadField<uint16_t>(p_ + folder_layout::kLength); }
  uint16_t archivePathLength() const {
    return loadField<uint16_t>(p_ + folder_layout::kArchivePathLength);
  }
  const char* path() const { return reinterpret_cast<const char*>(p_ + folder_layout::kPath); }

 private:
  const uint8_t* p_;
};

// What a new result record holds besides its name.
struct ResultFields {
  uint16_t extensionPosition = 0;
  uint32_t folderNumber = 0;
  uint64_t size = 0;
  uint16_t attributes = 0;
  uint16_t date = 0;
  uint16_t time = 0;
};

// Index in a name of the first character after its last dot; the name's length when no dot
// follows its last '\\' or '/'.
uint16_t extensionPositionOfName(const char* name);

// The name without its extension and the dot before it, and the text after that dot.
struct NameParts {
  std::string_view base;
  std::string_view extension;
};
NameParts splitName(const ResultRecord& record);

// Letters of the attribute bits, in the order R A H S E C Z.
std::string attributeLetters(uint16_t attributes);

// Assembles a result record in `builder` (kRecordBuilderSize bytes); returns its length, or 0
// when the name does not fit.
std::size_t buildResultRecord(uint8_t* builder, const ResultFields& fields, const char* name);
// Assembles a folder record; returns its length, or 0 when the path does not fit.
std::size_t buildFolderRecord(uint8_t* builder, const char* path, uint16_t archivePathLength);

}  // namespace ostrya

// portable: no platform headers.
#include "results/records.h"

#include <algorithm>
#include <limits>

namespace ostrya {
namespace {

// Header, name and the name's terminator.
constexpr std::size_t kResultOverhead = result_layout::kName + 1;
// Length, archive-path length, path and its terminator.
constexpr std::size_t kFolderOverhead = folder_layout::kPath + 1;

constexpr std::size_t kMaxRecordLength = std::numeric_limits<uint16_t>::max();

struct AttributeLetter {
  uint16_t bit;
  char letter;
};

// The order the Attributes column has always shown, not the order of the bits.
constexpr AttributeLetter kAttributeLetters[] = {
    {kRecReadOnly, 'R'},  {kRecArchive, 'A'},    {kRecHidden, 'H'},    {kRecSystem, 'S'},
    {kRecEncrypted, 'E'}, {kRecCompressed, 'C'}, {kRecInArchive, 'Z'},
};

}  // namespace

// A separator after the last dot means the dot belongs to a folder of an archive entry's path,
// not to the name.
uint16_t extensionPositionOfName(const char* name) {
  std::size_t length = std::strlen(name);
  std::size_t position = length;
  for (std::size_t i = 0; i < length; ++i) {
    if (name[i] == '.') position = i;
    if (name[i] == '\\' || name[i] == '/') position = length;
  }
  if (position < length) ++position;
  return static_cast<uint16_t>(std::min<std::size_t>(position, kMaxRecordLength));
}

// "FILE." and "FILE" both have their extension position at the end; only the character before
// it tells whether a dot is there to leave out of the base.
NameParts splitName(const ResultRecord& record) {
  std::string_view name = record.name();
  std::size_t position = std::min<std::size_t>(record.extensionPosition(), name.size());
  if (position == 0 || name[position - 1] != '.') return {name, {}};
  return {name.substr(0, position - 1), name.substr(position)};
}

std::string attributeLetters(uint16_t attributes) {
  std::string letters;
  for (const AttributeLetter& entry : kAttributeLetters)
    if (attributes & entry.bit) letters += entry.letter;
  return letters;
}

// The builder is zeroed first so that the row position, list state and type text of a new
// record start empty.
std::size_t buildResultRecord(uint8_t* builder, const ResultFields& fields, const char* name) {
  std::memset(builder, 0, kRecordBuilderSize);
  const std::size_t nameLength = std::strlen(name);
  const std::size_t length = nameLength + kResultOverhead;
  if (length > kRecordBuilderSize || length > kMaxRecordLength) return 0;
  storeField(builder + result_layout::kLength, static_cast<uint16_t>(length));
  storeField(builder + result_layout::kExtensionPosition, fields.extensionPosition);
  storeField(builder + result_layout::kFolderNumber, fields.folderNumber);
  storeField(builder + result_layout::kIconIndex, int32_t{-1});
  storeField(builder + result_layout::kSize, fields.size);
  storeField(builder + result_layout::kAttributes, fields.attributes);
  storeField(builder + result_layout::kDate, fields.date);
  storeField(builder + result_layout::kTime, fields.time);
  std::memcpy(builder + result_layout::kName, name, nameLength + 1);
  return length;
}

std::size_t buildFolderRecord(uint8_t* builder, const char* path, uint16_t archivePathLength) {
  std::memset(builder, 0, kRecordBuilderSize);
  const std::size_t pathLength = std::strlen(path);
  const std::size_t length = pathLength + kFolderOverhead;
  if (length > kRecordBuilderSize || length > kMaxRecordLength) return 0;
  storeField(builder + folder_layout::kLength, static_cast<uint16_t>(length));
  storeField(builder + folder_layout::kArchivePathLength, archivePathLength);
  std::memcpy(builder + folder_layout::kPath, path, pathLength + 1);
  return length;
}

}  // namespace ostrya

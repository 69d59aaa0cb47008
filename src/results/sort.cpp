// portable: no platform headers.
#include "results/result_store.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>
#include <string_view>

#include "platform/codepage.h"

namespace ostrya {
namespace {

// Every key is this long at most; one more byte holds its terminator.
constexpr std::size_t kKeyLength = 519;
constexpr std::size_t kKeyStride = kKeyLength + 1;

// The first character of a key is its group. A blank sorts before 'Z' and 'X' before 'Y', so
// folders come first in both directions; within a descending group the comparison is reversed.
constexpr char kFolderAscending = ' ';
constexpr char kFolderDescending = 'X';
constexpr char kFileDescending = 'Y';
constexpr char kFileAscending = 'Z';

// Widths of the fields that lead the keys of the time, attribute, type and path modes; the name
// follows right after them.
constexpr std::size_t kTimeWidth = 14;
constexpr std::size_t kAttributeWidth = 6;
constexpr std::size_t kTypeWidth = 80;
constexpr std::size_t kPathWidth = 260;

// Longest values over all records, from which each mode places its trailing field.
struct Measures {
  std::size_t longestBase = 0;
  std::size_t longestExtension = 0;
  std::size_t longestName = 0;
  std::size_t longestSize = 0;
  std::size_t largestExtensionPosition = 0;
};

// A key is filled with blanks, so a short field sorts before a longer one that starts alike, and
// ends right after its last field.
class SortKey {
 public:
  SortKey(char* text, char group) : text_(text) {
    std::memset(text_, ' ', kKeyLength);
    text_[0] = group;
  }
  ~SortKey() { text_[end_] = '\0'; }
  SortKey(const SortKey&) = delete;
  SortKey& operator=(const SortKey&) = delete;

  // Cut so that the key ends by its last column, even when the field starts beyond it.
  void place(std::size_t column, std::string_view field) {
    column = std::min(column, kKeyLength);
    const std::size_t length = std::min(field.size(), kKeyLength - column);
    field.copy(text_ + column, length);
    end_ = column + length;
  }

 private:
  char* text_;
  std::size_t end_ = 1;
};

std::string_view typeTextOf(const ResultRecord& record) {
  const char* text = record.typeText();
  const void* end = std::memchr(text, '\0', result_layout::kTypeTextSize);
  return {text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text)
                    : result_layout::kTypeTextSize};
}

// The raw DOS fields (year counted from 1980, seconds halved): the digits only have to sort.
std::string timeDigits(const ResultRecord& record) {
  char digits[kTimeWidth + 1];
  const unsigned date = record.date();
  const unsigned time = record.time();
  std::snprintf(digits, sizeof digits, "%04u%02u%02u%02u%02u%02u", date >> 9, (date >> 5) & 0xF,
                date & 0x1F, time >> 11, (time >> 5) & 0x3F, time & 0x1F);
  return digits;
}

// The fields after the group character. P, the column of the trailing field, is one more than the
// mode's longest first-pass measure.
void writeKey(SortKey& key, SortMode mode, const ResultRecord& record, const Measures& measures,
              std::string_view folderPath) {
  const NameParts name = splitName(record);
  switch (mode) {
    case SortMode::Name:
      key.place(1, name.base);
      key.place(measures.longestBase + 1, name.extension.empty() ? " " : name.extension);
      break;
    case SortMode::Extension:
      key.place(1, name.extension);
      key.place(measures.longestExtension + 1, name.base);
      break;
    case SortMode::Time:
      key.place(1, timeDigits(record));
      key.place(kTimeWidth + 1, name.base);
      key.place(kTimeWidth + measures.longestName + 1, name.extension);
      break;
    case SortMode::Size: {
      // An unknown size leaves only a blank: such records tie and precede every sized one.
      if (record.size() == kUnknownSize) {
        key.place(1, " ");
        break;
      }
      const std::string size = std::to_string(record.size());
      const std::size_t column = measures.longestSize + 1;
      key.place(column - size.size(), size);
      key.place(column, name.base);
      key.place(column + measures.largestExtensionPosition, name.extension);
      break;
    }
    case SortMode::Attributes:
      key.place(1, attributeLetters(record.attributes()));
      key.place(kAttributeWidth + 1, name.base);
      key.place(kAttributeWidth + measures.longestName + kAttributeWidth + 1, name.extension);
      break;
    case SortMode::Type:
      key.place(1, typeTextOf(record));
      key.place(kTypeWidth + 1, name.base);
      key.place(kTypeWidth + measures.longestName + kTypeWidth + 1, name.extension);
      break;
    case SortMode::Path:
      key.place(1, folderPath.substr(0, kPathWidth));
      key.place(kPathWidth + 1, name.base);
      key.place(kPathWidth + measures.longestName + kPathWidth + 1, name.extension);
      break;
    case SortMode::Unsorted:
      break;
  }
}

Measures measure(const uint8_t* area, const std::vector<uint32_t>& offsets) {
  Measures measures;
  for (uint32_t offset : offsets) {
    const ResultRecord record(const_cast<uint8_t*>(area) + offset);
    const NameParts name = splitName(record);
    measures.longestBase = std::max(measures.longestBase, name.base.size());
    measures.longestExtension = std::max(measures.longestExtension, name.extension.size());
    measures.longestName = std::max(measures.longestName, std::strlen(record.name()));
    if (record.size() != kUnknownSize)
      measures.longestSize = std::max(measures.longestSize, std::to_string(record.size()).size());
    measures.largestExtensionPosition =
        std::max<std::size_t>(measures.largestExtensionPosition, record.extensionPosition());
  }
  return measures;
}

bool keyLess(const char* a, const char* b) {
  const int compared = platform::compareIgnoreCase(a, b);
  int order = compared < 0 ? -1 : compared > 0 ? 1 : 0;
  if (a[0] == b[0] && (a[0] == kFolderDescending || a[0] == kFileDescending)) order = -order;
  return order < 0;
}

// Reorders the offsets by their keys; false when the keys cannot be held. A stable merge sort is
// used because a locale comparison need not be a strict weak order, and an introsort fed such a
// comparison may run past its range.
bool sortByKeys(std::vector<uint32_t>& offsets, uint8_t* area,
                const std::vector<std::string_view>& folderPaths, SortMode mode,
                SortDirection direction) {
  if (offsets.size() > std::numeric_limits<std::size_t>::max() / kKeyStride) return false;
  const Measures measures = measure(area, offsets);
  const bool descending = direction == SortDirection::Descending;
  std::vector<char> keys(offsets.size() * kKeyStride);
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    const ResultRecord record(area + offsets[i]);
    const char group = record.isFolder() ? (descending ? kFolderDescending : kFolderAscending)
                                         : (descending ? kFileDescending : kFileAscending);
    const uint32_t folder = record.folderNumber();
    const std::string_view folderPath = folder < folderPaths.size() ? folderPaths[folder] : "";
    SortKey key(keys.data() + i * kKeyStride, group);
    writeKey(key, mode, record, measures, folderPath);
  }
  std::vector<uint32_t> order(offsets.size());
  std::iota(order.begin(), order.end(), 0);
  const char* firstKey = keys.data();
  std::stable_sort(order.begin(), order.end(), [firstKey](uint32_t a, uint32_t b) {
    return keyLess(firstKey + std::size_t{a} * kKeyStride, firstKey + std::size_t{b} * kKeyStride);
  });
  std::vector<uint32_t> sorted(offsets.size());
  for (std::size_t i = 0; i < order.size(); ++i) sorted[i] = offsets[order[i]];
  offsets.swap(sorted);
  return true;
}

SortMode modeOfColumn(Column column, bool rightHalfOfName) {
  switch (column) {
    case Column::Name:
      return rightHalfOfName ? SortMode::Extension : SortMode::Name;
    case Column::Size:
      return SortMode::Size;
    case Column::Modified:
      return SortMode::Time;
    case Column::Attributes:
      return SortMode::Attributes;
    case Column::Path:
      return SortMode::Path;
    case Column::Type:
      return SortMode::Type;
  }
  return SortMode::Name;
}

}  // namespace

// The choice sticks even while a search refuses the sort: the menu check and the header arrow
// show it, and the next sort applies it.
bool ResultStore::sort(SortMode mode, SortDirection direction, bool searching, ListStates* states,
                       const TextLookup& texts) {
  sortMode_ = mode;
  sortDirection_ = direction;
  if (searching) return false;
  try {
    return sortRows(readListStates(states), states, texts);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool ResultStore::headerClick(Column column, bool rightHalfOfName, bool searching,
                              ListStates* states, const TextLookup& texts) {
  const SortMode mode = modeOfColumn(column, rightHalfOfName);
  SortDirection direction = sortDirection_;
  if (mode == sortMode_)
    direction = direction == SortDirection::Ascending ? SortDirection::Descending
                                                      : SortDirection::Ascending;
  return sort(mode, direction, searching, states, texts);
}

// The lock is held throughout: keys are built from the records in place, and a search would
// move them. Every allocation comes before the rows change, so a sort that runs out of memory
// leaves the rows as they were. The rows are rewritten only when each record has one; otherwise
// the new order is kept in the records' row positions alone.
bool ResultStore::sortRows(const std::vector<uint8_t>& savedStates, ListStates* states,
                           const TextLookup& texts) {
  std::vector<uint8_t> givenBack;
  try {
    std::lock_guard guard(lock_);
    saveListStatesLocked(savedStates);
    std::vector<uint32_t> order = recordOffsetsLocked();
    if (sortMode_ == SortMode::Type)
      for (uint32_t offset : order)
        if (recordAtLocked(offset).typeText()[0] == '\0')
          fillTypeTextLocked(recordAtLocked(offset), texts);
    if (sortMode_ != SortMode::Unsorted && order.size() > 1) {
      std::vector<std::string_view> folderPaths;
      if (sortMode_ == SortMode::Path) {
        folderPaths.reserve(std::size_t{folders_.count()} + 1);
        folderPaths.emplace_back();
        for (std::size_t offset = 0; offset < folders_.used();) {
          const FolderRecord folder(folders_.data() + offset);
          folderPaths.emplace_back(folder.path());
          offset += folder.length();
        }
      }
      if (!sortByKeys(order, records_.data(), folderPaths, sortMode_, sortDirection_)) return false;
    }
    const bool rewriteRows = order.size() == rows_.count();
    if (rewriteRows) givenBack.resize(order.size());
    for (uint32_t row = 0; row < order.size(); ++row) {
      const ResultRecord record = recordAtLocked(order[row]);
      record.setRowPosition(row);
      if (!rewriteRows) continue;
      storeField(rows_.data() + std::size_t{row} * sizeof(uint32_t), order[row]);
      givenBack[row] = record.listState();
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (states != nullptr)
    for (uint32_t row = 0; row < givenBack.size(); ++row) states->setState(row, givenBack[row]);
  return true;
}

}  // namespace ostrya

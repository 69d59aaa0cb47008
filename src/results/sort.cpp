// portable: no platform headers.
#include "results/result_store.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace ostrya {
namespace {

// Every key is this long at most.
constexpr std::size_t kKeyLength = 519;

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

// A key is a line of blanks with fields placed at columns; it ends right after its last field,
// so a short field sorts before a longer one that starts alike. The key is never built: its bytes
// are read from the fields, which point into the records (or, for digits and letters, into the
// key itself), so sorting a row costs no more memory than its entry.
class SortKey {
 public:
  SortKey() = default;
  SortKey(const SortKey&) = delete;
  SortKey& operator=(const SortKey&) = delete;

  // Cut so that the key ends by its last column, even when the field starts beyond it. Fields
  // are placed left to right; where one starts inside the one before, it covers the rest of it.
  void place(std::size_t column, std::string_view field) {
    column = std::min(column, kKeyLength);
    const std::size_t length = std::min(field.size(), kKeyLength - column);
    for (int i = 0; i < count_; ++i)
      fields_[i].text = fields_[i].text.substr(0, column - std::min(column, fields_[i].column));
    if (count_ < kMostFields) fields_[count_++] = {column, field.substr(0, length)};
    end_ = column + length;
  }

  // A copy of a field that does not outlive the key's writer; one per key.
  std::string_view keep(std::string_view text) {
    const std::size_t length = std::min(text.size(), sizeof kept_);
    text.copy(kept_, length);
    return {kept_, length};
  }

  std::size_t length() const { return end_; }

  // The bytes from `position` (inside the key) that come from one source: a field's text, or
  // blanks (no text) up to the next field or the key's end.
  struct Run {
    const char* text;
    std::size_t length;
  };
  Run runAt(std::size_t position) const {
    for (int i = 0; i < count_; ++i) {
      const Field& field = fields_[i];
      if (position < field.column) return {nullptr, field.column - position};
      if (position - field.column < field.text.size())
        return {field.text.data() + (position - field.column),
                field.text.size() - (position - field.column)};
    }
    return {nullptr, end_ - position};
  }

  // The key's bytes from `from` to its end.
  void copy(std::size_t from, std::string& out) const {
    out.assign(end_ > from ? end_ - from : 0, ' ');
    for (int i = 0; i < count_; ++i) {
      const Field& field = fields_[i];
      const std::size_t fieldEnd = std::min(field.column + field.text.size(), end_);
      for (std::size_t at = std::max(field.column, from); at < fieldEnd; ++at)
        out[at - from] = field.text[at - field.column];
    }
  }

 private:
  struct Field {
    std::size_t column;
    std::string_view text;
  };
  static constexpr int kMostFields = 3;
  Field fields_[kMostFields] = {};
  int count_ = 0;
  std::size_t end_ = 1;
  char kept_[24] = {};
};

std::string_view typeTextOf(const ResultRecord& record) {
  const char* text = record.typeText();
  const void* end = std::memchr(text, '\0', result_layout::kTypeTextSize);
  return {text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text)
                    : result_layout::kTypeTextSize};
}

// The raw DOS fields (year counted from 1980, seconds halved): the digits only have to sort.
std::string_view timeDigits(SortKey& key, const ResultRecord& record) {
  const unsigned date = record.date();
  const unsigned time = record.time();
  const unsigned fields[] = {date >> 9,  (date >> 5) & 0xF,  date & 0x1F,
                             time >> 11, (time >> 5) & 0x3F, time & 0x1F};
  char digits[kTimeWidth];
  char* at = digits;
  // The year takes four digits, every other field two.
  for (unsigned i = 0; i < 6; ++i) {
    if (i == 0) {
      *at++ = '0';
      *at++ = static_cast<char>('0' + fields[0] / 100);
    }
    *at++ = static_cast<char>('0' + fields[i] / 10 % 10);
    *at++ = static_cast<char>('0' + fields[i] % 10);
  }
  return key.keep({digits, sizeof digits});
}

std::size_t sizeDigitCount(uint64_t size) {
  std::size_t count = 1;
  for (; size >= 10; size /= 10) ++count;
  return count;
}

std::string_view sizeDigits(SortKey& key, uint64_t size) {
  char digits[24];
  const auto written = std::to_chars(digits, digits + sizeof digits, size);
  return key.keep({digits, static_cast<std::size_t>(written.ptr - digits)});
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
      key.place(1, timeDigits(key, record));
      key.place(kTimeWidth + 1, name.base);
      key.place(kTimeWidth + measures.longestName + 1, name.extension);
      break;
    case SortMode::Size: {
      // An unknown size leaves only a blank: such records tie and precede every sized one.
      if (record.size() == kUnknownSize) {
        key.place(1, " ");
        break;
      }
      const std::string_view size = sizeDigits(key, record.size());
      const std::size_t column = measures.longestSize + 1;
      key.place(column - size.size(), size);
      key.place(column, name.base);
      key.place(column + measures.largestExtensionPosition, name.extension);
      break;
    }
    case SortMode::Attributes:
      key.place(1, key.keep(attributeLetters(record.attributes())));
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

// Compares two keys from `position` (past the group) on, byte by byte through the upper-case table,
// a run at a time: blanks against blanks and a text against itself (one folder's path) need no
// look.
int compareUpperCase(const SortKey& a, const SortKey& b, std::size_t position) {
  const unsigned char* upper = platform::ansiUpperTable();
  for (;;) {
    // No key holds a zero byte: the one that ends first sorts first.
    const bool aEnded = position >= a.length();
    const bool bEnded = position >= b.length();
    if (aEnded || bEnded) return aEnded == bEnded ? 0 : aEnded ? -1 : 1;
    const SortKey::Run runA = a.runAt(position);
    const SortKey::Run runB = b.runAt(position);
    const std::size_t length = std::min(runA.length, runB.length);
    if (runA.text != runB.text) {
      for (std::size_t i = 0; i < length; ++i) {
        const auto byteA = static_cast<unsigned char>(runA.text ? runA.text[i] : ' ');
        const auto byteB = static_cast<unsigned char>(runB.text ? runB.text[i] : ' ');
        if (byteA != byteB && upper[byteA] != upper[byteB]) return upper[byteA] - upper[byteB];
      }
    }
    position += length;
  }
}

// One row to sort: its record and the first bytes of its key's order, read as two big-endian
// numbers so that comparing them compares the bytes. The first byte is the group's rank; the
// rest begin the sort key of what follows the group character, inverted in a descending group so
// that the comparison gives the row order directly.
struct SortEntry {
  static constexpr std::size_t kPrefixLength = 12;
  uint64_t prefixHigh = 0;
  uint32_t prefixLow = 0;
  uint32_t offset = 0;

  void setPrefix(const uint8_t (&bytes)[kPrefixLength]) {
    prefixHigh = 0;
    for (int i = 0; i < 8; ++i) prefixHigh = prefixHigh << 8 | bytes[i];
    prefixLow = 0;
    for (int i = 8; i < 12; ++i) prefixLow = prefixLow << 8 | bytes[i];
  }
  int comparePrefix(const SortEntry& other) const {
    if (prefixHigh != other.prefixHigh) return prefixHigh < other.prefixHigh ? -1 : 1;
    if (prefixLow != other.prefixLow) return prefixLow < other.prefixLow ? -1 : 1;
    return 0;
  }
};
// The first character of a key is its group: a blank for folders and 'Z' for the other records
// ascending, 'X' and 'Y' descending. A blank sorts before 'Z' and 'X' before 'Y', so folders come
// first in both directions, and within a descending group the comparison is reversed. Keys are
// compared from past the group, whose rank leads the prefix instead.
enum GroupRank : uint8_t { kRankFolders, kRankFiles };

// The positions of the keys' bytes (past the group) that decide their order, on a platform whose
// sort key is the upper-case text: the first few at which not every key holds the same byte.
// Keys agree everywhere else before the last of them, so the prefix skips what every row shares
// (a common folder, the blanks after the longest type) and a tie is decided from past the last.
class DecidingPositions {
 public:
  static constexpr std::size_t kMost = SortEntry::kPrefixLength - 1;

  // Positions before `from` are known to be alike in every key looked at.
  explicit DecidingPositions(std::size_t from = 1) : from_(from) {}

  // Notes where `key` differs from `first`, as far as can still matter.
  void compare(const SortKey& key, const SortKey& first) {
    for (std::size_t position = from_; position < bound();) {
      const bool keyEnded = position >= key.length();
      const bool firstEnded = position >= first.length();
      if (keyEnded && firstEnded) return;
      if (keyEnded || firstEnded) {
        // A byte against the end of the other key.
        const std::size_t end = std::max(key.length(), first.length());
        for (; position < std::min(bound(), end); ++position) mark(position);
        return;
      }
      const SortKey::Run run = key.runAt(position);
      const SortKey::Run firstRun = first.runAt(position);
      const std::size_t length = std::min({run.length, firstRun.length, bound() - position});
      if (run.text != firstRun.text)
        for (std::size_t i = 0; i < length; ++i)
          if (foldedByte(run, i) != foldedByte(firstRun, i)) mark(position + i);
      position += length;
    }
  }

  std::size_t count() const { return count_; }
  std::size_t operator[](std::size_t i) const { return positions_[i]; }
  // Where a comparison of two keys with equal prefixes begins.
  std::size_t tieStart() const { return count_ == kMost ? positions_[kMost - 1] + 1 : kKeyLength; }

  static unsigned char foldedByte(const SortKey::Run& run, std::size_t i) {
    return platform::ansiUpperTable()[static_cast<unsigned char>(run.text ? run.text[i] : ' ')];
  }

 private:
  // Positions from here on no longer matter once the first kMost are known.
  std::size_t bound() const { return count_ == kMost ? positions_[kMost - 1] : kKeyLength; }

  void mark(std::size_t position) {
    if (position >= bound()) return;
    std::size_t at = count_;
    while (at > 0 && positions_[at - 1] > position) --at;
    if (at > 0 && positions_[at - 1] == position) return;
    if (count_ < kMost) ++count_;
    for (std::size_t i = count_ - 1; i > at; --i) positions_[i] = positions_[i - 1];
    positions_[at] = static_cast<uint16_t>(position);
  }

  std::size_t from_;
  uint16_t positions_[kMost] = {};
  std::size_t count_ = 0;
};

class RowOrder {
 public:
  RowOrder(uint8_t* area, const std::vector<std::string_view>& folderPaths, SortMode mode,
           SortDirection direction, const Measures& measures)
      : area_(area),
        folderPaths_(folderPaths),
        mode_(mode),
        descending_(direction == SortDirection::Descending),
        measures_(measures) {}

  // Orders the rows. Where the sort key is the upper-case text, rows are first ordered by their
  // prefixes alone; a long run of rows whose prefixes tie gets prefixes from further along its
  // keys and is ordered again, a short one is ordered by whole keys. Elsewhere the whole keys
  // decide every tie at once.
  void sort(SortEntry* begin, SortEntry* end, std::size_t from = 1) {
    fillPrefixes(begin, end, from);
    if (!platform::kSortKeyIsUpperCase) {
      std::sort(begin, end, std::ref(*this));
      return;
    }
    std::sort(begin, end, [](const SortEntry& a, const SortEntry& b) {
      const int order = a.comparePrefix(b);
      return order != 0 ? order < 0 : a.offset < b.offset;
    });
    // A long run's sort replaces the deciding positions; a short one's needs this level's.
    const DecidingPositions level = deciding_;
    for (SortEntry* run = begin; run != end;) {
      SortEntry* runEnd = run + 1;
      while (runEnd != end && runEnd->comparePrefix(*run) == 0) ++runEnd;
      if (runEnd - run >= kLongRun && level.tieStart() < kKeyLength) {
        sort(run, runEnd, level.tieStart());
      } else if (runEnd - run > 1 && level.tieStart() < kKeyLength) {
        // A run whose keys agree past the deciding positions is in its order already.
        deciding_ = level;
        std::sort(run, runEnd, std::ref(*this));
      }
      run = runEnd;
    }
  }

  // Equal keys keep the order found, whichever the direction.
  bool operator()(const SortEntry& a, const SortEntry& b) {
    int order = a.comparePrefix(b);
    if (order == 0) order = descending_ ? -compareKeys(a, b) : compareKeys(a, b);
    return order != 0 ? order < 0 : a.offset < b.offset;
  }

 private:
  // Rows whose prefixes tie that are worth new prefixes rather than whole-key comparisons.
  static constexpr std::ptrdiff_t kLongRun = 32;

  // Fills the prefixes of the rows: on a platform whose sort key is the upper-case text, from
  // the deciding positions at or after `from` (a first pass finds them), elsewhere from the
  // sort key's first bytes.
  void fillPrefixes(SortEntry* begin, SortEntry* end, std::size_t from) {
    if (platform::kSortKeyIsUpperCase) {
      deciding_ = DecidingPositions(from);
      const ResultRecord firstRecord(area_ + begin->offset);
      SortKey first;
      writeKey(first, mode_, firstRecord, measures_, folderPathOf(firstRecord));
      for (const SortEntry* entry = begin; entry != end; ++entry) {
        const ResultRecord record(area_ + entry->offset);
        SortKey key;
        writeKey(key, mode_, record, measures_, folderPathOf(record));
        deciding_.compare(key, first);
      }
    }
    for (SortEntry* entry = begin; entry != end; ++entry) fillPrefix(*entry);
  }

  void fillPrefix(SortEntry& entry) {
    const ResultRecord record(area_ + entry.offset);
    SortKey key;
    writeKey(key, mode_, record, measures_, folderPathOf(record));
    uint8_t prefix[SortEntry::kPrefixLength] = {};
    prefix[0] = record.isFolder() ? kRankFolders : kRankFiles;
    if (platform::kSortKeyIsUpperCase) {
      for (std::size_t i = 0; i < deciding_.count(); ++i) {
        const std::size_t position = deciding_[i];
        if (position < key.length())
          prefix[i + 1] = DecidingPositions::foldedByte(key.runAt(position), 0);
      }
    } else {
      key.copy(1, text_);
      platform::sortKeyIgnoreCase(text_.data(), text_.size(), sortKey_);
      std::memcpy(prefix + 1, sortKey_.data(),
                  std::min(sortKey_.size(), SortEntry::kPrefixLength - 1));
    }
    if (descending_)
      for (std::size_t i = 1; i < SortEntry::kPrefixLength; ++i) prefix[i] ^= 0xFF;
    entry.setPrefix(prefix);
  }

  std::string_view folderPathOf(const ResultRecord& record) const {
    const uint32_t folder = record.folderNumber();
    return folder < folderPaths_.size() ? folderPaths_[folder] : "";
  }

  // The whole keys of two rows of one group whose prefixes tie.
  int compareKeys(const SortEntry& a, const SortEntry& b) {
    const ResultRecord recordA(area_ + a.offset);
    const ResultRecord recordB(area_ + b.offset);
    SortKey keyA;
    SortKey keyB;
    writeKey(keyA, mode_, recordA, measures_, folderPathOf(recordA));
    writeKey(keyB, mode_, recordB, measures_, folderPathOf(recordB));
    if (platform::kSortKeyIsUpperCase) return compareUpperCase(keyA, keyB, deciding_.tieStart());
    keyA.copy(1, text_);
    platform::sortKeyIgnoreCase(text_.data(), text_.size(), sortKey_);
    keyB.copy(1, text_);
    platform::sortKeyIgnoreCase(text_.data(), text_.size(), otherSortKey_);
    return sortKey_.compare(otherSortKey_);
  }

  uint8_t* area_;
  const std::vector<std::string_view>& folderPaths_;
  SortMode mode_;
  bool descending_;
  const Measures& measures_;
  DecidingPositions deciding_;
  std::string text_;
  std::string sortKey_;
  std::string otherSortKey_;
};

Measures measure(const uint8_t* area, const std::vector<SortEntry>& entries) {
  Measures measures;
  for (const SortEntry& entry : entries) {
    const ResultRecord record(const_cast<uint8_t*>(area) + entry.offset);
    const NameParts name = splitName(record);
    measures.longestBase = std::max(measures.longestBase, name.base.size());
    measures.longestExtension = std::max(measures.longestExtension, name.extension.size());
    measures.longestName = std::max(measures.longestName, std::strlen(record.name()));
    if (record.size() != kUnknownSize)
      measures.longestSize = std::max(measures.longestSize, sizeDigitCount(record.size()));
    measures.largestExtensionPosition =
        std::max<std::size_t>(measures.largestExtensionPosition, record.extensionPosition());
  }
  return measures;
}

// Orders the entries' records by their keys. The comparison is a strict order on every platform
// (sort keys compared byte by byte, ties broken by the order found), so an introsort is safe and
// the sort needs no buffer beyond the entries.
void sortByKeys(std::vector<SortEntry>& entries, uint8_t* area,
                const std::vector<std::string_view>& folderPaths, SortMode mode,
                SortDirection direction) {
  const Measures measures = measure(area, entries);
  RowOrder order(area, folderPaths, mode, direction, measures);
  order.sort(entries.data(), entries.data() + entries.size());
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

// The lock is held throughout: keys are read from the records in place, and a search would
// move them. Every allocation comes before the rows change, so a sort that runs out of memory
// leaves the rows as they were. The rows are rewritten only when each record has one; otherwise
// the new order is kept in the records' row positions alone.
bool ResultStore::sortRows(const std::vector<uint8_t>& savedStates, ListStates* states,
                           const TextLookup& texts) {
  std::vector<uint8_t> givenBack;
  try {
    std::lock_guard guard(lock_);
    saveListStatesLocked(savedStates);
    if (sortMode_ == SortMode::Type)
      forEachRecordOffsetLocked([&](uint32_t offset) {
        if (recordAtLocked(offset).typeText()[0] == '\0')
          fillTypeTextLocked(recordAtLocked(offset), texts);
      });
    // Sorted rows come from the entries, found order from the offsets alone.
    std::vector<SortEntry> entries;
    std::vector<uint32_t> foundOrder;
    if (sortMode_ != SortMode::Unsorted && records_.count() > 1) {
      entries.reserve(records_.count());
      forEachRecordOffsetLocked([&](uint32_t offset) { entries.push_back({.offset = offset}); });
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
      sortByKeys(entries, records_.data(), folderPaths, sortMode_, sortDirection_);
    } else {
      foundOrder = recordOffsetsLocked();
    }
    const std::size_t count = entries.empty() ? foundOrder.size() : entries.size();
    const bool rewriteRows = count == rows_.count();
    if (rewriteRows) givenBack.resize(count);
    for (uint32_t row = 0; row < count; ++row) {
      const uint32_t offset = entries.empty() ? foundOrder[row] : entries[row].offset;
      const ResultRecord record = recordAtLocked(offset);
      record.setRowPosition(row);
      if (!rewriteRows) continue;
      storeField(rows_.data() + std::size_t{row} * sizeof(uint32_t), offset);
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

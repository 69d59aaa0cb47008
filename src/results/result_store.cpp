// portable: no platform headers.
#include "results/result_store.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "foundation/path_text.h"
#include "platform/path.h"

namespace ostrya {
namespace {

// A record shorter than its header would stall or derail every walk of the area by lengths.
constexpr std::size_t kMinResultLength = result_layout::kName + 1;

// Folders count as folders only; a size that is not known adds nothing rather than wrapping the
// byte count.
void countRecord(Totals& totals, const ResultRecord& record) {
  if (record.isFolder()) {
    ++totals.folders;
    return;
  }
  ++totals.files;
  if (record.size() != kUnknownSize) totals.bytes += record.size();
}

}  // namespace

void ResultStore::reset() {
  std::lock_guard guard(lock_);
  rows_.reset();
  records_.reset();
  folders_.reset();
  folderOffsets_.clear();
  folderIndex_.clear();
  indexedFolders_ = 0;
  publishedEnd_ = 0;
}

uint32_t ResultStore::appendFolder(const char* path, uint16_t archivePathLength) {
  uint8_t builder[kRecordBuilderSize];
  const std::size_t length = buildFolderRecord(builder, path, archivePathLength);
  if (length == 0) return 0;
  std::lock_guard guard(lock_);
  const auto offset = static_cast<uint32_t>(folders_.used());
  try {
    folderOffsets_.push_back(offset);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (folders_.append(builder, length)) return folders_.count();
  folderOffsets_.pop_back();
  return 0;
}

bool ResultStore::appendRecord(const uint8_t* record) {
  const auto length = loadField<uint16_t>(record + result_layout::kLength);
  if (length < kMinResultLength) return false;
  std::lock_guard guard(lock_);
  return records_.append(record, length);
}

std::size_t ResultStore::recordMark() {
  std::lock_guard guard(lock_);
  return records_.used();
}

// Rows continue from the end of the last publication, which is where the walk took its mark. A
// mark taken before a rebuild replaced the area would point into the middle of some other record,
// so the store's own end, known to start a record, is used. An area without storage has nothing
// to publish. When the row table cannot grow, the records left over get their rows at the next
// publication.
void ResultStore::publishRows(std::size_t /*mark*/) {
  std::lock_guard guard(lock_);
  while (publishedEnd_ < records_.used()) {
    const auto row = static_cast<uint32_t>(publishedEnd_);
    if (!rows_.append(&row, sizeof row)) return;
    publishedEnd_ += recordAtLocked(row).length();
  }
}

uint32_t ResultStore::rowCount() {
  std::lock_guard guard(lock_);
  return rows_.count();
}

uint32_t ResultStore::recordCount() {
  std::lock_guard guard(lock_);
  return records_.count();
}

ResultRecord ResultStore::recordOfRowLocked(uint32_t row) {
  if (row >= rows_.count()) return ResultRecord(nullptr);
  return recordAtLocked(loadField<uint32_t>(rows_.data() + std::size_t{row} * sizeof(uint32_t)));
}

// Folder records are never removed, so counting them from the start finds the k-th.
uint32_t ResultStore::folderNumberOf(const char* path, uint16_t archivePathLength, bool& appended) {
  appended = false;
  try {
    std::lock_guard guard(lock_);
    // Archive entries name their folders anew for every entry: an index keeps that from
    // scanning every folder of the run each time. The first record of a path is its number.
    for (; indexedFolders_ < folderOffsets_.size(); ++indexedFolders_) {
      const auto number = static_cast<uint32_t>(indexedFolders_ + 1);
      folderIndex_.try_emplace(folderRecordLocked(number).path(), number);
    }
    const auto found = folderIndex_.find(path);
    if (found != folderIndex_.end()) return found->second;
  } catch (const std::bad_alloc&) {
    // Without memory for the index the folder is looked for record by record.
    std::lock_guard guard(lock_);
    for (std::size_t number = 1; number <= folderOffsets_.size(); ++number)
      if (std::strcmp(folderRecordLocked(static_cast<uint32_t>(number)).path(), path) == 0)
        return static_cast<uint32_t>(number);
  }
  // Only the search thread appends, so nobody adds the folder between the lookup and here.
  const uint32_t number = appendFolder(path, archivePathLength);
  appended = number != 0;
  return number;
}

FolderRecord ResultStore::folderRecordLocked(uint32_t folderNumber) {
  if (folderNumber == 0 || folderNumber > folders_.count()) return FolderRecord(nullptr);
  return FolderRecord(folders_.data() + folderOffsets_[folderNumber - 1]);
}

void ResultStore::forEachRecordOffsetLocked(const std::function<void(uint32_t)>& visit) const {
  for (std::size_t offset = 0; offset < records_.used();
       offset += loadField<uint16_t>(records_.data() + offset + result_layout::kLength))
    visit(static_cast<uint32_t>(offset));
}

std::vector<uint32_t> ResultStore::recordOffsetsLocked() const {
  std::vector<uint32_t> offsets;
  offsets.reserve(records_.count());
  forEachRecordOffsetLocked([&](uint32_t offset) { offsets.push_back(offset); });
  return offsets;
}

// A record whose folder is unknown is asked for by its bare name.
std::string ResultStore::joinedPathLocked(const ResultRecord& record) {
  const FolderRecord folder = folderRecordLocked(record.folderNumber());
  if (folder.bytes() == nullptr) return record.name();
  return joinedPath(folder.path(), record.name());
}

// An archive entry cannot be run, copied or deleted by itself, so its path is that of the
// archive, the first part of its folder's path.
std::string ResultStore::fullPathOfRow(uint32_t row) {
  try {
    std::lock_guard guard(lock_);
    const ResultRecord record = recordOfRowLocked(row);
    if (record.bytes() == nullptr) return {};
    const FolderRecord folder = folderRecordLocked(record.folderNumber());
    if (folder.bytes() == nullptr) return {};
    const std::string_view path = folder.path();
    if (folder.archivePathLength() != 0)
      return std::string(path.substr(0, folder.archivePathLength()));
    return joinedPath(path, record.name());
  } catch (const std::bad_alloc&) {
    return {};
  }
}

// A found folder opens itself; anything else opens the folder it lies in.
std::string ResultStore::folderOfRow(uint32_t row) {
  try {
    std::string fullPath;
    std::string folderPath;
    {
      std::lock_guard guard(lock_);
      const ResultRecord record = recordOfRowLocked(row);
      if (record.bytes() == nullptr) return {};
      const FolderRecord folder = folderRecordLocked(record.folderNumber());
      if (folder.bytes() == nullptr) return {};
      const std::string_view path = folder.path();
      if (folder.archivePathLength() != 0)
        return parentOf(path.substr(0, folder.archivePathLength()));
      fullPath = joinedPath(path, record.name());
      folderPath = path;
    }
    // Asked outside the lock: the file system may be slow and the search must not wait for it.
    return platform::isDirectory(fullPath.c_str()) ? fullPath : folderPath;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::vector<uint8_t> ResultStore::readListStates(ListStates* states) {
  std::vector<uint8_t> saved;
  if (states == nullptr) return saved;
  saved.resize(rowCount());
  for (uint32_t row = 0; row < saved.size(); ++row)
    saved[row] = states->state(row) & (kStateFocused | kStateSelected);
  return saved;
}

// Rows published after the states were read have none to save and keep what they hold.
void ResultStore::saveListStatesLocked(const std::vector<uint8_t>& states) {
  const auto rows = static_cast<uint32_t>(std::min<std::size_t>(states.size(), rows_.count()));
  for (uint32_t row = 0; row < rows; ++row) recordOfRowLocked(row).setListState(states[row]);
}

Totals ResultStore::selectionTotals(ListStates* states) {
  Totals totals;
  try {
    const std::vector<uint8_t> saved = readListStates(states);
    std::lock_guard guard(lock_);
    saveListStatesLocked(saved);
    for (uint32_t row = 0; row < rows_.count(); ++row) {
      const ResultRecord record = recordOfRowLocked(row);
      if ((record.listState() & kStateSelected) == 0) continue;
      countRecord(totals, record);
      if (!record.isFolder() && (record.attributes() & kRecInArchive) != 0) ++totals.archiveEntries;
    }
  } catch (const std::bad_alloc&) {
    return {};
  }
  return totals;
}

// Records the search has appended but not yet published go along unchanged: no row showed them,
// so nobody can have chosen them, and the search publishes them from the new end.
bool ResultStore::rebuildLocked(const std::function<const uint8_t*(const ResultRecord&)>& choose,
                                Totals& kept) {
  GrowableArea records;
  GrowableArea rows;
  Totals counted;
  std::size_t publishedEnd = 0;
  for (std::size_t offset = 0; offset < records_.used();) {
    const ResultRecord record = recordAtLocked(static_cast<uint32_t>(offset));
    const bool published = offset < publishedEnd_;
    offset += record.length();
    const uint8_t* bytes = published ? choose(record) : record.bytes();
    if (bytes == nullptr) continue;
    const auto newOffset = static_cast<uint32_t>(records.used());
    if (!records.append(bytes, loadField<uint16_t>(bytes + result_layout::kLength))) return false;
    if (!published) continue;
    if (!rows.append(&newOffset, sizeof newOffset)) return false;
    publishedEnd = records.used();
    countRecord(counted, ResultRecord(records.data() + newOffset));
  }
  records_ = std::move(records);
  rows_ = std::move(rows);
  publishedEnd_ = publishedEnd;
  kept = counted;
  return true;
}

// The states are saved before the rows change, so that the caller's keep() sees the selection
// and the sort afterwards gives the kept rows their own states back.
Totals ResultStore::rebuildKeeping(const std::function<bool(const ResultRecord&)>& keep,
                                   ListStates* states, const TextLookup& texts) {
  Totals kept;
  try {
    const std::vector<uint8_t> saved = readListStates(states);
    {
      std::lock_guard guard(lock_);
      saveListStatesLocked(saved);
      const auto keptBytes = [&keep](const ResultRecord& record) -> const uint8_t* {
        return keep(record) ? record.bytes() : nullptr;
      };
      if (!rebuildLocked(keptBytes, kept)) {
        // Nothing was removed: the totals are those of the rows still shown.
        kept = {};
        for (uint32_t row = 0; row < rows_.count(); ++row)
          countRecord(kept, recordOfRowLocked(row));
        return kept;
      }
    }
    sortRows({}, states, texts);
  } catch (const std::bad_alloc&) {
  }
  return kept;
}

// The icon and the type text follow from the name, so the new copy looks them up again; the
// extension position is taken from the new name.
bool ResultStore::rebuildRenamed(uint32_t row, const char* newName, ListStates* states,
                                 const TextLookup& texts) {
  try {
    const std::vector<uint8_t> saved = readListStates(states);
    {
      std::lock_guard guard(lock_);
      saveListStatesLocked(saved);
      const ResultRecord old = recordOfRowLocked(row);
      if (old.bytes() == nullptr) return false;
      uint8_t builder[kRecordBuilderSize];
      const ResultFields fields{.extensionPosition = extensionPositionOfName(newName),
                                .folderNumber = old.folderNumber(),
                                .size = old.size(),
                                .attributes = old.attributes(),
                                .date = old.date(),
                                .time = old.time()};
      if (buildResultRecord(builder, fields, newName) == 0) return false;
      ResultRecord(builder).setListState(old.listState());
      const auto renamedBytes = [&old, &builder](const ResultRecord& record) -> const uint8_t* {
        return record.bytes() == old.bytes() ? builder : record.bytes();
      };
      Totals unused;
      if (!rebuildLocked(renamedBytes, unused)) return false;
    }
    sortRows({}, states, texts);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace ostrya

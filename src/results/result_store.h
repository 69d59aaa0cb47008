// portable: no platform headers.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/text_lookup.h"
#include "results/growable_area.h"
#include "results/records.h"
#include "results/totals.h"

namespace ostrya {

enum class SortMode : uint16_t { Name, Extension, Time, Size, Attributes, Type, Path, Unsorted };
enum class SortDirection : uint16_t { Ascending, Descending };

// Columns of the result list, as a header click reports them.
enum class Column { Name, Size, Modified, Attributes, Path, Type };

// The list view's per-row state (focused, selected), which a sort saves into the records and
// gives back to the rows. A store without a list view passes none.
class ListStates {
 public:
  virtual ~ListStates() = default;
  virtual uint8_t state(uint32_t row) const = 0;
  virtual void setState(uint32_t row, uint8_t state) = 0;
};

// Everything one search found: result records, the folder records they live in, and the row
// order of the list. The search thread appends; the user interface reads at any time. Every
// method takes the lock itself unless its name ends in "Locked": those expect the caller to hold
// lock() (the records they hand out stay valid only while it is held).
class ResultStore {
 public:
  std::mutex& lock() { return lock_; }

  // --- search side ---
  // Empties the store for a new run; the areas keep their storage.
  void reset();
  // Appends a folder record; returns its folder number (from 1), or 0 when it could not be kept.
  uint32_t appendFolder(const char* path, uint16_t archivePathLength);
  // The number of the folder record whose path is exactly `path` (byte for byte), appended when
  // there is none; `appended` says which. 0 when it could not be kept.
  uint32_t folderNumberOf(const char* path, uint16_t archivePathLength, bool& appended);
  // Appends a record assembled by buildResultRecord; false when memory could not be had.
  bool appendRecord(const uint8_t* record);
  // Used bytes of the record area: the mark from which publishRows makes rows.
  std::size_t recordMark();
  // Adds a row for every record appended since the mark (the end of the last publication), in
  // record-area order.
  void publishRows(std::size_t mark);

  // --- reading ---
  uint32_t rowCount();
  uint32_t recordCount();
  // The record of row r; null bytes when r is not a row.
  ResultRecord recordOfRowLocked(uint32_t row);
  // The k-th folder record (from 1); null bytes when there is none.
  FolderRecord folderRecordLocked(uint32_t folderNumber);
  // The path file operations act on: the file itself, or for an archive entry its archive.
  std::string fullPathOfRow(uint32_t row);
  // The folder that holds the row (for an archive entry: the folder of its archive).
  std::string folderOfRow(uint32_t row);
  // The row's type description, filled on first need.
  std::string typeTextOfRow(uint32_t row, const TextLookup& texts);
  const char* typeTextLocked(const ResultRecord& record, const TextLookup& texts);
  // Folder path, separator and name, as the shell knows the file.
  std::string joinedPathLocked(const ResultRecord& record);

  // --- sorting ---
  SortMode sortMode() const { return sortMode_; }
  SortDirection sortDirection() const { return sortDirection_; }
  // A new run shows its rows in the order found (Unsorted) without sorting anything.
  void setSortMode(SortMode mode) { sortMode_ = mode; }
  // Sorts the rows; false when refused (a search runs) or memory could not be had.
  // `states` may be null.
  bool sort(SortMode mode, SortDirection direction, bool searching, ListStates* states,
            const TextLookup& texts);
  // A click on a column header: Name's left half sorts by name, its right half by extension;
  // the same mode again flips the direction.
  bool headerClick(Column column, bool rightHalfOfName, bool searching, ListStates* states,
                   const TextLookup& texts);

  // --- selection ---
  // Counts the rows whose saved list state is selected (after saving the states when given).
  Totals selectionTotals(ListStates* states);

  // --- after file operations ---
  // Keeps the rows for which keep(record) is true; rows follow the record-area order and are
  // sorted again with the current mode. Returns the totals of what was kept (folders, files,
  // bytes), which replace the result totals after a delete.
  Totals rebuildKeeping(const std::function<bool(const ResultRecord&)>& keep, ListStates* states,
                        const TextLookup& texts);
  // Replaces the row's record by a copy with a new name (after a rename or a move).
  bool rebuildRenamed(uint32_t row, const char* newName, ListStates* states,
                      const TextLookup& texts);

 private:
  // Offsets of all records, in area order.
  std::vector<uint32_t> recordOffsetsLocked() const;
  void forEachRecordOffsetLocked(const std::function<void(uint32_t)>& visit) const;
  ResultRecord recordAtLocked(uint32_t offset) { return ResultRecord(records_.data() + offset); }
  void fillTypeTextLocked(const ResultRecord& record, const TextLookup& texts);
  // The list view's states of all rows, read outside the lock: handing them back makes the list
  // view notify its owner, which takes the lock again.
  std::vector<uint8_t> readListStates(ListStates* states);
  void saveListStatesLocked(const std::vector<uint8_t>& states);
  // Sorts with the current mode and direction, then hands the rows their states back.
  bool sortRows(const std::vector<uint8_t>& savedStates, ListStates* states,
                const TextLookup& texts);
  // Replaces the record area by a copy in which every published record is what `choose` gives
  // for it (null drops it); rows follow the new area's order. False leaves everything as it was.
  bool rebuildLocked(const std::function<const uint8_t*(const ResultRecord&)>& choose,
                     Totals& kept);

  std::mutex lock_;
  GrowableArea rows_;     // 32-bit offsets into records_, in row order
  GrowableArea records_;  // result records, in the order found
  GrowableArea folders_;  // folder records, in the order created
  // Where each folder record starts, so that the rows of many folders find theirs at once.
  std::vector<uint32_t> folderOffsets_;
  // Folder paths to the first record of each, for folderNumberOf; covers the first
  // indexedFolders_ records, the rest are added when it next looks.
  std::unordered_map<std::string, uint32_t> folderIndex_;
  std::size_t indexedFolders_ = 0;
  std::size_t publishedEnd_ = 0;  // records_ below this offset have rows
  SortMode sortMode_ = SortMode::Unsorted;
  SortDirection sortDirection_ = SortDirection::Ascending;
};

}  // namespace ostrya

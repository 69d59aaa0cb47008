// Fills a result store the way a search does, and stands in for the list view's row states.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "results/records.h"
#include "results/result_store.h"

namespace ostrya::test {

struct Found {
  std::string name;
  uint64_t size = 0;
  uint16_t attributes = 0;
  uint16_t date = 0;
  uint16_t time = 0;
};

constexpr uint16_t dosDate(unsigned year, unsigned month, unsigned day) {
  return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
}
constexpr uint16_t dosTime(unsigned hour, unsigned minute) {
  return static_cast<uint16_t>(hour << 11 | minute << 5);
}

// One folder record, its records, then one publication, as the walk does after each listing.
inline uint32_t addFolder(ResultStore& store, const char* path, const std::vector<Found>& found,
                          uint16_t archivePathLength = 0) {
  const uint32_t folder = store.appendFolder(path, archivePathLength);
  const std::size_t mark = store.recordMark();
  for (const Found& f : found) {
    uint8_t builder[kRecordBuilderSize];
    const ResultFields fields{.extensionPosition = extensionPositionOfName(f.name.c_str()),
                              .folderNumber = folder,
                              .size = f.size,
                              .attributes = f.attributes,
                              .date = f.date,
                              .time = f.time};
    if (buildResultRecord(builder, fields, f.name.c_str()) != 0) store.appendRecord(builder);
  }
  store.publishRows(mark);
  return folder;
}

inline std::vector<std::string> rowNames(ResultStore& store) {
  std::lock_guard guard(store.lock());
  std::vector<std::string> names;
  for (uint32_t row = 0;; ++row) {
    const ResultRecord record = store.recordOfRowLocked(row);
    if (record.bytes() == nullptr) return names;
    names.emplace_back(record.name());
  }
}

inline int rowOf(ResultStore& store, const std::string& name) {
  const std::vector<std::string> names = rowNames(store);
  for (std::size_t row = 0; row < names.size(); ++row)
    if (names[row] == name) return static_cast<int>(row);
  return -1;
}

class FakeListStates final : public ListStates {
 public:
  explicit FakeListStates(std::size_t rows) : states_(rows, 0) {}
  uint8_t state(uint32_t row) const override { return row < states_.size() ? states_[row] : 0; }
  void setState(uint32_t row, uint8_t state) override {
    if (row >= states_.size()) states_.resize(row + 1, 0);
    states_[row] = state;
  }

 private:
  std::vector<uint8_t> states_;
};

}  // namespace ostrya::test

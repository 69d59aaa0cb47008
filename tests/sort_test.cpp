#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "results/result_store.h"
#include "store_fill.h"

namespace ostrya {
namespace {

using test::dosDate;
using test::dosTime;
using test::Found;
using test::rowNames;

using Names = std::vector<std::string>;

// Two folders of mixed records: upper and lower case, a name without a dot, an unknown size,
// two found folders.
void fillMixed(ResultStore& store) {
  test::addFolder(store, "/work/b",
                  {
                      {"beta.txt", 300, kRecArchive, dosDate(2020, 5, 1), dosTime(10, 0)},
                      {"Alpha.doc", 20, kRecReadOnly, dosDate(2021, 1, 1), 0},
                      {"sub", 0, kRecFolder, dosDate(2019, 1, 1), 0},
                      {"gamma", 1000, 0, dosDate(2020, 5, 1), dosTime(9, 0)},
                  });
  test::addFolder(
      store, "/work/a",
      {
          {"delta.c", kUnknownSize, kRecInArchive | kRecArchive, dosDate(2018, 3, 3), 0},
          {"Zeta", 0, kRecFolder, dosDate(2023, 1, 1), 0},
          {"alpha.txt", 5, kRecReadOnly | kRecHidden, dosDate(2022, 6, 6), 0},
      });
}

const Names kFoundOrder = {"beta.txt", "Alpha.doc", "sub", "gamma", "delta.c", "Zeta", "alpha.txt"};

struct SortCase {
  SortMode mode;
  Names ascending;
  Names descending;
};

const SortCase kSortCases[] = {
    {SortMode::Name,
     {"sub", "Zeta", "Alpha.doc", "alpha.txt", "beta.txt", "delta.c", "gamma"},
     {"Zeta", "sub", "gamma", "delta.c", "beta.txt", "alpha.txt", "Alpha.doc"}},
    // A name without a dot has the empty extension and leads.
    {SortMode::Extension,
     {"sub", "Zeta", "gamma", "delta.c", "Alpha.doc", "alpha.txt", "beta.txt"},
     {"Zeta", "sub", "beta.txt", "alpha.txt", "Alpha.doc", "delta.c", "gamma"}},
    {SortMode::Time,
     {"sub", "Zeta", "delta.c", "gamma", "beta.txt", "Alpha.doc", "alpha.txt"},
     {"Zeta", "sub", "alpha.txt", "Alpha.doc", "beta.txt", "gamma", "delta.c"}},
    // The unknown size comes before every sized record ascending, after them descending.
    {SortMode::Size,
     {"sub", "Zeta", "delta.c", "alpha.txt", "Alpha.doc", "beta.txt", "gamma"},
     {"Zeta", "sub", "gamma", "beta.txt", "Alpha.doc", "alpha.txt", "delta.c"}},
    // "" < "A" < "AZ" < "R" < "RH".
    {SortMode::Attributes,
     {"sub", "Zeta", "gamma", "beta.txt", "delta.c", "Alpha.doc", "alpha.txt"},
     {"Zeta", "sub", "alpha.txt", "Alpha.doc", "delta.c", "beta.txt", "gamma"}},
    // Without shell names: C-File < DOC-File < File < TXT-File.
    {SortMode::Type,
     {"sub", "Zeta", "delta.c", "Alpha.doc", "gamma", "alpha.txt", "beta.txt"},
     {"Zeta", "sub", "beta.txt", "alpha.txt", "gamma", "Alpha.doc", "delta.c"}},
    {SortMode::Path,
     {"Zeta", "sub", "alpha.txt", "delta.c", "Alpha.doc", "beta.txt", "gamma"},
     {"sub", "Zeta", "gamma", "beta.txt", "Alpha.doc", "delta.c", "alpha.txt"}},
    {SortMode::Unsorted, kFoundOrder, kFoundOrder},
};

TEST(Sort, EveryModeInBothDirections) {
  for (const SortCase& c : kSortCases) {
    ResultStore store;
    fillMixed(store);
    const int mode = static_cast<int>(c.mode);
    ASSERT_TRUE(store.sort(c.mode, SortDirection::Ascending, false, nullptr, englishTexts()));
    EXPECT_EQ(rowNames(store), c.ascending) << "mode " << mode << " ascending";
    ASSERT_TRUE(store.sort(c.mode, SortDirection::Descending, false, nullptr, englishTexts()));
    EXPECT_EQ(rowNames(store), c.descending) << "mode " << mode << " descending";
  }
}

TEST(Sort, RowPositionsFollowTheRows) {
  ResultStore store;
  fillMixed(store);
  ASSERT_TRUE(
      store.sort(SortMode::Size, SortDirection::Descending, false, nullptr, englishTexts()));
  std::lock_guard guard(store.lock());
  for (uint32_t row = 0; row < 7; ++row) EXPECT_EQ(store.recordOfRowLocked(row).rowPosition(), row);
}

TEST(Sort, UnsortedRestoresTheFoundOrder) {
  ResultStore store;
  fillMixed(store);
  ASSERT_TRUE(
      store.sort(SortMode::Name, SortDirection::Descending, false, nullptr, englishTexts()));
  ASSERT_NE(rowNames(store), kFoundOrder);
  ASSERT_TRUE(
      store.sort(SortMode::Unsorted, SortDirection::Descending, false, nullptr, englishTexts()));
  EXPECT_EQ(rowNames(store), kFoundOrder);
}

TEST(Sort, RefusedWhileSearchingButTheChoiceSticks) {
  ResultStore store;
  fillMixed(store);
  EXPECT_FALSE(
      store.sort(SortMode::Name, SortDirection::Descending, true, nullptr, englishTexts()));
  EXPECT_EQ(rowNames(store), kFoundOrder);
  EXPECT_EQ(store.sortMode(), SortMode::Name);
  EXPECT_EQ(store.sortDirection(), SortDirection::Descending);
}

TEST(Sort, SelectionAndFocusFollowTheRecords) {
  ResultStore store;
  fillMixed(store);
  test::FakeListStates states(7);
  states.setState(0, kStateSelected);                  // beta.txt
  states.setState(5, kStateSelected | kStateFocused);  // Zeta
  ASSERT_TRUE(store.sort(SortMode::Name, SortDirection::Ascending, false, &states, englishTexts()));
  const Names names = rowNames(store);
  for (uint32_t row = 0; row < names.size(); ++row) {
    uint8_t expected = 0;
    if (names[row] == "beta.txt") expected = kStateSelected;
    if (names[row] == "Zeta") expected = kStateSelected | kStateFocused;
    EXPECT_EQ(states.state(row), expected) << names[row];
  }
}

TEST(Sort, SingleAndEmptyStores) {
  ResultStore empty;
  EXPECT_TRUE(empty.sort(SortMode::Name, SortDirection::Ascending, false, nullptr, englishTexts()));
  EXPECT_EQ(empty.rowCount(), 0u);

  ResultStore single;
  test::addFolder(single, "/w", {{"only.txt"}});
  EXPECT_TRUE(
      single.sort(SortMode::Type, SortDirection::Descending, false, nullptr, englishTexts()));
  EXPECT_EQ(rowNames(single), Names{"only.txt"});
}

// The longest names a record holds: their fields run past the key's end and are cut there.
TEST(Sort, LongNamesAreCutAtTheKeyEnd) {
  ResultStore store;
  const std::string longBase(515, 'z');
  test::addFolder(store, "/w", {{longBase + "b.txt"}, {"short.txt"}, {longBase + "a.txt"}});
  for (int mode = 0; mode < 7; ++mode) {
#ifdef _WIN32
    // The shell names the type of a real extension but not of an overlong path.
    if (mode == static_cast<int>(SortMode::Type)) continue;
#endif
    ASSERT_TRUE(store.sort(static_cast<SortMode>(mode), SortDirection::Ascending, false, nullptr,
                           englishTexts()));
    const Names names = rowNames(store);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], "short.txt") << mode;
  }
  // By name the last base character still lies inside the key.
  ASSERT_TRUE(store.sort(SortMode::Name, SortDirection::Ascending, false, nullptr, englishTexts()));
  EXPECT_EQ(rowNames(store)[1], longBase + "a.txt");
}

// The key rules written out: a 519-character line of blanks with the mode's fields at their
// columns, ending after the last one. The store must sort as these keys do.
class ReferenceKeys {
 public:
  ReferenceKeys(const std::vector<std::pair<std::string, Found>>& rows) : rows_(rows) {
    for (const auto& [folder, found] : rows) {
      const std::size_t dot = found.name.rfind('.');
      const std::size_t base = dot == std::string::npos ? found.name.size() : dot;
      longestBase_ = std::max(longestBase_, base);
      longestName_ = std::max(longestName_, found.name.size());
      largestDot_ = std::max(largestDot_, dot == std::string::npos ? base : dot + 1);
      longestSize_ = std::max(longestSize_, std::to_string(found.size).size());
    }
  }

  std::string key(SortMode mode, bool descending, std::size_t index) const {
    const auto& [folder, found] = rows_[index];
    const std::size_t dot = found.name.rfind('.');
    const std::string base = found.name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : found.name.substr(dot + 1);
    std::string key(519, ' ');
    key[0] = descending ? 'Y' : 'Z';
    std::size_t end = 1;
    auto place = [&](std::size_t column, const std::string& field) {
      column = std::min<std::size_t>(column, 519);
      const std::size_t length = std::min(field.size(), 519 - column);
      key.replace(column, length, field.substr(0, length));
      end = column + length;
    };
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04u%02u%02u%02u%02u%02u", found.date >> 9,
                  (found.date >> 5) & 0xF, found.date & 0x1F, found.time >> 11,
                  (found.time >> 5) & 0x3F, found.time & 0x1F);
    const std::string size = std::to_string(found.size);
    switch (mode) {
      case SortMode::Name:
        place(1, base);
        place(longestBase_ + 1, extension.empty() ? " " : extension);
        break;
      case SortMode::Time:
        place(1, digits);
        place(15, base);
        place(14 + longestName_ + 1, extension);
        break;
      case SortMode::Size:
        place(longestSize_ + 1 - size.size(), size);
        place(longestSize_ + 1, base);
        place(longestSize_ + 1 + largestDot_, extension);
        break;
      case SortMode::Path:
        place(1, folder.substr(0, 260));
        place(261, base);
        place(260 + longestName_ + 260 + 1, extension);
        break;
      default:
        ADD_FAILURE() << "no reference for this mode";
    }
    key.resize(end);
    std::string sortKey;
    platform::sortKeyIgnoreCase(key.data(), key.size(), sortKey);
    return sortKey;
  }

  // Names in key order; equal keys keep the order found.
  Names sorted(SortMode mode, bool descending) const {
    std::vector<std::pair<std::string, std::size_t>> keyed;
    for (std::size_t i = 0; i < rows_.size(); ++i) keyed.emplace_back(key(mode, descending, i), i);
    std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
      return descending ? b.first < a.first : a.first < b.first;
    });
    Names names;
    for (const auto& [key, index] : keyed) names.push_back(rows_[index].second.name);
    return names;
  }

 private:
  const std::vector<std::pair<std::string, Found>>& rows_;
  std::size_t longestBase_ = 0;
  std::size_t longestName_ = 0;
  std::size_t largestDot_ = 0;
  std::size_t longestSize_ = 0;
};

// Rows whose keys agree far past their first bytes: shared name stems in mixed case and accented
// letters, folders whose paths differ only at their ends, sizes and times that repeat.
TEST(Sort, OrderIsTheOrderOfTheFullKeys) {
  std::vector<std::pair<std::string, Found>> rows;
  const std::string stems[] = {"report_2024_quarter_", "REPORT_2024_Quarter_", "r\xe9sum\xe9_",
                               "R\xc9SUM\xc9_", "a"};
  const std::string extensions[] = {".txt", ".TXT", "", ".tar.gz", ".t"};
  const std::string longFolder = "/data/" + std::string(250, 'f');
  const std::string folders[] = {longFolder + "/one", longFolder + "/two", "/data/x"};
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t bound) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % bound;
  };
  ResultStore store;
  for (const std::string& folder : folders) {
    std::vector<Found> found;
    for (int i = 0; i < 300; ++i) {
      Found f;
      f.name = stems[next(5)] + std::to_string(next(40)) + extensions[next(5)];
      f.size = next(4) == 0 ? 7 : next(100000);
      f.date = dosDate(2020 + next(2), 1 + next(2), 1);
      f.time = dosTime(next(2), 0);
      found.push_back(f);
      rows.emplace_back(folder, f);
    }
    test::addFolder(store, folder.c_str(), found);
  }
  const ReferenceKeys reference(rows);
  for (SortMode mode : {SortMode::Name, SortMode::Time, SortMode::Size, SortMode::Path}) {
    for (bool descending : {false, true}) {
      ASSERT_TRUE(store.sort(mode,
                             descending ? SortDirection::Descending : SortDirection::Ascending,
                             false, nullptr, englishTexts()));
      EXPECT_EQ(rowNames(store), reference.sorted(mode, descending))
          << static_cast<int>(mode) << (descending ? " descending" : " ascending");
    }
  }
}

TEST(HeaderClick, SameColumnFlipsAnotherKeepsTheDirection) {
  struct Click {
    Column column;
    bool rightHalf;
    SortMode mode;
    SortDirection direction;
  };
  const SortDirection up = SortDirection::Ascending;
  const SortDirection down = SortDirection::Descending;
  const Click clicks[] = {
      {Column::Size, false, SortMode::Size, up},
      {Column::Size, false, SortMode::Size, down},
      {Column::Modified, false, SortMode::Time, down},
      {Column::Name, false, SortMode::Name, down},
      {Column::Name, true, SortMode::Extension, down},
      {Column::Name, true, SortMode::Extension, up},
      {Column::Attributes, false, SortMode::Attributes, up},
      {Column::Path, false, SortMode::Path, up},
      {Column::Type, false, SortMode::Type, up},
      {Column::Type, false, SortMode::Type, down},
  };
  ResultStore store;
  fillMixed(store);
  for (const Click& click : clicks) {
    EXPECT_TRUE(store.headerClick(click.column, click.rightHalf, false, nullptr, englishTexts()));
    EXPECT_EQ(store.sortMode(), click.mode);
    EXPECT_EQ(store.sortDirection(), click.direction);
  }
  EXPECT_EQ(rowNames(store), kSortCases[5].descending);
}

}  // namespace
}  // namespace ostrya

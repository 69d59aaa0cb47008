#include "search/search_filter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/config_store.h"
#include "test_tree.h"

namespace ostrya {
namespace {

constexpr uint16_t dosDate(unsigned year, unsigned month, unsigned day) {
  return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

constexpr uint16_t dosTime(unsigned hour, unsigned minute, unsigned second) {
  return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

constexpr uint32_t kReadOnly = 0x1;
constexpr uint32_t kHidden = 0x2;
constexpr uint32_t kSystem = 0x4;
constexpr uint32_t kFolder = 0x10;
constexpr uint32_t kArchive = 0x20;
constexpr uint32_t kCompressed = 0x800;

struct Candidate {
  const char* name = "report.txt";
  uint32_t attributes = kArchive;
  uint16_t date = dosDate(2024, 6, 15);
  uint16_t time = dosTime(12, 0, 0);
  uint64_t size = 1000;
};

bool accepts(const FilterRecord& record, const Candidate& candidate,
             platform::PathMatchFunction secondChance = nullptr) {
  return SearchFilter(record, secondChance)
      .accepts(candidate.name, candidate.attributes, candidate.date, candidate.time,
               candidate.size);
}

FilterRecord withMasks(const char* include, const char* exclude) {
  FilterRecord record;
  std::strcpy(record.includePatterns, include);
  std::strcpy(record.excludePatterns, exclude);
  return record;
}

TEST(SearchFilter, DefaultRecordAcceptsEverything) {
  const FilterRecord unfiltered;
  for (const char* name : {"", ".profile", "a.b.c", "NO_EXTENSION"})
    for (uint32_t attributes : {0u, kFolder, 0x37u, 0x37u | kCompressed, 0xFFFFFFFFu})
      for (uint16_t date : {uint16_t{0}, dosDate(2024, 2, 29), uint16_t{0xFFFF}})
        for (uint64_t size : {uint64_t{0}, uint64_t{1} << 40, ~uint64_t{0}})
          EXPECT_TRUE(accepts(unfiltered, {name, attributes, date, 0xFFFF, size}))
              << name << " " << attributes << " " << date << " " << size;
}

TEST(SearchFilter, RejectsAttributesThatAreNotAllowed) {
  const struct {
    uint16_t allowed;
    uint32_t attributes;
    bool accepted;
  } cases[] = {
      {0x37 & ~kHidden, kHidden | kArchive, false},
      {0x37 & ~kHidden, kHidden | kFolder, false},
      {0x37 & ~kHidden, kArchive, true},
      {0x37 & ~kHidden, kFolder, true},
      {0x37 & ~kFolder, kFolder, false},
      {0x37 & ~kFolder, kReadOnly | kSystem | kArchive, true},
      {kArchive, kArchive | kReadOnly, false},
      {0, 0, true},
      {0, kSystem, false},
      // Bits outside the five never reject.
      {0, kCompressed | 0x80 | 0x100, true},
  };
  for (const auto& c : cases) {
    FilterRecord record;
    record.allowedAttributes = c.allowed;
    Candidate candidate;
    candidate.attributes = c.attributes;
    EXPECT_EQ(accepts(record, candidate), c.accepted) << c.allowed << " " << c.attributes;
  }
}

TEST(SearchFilter, IncludeAndExcludeMasksUseTheNameMatcher) {
  const struct {
    const char* include;
    const char* exclude;
    const char* name;
    bool accepted;
  } cases[] = {
      {".", "", "anything.xyz", true},    {".", "", "README", true},
      {"*.txt", "", "a.TXT", true},       {"*.txt", "", "a.doc", false},
      {"*.c;*.h", "", "x.h", true},       {"", "*.bak", "a.bak", false},
      {"", "*.bak", "a.txt", true},       {"*.txt", "old*", "old.txt", false},
      {"*.txt", "old*", "new.txt", true}, {"", ".", "anything", false},
  };
  for (const auto& c : cases) {
    Candidate candidate;
    candidate.name = c.name;
    EXPECT_EQ(accepts(withMasks(c.include, c.exclude), candidate), c.accepted)
        << c.include << " / " << c.exclude << " on " << c.name;
  }
}

TEST(SearchFilter, MasksGetTheSecondChanceTest) {
  Candidate dotName;
  dotName.name = ".txt";  // the expansion alone does not reproduce it
  EXPECT_FALSE(accepts(withMasks("*.txt", ""), dotName));
  EXPECT_TRUE(accepts(withMasks("*.txt", ""), dotName, wildcardMatch));
  EXPECT_TRUE(accepts(withMasks("", "*.txt"), dotName));
  EXPECT_FALSE(accepts(withMasks("", "*.txt"), dotName, wildcardMatch));
}

struct StampCase {
  uint16_t date;
  uint16_t time;
  bool accepted;
};

void expectStamps(const FilterRecord& record, const StampCase* begin, const StampCase* end) {
  for (const StampCase* c = begin; c != end; ++c) {
    Candidate candidate;
    candidate.date = c->date;
    candidate.time = c->time;
    EXPECT_EQ(accepts(record, candidate), c->accepted)
        << "case " << (c - begin) << ": date " << c->date << " time " << c->time;
  }
}

TEST(SearchFilter, DatesAloneBoundWholeDays) {
  FilterRecord record;
  record.flags = kFilterFromDate | kFilterToDate;
  record.fromDate = dosDate(2024, 6, 15);
  record.toDate = dosDate(2024, 6, 20);
  const StampCase cases[] = {
      {dosDate(2024, 6, 15), dosTime(0, 0, 0), true},
      {dosDate(2024, 6, 14), dosTime(23, 59, 58), false},
      {dosDate(2024, 6, 20), dosTime(23, 59, 58), true},
      {dosDate(2024, 6, 21), dosTime(0, 0, 0), false},
      {dosDate(1980, 1, 1), dosTime(12, 0, 0), false},
  };
  expectStamps(record, std::begin(cases), std::end(cases));
}

TEST(SearchFilter, FromDateAndTimeAllowFourSeconds) {
  FilterRecord record;
  record.flags = kFilterFromDate | kFilterFromTime;
  record.fromDate = dosDate(2024, 6, 15);
  record.fromTime = dosTime(12, 0, 30);
  const StampCase cases[] = {
      {dosDate(2024, 6, 15), dosTime(12, 0, 30), true},
      {dosDate(2024, 6, 15), dosTime(12, 0, 28), true},
      {dosDate(2024, 6, 15), dosTime(12, 0, 26), true},
      {dosDate(2024, 6, 15), dosTime(12, 0, 24), false},
      {dosDate(2024, 6, 16), dosTime(0, 0, 0), true},
      // The time bounds the first day only.
      {dosDate(2024, 6, 16), dosTime(1, 0, 0), true},
      {dosDate(2024, 6, 14), dosTime(13, 0, 0), false},
  };
  expectStamps(record, std::begin(cases), std::end(cases));
}

// The 4 seconds reach across a minute, an hour, a day, a month and a year, leap days included.
TEST(SearchFilter, ToleranceReachesAcrossEveryBoundary) {
  struct Bounds {
    uint16_t fromDate, fromTime, toDate, toTime;
    StampCase stamp;
  } cases[] = {
      {dosDate(2024, 6, 15),
       dosTime(12, 0, 0),
       dosDate(2024, 6, 15),
       dosTime(12, 0, 58),
       {dosDate(2024, 6, 15), dosTime(12, 1, 0), true}},
      {dosDate(2024, 6, 15),
       dosTime(12, 0, 0),
       dosDate(2024, 6, 15),
       dosTime(12, 0, 58),
       {dosDate(2024, 6, 15), dosTime(12, 1, 2), true}},
      {dosDate(2024, 6, 15),
       dosTime(12, 0, 0),
       dosDate(2024, 6, 15),
       dosTime(12, 0, 58),
       {dosDate(2024, 6, 15), dosTime(12, 1, 4), false}},
      {dosDate(2024, 6, 15),
       dosTime(12, 0, 0),
       dosDate(2024, 6, 15),
       dosTime(13, 0, 0),
       {dosDate(2024, 6, 15), dosTime(11, 59, 56), true}},
      {dosDate(2024, 6, 15),
       dosTime(12, 0, 0),
       dosDate(2024, 6, 15),
       dosTime(13, 0, 0),
       {dosDate(2024, 6, 15), dosTime(11, 59, 54), false}},
      {dosDate(2024, 3, 1),
       dosTime(0, 0, 0),
       dosDate(2024, 3, 2),
       dosTime(0, 0, 0),
       {dosDate(2024, 2, 29), dosTime(23, 59, 56), true}},
      {dosDate(2024, 3, 1),
       dosTime(0, 0, 0),
       dosDate(2024, 3, 2),
       dosTime(0, 0, 0),
       {dosDate(2024, 2, 28), dosTime(23, 59, 58), false}},
      {dosDate(2023, 3, 1),
       dosTime(0, 0, 2),
       dosDate(2023, 3, 2),
       dosTime(0, 0, 0),
       {dosDate(2023, 2, 28), dosTime(23, 59, 58), true}},
      {dosDate(2025, 1, 1),
       dosTime(0, 0, 0),
       dosDate(2025, 12, 31),
       dosTime(23, 59, 58),
       {dosDate(2026, 1, 1), dosTime(0, 0, 2), true}},
      {dosDate(2025, 1, 1),
       dosTime(0, 0, 0),
       dosDate(2025, 12, 31),
       dosTime(23, 59, 58),
       {dosDate(2026, 1, 1), dosTime(0, 0, 4), false}},
      {dosDate(2025, 1, 1),
       dosTime(0, 0, 0),
       dosDate(2025, 12, 31),
       dosTime(23, 59, 58),
       {dosDate(2024, 12, 31), dosTime(23, 59, 56), true}},
      // 2100 is no leap year: its 28 February is followed by 1 March.
      {dosDate(2100, 3, 1),
       dosTime(0, 0, 0),
       dosDate(2100, 3, 1),
       dosTime(1, 0, 0),
       {dosDate(2100, 2, 28), dosTime(23, 59, 56), true}},
      // A stored 31 February stays in February, before a bound of 1 March.
      {dosDate(2023, 2, 1),
       dosTime(0, 0, 0),
       dosDate(2023, 3, 1),
       dosTime(0, 0, 0),
       {dosDate(2023, 2, 31), dosTime(12, 0, 0), true}},
  };
  for (const Bounds& c : cases) {
    FilterRecord record;
    record.flags = kFilterFromDate | kFilterFromTime | kFilterToDate | kFilterToTime;
    record.fromDate = c.fromDate;
    record.fromTime = c.fromTime;
    record.toDate = c.toDate;
    record.toTime = c.toTime;
    expectStamps(record, &c.stamp, &c.stamp + 1);
  }
}

TEST(SearchFilter, ToDateAndTimeAllowFourSeconds) {
  FilterRecord record;
  record.flags = kFilterToDate | kFilterToTime;
  record.toDate = dosDate(2024, 6, 15);
  record.toTime = dosTime(12, 0, 0);
  const StampCase cases[] = {
      {dosDate(2024, 6, 15), dosTime(12, 0, 4), true},
      {dosDate(2024, 6, 15), dosTime(12, 0, 6), false},
      {dosDate(2024, 6, 14), dosTime(23, 0, 0), true},
      {dosDate(2024, 6, 16), dosTime(0, 0, 0), false},
  };
  expectStamps(record, std::begin(cases), std::end(cases));
}

TEST(SearchFilter, TimesAloneBoundTheTimeOfDayOnEveryDate) {
  FilterRecord record;
  record.flags = kFilterFromTime | kFilterToTime;
  record.fromTime = dosTime(8, 0, 0);
  record.toTime = dosTime(12, 0, 0);
  for (uint16_t date : {dosDate(1980, 1, 1), dosDate(2024, 6, 15), dosDate(2107, 12, 31)}) {
    const StampCase cases[] = {
        {date, dosTime(12, 0, 0), true},    {date, dosTime(12, 0, 2), false},
        {date, dosTime(23, 59, 58), false}, {date, dosTime(8, 0, 0), true},
        {date, dosTime(7, 59, 58), false},
    };
    expectStamps(record, std::begin(cases), std::end(cases));
  }
}

TEST(SearchFilter, LengthBoundsApplyToFilesOnly) {
  FilterRecord record;
  record.flags = kFilterMinimumLength | kFilterMaximumLength;
  record.minimumLength = 100;
  record.maximumLength = uint64_t{5} << 30;
  const struct {
    uint32_t attributes;
    uint64_t size;
    bool accepted;
  } cases[] = {
      {kArchive, 0, false},  // an unknown size reads as 0
      {kArchive, 99, false},
      {kArchive, 100, true},
      {kArchive, uint64_t{5} << 30, true},
      {kArchive, (uint64_t{5} << 30) + 1, false},
      {kFolder, 0, true},
      {kFolder, ~uint64_t{0}, true},
  };
  for (const auto& c : cases) {
    Candidate candidate;
    candidate.attributes = c.attributes;
    candidate.size = c.size;
    EXPECT_EQ(accepts(record, candidate), c.accepted) << c.attributes << " " << c.size;
  }
  // A folder is exempt from the lengths, not from the earlier tests.
  record.flags |= kFilterFromDate;
  record.fromDate = dosDate(2025, 1, 1);
  Candidate oldFolder;
  oldFolder.attributes = kFolder;
  EXPECT_FALSE(accepts(record, oldFolder));
}

void expectSameBounds(const FilterRecord& actual, const FilterRecord& expected,
                      const std::string& what) {
  EXPECT_EQ(actual.allowedAttributes, expected.allowedAttributes) << what;
  EXPECT_EQ(actual.flags, expected.flags) << what;
  EXPECT_EQ(actual.fromDate, expected.fromDate) << what;
  EXPECT_EQ(actual.toDate, expected.toDate) << what;
  EXPECT_EQ(actual.fromTime, expected.fromTime) << what;
  EXPECT_EQ(actual.toTime, expected.toTime) << what;
  EXPECT_EQ(actual.minimumLength, expected.minimumLength) << what;
  EXPECT_EQ(actual.maximumLength, expected.maximumLength) << what;
}

FilterRecord everyBoundSet() {
  FilterRecord record;
  record.allowedAttributes = 0x35;
  record.flags = 0x3F0;
  record.fromDate = dosDate(2024, 6, 15);
  record.fromTime = dosTime(12, 34, 56);
  record.toDate = dosDate(2107, 12, 31);
  record.toTime = dosTime(23, 59, 58);
  record.minimumLength = 100;
  record.maximumLength = 1048576;
  return record;
}

TEST(FilterValue, IsWrittenAsSixteenNumbersAndReadBack) {
  const FilterRecord record = everyBoundSet();
  const std::string text = formatFilterValue(record);
  EXPECT_EQ(text, "53,1008,44,6,15,12,34,28,127,12,31,23,59,29,100,1048576");
  expectSameBounds(parseFilterValue(text.c_str()), record, text);
  EXPECT_EQ(formatFilterValue(FilterRecord{}), "55,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0");
}

TEST(FilterValue, AcceptsAnySpellingOfSixteenNumbers) {
  const std::string commas15(15, ',');
  const char* values[] = {
      "53,1008,44,6,15,12,34,28,127,12,31,23,59,29,100,1048576",
      " 53, +1008,44,6,15,12,34,28,127,12,31,23,59,29,100,1048576",
      "53,1008x,44,6,15,12,34,28,127,12,31,23,59,29,100,1048576junk",
      "53,1008,44,6,15,12,34,28,127,12,31,23,59,29,100,1048576\r,more,numbers",
  };
  for (const char* value : values)
    expectSameBounds(parseFilterValue(value), everyBoundSet(), value);
  // Empty pieces read as 0.
  FilterRecord zeroes;
  zeroes.allowedAttributes = 0;
  expectSameBounds(parseFilterValue(commas15.c_str()), zeroes, "fifteen commas");
}

TEST(FilterValue, AnyOtherCountGivesNoBoundsAndAllAttributes) {
  const std::string many = std::string(40, ',') + "1";
  const char* values[] = {
      "",
      "garbage",
      "53,1008,44,6,15,12,34,28,127,12,31,23,59,29,100",
      "53,1008,44,6,15,12,34,28,127,12,31,23,59,29,100,1048576,7",
      "53,1008,44,6,15,12,34,28,127,12,31,23,59,29,100,1048576,",
      "53,1008,44,6,15,12,34,28,127,12,31,23,59,29,100\r,1048576",
      many.c_str(),
  };
  for (const char* value : values) expectSameBounds(parseFilterValue(value), FilterRecord{}, value);
}

TEST(FilterValue, OnlyTheFirst259CharactersCount) {
  // Fifteen commas, blanks, and a comma that ends up at position 258 or 259.
  const std::string sixteen = std::string(15, ',') + std::string(244, ' ') + ",7";
  const std::string seventeen = std::string(15, ',') + std::string(243, ' ') + ",7";
  FilterRecord zeroes;
  zeroes.allowedAttributes = 0;
  expectSameBounds(parseFilterValue(sixteen.c_str()), zeroes, "comma at 259");
  expectSameBounds(parseFilterValue(seventeen.c_str()), FilterRecord{}, "comma at 258");
}

TEST(FilterValue, CutsEveryNumberToItsField) {
  const FilterRecord record = parseFilterValue("65537,65551,200,17,33,40,70,33,-1,0,0,0,0,0,0,0");
  EXPECT_EQ(record.allowedAttributes, 1);
  EXPECT_EQ(record.flags, 15);
  // 200 * 512 + (17 & 15) * 32 + (33 & 31), cut to 16 bits.
  EXPECT_EQ(record.fromDate, 36897);
  // 40 * 2048 + (70 & 63) * 32 + (33 & 31), cut to 16 bits.
  EXPECT_EQ(record.fromTime, 16577);
  EXPECT_EQ(record.toDate, 0xFE00);
}

// The value holds the low halves, read back unsigned: below 4 GiB a length comes back exactly.
TEST(FilterValue, LengthsBelow4GiBComeBackExactly) {
  FilterRecord record;
  record.flags = kFilterMinimumLength | kFilterMaximumLength;
  record.minimumLength = uint64_t{3} << 30;
  record.maximumLength = 0xFFFFFFFFu;
  const std::string text = formatFilterValue(record);
  EXPECT_EQ(text, "55,768,0,0,0,0,0,0,0,0,0,0,0,0,3221225472,4294967295");
  const FilterRecord back = parseFilterValue(text.c_str());
  EXPECT_EQ(back.minimumLength, uint64_t{3} << 30);
  EXPECT_EQ(back.maximumLength, 0xFFFFFFFFu);
  // A negative number stands for the same 32 bits.
  EXPECT_EQ(parseFilterValue("55,768,0,0,0,0,0,0,0,0,0,0,0,0,-1,-2147483648").minimumLength,
            0xFFFFFFFFu);
}

class FilterSettings : public ::testing::Test {
 protected:
  std::string fileName() const { return tree.native("OSTRY.INI"); }
  testing::TempTree tree;
};

TEST_F(FilterSettings, SavedFilterLoadsAgain) {
  FilterRecord record = everyBoundSet();
  std::strcpy(record.includePatterns, "*.txt;*.doc");
  std::strcpy(record.excludePatterns, "~*");
  {
    ConfigStore store(fileName().c_str());
    saveFilter(record, store);
  }
  ConfigStore store(fileName().c_str());
  EXPECT_EQ(store.getText("Ostrya", "Filter"),
            "53,1008,44,6,15,12,34,28,127,12,31,23,59,29,100,1048576");
  EXPECT_EQ(store.getText("Ostrya", "FtlPat"), "*.txt;*.doc");
  EXPECT_EQ(store.getText("Ostrya", "FtlExl"), "~*");
  const FilterRecord back = loadFilter(store);
  expectSameBounds(back, record, "saved");
  EXPECT_STREQ(back.includePatterns, "*.txt;*.doc");
  EXPECT_STREQ(back.excludePatterns, "~*");
}

// 4 GiB and more: the sixteen numbers keep the low halves, the program's own key the high ones.
TEST_F(FilterSettings, LengthsOf4GiBAndMoreKeepTheirHighHalves) {
  FilterRecord record;
  record.flags = kFilterMinimumLength | kFilterMaximumLength;
  record.minimumLength = uint64_t{5} << 30;
  record.maximumLength = (uint64_t{3} << 40) + 7;
  {
    ConfigStore store(fileName().c_str());
    saveFilter(record, store);
  }
  ConfigStore store(fileName().c_str());
  EXPECT_EQ(store.getText("Ostrya", "Filter"), "55,768,0,0,0,0,0,0,0,0,0,0,0,0,1073741824,7");
  EXPECT_EQ(store.getText("Ostrya", "FilterHigh"), "1,768,1073741824,7");
  const FilterRecord back = loadFilter(store);
  EXPECT_EQ(back.minimumLength, record.minimumLength);
  EXPECT_EQ(back.maximumLength, record.maximumLength);
  // Back below 4 GiB: the high halves are cleared, not left to add to the next bounds.
  record.minimumLength = 10;
  record.maximumLength = 20;
  saveFilter(record, store);
  const FilterRecord small = loadFilter(store);
  EXPECT_EQ(small.minimumLength, 10u);
  EXPECT_EQ(small.maximumLength, 20u);
}

// An older copy rewrites only `Filter`: its bounds hold, not the high halves saved before.
TEST_F(FilterSettings, HighHalvesBesideOtherLowHalvesAreStale) {
  ConfigStore store(fileName().c_str());
  store.putText("Ostrya", "Filter", "55,768,0,0,0,0,0,0,0,0,0,0,0,0,100,200");
  store.putText("Ostrya", "FilterHigh", "1,768,1073741824,7");
  const FilterRecord record = loadFilter(store);
  EXPECT_EQ(record.minimumLength, 100u);
  EXPECT_EQ(record.maximumLength, 200u);
}

TEST_F(FilterSettings, SmallLengthsAddNoKey) {
  ConfigStore store(fileName().c_str());
  saveFilter(everyBoundSet(), store);
  EXPECT_EQ(store.getText("Ostrya", "FilterHigh", "absent"), "absent");
}

TEST_F(FilterSettings, DamagedValueKeepsTheMasks) {
  ConfigStore store(fileName().c_str());
  store.putText("Ostrya", "Filter", "1,2,3");
  store.putText("Ostrya", "FtlPat", "*.log");
  store.putText("Ostrya", "FtlExl", std::string(200, 'x').c_str());
  const FilterRecord record = loadFilter(store);
  expectSameBounds(record, FilterRecord{}, "damaged");
  EXPECT_STREQ(record.includePatterns, "*.log");
  EXPECT_EQ(std::string(record.excludePatterns), std::string(127, 'x'));
}

TEST_F(FilterSettings, NothingSavedGivesTheDefaultFilter) {
  ConfigStore store(fileName().c_str());
  const FilterRecord record = loadFilter(store);
  expectSameBounds(record, FilterRecord{}, "missing");
  EXPECT_STREQ(record.includePatterns, "");
  EXPECT_STREQ(record.excludePatterns, "");
}

}  // namespace
}  // namespace ostrya

#include "app/filter_fields.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace ostrya {
namespace {

constexpr uint32_t kThisYear = 2026;

constexpr uint16_t dosDate(uint32_t day, uint32_t month, uint32_t year) {
  return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
constexpr uint16_t dosTime(uint32_t hour, uint32_t minute, uint32_t second) {
  return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

// Every field of a record, so that a difference shows which one.
std::string describe(const FilterRecord& r) {
  return "flags " + std::to_string(r.flags) + " attributes " + std::to_string(r.allowedAttributes) +
         " include '" + r.includePatterns + "' exclude '" + r.excludePatterns + "' dates " +
         std::to_string(r.fromDate) + "-" + std::to_string(r.toDate) + " times " +
         std::to_string(r.fromTime) + "-" + std::to_string(r.toTime) + " lengths " +
         std::to_string(r.minimumLength) + "-" + std::to_string(r.maximumLength);
}

FilterFields fieldsWith(FilterField field, const std::string& text) {
  FilterFields fields;
  fields.checkedAttributes = kFilterAttributes;
  fields.texts[field] = text;
  return fields;
}

TEST(FilterFields, RecordsAreShownAsTextsThatReadBackTheSame) {
  FilterRecord full;
  full.flags = 0x3F0;
  full.allowedAttributes = 0x23;
  std::strcpy(full.includePatterns, "*.txt;*.md");
  std::strcpy(full.excludePatterns, "~*");
  full.fromDate = dosDate(29, 2, 2024);
  full.toDate = dosDate(31, 12, 2107);
  full.fromTime = dosTime(8, 5, 6);
  full.toTime = dosTime(23, 59, 58);
  full.minimumLength = 5000000000;
  full.maximumLength = UINT64_MAX;  // typed as -1
  // Bounds whose flags are clear are not shown, whatever they hold.
  FilterRecord partial;
  partial.flags = kFilterToDate | kFilterFromTime;
  partial.fromDate = dosDate(1, 1, 2000);
  partial.toDate = dosDate(1, 1, 1980);
  partial.fromTime = dosTime(0, 0, 0);
  partial.maximumLength = 7;
  const struct {
    FilterRecord record;
    const char* texts[kFilterFieldCount];
    uint16_t checked;
  } cases[] = {
      {full,
       {"*.txt;*.md", "~*", "29.02.2024", "31.12.2107", "08:05:06", "23:59:58", "5000000000", "-1"},
       0x23},
      {partial, {"", "", "", "01.01.1980", "00:00:00", "", "", ""}, 0x37},
      {FilterRecord{}, {"", "", "", "", "", "", "", ""}, 0x37},
  };
  for (const auto& c : cases) {
    const FilterFields fields = filterFieldsOf(c.record);
    for (int i = 0; i < kFilterFieldCount; ++i)
      EXPECT_EQ(fields.texts[i], c.texts[i]) << describe(c.record) << " field " << i;
    EXPECT_EQ(fields.checkedAttributes, c.checked);
    const FilterReading back = readFilterFields(fields, kThisYear);
    EXPECT_FALSE(back.error);
    FilterRecord expected = c.record;
    if ((expected.flags & kFilterFromDate) == 0) expected.fromDate = 0;
    if ((expected.flags & kFilterMaximumLength) == 0) expected.maximumLength = 0;
    EXPECT_EQ(describe(back.record), describe(expected));
  }
}

TEST(FilterFields, EachBoundIsReadFromItsText) {
  const struct {
    FilterField field;
    std::string text;
    uint16_t flag;
    uint64_t value;
  } cases[] = {
      {kFilterFromDateField, "31.12.99", kFilterFromDate, dosDate(31, 12, 2099)},
      {kFilterToDateField, "290200", kFilterToDate, dosDate(29, 2, 2000)},
      {kFilterFromTimeField, "975", kFilterFromTime, dosTime(9, 7, 5)},
      {kFilterToTimeField, "12:3015", kFilterToTime, dosTime(12, 30, 15)},
      {kFilterMinimumLengthField, "  +42 bytes", kFilterMinimumLength, 42},
      {kFilterMaximumLengthField, "-1", kFilterMaximumLength, UINT64_MAX},
      // A length text that holds no number still sets its bound, to 0.
      {kFilterMinimumLengthField, "many", kFilterMinimumLength, 0},
      // OK reads 32 characters of a time: the seconds' last digit lies beyond them.
      {kFilterFromTimeField, "1:2:" + std::string(28, '0') + "9", kFilterFromTime,
       dosTime(1, 2, 0)},
  };
  for (const auto& c : cases) {
    const FilterReading reading = readFilterFields(fieldsWith(c.field, c.text), kThisYear);
    ASSERT_FALSE(reading.error) << c.text;
    const FilterRecord& r = reading.record;
    EXPECT_EQ(r.flags, c.flag) << c.text;
    const uint64_t values[] = {r.fromDate, r.toDate,        r.fromTime,
                               r.toTime,   r.minimumLength, r.maximumLength};
    EXPECT_EQ(values[c.field - kFilterFromDateField], c.value) << c.text;
  }
}

TEST(FilterFields, MasksAndAttributesAreReadWithinTheirFields) {
  FilterFields fields;
  fields.texts[kFilterIncludeField] = std::string(200, 'a');
  fields.texts[kFilterExcludeField] = "*.bak";
  fields.checkedAttributes = 0xFFFF;
  const FilterRecord record = readFilterFields(fields, kThisYear).record;
  EXPECT_EQ(record.includePatterns, std::string(127, 'a'));
  EXPECT_STREQ(record.excludePatterns, "*.bak");
  EXPECT_EQ(record.allowedAttributes, kFilterAttributes);
  EXPECT_EQ(record.flags, 0);
}

TEST(FilterFields, TheFirstBadBoundIsReportedWithWhatWasReadBeforeIt) {
  const struct {
    const char* texts[4];  // from date, to date, from time, to time
    FilterField field;
    TextId message;
    uint16_t flagsRead;
  } cases[] = {
      {{"32.01.2024", "", "", ""}, kFilterFromDateField, kTextInvalidDate, 0},
      {{"1.1.2024", "1.13.2024", "25:00", ""}, kFilterToDateField, kTextInvalidDate, 0x10},
      {{"", "", "24:00", "x"}, kFilterFromTimeField, kTextInvalidTime, 0},
      // 7000 folds to 70 and stays no minute.
      {{"1.1.2024", "2.1.2024", "12:00", "12:7000"}, kFilterToTimeField, kTextInvalidTime, 0x70},
      {{"", "garbage", "", "99"}, kFilterToDateField, kTextInvalidDate, 0},
  };
  for (const auto& c : cases) {
    FilterFields fields;
    for (int i = 0; i < 4; ++i) fields.texts[kFilterFromDateField + i] = c.texts[i];
    fields.texts[kFilterMinimumLengthField] = "100";
    const FilterReading reading = readFilterFields(fields, kThisYear);
    ASSERT_TRUE(reading.error) << c.field;
    EXPECT_EQ(reading.error->field, c.field);
    EXPECT_EQ(reading.error->message, c.message);
    // The lengths come after the dates and times, so they are not read either.
    EXPECT_EQ(reading.record.flags, c.flagsRead) << c.field;
    EXPECT_EQ(reading.record.minimumLength, 0u);
  }
}

TEST(FilterFields, LengthTexts) {
  const struct {
    const char* text;
    int64_t value;
  } cases[] = {
      {"0", 0},
      {"12345", 12345},
      {"  \t 17", 17},
      {"+8", 8},
      {"-8", -8},
      {"12 34", 12},
      {"4096x", 4096},
      {"", 0},
      {"   ", 0},
      {"abc", 0},
      {"-", 0},
      {"- 5", 0},
      {"+-5", 0},
      {"\n5", 0},
      {"000000000000000000000000000000042", 42},
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", INT64_MAX},
      {"99999999999999999999999999", INT64_MAX},
      {"-9223372036854775807", -INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"-9223372036854775809", INT64_MIN},
      {"-99999999999999999999999999", INT64_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(readLengthText(c.text), c.value) << '"' << c.text << '"';
}

TEST(FilterFields, UpDownCopiesOneSideOntoTheOther) {
  const DateTimeTexts from{"01.01.2024", "08:00:00"};
  const DateTimeTexts to{"31.12.2024", ""};
  const struct {
    int step;
    DateTimeTexts from;
    DateTimeTexts to;
  } cases[] = {
      {1, from, from},
      {3, from, from},
      {-1, to, to},
      {0, from, to},
  };
  for (const auto& c : cases) {
    DateTimeTexts a = from;
    DateTimeTexts b = to;
    copyAcrossRange(c.step, a, b);
    EXPECT_EQ(a.date + " " + a.time, c.from.date + " " + c.from.time) << c.step;
    EXPECT_EQ(b.date + " " + b.time, c.to.date + " " + c.to.time) << c.step;
  }
}

}  // namespace
}  // namespace ostrya

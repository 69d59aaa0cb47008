// portable: no platform headers.
#include "search/search_filter.h"

#include <algorithm>

#include <cstdio>

#include "foundation/config_store.h"

namespace ostrya {
namespace {

constexpr char kProgramSection[] = "Ostrya";
constexpr char kFilterKey[] = "Filter";
// Lengths of 4 GiB and more keep their high halves under a key of this program's own, so that the
// sixteen numbers of `Filter`, which older copies read, stay as they are.
constexpr char kFilterHighKey[] = "FilterHigh";
constexpr char kIncludeKey[] = "FtlPat";
constexpr char kExcludeKey[] = "FtlExl";

// The value is read into a path-sized buffer, so only its first 259 characters count.
constexpr std::size_t kFilterValueCapacity = 260;
constexpr std::size_t kMostFilterNumbers = 32;

constexpr uint32_t kFolderAttribute = 0x10;

// The value's layout: attributes, flags, then four groups of three DOS fields, then the low
// halves of the two lengths.
constexpr std::size_t kAttributesAt = 0;
constexpr std::size_t kFlagsAt = kAttributesAt + 1;
constexpr std::size_t kFromDateAt = kFlagsAt + 1;
constexpr std::size_t kFromTimeAt = kFromDateAt + 3;
constexpr std::size_t kToDateAt = kFromTimeAt + 3;
constexpr std::size_t kToTimeAt = kToDateAt + 3;
constexpr std::size_t kMinimumLengthAt = kToTimeAt + 3;
constexpr std::size_t kMaximumLengthAt = kMinimumLengthAt + 1;
constexpr std::size_t kFilterNumbers = kMaximumLengthAt + 1;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Blanks, an optional sign and the digits up to the first other character, wrapping in 32 bits:
// the lengths are written unsigned and must come back as the same bit pattern.
int32_t signedDecimal(const char* at, const char* end) {
  while (at < end && (*at == ' ' || *at == '\t')) ++at;
  bool negative = false;
  if (at < end && (*at == '-' || *at == '+')) negative = *at++ == '-';
  uint32_t value = 0;
  for (; at < end && isDigit(*at); ++at) value = value * 10 + static_cast<uint32_t>(*at - '0');
  return static_cast<int32_t>(negative ? 0u - value : value);
}

// Splits at commas; the value ends at its terminator or at a carriage return. Returns how many
// numbers were read, never more than kMostFilterNumbers.
std::size_t readFilterNumbers(const char* value, int32_t (&numbers)[kMostFilterNumbers]) {
  const char* end = value;
  while (end < value + (kFilterValueCapacity - 1) && *end != '\0' && *end != '\r') ++end;
  if (end == value) return 0;
  std::size_t count = 0;
  for (const char* piece = value; count < kMostFilterNumbers;) {
    const char* comma = piece;
    while (comma < end && *comma != ',') ++comma;
    numbers[count++] = signedDecimal(piece, comma);
    if (comma == end) break;
    piece = comma + 1;
  }
  return count;
}

// Each part is cut to its field before the sum is cut to 16 bits; the first part has no mask
// because the sum's cut already drops what does not fit.
uint16_t packDosFields(const int32_t* fields, uint32_t firstShift, uint32_t secondMask,
                       uint32_t thirdMask) {
  const uint32_t first = static_cast<uint32_t>(fields[0]);
  const uint32_t second = static_cast<uint32_t>(fields[1]) & secondMask;
  const uint32_t third = static_cast<uint32_t>(fields[2]) & thirdMask;
  return static_cast<uint16_t>((first << firstShift) + (second << 5) + third);
}

uint16_t dosDateFrom(const int32_t* yearMonthDay) {
  return packDosFields(yearMonthDay, 9, 0xF, 0x1F);
}

uint16_t dosTimeFrom(const int32_t* hourMinuteSeconds) {
  return packDosFields(hourMinuteSeconds, 11, 0x3F, 0x1F);
}

// The low half of a length, written unsigned; a negative number written by hand stands for the
// same 32 bits.
uint64_t lengthFrom(int32_t number) {
  return static_cast<uint32_t>(number);
}

unsigned highHalf(uint64_t length) {
  return static_cast<unsigned>(length >> 32);
}

unsigned lowHalf(uint64_t length) {
  return static_cast<unsigned>(length & 0xFFFFFFFFu);
}

// A record filled by hand may use its mask buffer to the last byte; the matcher must not read
// past it.
const char* terminatedMask(char (&mask)[kFilterMaskCapacity]) {
  mask[kFilterMaskCapacity - 1] = '\0';
  return mask;
}

}  // namespace

// The masks are left empty: they have keys of their own.
FilterRecord parseFilterValue(const char* value) {
  FilterRecord record;
  int32_t numbers[kMostFilterNumbers];
  if (readFilterNumbers(value, numbers) != kFilterNumbers) return record;
  record.allowedAttributes = static_cast<uint16_t>(numbers[kAttributesAt]);
  record.flags = static_cast<uint16_t>(numbers[kFlagsAt]);
  record.fromDate = dosDateFrom(numbers + kFromDateAt);
  record.fromTime = dosTimeFrom(numbers + kFromTimeAt);
  record.toDate = dosDateFrom(numbers + kToDateAt);
  record.toTime = dosTimeFrom(numbers + kToTimeAt);
  record.minimumLength = lengthFrom(numbers[kMinimumLengthAt]);
  record.maximumLength = lengthFrom(numbers[kMaximumLengthAt]);
  return record;
}

// Dates go out as year field (years since 1980), month and day; times as hour, minute and the
// halved seconds field; lengths only by their low 32 bits.
std::string formatFilterValue(const FilterRecord& record) {
  const unsigned fromDate = record.fromDate;
  const unsigned fromTime = record.fromTime;
  const unsigned toDate = record.toDate;
  const unsigned toTime = record.toTime;
  char value[kFilterValueCapacity];
  std::snprintf(value, sizeof value, "%u,%u,%u,%u,%u,%u,%u,%u,%u,%u,%u,%u,%u,%u,%u,%lu",
                unsigned{record.allowedAttributes}, unsigned{record.flags}, fromDate >> 9,
                (fromDate >> 5) & 0xF, fromDate & 0x1F, fromTime >> 11, (fromTime >> 5) & 0x3F,
                fromTime & 0x1F, toDate >> 9, (toDate >> 5) & 0xF, toDate & 0x1F, toTime >> 11,
                (toTime >> 5) & 0x3F, toTime & 0x1F, lowHalf(record.minimumLength),
                static_cast<unsigned long>(lowHalf(record.maximumLength)));
  return value;
}

// Missing keys read as empty: all attributes, no bounds, no masks. A damaged `Filter` value
// costs the bounds only; the masks are read all the same.
FilterRecord loadFilter(ConfigStore& store) {
  char value[kFilterValueCapacity];
  store.getText(kProgramSection, kFilterKey, "", value, sizeof value);
  FilterRecord record = parseFilterValue(value);
  store.getText(kProgramSection, kIncludeKey, "", record.includePatterns,
                sizeof record.includePatterns);
  store.getText(kProgramSection, kExcludeKey, "", record.excludePatterns,
                sizeof record.excludePatterns);
  // The high halves count only beside the low halves they were saved with: an older copy that
  // saved `Filter` since left them stale.
  unsigned high[4] = {};
  const std::string highValue = store.getText(kProgramSection, kFilterHighKey, "");
  if (std::sscanf(highValue.c_str(), "%u,%u,%u,%u", &high[0], &high[1], &high[2], &high[3]) == 4 &&
      high[2] == lowHalf(record.minimumLength) && high[3] == lowHalf(record.maximumLength)) {
    record.minimumLength |= uint64_t{high[0]} << 32;
    record.maximumLength |= uint64_t{high[1]} << 32;
  }
  return record;
}

void saveFilter(const FilterRecord& record, ConfigStore& store) {
  store.putText(kProgramSection, kFilterKey, formatFilterValue(record).c_str());
  store.putText(kProgramSection, kIncludeKey, record.includePatterns);
  store.putText(kProgramSection, kExcludeKey, record.excludePatterns);
  const unsigned minimumHigh = highHalf(record.minimumLength);
  const unsigned maximumHigh = highHalf(record.maximumLength);
  if (minimumHigh != 0 || maximumHigh != 0 ||
      !store.getText(kProgramSection, kFilterHighKey, "").empty()) {
    char high[48];
    std::snprintf(high, sizeof high, "%u,%u,%u,%u", minimumHigh, maximumHigh,
                  unsigned{lowHalf(record.minimumLength)}, unsigned{lowHalf(record.maximumLength)});
    store.putText(kProgramSection, kFilterHighKey, high);
  }
}

// The masks are prepared once here rather than for every candidate of the run.
SearchFilter::SearchFilter(const FilterRecord& record, platform::PathMatchFunction secondChance)
    : record_(record),
      include_(terminatedMask(record_.includePatterns), secondChance),
      exclude_(terminatedMask(record_.excludePatterns), secondChance) {}

// Cheap tests first; the length bounds speak about files only, so a folder that got this far is
// accepted.
bool SearchFilter::accepts(const char* name, uint32_t attributes, uint16_t dosDate,
                           uint16_t dosTime, uint64_t size) const {
  if ((attributes & kFilterAttributes & ~uint32_t{record_.allowedAttributes}) != 0) return false;
  if (record_.includePatterns[0] != '\0' && !include_.matches(name)) return false;
  if (record_.excludePatterns[0] != '\0' && exclude_.matches(name)) return false;
  if (!passesDateAndTime(dosDate, dosTime)) return false;
  if ((attributes & kFolderAttribute) != 0) return true;
  if ((record_.flags & kFilterMinimumLength) != 0 && size < record_.minimumLength) return false;
  if ((record_.flags & kFilterMaximumLength) != 0 && size > record_.maximumLength) return false;
  return true;
}

namespace {

// Days from 1 January 1980 to the first of a month, by the civil calendar (the year 2100 is no
// leap year, which a DOS date can reach).
int64_t daysBeforeMonth(int64_t year, int64_t month) {
  // Counted from March, so that the leap day ends a year.
  const int64_t y = month <= 2 ? year - 1 : year;
  const int64_t era = y / 400;
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * ((month + 9) % 12) + 2) / 5;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  // From 1 March of the year 0 to 1 January 1970, and on to 1 January 1980.
  constexpr int64_t kDaysTo1980 = 719468 + 3652;
  return era * 146097 + dayOfEra - kDaysTo1980;
}

// A packed DOS date and time as seconds since 1980. Fields outside their range (month 0 or 13,
// 31 February, minute 61, a seconds field of 31) are held at the nearest value a clock shows, so
// that the order of valid stamps is kept and nothing overflows.
int64_t secondsOf(uint16_t dosDate, uint16_t dosTime) {
  const int64_t year = 1980 + (dosDate >> 9);
  const int64_t month = std::clamp<int64_t>((dosDate >> 5) & 0xF, 1, 12);
  const int64_t firstOfMonth = daysBeforeMonth(year, month);
  const int64_t monthLength =
      (month == 12 ? daysBeforeMonth(year + 1, 1) : daysBeforeMonth(year, month + 1)) -
      firstOfMonth;
  const int64_t day = std::clamp<int64_t>(dosDate & 0x1F, 1, monthLength);
  const int64_t hour = std::min<int64_t>(dosTime >> 11, 23);
  const int64_t minute = std::min<int64_t>((dosTime >> 5) & 0x3F, 59);
  const int64_t second = std::min<int64_t>((dosTime & 0x1F) * 2, 59);
  const int64_t days = firstOfMonth + day - 1;
  return ((days * 24 + hour) * 60 + minute) * 60 + second;
}

// FAT volumes and archives keep times in 2-second steps and round them their own way.
constexpr int64_t kStampSlackSeconds = 4;

}  // namespace

// A date and a time together make one instant, which a stamp may miss by 4 seconds on either
// side, across minutes, days and years alike. A date or a time alone bounds only that part, on
// any time or any date.
bool SearchFilter::passesDateAndTime(uint16_t dosDate, uint16_t dosTime) const {
  const uint16_t flags = record_.flags;
  const bool fromDate = (flags & kFilterFromDate) != 0;
  const bool fromTime = (flags & kFilterFromTime) != 0;
  const bool toDate = (flags & kFilterToDate) != 0;
  const bool toTime = (flags & kFilterToTime) != 0;
  const int64_t stamp =
      (fromDate && fromTime) || (toDate && toTime) ? secondsOf(dosDate, dosTime) : 0;
  if (fromDate && fromTime) {
    if (stamp + kStampSlackSeconds < secondsOf(record_.fromDate, record_.fromTime)) return false;
  } else if (fromDate) {
    if (dosDate < record_.fromDate) return false;
  } else if (fromTime) {
    if (dosTime < record_.fromTime) return false;
  }
  if (toDate && toTime) {
    if (secondsOf(record_.toDate, record_.toTime) + kStampSlackSeconds < stamp) return false;
  } else if (toDate) {
    if (dosDate > record_.toDate) return false;
  } else if (toTime) {
    if (dosTime > record_.toTime) return false;
  }
  return true;
}

}  // namespace ostrya

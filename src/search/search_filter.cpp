// portable: no platform headers.
#include "search/search_filter.h"

#include <cstdio>

#include "foundation/config_store.h"

namespace ostrya {
namespace {

constexpr char kProgramSection[] = "Ostrya";
constexpr char kFilterKey[] = "Filter";
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

// A negative number stands for a length of 2 GiB or more that was saved as its low half; it
// comes back with the high half filled with ones.
uint64_t lengthFrom(int32_t number) {
  return static_cast<uint64_t>(static_cast<int64_t>(number));
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
  return record;
}

void saveFilter(const FilterRecord& record, ConfigStore& store) {
  store.putText(kProgramSection, kFilterKey, formatFilterValue(record).c_str());
  store.putText(kProgramSection, kIncludeKey, record.includePatterns);
  store.putText(kProgramSection, kExcludeKey, record.excludePatterns);
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

// A date and a time together make one instant, which a stamp may miss by 2 units of the time
// field (4 seconds) on either side: FAT volumes and archives keep times in 2-second steps and
// round them their own way. The units are counted on the packed value, so the slack does not
// reach across a minute. A date or a time alone bounds only that part, on any time or any date.
// The sums are unsigned 32-bit; only stamps with month 15 come near their wrap.
bool SearchFilter::passesDateAndTime(uint16_t dosDate, uint16_t dosTime) const {
  const uint16_t flags = record_.flags;
  const uint32_t stamp = (uint32_t{dosDate} << 16) + dosTime;
  const bool fromDate = (flags & kFilterFromDate) != 0;
  const bool fromTime = (flags & kFilterFromTime) != 0;
  if (fromDate && fromTime) {
    const uint32_t bound = (uint32_t{record_.fromDate} << 16) + record_.fromTime;
    if (stamp + 2 < bound) return false;
  } else if (fromDate) {
    if (dosDate < record_.fromDate) return false;
  } else if (fromTime) {
    if (dosTime < record_.fromTime) return false;
  }
  const bool toDate = (flags & kFilterToDate) != 0;
  const bool toTime = (flags & kFilterToTime) != 0;
  if (toDate && toTime) {
    const uint32_t bound = (uint32_t{record_.toDate} << 16) + record_.toTime;
    if (bound + 2 < stamp) return false;
  } else if (toDate) {
    if (dosDate > record_.toDate) return false;
  } else if (toTime) {
    if (dosTime > record_.toTime) return false;
  }
  return true;
}

}  // namespace ostrya

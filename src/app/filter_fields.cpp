// portable: no platform headers.
#include "app/filter_fields.h"

#include <algorithm>
#include <cstring>

#include "foundation/date_time_text.h"

namespace ostrya {
namespace {

// A field's text as OK reads it: up to its read length, and up to a zero byte as a C string ends.
std::string readField(const FilterFields& fields, FilterField field) {
  const char* text = fields.texts[field].c_str();
  return std::string(text, strnlen(text, kFilterFieldControls[field].readLength));
}

void copyMask(const std::string& text, char (&mask)[kFilterMaskCapacity]) {
  const std::size_t length = std::min(text.size(), kFilterMaskCapacity - 1);
  std::memcpy(mask, text.data(), length);
  mask[length] = '\0';
}

enum class BoundKind { Date, Time };

struct DateTimeBound {
  FilterField field;
  BoundKind kind;
  uint16_t flag;
  uint16_t FilterRecord::*value;
};
// The order in which OK reads them, so the first bad one is the one reported.
constexpr DateTimeBound kDateTimeBounds[] = {
    {kFilterFromDateField, BoundKind::Date, kFilterFromDate, &FilterRecord::fromDate},
    {kFilterToDateField, BoundKind::Date, kFilterToDate, &FilterRecord::toDate},
    {kFilterFromTimeField, BoundKind::Time, kFilterFromTime, &FilterRecord::fromTime},
    {kFilterToTimeField, BoundKind::Time, kFilterToTime, &FilterRecord::toTime},
};

struct LengthBound {
  FilterField field;
  uint16_t flag;
  uint64_t FilterRecord::*value;
};
constexpr LengthBound kLengthBounds[] = {
    {kFilterMinimumLengthField, kFilterMinimumLength, &FilterRecord::minimumLength},
    {kFilterMaximumLengthField, kFilterMaximumLength, &FilterRecord::maximumLength},
};

bool readDateTime(const std::string& text, BoundKind kind, uint32_t currentYear, uint16_t& value) {
  if (kind == BoundKind::Date) {
    CalendarDate date;
    if (!parseDateText(text.c_str(), currentYear, date)) return false;
    value = dosDateOf(date);
  } else {
    ClockTime time;
    if (!parseTimeText(text.c_str(), time)) return false;
    value = dosTimeOf(time);
  }
  return true;
}

}  // namespace

// Only the bounds whose flags are set are shown; the others stay empty. A length is shown signed
// because a negative number typed into the field is stored as its 64-bit pattern, and must read
// back as the same pattern.
FilterFields filterFieldsOf(const FilterRecord& record) {
  FilterFields fields;
  fields.checkedAttributes = record.allowedAttributes & kFilterAttributes;
  fields.texts[kFilterIncludeField] =
      std::string(record.includePatterns, strnlen(record.includePatterns, kFilterMaskCapacity));
  fields.texts[kFilterExcludeField] =
      std::string(record.excludePatterns, strnlen(record.excludePatterns, kFilterMaskCapacity));
  for (const DateTimeBound& bound : kDateTimeBounds) {
    if ((record.flags & bound.flag) == 0) continue;
    char text[std::max(kDateTextCapacity, kTimeTextCapacity)];
    if (bound.kind == BoundKind::Date)
      formatDosDate(record.*bound.value, text, sizeof text);
    else
      formatDosTime(record.*bound.value, text, sizeof text);
    fields.texts[bound.field] = text;
  }
  for (const LengthBound& bound : kLengthBounds) {
    if ((record.flags & bound.flag) != 0)
      fields.texts[bound.field] = std::to_string(static_cast<int64_t>(record.*bound.value));
  }
  return fields;
}

// The record starts cleared; an empty field leaves its bound absent. The dialog stays open on an
// error with the record as far as it got, so the bounds after the bad one are not read.
FilterReading readFilterFields(const FilterFields& fields, uint32_t currentYear) {
  FilterReading reading;
  FilterRecord& record = reading.record;
  record.allowedAttributes = fields.checkedAttributes & kFilterAttributes;
  copyMask(readField(fields, kFilterIncludeField), record.includePatterns);
  copyMask(readField(fields, kFilterExcludeField), record.excludePatterns);
  for (const DateTimeBound& bound : kDateTimeBounds) {
    const std::string text = readField(fields, bound.field);
    if (text.empty()) continue;
    if (!readDateTime(text, bound.kind, currentYear, record.*bound.value)) {
      reading.error = FilterFieldError{
          bound.field, bound.kind == BoundKind::Date ? kTextInvalidDate : kTextInvalidTime};
      return reading;
    }
    record.flags = static_cast<uint16_t>(record.flags | bound.flag);
  }
  for (const LengthBound& bound : kLengthBounds) {
    const std::string text = readField(fields, bound.field);
    if (text.empty()) continue;
    record.*bound.value = static_cast<uint64_t>(readLengthText(text.c_str()));
    record.flags = static_cast<uint16_t>(record.flags | bound.flag);
  }
  return reading;
}

// Anything that is no number reads as 0; there is no message for it.
int64_t readLengthText(const char* text) {
  const char* at = text;
  while (*at == ' ' || *at == '\t') ++at;
  const bool negative = *at == '-';
  if (*at == '-' || *at == '+') ++at;
  // The magnitude stops growing at 2^63, the largest a negative number can have.
  constexpr uint64_t kLargestMagnitude = uint64_t{1} << 63;
  uint64_t magnitude = 0;
  for (; *at >= '0' && *at <= '9'; ++at) {
    const auto digit = static_cast<uint64_t>(*at - '0');
    magnitude =
        magnitude > (kLargestMagnitude - digit) / 10 ? kLargestMagnitude : magnitude * 10 + digit;
  }
  if (negative)
    return magnitude == kLargestMagnitude ? INT64_MIN : -static_cast<int64_t>(magnitude);
  return magnitude >= kLargestMagnitude ? INT64_MAX : static_cast<int64_t>(magnitude);
}

void copyAcrossRange(int step, DateTimeTexts& from, DateTimeTexts& to) {
  if (step > 0)
    to = from;
  else if (step < 0)
    from = to;
}

}  // namespace ostrya

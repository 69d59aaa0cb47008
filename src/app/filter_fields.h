// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "foundation/text_lookup.h"
#include "search/search_filter.h"

namespace ostrya {

// The filter dialog's edit fields, in the order OK reads the bounds among them.
enum FilterField : int {
  kFilterIncludeField,
  kFilterExcludeField,
  kFilterFromDateField,
  kFilterToDateField,
  kFilterFromTimeField,
  kFilterToTimeField,
  kFilterMinimumLengthField,
  kFilterMaximumLengthField,
  kFilterFieldCount,
};

// `limit`: what the edit control lets the user type; `readLength`: how much of its text OK reads.
struct FilterFieldControl {
  int controlId;
  int limit;
  std::size_t readLength;
};
inline constexpr FilterFieldControl kFilterFieldControls[kFilterFieldCount] = {
    {2304, 127, kFilterMaskCapacity - 1},
    {2310, 127, kFilterMaskCapacity - 1},
    {2311, 10, 32},
    {2312, 10, 32},
    {2313, 8, 32},
    {2314, 8, 32},
    {2315, 12, 32},
    {2316, 12, 32},
};

// The attribute bit each check box stands for.
struct AttributeBox {
  int controlId;
  uint16_t attribute;
};
inline constexpr AttributeBox kFilterAttributeBoxes[] = {
    {2305, 0x1}, {2306, 0x20}, {2307, 0x4}, {2308, 0x2}, {2309, 0x10},
};

// What the dialog shows: a text per field and the bits of the checked attribute boxes.
struct FilterFields {
  std::string texts[kFilterFieldCount];
  uint16_t checkedAttributes = 0;
};

FilterFields filterFieldsOf(const FilterRecord& record);

struct FilterFieldError {
  FilterField field;
  TextId message;
};

// On an error `record` holds what was read before the failing field.
struct FilterReading {
  FilterRecord record;
  std::optional<FilterFieldError> error;
};
FilterReading readFilterFields(const FilterFields& fields, uint32_t currentYear);

// A length field's number: blanks, an optional sign, then decimal digits; held at the ends of the
// 64-bit range instead of wrapping.
int64_t readLengthText(const char* text);

// One side of the date and time range, as the dialog shows it.
struct DateTimeTexts {
  std::string date;
  std::string time;
};

// The up-down control between the two sides: a positive step copies from into to, a negative one
// to into from.
void copyAcrossRange(int step, DateTimeTexts& from, DateTimeTexts& to);

}  // namespace ostrya

// The filter dialog's fields hold whatever the user types or pastes. A text is put into each
// field in turn: what the dialog accepts must be shown again as texts that read back as the same
// record, and a date and time the picker opens on must come back from it unchanged and have a
// cell in its calendar. Input: the text, cut at its first zero byte.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/date_picker.h"
#include "app/filter_fields.h"

namespace {

constexpr uint32_t kThisYear = 2026;

bool sameRecord(const ostrya::FilterRecord& a, const ostrya::FilterRecord& b) {
  return a.flags == b.flags && a.allowedAttributes == b.allowedAttributes &&
         std::strcmp(a.includePatterns, b.includePatterns) == 0 &&
         std::strcmp(a.excludePatterns, b.excludePatterns) == 0 && a.fromDate == b.fromDate &&
         a.toDate == b.toDate && a.fromTime == b.fromTime && a.toTime == b.toTime &&
         a.minimumLength == b.minimumLength && a.maximumLength == b.maximumLength;
}

void checkField(ostrya::FilterField field, const std::string& text) {
  ostrya::FilterFields fields;
  fields.texts[field] = text;
  const ostrya::FilterReading reading = ostrya::readFilterFields(fields, kThisYear);
  if (reading.error) {
    if (reading.error->field != field || reading.record.flags != 0) std::abort();
    return;
  }
  const ostrya::FilterReading back =
      ostrya::readFilterFields(ostrya::filterFieldsOf(reading.record), kThisYear);
  if (back.error || !sameRecord(back.record, reading.record)) std::abort();
}

void checkPicker(const ostrya::DateTimeTexts& texts) {
  const ostrya::PickerRecord record = ostrya::pickerRecordOf(texts, kThisYear);
  if (record.date.day == 0) return;
  const ostrya::PickerRecord back = ostrya::pickerRecordOf(ostrya::pickerTexts(record), kThisYear);
  if (back.date.day != record.date.day || back.date.month != record.date.month ||
      back.date.year != record.date.year || back.time.hour != record.time.hour ||
      back.time.minute != record.time.minute || back.time.second != record.time.second ||
      back.firstWeekday != record.firstWeekday || back.monthLength != record.monthLength)
    std::abort();
  const auto cell = ostrya::cellOfDay(record, record.date.day);
  if (!cell || ostrya::dayInCell(record, *cell) != record.date.day) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = std::string(reinterpret_cast<const char*>(data), size).c_str();
  for (int field = 0; field < ostrya::kFilterFieldCount; ++field)
    checkField(static_cast<ostrya::FilterField>(field), text);
  const int64_t length = ostrya::readLengthText(text.c_str());
  if (ostrya::readLengthText(std::to_string(length).c_str()) != length) std::abort();
  checkPicker({text, ""});
  checkPicker({"01.01.2000", text});
  return 0;
}

// Date and time texts are typed by the user, and the `Filter` value comes from a settings file
// anyone may edit: all three readers meet arbitrary bytes. Whatever they accept must survive
// being written out and read again unchanged. Input: the text, cut at its first zero byte.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/date_time_text.h"
#include "search/search_filter.h"

namespace {

constexpr uint32_t kThisYear = 2026;

void checkDate(const char* text) {
  ostrya::CalendarDate date;
  if (!ostrya::parseDateText(text, kThisYear, date)) return;
  const uint16_t value = ostrya::dosDateOf(date);
  char written[ostrya::kDateTextCapacity];
  ostrya::formatDosDate(value, written, sizeof written);
  ostrya::CalendarDate back;
  if (!ostrya::parseDateText(written, kThisYear, back) || ostrya::dosDateOf(back) != value)
    std::abort();
}

void checkTime(const char* text) {
  ostrya::ClockTime time;
  if (!ostrya::parseTimeText(text, time)) return;
  const uint16_t value = ostrya::dosTimeOf(time);
  char written[ostrya::kTimeTextCapacity];
  ostrya::formatDosTime(value, written, sizeof written);
  ostrya::ClockTime back;
  if (!ostrya::parseTimeText(written, back) || ostrya::dosTimeOf(back) != value) std::abort();
}

void checkFilterValue(const char* text) {
  const ostrya::FilterRecord record = ostrya::parseFilterValue(text);
  const std::string written = ostrya::formatFilterValue(record);
  const ostrya::FilterRecord back = ostrya::parseFilterValue(written.c_str());
  if (back.allowedAttributes != record.allowedAttributes || back.flags != record.flags ||
      back.fromDate != record.fromDate || back.toDate != record.toDate ||
      back.fromTime != record.fromTime || back.toTime != record.toTime ||
      back.minimumLength != record.minimumLength || back.maximumLength != record.maximumLength)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = std::string(reinterpret_cast<const char*>(data), size).c_str();
  checkDate(text.c_str());
  checkTime(text.c_str());
  checkFilterValue(text.c_str());
  return 0;
}

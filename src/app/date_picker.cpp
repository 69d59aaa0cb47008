// portable: no platform headers.
#include "app/date_picker.h"

#include <cstdio>

namespace ostrya {
namespace {

constexpr int kDayRows = kCalendarRows - 1;

// Row 1, column 0 holds day 2 - firstWeekday, so the first day falls under its weekday.
int dayIndexOffset(const PickerRecord& record) {
  return 2 - static_cast<int>(record.firstWeekday);
}

void showMonth(PickerRecord& record) {
  record.firstWeekday = firstWeekdayOfMonth(record.date.month, record.date.year);
  record.monthLength = daysInMonth(record.date.month, record.date.year);
}

}  // namespace

// Sakamoto's method on the Gregorian calendar, which is what the system's own conversion gives;
// only the month lengths follow the every-fourth-year rule.
uint32_t firstWeekdayOfMonth(uint32_t month, uint32_t year) {
  if (year < kFirstPickerYear || year > kLastPickerYear || month < 1 || month > 12) return 0;
  static constexpr uint32_t kMonthOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  const uint32_t y = month < 3 ? year - 1 : year;
  const uint32_t sundayBased = (y + y / 4 - y / 100 + y / 400 + kMonthOffsets[month - 1] + 1) % 7;
  return sundayBased == 0 ? 7 : sundayBased;
}

PickerRecord pickerRecordOf(const DateTimeTexts& texts, uint32_t currentYear) {
  PickerRecord record;
  const bool read = parseDateText(texts.date.c_str(), currentYear, record.date) &&
                    parseTimeText(texts.time.c_str(), record.time);
  if (!read) record.date.day = 0;
  showMonth(record);
  return record;
}

PickerRecord pickerRecordAt(const CalendarDate& date, const ClockTime& time) {
  PickerRecord record{date, time};
  showMonth(record);
  return record;
}

DateTimeTexts pickerTexts(const PickerRecord& record) {
  // Room for the largest 32-bit numbers the fields could hold.
  char date[40];
  char time[40];
  std::snprintf(date, sizeof date, "%02u.%02u.%04u", record.date.day, record.date.month,
                record.date.year);
  std::snprintf(time, sizeof time, "%02u:%02u:%02u", record.time.hour, record.time.minute,
                record.time.second);
  return {date, time};
}

// The day stays as it is, also when the new year's February is shorter.
void setPickerYear(PickerRecord& record, uint32_t year) {
  record.date.year = year;
  showMonth(record);
}

// A day the new month does not have becomes its last.
void setPickerMonth(PickerRecord& record, uint32_t month) {
  record.date.month = month;
  showMonth(record);
  if (record.date.day > record.monthLength) record.date.day = record.monthLength;
}

uint32_t dayInCell(const PickerRecord& record, CalendarCell cell) {
  if (cell.row < 1 || cell.row > kDayRows || cell.column < 0 || cell.column >= kCalendarColumns)
    return 0;
  const int day = (cell.row - 1) * kCalendarColumns + cell.column + dayIndexOffset(record);
  if (day < 1 || static_cast<uint32_t>(day) > record.monthLength) return 0;
  return static_cast<uint32_t>(day);
}

std::optional<CalendarCell> cellOfDay(const PickerRecord& record, uint32_t day) {
  if (day < 1 || day > record.monthLength) return std::nullopt;
  const int index = static_cast<int>(day) - dayIndexOffset(record);
  if (index < 0 || index >= kDayRows * kCalendarColumns) return std::nullopt;
  return CalendarCell{index / kCalendarColumns + 1, index % kCalendarColumns};
}

// Equal cells by integer division; what is left over at the right and bottom edges belongs to no
// cell.
CalendarGrid calendarGrid(int clientWidth, int clientHeight) {
  return {clientWidth / kCalendarColumns, clientHeight / kCalendarRows};
}

Rect cellRect(const CalendarGrid& grid, CalendarCell cell) {
  return {cell.column * grid.cellWidth, cell.row * grid.cellHeight, grid.cellWidth,
          grid.cellHeight};
}

std::optional<CalendarCell> cellAt(const CalendarGrid& grid, int x, int y) {
  if (grid.cellWidth <= 0 || grid.cellHeight <= 0 || x < 0 || y < 0) return std::nullopt;
  const CalendarCell cell{y / grid.cellHeight, x / grid.cellWidth};
  if (cell.row >= kCalendarRows || cell.column >= kCalendarColumns) return std::nullopt;
  return cell;
}

}  // namespace ostrya

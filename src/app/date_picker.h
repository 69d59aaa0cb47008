// portable: no platform headers.
#pragma once

#include <cstdint>
#include <optional>

#include "app/filter_fields.h"
#include "app/panel_layout.h"
#include "foundation/date_time_text.h"

namespace ostrya {

// The years the picker's year field offers.
inline constexpr uint32_t kFirstPickerYear = 1980;
inline constexpr uint32_t kLastPickerYear = 9999;

// `firstWeekday` (1 Monday to 7 Sunday) and `monthLength` describe the month the date lies in.
struct PickerRecord {
  CalendarDate date;
  ClockTime time;
  uint32_t firstWeekday = 0;
  uint32_t monthLength = 0;
};

// 1 Monday to 7 Sunday; 0 for a year outside the picker's years or a month outside 1 to 12.
uint32_t firstWeekdayOfMonth(uint32_t month, uint32_t year);

// The picker opened on one side's texts. Day 0 when either text is no date or time: the picker
// then starts at the current moment.
PickerRecord pickerRecordOf(const DateTimeTexts& texts, uint32_t currentYear);
// The picker at a moment: the one it opens on, or the Current button's.
PickerRecord pickerRecordAt(const CalendarDate& date, const ClockTime& time);
// What OK writes back into the side's fields.
DateTimeTexts pickerTexts(const PickerRecord& record);

void setPickerYear(PickerRecord& record, uint32_t year);
void setPickerMonth(PickerRecord& record, uint32_t month);

// The calendar: 7 columns, 0 Monday to 6 Sunday, and 7 rows, the weekday names in row 0 and the
// days in rows 1 to 6.
inline constexpr int kCalendarColumns = 7;
inline constexpr int kCalendarRows = 7;
struct CalendarCell {
  int row;
  int column;
  bool operator==(const CalendarCell&) const = default;
};

// 0 for a cell that shows no day.
uint32_t dayInCell(const PickerRecord& record, CalendarCell cell);
std::optional<CalendarCell> cellOfDay(const PickerRecord& record, uint32_t day);

struct CalendarGrid {
  int cellWidth;
  int cellHeight;
};
CalendarGrid calendarGrid(int clientWidth, int clientHeight);
Rect cellRect(const CalendarGrid& grid, CalendarCell cell);
std::optional<CalendarCell> cellAt(const CalendarGrid& grid, int x, int y);

}  // namespace ostrya

#include "app/date_picker.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace ostrya {
namespace {

PickerRecord monthOf(uint32_t month, uint32_t year, uint32_t day = 1) {
  return pickerRecordAt({day, month, year}, {});
}

TEST(DatePicker, FirstWeekdaysOfKnownMonths) {
  const struct {
    uint32_t month;
    uint32_t year;
    uint32_t weekday;
  } cases[] = {
      {2, 2024, 4},
      {12, 2026, 2},
      {1, 1980, 2},
      {1, 2000, 6},
      {6, 2025, 7},
      {2, 2100, 1},
      {3, 2100, 1},
      {12, 9999, 3},
      // Outside the years the picker offers, or no month.
      {12, 1979, 0},
      {1, 10000, 0},
      {0, 2024, 0},
      {13, 2024, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(firstWeekdayOfMonth(c.month, c.year), c.weekday) << c.month << "/" << c.year;
}

// Against days counted one month after another from Tuesday, 1 January 1980, with the
// Gregorian leap years.
TEST(DatePicker, FirstWeekdaysFollowEachOtherThroughEveryYear) {
  uint32_t weekday = 2;
  for (uint32_t year = kFirstPickerYear; year <= kLastPickerYear; ++year) {
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    const uint32_t lengths[12] = {31, leap ? 29u : 28u, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (uint32_t month = 1; month <= 12; ++month) {
      ASSERT_EQ(firstWeekdayOfMonth(month, year), weekday) << month << "/" << year;
      weekday = (weekday - 1 + lengths[month - 1]) % 7 + 1;
    }
  }
}

TEST(DatePicker, CalendarCellsOfSomeMonths) {
  const struct {
    uint32_t month;
    uint32_t year;
    CalendarCell cell;
    uint32_t day;
  } cases[] = {
      // February 2024 starts on a Thursday and has 29 days.
      {2, 2024, {1, 2}, 0},
      {2, 2024, {1, 3}, 1},
      {2, 2024, {1, 6}, 4},
      {2, 2024, {2, 0}, 5},
      {2, 2024, {5, 3}, 29},
      {2, 2024, {5, 4}, 0},
      {2, 2024, {0, 3}, 0},
      // December 2026 starts on a Tuesday.
      {12, 2026, {1, 0}, 0},
      {12, 2026, {1, 1}, 1},
      {12, 2026, {5, 3}, 31},
      {12, 2026, {5, 4}, 0},
      // June 2025 starts on a Sunday and needs the sixth row.
      {6, 2025, {1, 6}, 1},
      {6, 2025, {6, 0}, 30},
      {6, 2025, {6, 1}, 0},
      // February 2100 has 29 days here, as dates are read.
      {2, 2100, {5, 0}, 29},
      // Beyond the grid.
      {12, 2026, {7, 0}, 0},
      {12, 2026, {1, 7}, 0},
      {12, 2026, {1, -1}, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dayInCell(monthOf(c.month, c.year), c.cell), c.day)
        << c.month << "/" << c.year << " row " << c.cell.row << " column " << c.cell.column;
  }
}

TEST(DatePicker, EveryDayHasTheCellThatShowsIt) {
  for (uint32_t year : {1980u, 2024u, 2025u, 2100u, 9999u}) {
    for (uint32_t month = 1; month <= 12; ++month) {
      const PickerRecord record = monthOf(month, year);
      uint32_t shown = 0;
      for (int row = 0; row < kCalendarRows; ++row) {
        for (int column = 0; column < kCalendarColumns; ++column) {
          const uint32_t day = dayInCell(record, {row, column});
          if (day == 0) continue;
          ++shown;
          EXPECT_EQ(cellOfDay(record, day), (CalendarCell{row, column}));
        }
      }
      EXPECT_EQ(shown, record.monthLength) << month << "/" << year;
      EXPECT_FALSE(cellOfDay(record, 0));
      EXPECT_FALSE(cellOfDay(record, record.monthLength + 1));
    }
  }
  // A year the calendar does not know places no first day.
  EXPECT_FALSE(cellOfDay(monthOf(5, 1970), 1));
}

TEST(DatePicker, MonthAndYearChanges) {
  PickerRecord record = monthOf(1, 2024, 31);
  setPickerMonth(record, 2);
  EXPECT_EQ(record.date.day, 29u);
  EXPECT_EQ(record.firstWeekday, 4u);
  EXPECT_EQ(record.monthLength, 29u);
  // A year change keeps the day, also one the month no longer has.
  setPickerYear(record, 2023);
  EXPECT_EQ(record.date.day, 29u);
  EXPECT_EQ(record.monthLength, 28u);
  EXPECT_EQ(record.firstWeekday, 3u);
  EXPECT_FALSE(cellOfDay(record, record.date.day));
  setPickerMonth(record, 3);
  EXPECT_EQ(record.date.day, 29u);
  setPickerMonth(record, 4);
  setPickerMonth(record, 2);
  EXPECT_EQ(record.date.day, 28u);
  setPickerYear(record, 1979);
  EXPECT_EQ(record.firstWeekday, 0u);
}

TEST(DatePicker, OpensOnTheTextsAndWritesThemBack) {
  const struct {
    DateTimeTexts texts;
    const char* shown;  // "" when the picker starts at the current moment
  } cases[] = {
      {{"29.2.24", "9:30:15"}, "29.02.2024 09:30:15"},
      {{"1.1.1980", ""}, "01.01.1980 00:00:00"},
      {{"", "12:00"}, ""},
      {{"30.02.2024", "12:00"}, ""},
      {{"1.1.2024", "24:00"}, ""},
  };
  for (const auto& c : cases) {
    const PickerRecord record = pickerRecordOf(c.texts, 2026);
    if (*c.shown == '\0') {
      EXPECT_EQ(record.date.day, 0u) << c.texts.date << " " << c.texts.time;
      continue;
    }
    const DateTimeTexts back = pickerTexts(record);
    EXPECT_EQ(back.date + " " + back.time, c.shown);
  }
  const PickerRecord opened = pickerRecordOf({"29.2.24", "9:30:15"}, 2026);
  EXPECT_EQ(opened.firstWeekday, 4u);
  EXPECT_EQ(opened.monthLength, 29u);
  // The picker's own seconds are written as they are, odd ones too.
  const DateTimeTexts now = pickerTexts(pickerRecordAt({5, 3, 9999}, {23, 59, 59}));
  EXPECT_EQ(now.date + " " + now.time, "05.03.9999 23:59:59");
}

TEST(DatePicker, GridCellsAndPoints) {
  const CalendarGrid grid = calendarGrid(150, 120);
  EXPECT_EQ(grid.cellWidth, 21);
  EXPECT_EQ(grid.cellHeight, 17);
  EXPECT_EQ(cellRect(grid, {2, 3}), (Rect{63, 34, 21, 17}));
  const struct {
    int x;
    int y;
    std::optional<CalendarCell> cell;
  } cases[] = {
      {0, 0, CalendarCell{0, 0}},
      {20, 16, CalendarCell{0, 0}},
      {21, 17, CalendarCell{1, 1}},
      {146, 118, CalendarCell{6, 6}},
      // The strips left over by the division belong to no cell.
      {147, 50, std::nullopt},
      {50, 119, std::nullopt},
      {-1, 50, std::nullopt},
      {50, -1, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(cellAt(grid, c.x, c.y), c.cell) << c.x << "," << c.y;
  EXPECT_FALSE(cellAt(calendarGrid(6, 100), 0, 0));
}

}  // namespace
}  // namespace ostrya

// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrya {

struct CalendarDate {
  uint32_t day = 0;
  uint32_t month = 0;
  uint32_t year = 0;
};

struct ClockTime {
  uint32_t hour = 0;
  uint32_t minute = 0;
  uint32_t second = 0;
};

// February has 29 days in every year divisible by 4.
uint32_t daysInMonth(uint32_t month, uint32_t year);

// A day, month and year typed leniently ("1.5.26", "010526", "1 5 2026"); a two-digit year lies
// in the century of `currentYear`. False unless it is a real date from 1980 to 2107, the years a
// DOS date holds.
bool parseDateText(const char* text, uint32_t currentYear, CalendarDate& date);

// An hour, minute and second typed leniently ("9", "930", "9:30:15"). False when the hour is
// above 23 or the minute above 59; the second is taken as it comes.
bool parseTimeText(const char* text, ClockTime& time);

// A field beyond what its DOS field holds is held at the nearest value the field can hold.
uint16_t dosDateOf(const CalendarDate& date);
uint16_t dosTimeOf(const ClockTime& time);

// "DD.MM.YYYY" and "HH:MM:SS", cut to capacity - 1 characters.
inline constexpr std::size_t kDateTextCapacity = 11;
inline constexpr std::size_t kTimeTextCapacity = 9;
void formatDosDate(uint16_t dosDate, char* out, std::size_t capacity);
void formatDosTime(uint16_t dosTime, char* out, std::size_t capacity);

}  // namespace ostrya

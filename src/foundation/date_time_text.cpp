// portable: no platform headers.
#include "foundation/date_time_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace ostrya {
namespace {

// A date needs at most "DD.MM.YYYY" and a spare character; what follows is ignored.
constexpr std::size_t kDateExamined = 11;
// A time is scanned for separators in "HH:MM:SS" only.
constexpr std::size_t kTimeScanned = 8;

constexpr uint32_t kFirstDosYear = 1980;
constexpr uint32_t kLastDosYear = kFirstDosYear + 127;
constexpr uint32_t kLargestDosMinute = 63;
constexpr uint32_t kLargestDosSecondsField = 31;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t boundedLength(const char* text, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit && text[length] != '\0') ++length;
  return length;
}

// The digits from `from` up to the first non-digit, held at the largest 32-bit value so that an
// endless run of digits stays out of range instead of wrapping back into it.
uint32_t digitsFrom(const char* text, std::size_t from) {
  uint32_t value = 0;
  for (const char* at = text + from; isDigit(*at); ++at) {
    const uint32_t digit = static_cast<uint32_t>(*at - '0');
    value = value > (UINT32_MAX - digit) / 10 ? UINT32_MAX : value * 10 + digit;
  }
  return value;
}

// The numbers of a date text are formed by the characters at a range of positions that lie
// inside the text, so a shape cut short reads what it has and an empty year reads 0.
class DateText {
 public:
  DateText(const char* text, std::size_t length) : text_(text), length_(length) {}
  // Positions `begin` up to, not including, `end`.
  uint32_t number(std::size_t begin, std::size_t end) const {
    uint32_t value = 0;
    for (std::size_t i = begin; i < end && i < length_; ++i)
      value = value * 10 + static_cast<uint32_t>(text_[i] - '0');
    return value;
  }
  // Positions `first` to `last`, both included.
  uint32_t digits(std::size_t first, std::size_t last) const { return number(first, last + 1); }
  uint32_t digit(std::size_t at) const { return number(at, at + 1); }
  uint32_t from(std::size_t first) const { return number(first, length_); }

 private:
  const char* text_;
  std::size_t length_;
};

// The shapes by number of separators and the position of the last one; a pair that cannot be a
// month (above 12) or a day (32 and more) tells where a one-digit field was typed.
bool splitDate(const char* text, CalendarDate& date) {
  const std::size_t length = boundedLength(text, kDateExamined);
  std::size_t separators = 0;
  std::size_t first = 0;
  std::size_t last = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (isDigit(text[i])) continue;
    if (separators++ == 0) first = i;
    last = i;
  }
  const DateText d(text, length);
  if (separators == 0) {
    switch (length) {
      case 3:
        date = {d.digit(0), d.digit(1), d.digit(2)};
        return true;
      case 4:
        date = {d.digit(0), d.digit(1), d.digits(2, 3)};
        return true;
      case 6:
        if (d.digits(2, 3) > 12)
          date = {d.digit(0), d.digit(1), d.digits(2, 5)};
        else
          date = {d.digits(0, 1), d.digits(2, 3), d.digits(4, 5)};
        return true;
      case 8:
        date = {d.digits(0, 1), d.digits(2, 3), d.digits(4, 7)};
        return true;
      default:
        return false;
    }
  }
  if (separators == 1) {
    switch (last) {
      case 1:
        if (d.digits(2, 3) > 12)
          date = {d.digit(0), d.digit(2), d.from(3)};
        else
          date = {d.digit(0), d.digits(2, 3), d.from(4)};
        return true;
      case 2:
        if (d.digits(0, 1) >= 32)
          date = {d.digit(0), d.digit(1), d.from(3)};
        else if (d.digits(3, 4) > 12)
          date = {d.digits(0, 1), d.digit(3), d.from(4)};
        else
          date = {d.digits(0, 1), d.digits(3, 4), d.from(5)};
        return true;
      case 4:
        date = {d.digits(0, 1), d.digits(2, 3), d.from(5)};
        return true;
      default:
        return false;
    }
  }
  if (separators == 2) {
    date = {d.number(0, first), d.number(first + 1, last), d.from(last + 1)};
    return true;
  }
  return false;
}

}  // namespace

// Every year divisible by 4 is a leap year here, 2100 included: of the years a DOS date holds
// (1980 to 2107) it is the only one where the calendar's own rule differs. The date picker's
// calendar counts its months the same way, so that every day it offers reads back as a date.
uint32_t daysInMonth(uint32_t month, uint32_t year) {
  switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    case 2:
      return year % 4 == 0 ? 29 : 28;
    default:
      return 31;
  }
}

// The DOS date holds the years 1980 to 2107 only, so the dates outside them are not dates here:
// a later year would be stored as another date than the one typed.
bool parseDateText(const char* text, uint32_t currentYear, CalendarDate& date) {
  CalendarDate parsed;
  if (!splitDate(text, parsed)) return false;
  if (parsed.year < 100) parsed.year += currentYear - currentYear % 100;
  if (parsed.day == 0 || parsed.year < kFirstDosYear || parsed.year > kLastDosYear ||
      parsed.month < 1 || parsed.month > 12 || parsed.day > daysInMonth(parsed.month, parsed.year))
    return false;
  date = parsed;
  return true;
}

// Without separators the length decides which digits belong to the hour; a minute above 59 gives
// its last digit to the seconds. The seconds are not checked: only the hour and the minute must
// be a time of day.
bool parseTimeText(const char* text, ClockTime& time) {
  const std::size_t length = boundedLength(text, kTimeScanned + 1);
  std::size_t separators = 0;
  std::size_t at[2] = {0, 0};
  for (std::size_t i = 0; i < std::min(length, kTimeScanned) && separators < 2; ++i)
    if (!isDigit(text[i])) at[separators++] = i;

  auto d = [text](std::size_t i) { return static_cast<uint32_t>(text[i] - '0'); };
  uint32_t hour = 0;
  uint32_t minute = 0;
  uint32_t second = 0;
  if (separators == 0) {
    if (length == 1) {
      hour = d(0);
    } else if (length == 2) {
      hour = d(0);
      minute = d(1);
    } else if (length == 3) {
      hour = d(0);
      minute = d(1) * 10 + d(2);
      if (minute > 59) {
        minute = d(1);
        second = d(2);
      }
    } else if (length == 4) {
      if (d(0) * 10 + d(1) <= 59) {
        hour = d(0) * 10 + d(1);
        minute = d(2) * 10 + d(3);
        if (minute > 59) {
          minute = d(2);
          second = d(3);
        }
      } else {
        hour = d(0);
        minute = d(1) * 10 + d(2);
        if (minute > 59) {
          minute = d(1);
          second = d(2) * 10 + d(3);
        } else {
          second = d(3);
        }
      }
    }
  } else if (separators == 1) {
    if (at[0] == 0) {
      minute = digitsFrom(text, 1);
    } else if (at[0] == 1) {
      hour = d(0);
      minute = digitsFrom(text, 2);
    } else if (at[0] == 2) {
      hour = d(0) * 10 + d(1);
      minute = digitsFrom(text, 3);
    }
    if (minute > 59) {
      second = minute % 10;
      minute /= 10;
    }
    if (minute > 59) {
      second = (minute % 10) * 10 + second;
      minute /= 10;
    }
  } else {
    hour = digitsFrom(text, 0);
    minute = digitsFrom(text, at[0] + 1);
    second = digitsFrom(text, at[1] + 1);
  }
  if (hour > 23 || minute > 59) return false;
  time = {hour, minute, second};
  return true;
}

// The years a DOS date holds are 1980 to 2107; a date outside them is held at the nearer end.
uint16_t dosDateOf(const CalendarDate& date) {
  const uint32_t year = std::clamp(date.year, kFirstDosYear, kLastDosYear) - kFirstDosYear;
  const uint32_t month = std::min<uint32_t>(date.month, 15);
  const uint32_t day = std::min<uint32_t>(date.day, 31);
  return static_cast<uint16_t>((year << 9) | (month << 5) | day);
}

// The seconds field counts 2-second steps.
uint16_t dosTimeOf(const ClockTime& time) {
  const uint32_t hour = std::min<uint32_t>(time.hour, 31);
  const uint32_t minute = std::min(time.minute, kLargestDosMinute);
  const uint32_t seconds = std::min(time.second / 2, kLargestDosSecondsField);
  return static_cast<uint16_t>((hour << 11) | (minute << 5) | seconds);
}

void formatDosDate(uint16_t dosDate, char* out, std::size_t capacity) {
  const unsigned date = dosDate;
  std::snprintf(out, capacity, "%02u.%02u.%04u", date & 0x1F, (date >> 5) & 0xF,
                (date >> 9) + kFirstDosYear);
}

void formatDosTime(uint16_t dosTime, char* out, std::size_t capacity) {
  const unsigned time = dosTime;
  std::snprintf(out, capacity, "%02u:%02u:%02u", time >> 11, (time >> 5) & 0x3F, (time & 0x1F) * 2);
}

}  // namespace ostrya

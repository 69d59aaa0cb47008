#include "foundation/date_time_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace ostrya {
namespace {

constexpr uint32_t kThisYear = 2026;

// "invalid" for a text that is no date, else "D.M.Y" as read.
std::string readDate(const char* text, uint32_t currentYear = kThisYear) {
  CalendarDate date;
  if (!parseDateText(text, currentYear, date)) return "invalid";
  return std::to_string(date.day) + "." + std::to_string(date.month) + "." +
         std::to_string(date.year);
}

std::string readTime(const char* text) {
  ClockTime time;
  if (!parseTimeText(text, time)) return "invalid";
  return std::to_string(time.hour) + ":" + std::to_string(time.minute) + ":" +
         std::to_string(time.second);
}

struct TextCase {
  const char* text;
  const char* read;
};

TEST(DateText, EveryShape) {
  const TextCase cases[] = {
      // No separator: the length decides.
      {"115", "1.1.2005"},
      {"015", "invalid"},
      {"1299", "1.2.2099"},
      {"1099", "invalid"},
      {"111999", "1.1.1999"},  // the middle pair is no month: D M YYYY
      {"121979", "invalid"},
      {"311299", "31.12.2099"},
      {"310426", "invalid"},
      {"29022024", "29.2.2024"},
      {"15061979", "invalid"},
      {"1", "invalid"},
      {"12", "invalid"},
      {"12345", "invalid"},
      {"1234567", "invalid"},
      {"123456789", "invalid"},
      {"12345678901", "invalid"},
      // One separator after the first digit.
      {"1.199", "1.1.2099"},
      {"1.22024", "1.2.2024"},
      {"1.1999", "invalid"},  // month 1, year 999
      {"1.0599", "1.5.2099"},
      {"1.122024", "1.12.2024"},
      {"5.0024", "invalid"},
      // One separator after two digits.
      {"35.1999", "3.5.1999"},
      {"32.99", "3.2.2099"},
      {"40.99", "invalid"},
      {"12.199", "12.1.2099"},
      {"31.42026", "invalid"},
      {"12.1299", "12.12.2099"},
      {"12.122026", "12.12.2026"},
      {"30.0224", "invalid"},
      {"12.5", "12.5.2000"},  // what the shape lacks reads as 0
      // One separator after four digits.
      {"1512.2024", "15.12.2024"},
      {"3102.24", "invalid"},
      // One separator anywhere else.
      {".121999", "invalid"},
      {"121.1999", "invalid"},
      {"12345.6", "invalid"},
      // Two separators of any kind.
      {"31.12.99", "31.12.2099"},
      {"1/5/2026", "1.5.2026"},
      {"1-5-26", "1.5.2026"},
      {"5 1 2026", "5.1.2026"},
      {"01.01.1980", "1.1.1980"},
      {"31.12.1979", "invalid"},
      {"0.5.2026", "invalid"},
      {"1.13.2026", "invalid"},
      {"1.0.2026", "invalid"},
      {"..2026", "invalid"},
      // The last year a DOS date holds; a later one would be stored as another date.
      {"31.12.2107", "31.12.2107"},
      {"1.1.2108", "invalid"},
      {"01.02.20261", "invalid"},
      {"29j22321396262", "invalid"},
      // Three separators among the first eleven characters, but not after them.
      {"1.2.3.4", "invalid"},
      {"01.02.2026x", "invalid"},
      {"01.02.2026 and more", "invalid"},
      {"01.02.02026 and more", "1.2.2026"},
      {"", "invalid"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(readDate(c.text), c.read) << '"' << c.text << '"';
}

TEST(DateText, TwoDigitYearsTakeTheCurrentCentury) {
  const struct {
    const char* text;
    uint32_t currentYear;
    const char* read;
  } cases[] = {
      {"31.12.99", 2026, "31.12.2099"}, {"31.12.99", 2000, "31.12.2099"},
      {"31.12.99", 1999, "31.12.1999"}, {"31.12.99", 2100, "invalid"},
      {"1.1.79", 1999, "invalid"},      {"1.1.79", 2026, "1.1.2079"},
      {"1.1.100", 2026, "invalid"},     {"31.12.07", 2100, "31.12.2107"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(readDate(c.text, c.currentYear), c.read) << c.text << " in " << c.currentYear;
}

TEST(DateText, MonthLengthsWithEveryFourthYearALeapYear) {
  const TextCase cases[] = {
      {"29.02.2024", "29.2.2024"}, {"29.02.2100", "29.2.2100"}, {"29.02.2023", "invalid"},
      {"30.02.2024", "invalid"},   {"28.02.2023", "28.2.2023"}, {"31.01.2026", "31.1.2026"},
      {"30.04.2026", "30.4.2026"}, {"31.04.2026", "invalid"},   {"31.06.2026", "invalid"},
      {"31.09.2026", "invalid"},   {"31.11.2026", "invalid"},   {"31.12.2026", "31.12.2026"},
      {"32.01.2026", "invalid"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(readDate(c.text), c.read) << c.text;
}

TEST(TimeText, EveryShape) {
  const TextCase cases[] = {
      // No separator: the length decides.
      {"9", "9:0:0"},
      {"95", "9:5:0"},
      {"930", "9:30:0"},
      {"975", "9:7:5"},
      {"1230", "12:30:0"},
      {"1275", "12:7:5"},
      {"2400", "invalid"},
      {"6030", "6:3:0"},
      {"6075", "6:7:5"},
      {"6930", "6:9:30"},
      {"9999", "9:9:99"},  // the seconds are not checked
      {"12345", "0:0:0"},
      {"", "0:0:0"},
      // One separator.
      {":30", "0:30:0"},
      {"9:30", "9:30:0"},
      {"9:", "9:0:0"},
      {"12:30", "12:30:0"},
      {"12:305", "12:30:5"},
      {"12:3015", "12:30:15"},
      {"9:60", "9:6:0"},
      {"12:30000", "invalid"},
      {"24:00", "invalid"},
      {"123:4", "0:0:0"},
      {"1234567.", "0:0:0"},
      // Two separators; a third ends the seconds.
      {"9:30:15", "9:30:15"},
      {"23:59:59", "23:59:59"},
      {"12.30.45", "12:30:45"},
      {"1:2:3", "1:2:3"},
      {"::", "0:0:0"},
      {"1:2:3:4", "1:2:3"},
      {"12:30:99", "12:30:99"},
      {"24:00:00", "invalid"},
      {"12:60:00", "invalid"},
      {"1:2:99999999999999", "1:2:4294967295"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(readTime(c.text), c.read) << '"' << c.text << '"';
}

TEST(DosValues, FieldsBeyondTheirRangeAreHeldAtItsEnds) {
  EXPECT_EQ(dosDateOf({1, 5, 2026}), (46u << 9) | (5u << 5) | 1u);
  EXPECT_EQ(dosDateOf({1, 1, 1979}), (1u << 5) | 1u);
  EXPECT_EQ(dosDateOf({31, 12, 2200}), (127u << 9) | (12u << 5) | 31u);
  EXPECT_EQ(dosTimeOf({9, 30, 15}), (9u << 11) | (30u << 5) | 7u);
  EXPECT_EQ(dosTimeOf({9, 9, 99}), (9u << 11) | (9u << 5) | 31u);
  EXPECT_EQ(dosTimeOf({0, 0, 4294967295u}), 31u);
}

struct ValueText {
  uint16_t value;
  const char* text;
};

TEST(DosValues, AreWrittenAsDayMonthYearAndHourMinuteSecond) {
  const ValueText dates[] = {
      {0, "00.00.1980"},
      {(46u << 9) | (5u << 5) | 1u, "01.05.2026"},
      {0xFFFF, "31.15.2107"},
  };
  const ValueText times[] = {
      {0, "00:00:00"},
      {(9u << 11) | (30u << 5) | 7u, "09:30:14"},
      {0xFFFF, "31:63:62"},
  };
  for (const auto& c : dates) {
    char text[kDateTextCapacity];
    formatDosDate(c.value, text, sizeof text);
    EXPECT_STREQ(text, c.text);
  }
  for (const auto& c : times) {
    char text[kTimeTextCapacity];
    formatDosTime(c.value, text, sizeof text);
    EXPECT_STREQ(text, c.text);
  }
  char small[5];
  formatDosDate(0, small, sizeof small);
  EXPECT_STREQ(small, "00.0");
}

TEST(DosValues, WrittenTextsReadBackAsTheSameValues) {
  for (const CalendarDate date :
       {CalendarDate{1, 1, 1980}, CalendarDate{29, 2, 2024}, CalendarDate{31, 12, 2107}}) {
    char text[kDateTextCapacity];
    formatDosDate(dosDateOf(date), text, sizeof text);
    CalendarDate back;
    ASSERT_TRUE(parseDateText(text, kThisYear, back)) << text;
    EXPECT_EQ(dosDateOf(back), dosDateOf(date)) << text;
  }
  for (const ClockTime time : {ClockTime{0, 0, 0}, ClockTime{12, 34, 56}, ClockTime{23, 59, 58}}) {
    char text[kTimeTextCapacity];
    formatDosTime(dosTimeOf(time), text, sizeof text);
    ClockTime back;
    ASSERT_TRUE(parseTimeText(text, back)) << text;
    EXPECT_EQ(dosTimeOf(back), dosTimeOf(time)) << text;
  }
}

}  // namespace
}  // namespace ostrya

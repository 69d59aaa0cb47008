// POSIX side of the locale formats: the user's locale's date and time forms.
#include <langinfo.h>
#include <locale.h>
#include <time.h>

#include <cctype>
#include <cstring>

#include "platform/locale_format.h"

namespace ostrya::platform {
namespace {

// The locale's time form without its seconds field ("%H:%M:%S" gives "%H:%M").
std::string withoutSeconds(std::string format) {
  const std::size_t seconds = format.find("%S");
  if (seconds == std::string::npos) return format;
  std::size_t from = seconds;
  if (from > 0 && format[from - 1] != '%' &&
      !std::isalnum(static_cast<unsigned char>(format[from - 1])))
    --from;  // the separator before the seconds goes with them
  format.erase(from, seconds + 2 - from);
  return format;
}

}  // namespace

std::string dosDateTimeText(uint16_t dosDate, uint16_t dosTime) {
  const unsigned month = (dosDate >> 5) & 0xF;
  const unsigned day = dosDate & 0x1F;
  if (month < 1 || month > 12 || day < 1) return std::string();
  struct tm when = {};
  when.tm_year = 80 + (dosDate >> 9);
  when.tm_mon = static_cast<int>(month) - 1;
  when.tm_mday = static_cast<int>(day);
  when.tm_hour = dosTime >> 11;
  when.tm_min = (dosTime >> 5) & 0x3F;
  when.tm_sec = 2 * (dosTime & 0x1F);

  static const locale_t user = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  const locale_t used = user != static_cast<locale_t>(0) ? user : LC_GLOBAL_LOCALE;
  char date[64];
  char clock[64];
  if (strftime_l(date, sizeof date, nl_langinfo_l(D_FMT, used), &when, used) == 0)
    return std::string();
  const std::string timeFormat = withoutSeconds(nl_langinfo_l(T_FMT, used));
  if (strftime_l(clock, sizeof clock, timeFormat.c_str(), &when, used) == 0) clock[0] = '\0';
  return std::string(date) + "  " + clock;
}

}  // namespace ostrya::platform

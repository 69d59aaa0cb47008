// Win32 side of the locale formats.
#include <windows.h>

#include "platform/locale_format.h"

namespace ostrya::platform {

std::string dosDateTimeText(uint16_t dosDate, uint16_t dosTime) {
  SYSTEMTIME time = {};
  time.wYear = static_cast<WORD>(1980 + (dosDate >> 9));
  time.wMonth = static_cast<WORD>((dosDate >> 5) & 0xF);
  time.wDay = static_cast<WORD>(dosDate & 0x1F);
  time.wHour = static_cast<WORD>(dosTime >> 11);
  time.wMinute = static_cast<WORD>((dosTime >> 5) & 0x3F);
  time.wSecond = static_cast<WORD>(2 * (dosTime & 0x1F));
  char date[64];
  char clock[64];
  if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date) <= 0)
    return std::string();
  if (GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, sizeof clock) <= 0)
    clock[0] = '\0';
  return std::string(date) + "  " + clock;
}

}  // namespace ostrya::platform

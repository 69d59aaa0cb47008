// portable: no platform headers.
#pragma once

#include <cstdint>

namespace ostrya::platform {

struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Seconds since 1970 (universal time) as local broken-down time; false when the system has no
// form for them.
bool localTimeOfUnix(int64_t seconds, LocalTime& local);
LocalTime localNow();

}  // namespace ostrya::platform

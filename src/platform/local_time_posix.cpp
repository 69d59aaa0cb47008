// POSIX side of local time: the C library's time zone rules.
#include <time.h>

#include "platform/local_time.h"

namespace ostrya::platform {
namespace {

LocalTime fromTm(const struct tm& broken) {
  return {broken.tm_year + 1900, broken.tm_mon + 1, broken.tm_mday,
          broken.tm_hour,        broken.tm_min,     broken.tm_sec};
}

}  // namespace

bool localTimeOfUnix(int64_t seconds, LocalTime& local) {
  const time_t value = static_cast<time_t>(seconds);
  if (static_cast<int64_t>(value) != seconds) return false;
  struct tm broken;
  if (localtime_r(&value, &broken) == nullptr) return false;
  local = fromTm(broken);
  return true;
}

LocalTime localNow() {
  const time_t now = time(nullptr);
  struct tm broken;
  if (localtime_r(&now, &broken) == nullptr) return {};
  return fromTm(broken);
}

}  // namespace ostrya::platform

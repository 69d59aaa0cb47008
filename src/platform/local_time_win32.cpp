// Win32 side of local time: file times through the system's time zone conversion.
#include <windows.h>

#include "platform/local_time.h"

namespace ostrya::platform {
namespace {

// 100-nanosecond steps between 1601 and 1970.
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000LL;
constexpr int64_t kStepsPerSecond = 10000000;

LocalTime fromSystemTime(const SYSTEMTIME& broken) {
  return {broken.wYear, broken.wMonth, broken.wDay, broken.wHour, broken.wMinute, broken.wSecond};
}

}  // namespace

bool localTimeOfUnix(int64_t seconds, LocalTime& local) {
  // Before 1601 or beyond what a file time holds, the system has no form for it.
  if (seconds < -kUnixEpochAsFileTime / kStepsPerSecond ||
      seconds > (INT64_MAX - kUnixEpochAsFileTime) / kStepsPerSecond)
    return false;
  const uint64_t steps = static_cast<uint64_t>(seconds * kStepsPerSecond + kUnixEpochAsFileTime);
  FILETIME universal{static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
  FILETIME localFileTime;
  SYSTEMTIME broken;
  if (!FileTimeToLocalFileTime(&universal, &localFileTime) ||
      !FileTimeToSystemTime(&localFileTime, &broken))
    return false;
  local = fromSystemTime(broken);
  return true;
}

LocalTime localNow() {
  SYSTEMTIME broken;
  GetLocalTime(&broken);
  return fromSystemTime(broken);
}

}  // namespace ostrya::platform

// POSIX only: time conversion shared by the POSIX side of the platform layer.
#include "platform/time_posix.h"

namespace ostrya::platform {

void toDosDateTime(time_t seconds, uint16_t& dosDate, uint16_t& dosTime) {
  struct tm local;
  dosDate = dosTime = 0;
  if (localtime_r(&seconds, &local) == nullptr) return;
  const int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return;
  dosDate = static_cast<uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  // A leap second (60) has no DOS form; it counts as 58.
  const int halfSeconds = (local.tm_sec > 59 ? 59 : local.tm_sec) / 2;
  dosTime = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | halfSeconds);
}

}  // namespace ostrya::platform

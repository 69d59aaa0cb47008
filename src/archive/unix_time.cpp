// portable: no platform headers.
#include "archive/unix_time.h"

#include "foundation/date_time_text.h"
#include "platform/local_time.h"

namespace ostrya::archive {

void unixTimeToDos(int64_t seconds, uint16_t& dosDate, uint16_t& dosTime) {
  platform::LocalTime local;
  if (!platform::localTimeOfUnix(seconds, local)) local = platform::localNow();
  // The DOS date begins in 1980; an earlier time is shown as that beginning, not moved to
  // another year.
  if (local.year < 1980) local = {1980, 1, 1, 0, 0, 0};
  dosDate = dosDateOf({static_cast<uint32_t>(local.day), static_cast<uint32_t>(local.month),
                       static_cast<uint32_t>(local.year)});
  dosTime = dosTimeOf({static_cast<uint32_t>(local.hour), static_cast<uint32_t>(local.minute),
                       static_cast<uint32_t>(local.second)});
}

}  // namespace ostrya::archive

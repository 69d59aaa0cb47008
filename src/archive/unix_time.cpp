// portable: no platform headers.
#include "archive/unix_time.h"

#include "foundation/date_time_text.h"
#include "platform/local_time.h"

namespace ostrya::archive {

void unixTimeToDos(int64_t seconds, uint16_t& dosDate, uint16_t& dosTime) {
  platform::LocalTime local;
  // The DOS date begins in 1980; an earlier time is shown as that beginning, not moved to
  // another year, also where the system cannot convert it (Windows before 1601). Other failed
  // conversions give the current time.
  constexpr platform::LocalTime kFirstDosSecond = {1980, 1, 1, 0, 0, 0};
  if (!platform::localTimeOfUnix(seconds, local))
    local = seconds < 0 ? kFirstDosSecond : platform::localNow();
  if (local.year < 1980) local = kFirstDosSecond;
  dosDate = dosDateOf({static_cast<uint32_t>(local.day), static_cast<uint32_t>(local.month),
                       static_cast<uint32_t>(local.year)});
  dosTime = dosTimeOf({static_cast<uint32_t>(local.hour), static_cast<uint32_t>(local.minute),
                       static_cast<uint32_t>(local.second)});
}

}  // namespace ostrya::archive

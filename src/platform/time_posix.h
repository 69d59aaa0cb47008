// POSIX only: time conversion shared by the POSIX side of the platform layer.
#pragma once

#include <time.h>

#include <cstdint>

namespace ostrya::platform {

// Seconds since 1970 to local DOS date and time; both 0 outside 1980-2107, where DOS has no
// form for the date.
void toDosDateTime(time_t seconds, uint16_t& dosDate, uint16_t& dosTime);

}  // namespace ostrya::platform

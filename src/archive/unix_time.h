// portable: no platform headers.
#pragma once

#include <cstdint>

namespace ostrya::archive {

// Seconds since 1970 as a local DOS date and time, as the formats that store Unix times report
// them: a time before 1980 becomes the earliest DOS date and time (1 January 1980, 00:00:00),
// and a time the system cannot convert becomes the current date and time.
void unixTimeToDos(int64_t seconds, uint16_t& dosDate, uint16_t& dosTime);

}  // namespace ostrya::archive

// portable: no platform headers.
#pragma once

#include <cstdint>

namespace ostrya::archive {

// Seconds since 1970 as a local DOS date and time, as the formats that store Unix times report
// them: a year before 1980 becomes the current year, and a time the system cannot convert
// becomes the current date and time.
void unixTimeToDos(int64_t seconds, uint16_t& dosDate, uint16_t& dosTime);

}  // namespace ostrya::archive

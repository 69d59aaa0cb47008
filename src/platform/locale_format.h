// portable: no platform headers.
#pragma once

#include <cstdint>
#include <string>

namespace ostrya::platform {

// A result's date and time as the user's locale writes them: the short date, two blanks, the
// time without seconds ("09.12.2026  14:05"). Empty when the date is not a valid one.
std::string dosDateTimeText(uint16_t dosDate, uint16_t dosTime);

}  // namespace ostrya::platform

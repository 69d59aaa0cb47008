// portable: no platform headers.
#pragma once

#include "archive/host_services.h"

namespace ostrya {

// The application's archive services, whose system errors the program's error presenter shows
// (a message box in the window program, standard error on the command line).
archive::HostServices& programArchiveServices(archive::HostServices& table);

}  // namespace ostrya

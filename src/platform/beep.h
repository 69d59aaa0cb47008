// portable: no platform headers.
#pragma once

namespace ostrya::platform {

// The system's error sound, for a request refused without a dialog. Silent where the system has
// no such sound.
void errorBeep();

}  // namespace ostrya::platform

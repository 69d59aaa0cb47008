// POSIX side of the error sound: a console program has no system sound to play, and a bell
// written to the terminal would land in its output.
#include "platform/beep.h"

namespace ostrya::platform {

void errorBeep() {}

}  // namespace ostrya::platform

// Win32 side of the error sound.
#include <windows.h>

#include "platform/beep.h"

namespace ostrya::platform {

void errorBeep() {
  MessageBeep(MB_ICONHAND);
}

}  // namespace ostrya::platform

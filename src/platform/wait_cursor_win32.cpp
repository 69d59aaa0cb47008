// Win32 side of the wait cursor.
#include <windows.h>

#include "platform/wait_cursor.h"

namespace ostrya::platform {

WaitCursor::WaitCursor()
    : previous_(reinterpret_cast<intptr_t>(SetCursor(LoadCursorA(nullptr, IDC_WAIT)))) {}

WaitCursor::~WaitCursor() {
  SetCursor(reinterpret_cast<HCURSOR>(previous_));
}

}  // namespace ostrya::platform

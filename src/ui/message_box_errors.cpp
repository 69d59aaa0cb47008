// Win32 only: system errors shown to the user in a message box.
#include "ui/message_box_errors.h"

#include <windows.h>

namespace ostrya {

int MessageBoxErrors::present(void* owner, const char* text, const char* caption) {
  return MessageBoxA(static_cast<HWND>(owner), text, caption, MB_OK | MB_ICONSTOP);
}

bool MessageBoxErrors::presentWithRetry(void* owner, const char* text, const char* caption) {
  return MessageBoxA(static_cast<HWND>(owner), text, caption, MB_RETRYCANCEL | MB_ICONSTOP) ==
         IDRETRY;
}

}  // namespace ostrya

// Win32 only: what every dialog of the program does when it opens.
#include "ui/dialog_frame.h"

#include <algorithm>

namespace ostrya {

void centreOver(HWND dialog, HWND owner) {
  RECT frame;
  RECT around;
  if (!GetWindowRect(dialog, &frame) || owner == nullptr || !GetWindowRect(owner, &around)) return;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  int left = around.left + (around.right - around.left - width) / 2;
  int top = around.top + (around.bottom - around.top - height) / 2;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    left = std::max<int>(work.left, std::min<int>(left, work.right - width));
    top = std::max<int>(work.top, std::min<int>(top, work.bottom - height));
  }
  SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void addContextHelp(HWND dialog) {
  SetWindowLongA(dialog, GWL_EXSTYLE, GetWindowLongA(dialog, GWL_EXSTYLE) | WS_EX_CONTEXTHELP);
}

}  // namespace ostrya

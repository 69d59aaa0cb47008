// Win32 only: the popup list of the other top-level windows, to bring one of them forward.
#include "ui/window_list.h"

#include <vector>

#include "app/command_ids.h"
#include "ui/gdi_owners.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"

namespace ostrya {
namespace {

constexpr std::size_t kMostWindows = 100;
// Longer titles are cut.
constexpr int kTitleLength = 52;
// The desktop's own window on every system; bringing it forward hides everything else.
constexpr char kDesktopTitle[] = "Program Manager";

// Visible, titled, neither owned nor the program's own window.
bool listed(HWND main, HWND window) {
  if (window == main || !IsWindowVisible(window) || GetParent(window) != nullptr) return false;
  const std::string title = listedTitle(window);
  return !title.empty() && lstrcmpiA(title.c_str(), kDesktopTitle) != 0;
}

}  // namespace

std::string listedTitle(HWND window) {
  char title[kTitleLength + 1] = "";
  GetWindowTextA(window, title, sizeof title);
  return title;
}

// The items are owner-drawn: each holds its window, whose title and icon are read as it is drawn.
void showSwitchList(MainWindow& w) {
  const OwnedMenu menu(CreatePopupMenu());
  if (!menu) return;
  std::vector<HWND> windows;
  for (HWND window = GetTopWindow(nullptr); window != nullptr && windows.size() < kMostWindows;
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (!listed(w.window, window)) continue;
    windows.push_back(window);
    AppendMenuA(menu.get(), MF_OWNERDRAW, kCmdSwitchList + windows.size(),
                reinterpret_cast<const char*>(window));
  }
  POINT cursor = {};
  GetCursorPos(&cursor);
  const auto chosen = static_cast<std::size_t>(
      TrackPopupMenu(menu.get(), TPM_RETURNCMD, cursor.x, cursor.y, 0, w.window, nullptr));
  if (chosen > kCmdSwitchList && chosen <= kCmdSwitchList + windows.size())
    restoreAndActivate(windows[chosen - kCmdSwitchList - 1]);
}

}  // namespace ostrya

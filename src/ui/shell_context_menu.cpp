// Win32 only: the shell's own context menu for the selected files.
#include "ui/shell_context_menu.h"

#include "ui/gdi_owners.h"
#include "ui/main_window_state.h"
#include "ui/shell_selection.h"

namespace ostrya {
namespace {

// The shell's commands are numbered from here to kLastShellCommand; 0 is "nothing chosen".
constexpr UINT kFirstShellCommand = 1;
constexpr UINT kLastShellCommand = 0x7FFF;

// Keeps the menu where the main window finds it for as long as it shows.
class MenuShowing {
 public:
  MenuShowing(OpenContextMenu& open, IContextMenu2* menu) : open_(open) { open_.menu = menu; }
  ~MenuShowing() { open_.menu = nullptr; }
  MenuShowing(const MenuShowing&) = delete;
  MenuShowing& operator=(const MenuShowing&) = delete;

 private:
  OpenContextMenu& open_;
};

// The window's own owner-drawn button is still drawn by the window while the menu shows.
bool isMenuMessage(UINT message, LPARAM lParam) {
  switch (message) {
    case WM_INITMENUPOPUP:
      return true;
    case WM_DRAWITEM:
      return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->CtlType == ODT_MENU;
    case WM_MEASUREITEM:
      return reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlType == ODT_MENU;
    default:
      return false;
  }
}

}  // namespace

void showShellContextMenu(MainWindow& w, int x, int y) {
  const ShellItems shell = shellItemsOfSelection(w);
  if (shell.empty()) return;
  void* object = nullptr;
  if (FAILED(shell.uiObject(w.window, IID_IContextMenu, &object))) return;
  const ComPtr<IContextMenu> menu(static_cast<IContextMenu*>(object));
  void* drawing = nullptr;
  const ComPtr<IContextMenu2> drawingMenu(
      SUCCEEDED(menu->QueryInterface(IID_IContextMenu2, &drawing))
          ? static_cast<IContextMenu2*>(drawing)
          : nullptr);
  const OwnedMenu popup(CreatePopupMenu());
  if (!popup || FAILED(menu->QueryContextMenu(popup.get(), 0, kFirstShellCommand, kLastShellCommand,
                                              CMF_EXPLORE)))
    return;
  const MenuShowing showing(w.shellMenu, drawingMenu.get());
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, w.window, nullptr));
  if (chosen < kFirstShellCommand) return;
  CMINVOKECOMMANDINFO command = {};
  command.cbSize = sizeof command;
  command.hwnd = w.window;
  command.lpVerb = MAKEINTRESOURCEA(chosen - kFirstShellCommand);
  command.nShow = SW_SHOWNORMAL;
  menu->InvokeCommand(&command);
}

bool forwardToContextMenu(const OpenContextMenu& open, UINT message, WPARAM wParam, LPARAM lParam,
                          LRESULT& result) {
  if (open.menu == nullptr || !isMenuMessage(message, lParam)) return false;
  open.menu->HandleMenuMsg(message, wParam, lParam);
  result = message == WM_INITMENUPOPUP ? 0 : TRUE;
  return true;
}

}  // namespace ostrya

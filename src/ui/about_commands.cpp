// Win32 only: the Help menu's about box and its Go Online command.
#include "ui/about_commands.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <string>

#include "foundation/error_box.h"
#include "ui/main_window_state.h"
#include "ui/resources.h"

namespace ostrya {

void showAbout(MainWindow& w) {
  const std::string text = std::string("Ostrya ") + OSTRYA_VERSION +
                           "\r\nA file finder for Windows: names, contents and archives.\r\n\r\n" +
                           OSTRYA_HOME_PAGE;
  MSGBOXPARAMSA box = {};
  box.cbSize = sizeof box;
  box.hwndOwner = w.window;
  box.hInstance = w.instance;
  box.lpszText = text.c_str();
  box.lpszCaption = w.title;
  box.dwStyle = MB_OK | MB_USERICON;
  box.lpszIcon = MAKEINTRESOURCEA(kProgramIcon);
  MessageBoxIndirectA(&box);
}

void openHomePage(MainWindow& w) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(w.window, "open", OSTRYA_HOME_PAGE, nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) showSystemError(w.window, 0, w.title);
}

}  // namespace ostrya

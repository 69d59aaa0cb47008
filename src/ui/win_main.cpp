// Win32 only: the window program's entry: the window's state, the main window and its message
// loop.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <new>

#include "app/start_up.h"
#include "foundation/config_store.h"
#include "foundation/config_values.h"
#include "foundation/error_box.h"
#include "foundation/program_files.h"
#include "platform/process.h"
#include "search/name_match.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"
#include "ui/message_box_errors.h"
#include "ui/partner_link.h"
#include "ui/resources.h"

namespace {

// The program-wide settings, made before the window exists. They are written back at exit when
// anything changed, after every window is gone.
ostrya::ConfigStore programConfig;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  using namespace ostrya;
  InitCommonControls();
  std::unique_ptr<MainWindow> state(new (std::nothrow) MainWindow(programConfig));
  if (!state) return 0;
  MessageBoxErrors errors;
  setErrorPresenter(&errors);

  // PathMatchSpecA of Shlwapi.dll, looked up once; the library stays loaded while the program
  // runs, and a system without it matches names with the program's own wildcards.
  state->search.context.secondChance = secondChanceMatcher();
  state->instance = instance;
  state->icon = LoadIconA(instance, MAKEINTRESOURCEA(kProgramIcon));
  GetWindowsDirectoryA(state->windowsDirectory, sizeof state->windowsDirectory);
  state->filesBase = programFilesBase(platform::programPath());
  if (__argc > 1 && __argv[1] != nullptr) state->firstArgument = __argv[1];

  if (!registerMainWindowClass(instance, state->icon)) return 0;
  const WindowPlacement placement = loadWindowPlacement(programConfig, "Ostrya");
  HWND window = CreateWindowExA(0, kMainWindowClass, state->title, WS_OVERLAPPEDWINDOW,
                                placement.left, placement.top, placement.width, placement.height,
                                nullptr, nullptr, instance, state.get());
  if (window == nullptr) return 0;
  if (const unsigned long partner = readFirstArgument(state->firstArgument).partnerWindow)
    openPartnerLink(*state, partner);
  ShowWindow(window, placement.maximised ? SW_SHOWMAXIMIZED : showCommand);
  // A settings file that exists but cannot be read is said once; it is then left as it is.
  if (const int code = programConfig.readError())
    showSystemError(window, code, programConfig.fileName().c_str());

  HACCEL keys = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(kAcceleratorTable));
  MSG message = {};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorA(window, keys, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }

  // A run still going is joined as the state goes.
  state.reset();
  // The settings are written now, while a failure can still be shown.
  if (const int code = programConfig.flush())
    showSystemError(nullptr, code > 0 ? code : ERROR_LOCK_VIOLATION,
                    programConfig.fileName().c_str());
  setErrorPresenter(nullptr);
  return static_cast<int>(message.wParam);
}

// Win32 only: the main window: its class, its creation and its message procedure.
#include "ui/main_window.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cstring>
#include <memory>

#include "app/archive_host.h"
#include "app/command_ids.h"
#include "app/option_bits.h"
#include "app/start_up.h"
#include "foundation/config_values.h"
#include "foundation/language_table.h"
#include "platform/path.h"
#include "search/content_pool.h"
#include "search/name_match.h"
#include "search/search_filter.h"
#include "ui/commands.h"
#include "ui/language_ui.h"
#include "ui/main_window_state.h"
#include "ui/owner_menus.h"
#include "ui/partner_link.h"
#include "ui/resources.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/shell_context_menu.h"
#include "ui/status_bar.h"
#include "ui/tool_bar.h"
#include "ui/window_host.h"

namespace ostrya {
namespace {

constexpr char kSection[] = "Ostrya";
constexpr int kSmallIconSize = 16;
constexpr std::size_t kToolTipCapacity = 79;
constexpr std::size_t kMenuHelpCapacity = 127;
// Help line identifiers at or above this would leave the 16 bits a text identifier has.
constexpr UINT kNoHelpLineFrom = 0x8000;

void trayIcon(const MainWindow& w, DWORD action) {
  NOTIFYICONDATAA icon = {};
  icon.cbSize = NOTIFYICONDATAA_V1_SIZE;  // 88 bytes: the form every shell takes
  icon.hWnd = w.window;
  icon.uID = 0;
  if (action == NIM_ADD) {
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kMsgTrayIcon;
    // Shared: loaded once by the system however often the window goes to the tray.
    icon.hIcon =
        static_cast<HICON>(LoadImageA(w.instance, MAKEINTRESOURCEA(kProgramIcon), IMAGE_ICON,
                                      kSmallIconSize, kSmallIconSize, LR_SHARED));
    lstrcpynA(icon.szTip, w.title, sizeof icon.szTip);
  }
  Shell_NotifyIconA(action, &icon);
}

void readSeparators(MainWindow& w) {
  char thousands[3] = "";
  char decimal[4] = "";
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal) == 0 ||
      GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousands, sizeof thousands) == 0)
    w.search.context.thousandsSeparator = '.';
  else
    w.search.context.thousandsSeparator = thousands[0];
}

// The first start's look-in folder, and a folder named on the command line.
void fillLookIn(MainWindow& w) {
  HWND lookIn = w.panel.controls[kPanelLookIn];
  if (GetWindowTextLengthA(lookIn) == 0)
    SetWindowTextA(lookIn, rootOfPath(w.windowsDirectory).c_str());
  const std::string& folder = readFirstArgument(w.firstArgument).lookIn;
  if (!folder.empty() && GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
    SetWindowTextA(lookIn, folder.c_str());
    useHistoryText(lookIn, folder.c_str());
  }
}

// The archive layer reaches the window through the host services: its messages belong to the
// main window and its progress goes to the status bar.
void initArchiveServices(MainWindow& w) {
  programArchiveServices(w.search.archiveServices);
  w.search.archiveServices.Progress = [](void* statusBar, uint32_t byteCount) {
    static_cast<StatusBar*>(statusBar)->advanceProgress(byteCount);
  };
  w.search.archives = std::make_unique<ArchiveEntrySearch>(w.search.archiveServices, w.window,
                                                           scratchLimitSetting(w.config));
  w.search.context.archives = w.search.archives.get();
  w.search.context.contentWorkers = searchThreadsSetting(w.config);
}

LRESULT onCreate(MainWindow& w, HWND window) {
  w.window = window;
  w.menuArt.load(w.instance);
  loadSortArrows(w);
  initArchiveServices(w);
  w.options = optionsAtStart(getOptions(w.config, kSection));
  w.toolBar.create(window, w.instance);
  w.statusBar.create(window, w.instance);
  OleInitialize(nullptr);
  loadColumns(w.config, w.list.columns);
  if (buildSearchPanel(w) != 0) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
  }
  showBars(w);
  readSeparators(w);
  applyLanguage(w);
  loadHistory(w.config, w.panel.controls[kPanelNamePatterns], kFindHistory);
  loadHistory(w.config, w.panel.controls[kPanelLookIn], kPathHistory);
  SendMessageA(w.panel.controls[kPanelNamePatterns], CB_SETCURSEL, 0, 0);
  SendMessageA(w.panel.controls[kPanelLookIn], CB_SETCURSEL, 0, 0);
  fillLookIn(w);
  w.search.filter = loadFilter(w.config);
  w.search.searchFilter =
      std::make_unique<SearchFilter>(w.search.filter, w.search.context.secondChance);
  SetWindowPos(window, (w.options & kOptAlwaysOnTop) != 0 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0,
               0, SWP_NOMOVE | SWP_NOSIZE);
  return 0;
}

void onSize(MainWindow& w, WPARAM kind, LPARAM size) {
  HWND window = w.window;
  if (kind == SIZE_MINIMIZED) {
    if ((w.options & kOptNoTray) == 0) {
      ShowWindow(window, SW_HIDE);
      trayIcon(w, NIM_ADD);
    }
    return;
  }
  int width = GET_X_LPARAM(size);
  int height = GET_Y_LPARAM(size);
  if (size == 0) {
    RECT client;
    GetClientRect(window, &client);
    width = client.right;
    height = client.bottom;
  }
  const int top = w.toolBar.fit((w.options & kOptNoToolBar) == 0);
  const int bottom = w.statusBar.fit(width, (w.options & kOptNoStatusBar) == 0);
  layoutSearchPanel(w.panel, {top, width, height - top - bottom}, w.options);
  InvalidateRect(window, nullptr, TRUE);
  for (HWND control : w.panel.controls)
    if (control != nullptr) InvalidateRect(control, nullptr, TRUE);
  trayIcon(w, NIM_DELETE);
}

void onClose(MainWindow& w) {
  if (searchRunning(w)) return;
  saveColumnLayout(w);
  saveHistory(w.config, w.panel.controls[kPanelNamePatterns], kFindHistory);
  saveHistory(w.config, w.panel.controls[kPanelLookIn], kPathHistory);
  if ((w.options & kOptKeepText) != 0)
    saveHistory(w.config, w.panel.controls[kPanelContainingText], kTextHistory);
  DestroyWindow(w.window);
}

void onDestroy(MainWindow& w, HWND window) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  if (GetWindowPlacement(window, &placement)) {
    const RECT& normal = placement.rcNormalPosition;
    saveWindowPlacement(w.config, kSection,
                        {normal.left, normal.top, normal.right - normal.left,
                         normal.bottom - normal.top, placement.showCmd == SW_SHOWMAXIMIZED});
  }
  w.languages.loaded.reset();
  w.languages.current = &englishLanguage();
  OleUninitialize();
  PostQuitMessage(0);
  if ((w.options & kOptNoTray) == 0) trayIcon(w, NIM_DELETE);
}

LRESULT onNotify(MainWindow& w, NMHDR* header) {
  if (header->code == TTN_NEEDTEXTA) {
    auto* tip = reinterpret_cast<NMTTDISPINFOA*>(header);
    getText(w.languages.current, static_cast<uint32_t>(header->idFrom) + kToolTipOffset,
            tip->szText, kToolTipCapacity + 1);
    tip->lpszText = tip->szText;
    return 0;
  }
  if (header->hwndFrom == w.panel.controls[kPanelResultList]) return onResultListNotify(w, header);
  return 0;
}

void onMenuSelect(MainWindow& w, WPARAM wParam, LPARAM lParam) {
  const UINT item = LOWORD(wParam);
  const UINT flags = HIWORD(wParam);
  if (flags == 0xFFFF && lParam == 0) {
    w.statusBar.restoreSelectionText();
    return;
  }
  char text[kMenuHelpCapacity + 1] = "";
  if (item + kMenuHelpOffset < kNoHelpLineFrom)
    getText(w.languages.current, item + kMenuHelpOffset, text, kMenuHelpCapacity + 1);
  if (text[0] == '\0')
    w.statusBar.restoreSelectionText();
  else
    w.statusBar.showMenuHelp(text);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  // A few messages come before WM_NCCREATE, when the window has no state yet.
  auto* state = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (state == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  MainWindow& w = *state;
  if (LRESULT handled = 0; forwardToContextMenu(w.shellMenu, message, wParam, lParam, handled))
    return handled;
  switch (message) {
    case WM_CREATE:
      return onCreate(w, window);
    case WM_SIZE:
      onSize(w, wParam, lParam);
      return 0;
    case WM_CLOSE:
      onClose(w);
      return 0;
    case WM_DESTROY:
      onDestroy(w, window);
      return 0;
    case WM_COMMAND:
      onCommand(w, wParam);
      return 0;
    case WM_SETFOCUS:
      focusRememberedControl(w.panel);
      refreshCommandStates(w);
      return 0;
    case WM_SETTINGCHANGE:
      InvalidateRect(w.panel.controls[kPanelResultList], nullptr, TRUE);
      break;
    case WM_GETMINMAXINFO:
      if (w.panel.laidOut) {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = w.panel.minimumTrackWidth;
        limits->ptMinTrackSize.y = w.panel.minimumTrackHeight;
      }
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_BUTTON) drawOptionsButton(w, *item);
      if (item->CtlType == ODT_MENU) w.menuArt.drawItem(*item);
      return TRUE;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_MENU) measureMenuItem(*item);
      return TRUE;
    }
    case WM_NOTIFY:
      return onNotify(w, reinterpret_cast<NMHDR*>(lParam));
    case WM_HELP:
      PostMessageA(window, WM_COMMAND, kCmdHelpContents, 0);
      return TRUE;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) == w.panel.controls[kPanelResultList] &&
          w.search.context.store.rowCount() != 0)
        showShellContextMenu(w, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE && (w.options & kOptNoTray) == 0)
        ShowWindow(window, SW_HIDE);
      break;
    case WM_INITMENUPOPUP:
      onInitMenuPopup(w, reinterpret_cast<HMENU>(wParam), HIWORD(lParam) != 0);
      return 0;
    case WM_MENUSELECT:
      onMenuSelect(w, wParam, lParam);
      return 0;
    case WM_MENUCHAR: {
      const LRESULT answer = menuCharacter(reinterpret_cast<HMENU>(lParam),
                                           static_cast<char>(LOWORD(wParam)), HIWORD(wParam));
      if (answer != 0) return answer;
      break;
    }
    case WM_EXITMENULOOP:
      w.statusBar.restoreSelectionText();
      return 0;
    case kMsgPartnerLink:
      onPartnerMessage(w, wParam, lParam);
      return 0;
    case kMsgTrayIcon:
      if (lParam == WM_LBUTTONUP || lParam == WM_RBUTTONUP) restoreAndActivate(window);
      return 0;
    case kMsgRefreshCommands:
      refreshCommandStates(w);
      return 0;
    case kMsgBringForward:
      restoreAndActivate(window);
      return 0;
    case kMsgShowFolder:
      w.statusBar.setSelectionText(reinterpret_cast<const char*>(lParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool registerMainWindowClass(HINSTANCE instance, HICON icon) {
  WNDCLASSEXA known = {};
  known.cbSize = sizeof known;
  if (GetClassInfoExA(instance, kMainWindowClass, &known)) return true;
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = mainWindowProc;
  windowClass.cbWndExtra = 4;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hIconSm = static_cast<HICON>(LoadImageA(
      instance, MAKEINTRESOURCEA(kProgramIcon), IMAGE_ICON, kSmallIconSize, kSmallIconSize, 0));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kMainWindowClass;
  return RegisterClassExA(&windowClass) != 0;
}

void layoutMainWindow(MainWindow& w) {
  onSize(w, SIZE_RESTORED, 0);
}

void showBars(MainWindow& w) {
  w.toolBar.show((w.options & kOptNoToolBar) == 0);
  w.statusBar.show((w.options & kOptNoStatusBar) == 0);
}

MainWindow& mainWindowOf(HWND window) {
  return *reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void restoreAndActivate(HWND window) {
  if (IsIconic(window) || !IsWindowVisible(window)) ShowWindow(window, SW_RESTORE);
  SetActiveWindow(window);
  SetForegroundWindow(window);
  BringWindowToTop(window);
}

}  // namespace ostrya

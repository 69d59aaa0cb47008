// Win32 only: the main window: its class, its creation and its message procedure.
#include "ui/main_window.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cstring>
#include <memory>

#include "app/app_state_win32.h"
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
#include "ui/owner_menus.h"
#include "ui/partner_link.h"
#include "ui/pending_commands.h"
#include "ui/resources.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
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

void trayIcon(DWORD action) {
  AppState& state = app();
  NOTIFYICONDATAA icon = {};
  icon.cbSize = NOTIFYICONDATAA_V1_SIZE;  // 88 bytes: the form every shell takes
  icon.hWnd = state.mainWindow;
  icon.uID = 0;
  if (action == NIM_ADD) {
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kMsgTrayIcon;
    // Shared: loaded once by the system however often the window goes to the tray.
    icon.hIcon =
        static_cast<HICON>(LoadImageA(state.instance, MAKEINTRESOURCEA(kProgramIcon), IMAGE_ICON,
                                      kSmallIconSize, kSmallIconSize, LR_SHARED));
    lstrcpynA(icon.szTip, state.title, sizeof icon.szTip);
  }
  Shell_NotifyIconA(action, &icon);
}

void readSeparators() {
  char thousands[3] = "";
  char decimal[4] = "";
  AppState& state = app();
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal) == 0 ||
      GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousands, sizeof thousands) == 0)
    state.context.thousandsSeparator = '.';
  else
    state.context.thousandsSeparator = thousands[0];
}

// The first start's look-in folder, and a folder named on the command line.
void fillLookIn() {
  AppState& state = app();
  HWND lookIn = state.panel[kPanelLookIn];
  if (GetWindowTextLengthA(lookIn) == 0)
    SetWindowTextA(lookIn, rootOfPath(state.windowsDirectory).c_str());
  const std::string& folder = readFirstArgument(state.firstArgument).lookIn;
  if (!folder.empty() && GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
    SetWindowTextA(lookIn, folder.c_str());
    useHistoryText(lookIn, folder.c_str());
  }
}

// The archive layer reaches the window through the host services: its messages belong to the
// main window and its progress goes to the status bar.
void initArchiveServices() {
  AppState& state = app();
  programArchiveServices(state.archiveServices);
  state.archiveServices.Progress = [](void*, uint32_t byteCount) { advanceProgress(byteCount); };
  state.archives = std::make_unique<ArchiveEntrySearch>(state.archiveServices, state.mainWindow,
                                                        scratchLimitSetting(state.config));
  state.context.archives = state.archives.get();
  state.context.contentWorkers = searchThreadsSetting(state.config);
}

LRESULT onCreate(HWND window) {
  AppState& state = app();
  state.mainWindow = window;
  loadMenuImages();
  loadSortArrows();
  initArchiveServices();
  state.options = optionsAtStart(getOptions(state.config, kSection));
  createToolBar(window);
  createStatusBar(window);
  OleInitialize(nullptr);
  loadColumns(state.config, state.columns);
  if (buildSearchPanel(window) != 0) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
  }
  ShowWindow(state.toolBar, (state.options & kOptNoToolBar) != 0 ? SW_HIDE : SW_SHOW);
  ShowWindow(state.statusBar, (state.options & kOptNoStatusBar) != 0 ? SW_HIDE : SW_SHOW);
  readSeparators();
  applyLanguage(window);
  state.searchingIcon =
      static_cast<HICON>(LoadImageA(state.instance, MAKEINTRESOURCEA(kSearchingIcon), IMAGE_ICON,
                                    kSmallIconSize, kSmallIconSize, 0));
  loadHistory(kPanelNamePatterns, "Find");
  loadHistory(kPanelLookIn, "Path");
  SendMessageA(state.panel[kPanelNamePatterns], CB_SETCURSEL, 0, 0);
  SendMessageA(state.panel[kPanelLookIn], CB_SETCURSEL, 0, 0);
  fillLookIn();
  state.filter = loadFilter(state.config);
  state.searchFilter = std::make_unique<SearchFilter>(state.filter, state.context.secondChance);
  SetWindowPos(window, (state.options & kOptAlwaysOnTop) != 0 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0,
               0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return 0;
}

void onSize(HWND window, WPARAM kind, LPARAM size) {
  AppState& state = app();
  if (kind == SIZE_MINIMIZED) {
    if ((state.options & kOptNoTray) == 0) {
      ShowWindow(window, SW_HIDE);
      trayIcon(NIM_ADD);
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
  const int top = fitToolBar();
  const int bottom = fitStatusBar(width);
  layoutSearchPanel({top, width, height - top - bottom});
  InvalidateRect(window, nullptr, TRUE);
  for (HWND control : state.panel)
    if (control != nullptr) InvalidateRect(control, nullptr, TRUE);
  trayIcon(NIM_DELETE);
}

void onClose(HWND window) {
  AppState& state = app();
  if (searchRunning()) return;
  saveColumnLayout();
  saveHistory(kPanelNamePatterns, "Find");
  saveHistory(kPanelLookIn, "Path");
  if ((state.options & kOptKeepText) != 0) saveHistory(kPanelContainingText, "Text");
  DestroyWindow(window);
}

void onDestroy(HWND window) {
  AppState& state = app();
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  if (GetWindowPlacement(window, &placement)) {
    const RECT& normal = placement.rcNormalPosition;
    saveWindowPlacement(state.config, kSection,
                        {normal.left, normal.top, normal.right - normal.left,
                         normal.bottom - normal.top, placement.showCmd == SW_SHOWMAXIMIZED});
  }
  state.loadedLanguage.reset();
  state.language = &englishLanguage();
  OleUninitialize();
  PostQuitMessage(0);
  if ((state.options & kOptNoTray) == 0) trayIcon(NIM_DELETE);
}

LRESULT onNotify(NMHDR* header) {
  AppState& state = app();
  if (header->code == TTN_NEEDTEXTA) {
    auto* tip = reinterpret_cast<NMTTDISPINFOA*>(header);
    getText(state.language, static_cast<uint32_t>(header->idFrom) + kToolTipOffset, tip->szText,
            kToolTipCapacity + 1);
    tip->lpszText = tip->szText;
    return 0;
  }
  if (header->hwndFrom == state.panel[kPanelResultList]) return onResultListNotify(header);
  return 0;
}

void onMenuSelect(WPARAM wParam, LPARAM lParam) {
  const UINT item = LOWORD(wParam);
  const UINT flags = HIWORD(wParam);
  if (flags == 0xFFFF && lParam == 0) {
    restoreSelectionText();
    return;
  }
  char text[kMenuHelpCapacity + 1] = "";
  if (item + kMenuHelpOffset < kNoHelpLineFrom)
    getText(app().language, item + kMenuHelpOffset, text, kMenuHelpCapacity + 1);
  if (text[0] == '\0')
    restoreSelectionText();
  else
    showMenuHelp(text);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  AppState& state = app();
  switch (message) {
    case WM_CREATE:
      return onCreate(window);
    case WM_SIZE:
      onSize(window, wParam, lParam);
      return 0;
    case WM_CLOSE:
      onClose(window);
      return 0;
    case WM_DESTROY:
      onDestroy(window);
      return 0;
    case WM_COMMAND:
      onCommand(window, wParam);
      return 0;
    case WM_SETFOCUS:
      focusRememberedControl();
      refreshCommandStates();
      return 0;
    case WM_SYSCOLORCHANGE:
      loadSortArrows();
      updateSortArrow();
      break;
    case WM_SETTINGCHANGE:
      InvalidateRect(state.panel[kPanelResultList], nullptr, TRUE);
      break;
    case WM_GETMINMAXINFO:
      if (state.panelLaidOut) {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = state.minimumTrackWidth;
        limits->ptMinTrackSize.y = state.minimumTrackHeight;
      }
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_BUTTON) drawOptionsButton(*item);
      if (item->CtlType == ODT_MENU) drawMenuItem(*item);
      return TRUE;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_MENU) measureMenuItem(*item);
      return TRUE;
    }
    case WM_NOTIFY:
      return onNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_HELP:
      PostMessageA(window, WM_COMMAND, kCmdHelpContents, 0);
      return TRUE;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) == state.panel[kPanelResultList] &&
          state.context.store.rowCount() != 0)
        showShellContextMenu(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE && (state.options & kOptNoTray) == 0)
        ShowWindow(window, SW_HIDE);
      break;
    case WM_INITMENUPOPUP:
      onInitMenuPopup(window, reinterpret_cast<HMENU>(wParam), HIWORD(lParam) != 0);
      return 0;
    case WM_MENUSELECT:
      onMenuSelect(wParam, lParam);
      return 0;
    case WM_MENUCHAR: {
      const LRESULT answer = menuCharacter(reinterpret_cast<HMENU>(lParam),
                                           static_cast<char>(LOWORD(wParam)), HIWORD(wParam));
      if (answer != 0) return answer;
      break;
    }
    case WM_EXITMENULOOP:
      restoreSelectionText();
      return 0;
    case kMsgPartnerLink:
      onPartnerMessage(wParam, lParam);
      return 0;
    case kMsgTrayIcon:
      if (lParam == WM_LBUTTONUP || lParam == WM_RBUTTONUP) restoreAndActivate(window);
      return 0;
    case kMsgRefreshCommands:
      refreshCommandStates();
      return 0;
    case kMsgBringForward:
      restoreAndActivate(window);
      return 0;
    case kMsgShowFolder:
      setSelectionText(reinterpret_cast<const char*>(lParam));
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

void layoutMainWindow() {
  onSize(app().mainWindow, SIZE_RESTORED, 0);
}

void restoreAndActivate(HWND window) {
  if (IsIconic(window) || !IsWindowVisible(window)) ShowWindow(window, SW_RESTORE);
  SetActiveWindow(window);
  SetForegroundWindow(window);
  BringWindowToTop(window);
}

}  // namespace ostrya

// Win32 only: what each command of the main window does, and which commands are greyed.
#include "ui/commands.h"

#include <commctrl.h>
#include <shellapi.h>
#include <winnetwk.h>

#include <string>

#include "app/app_state_win32.h"
#include "app/command_ids.h"
#include "app/keyboard.h"
#include "app/option_bits.h"
#include "foundation/config_values.h"
#include "foundation/error_box.h"
#include "ui/language_ui.h"
#include "ui/main_window.h"
#include "ui/owner_menus.h"
#include "ui/partner_link.h"
#include "ui/pending_commands.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/window_host.h"

namespace ostrya {
namespace {

constexpr char kSection[] = "Ostrya";
// The View menu's place on the menu bar.
constexpr int kViewMenuPosition = 2;

void saveOptions() {
  putOptions(app().config, kSection, app().options);
}

HWND list() {
  return app().panel[kPanelResultList];
}

// The list view's in-place edit control while a rename runs.
HWND editControl() {
  return reinterpret_cast<HWND>(SendMessageA(list(), LVM_GETEDITCONTROL, 0, 0));
}

void onEnter() {
  AppState& state = app();
  HWND focus = GetFocus();
  const EnterContext context = {
      editControl() != nullptr,
      state.context.store.rowCount() != 0,
      focus == list() || (focus != nullptr && IsChild(list(), focus)),
  };
  switch (enterAction(context)) {
    case EnterAction::FocusList:
      SetFocus(list());
      break;
    case EnterAction::RunSelection:
      PostMessageA(state.mainWindow, WM_COMMAND, kCmdRun, 0);
      break;
    case EnterAction::StartSearch:
      PostMessageA(state.mainWindow, WM_COMMAND, kCmdSearch, 0);
      break;
  }
}

void onEscape() {
  AppState& state = app();
  HWND edit = editControl();
  const EscapeContext context = {state.openDropDown != 0, state.context.searching.load() != 0,
                                 edit != nullptr};
  switch (escapeAction(context)) {
    case EscapeAction::CloseDropDown:
      SendDlgItemMessageA(state.mainWindow, state.openDropDown, CB_SHOWDROPDOWN, FALSE, 0);
      break;
    case EscapeAction::StopSearch:
      PostMessageA(state.mainWindow, WM_COMMAND, kCmdStop, 0);
      break;
    case EscapeAction::CancelEdit:
      DestroyWindow(edit);
      break;
    case EscapeAction::Exit:
      PostMessageA(state.mainWindow, WM_COMMAND, kCmdExit, 0);
      break;
  }
}

// Notifications of the three input fields: which drop-down is open, who has the focus, and
// the HEX field's cleaning.
void onFieldNotification(int id, int code) {
  AppState& state = app();
  switch (code) {
    case CBN_DROPDOWN:
      state.openDropDown = id;
      return;
    case CBN_CLOSEUP:
      state.openDropDown = 0;
      return;
    case CBN_SETFOCUS:
    case EN_SETFOCUS:
      // A click into a combo box's edit field focuses the edit, not the combo box itself.
      rememberFocus(panelIndexOfId(id));
      return;
    case CBN_SELCHANGE:
    case CBN_EDITCHANGE:
    case EN_CHANGE:
      if (id == panelControlId(kPanelContainingText) && (state.options & kOptHex) != 0)
        cleanHexField();
      return;
    default:
      return;
  }
}

void toggleOption(uint32_t bit) {
  app().options ^= bit;
  saveOptions();
}

void showBars() {
  AppState& state = app();
  ShowWindow(state.toolBar, (state.options & kOptNoToolBar) != 0 ? SW_HIDE : SW_SHOW);
  ShowWindow(state.statusBar, (state.options & kOptNoStatusBar) != 0 ? SW_HIDE : SW_SHOW);
  layoutMainWindow();
}

// Opens the folder of the current row (for an archive entry, its archive's) in the shell.
// The partner goes to the item when it can; otherwise the shell opens its folder.
void goToFolder(HWND window) {
  const int row = currentItem();
  if (row < 0) return;
  if (hasPartner()) {
    const bool handled = sendToPartner('G');
    restoreAndActivate(app().partner);
    if (handled) return;
  }
  const std::string folder = app().context.store.folderOfRow(static_cast<uint32_t>(row));
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(window, "Explore", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) showSystemError(window, 0, app().title);
}

}  // namespace

void refreshCommandStates() {
  AppState& state = app();
  const CommandConditions conditions = {
      state.context.store.rowCount() == 0,
      state.selectionTotals.archiveEntries != 0,
      state.context.searching.load() != 0,
  };
  HMENU menu = GetMenu(state.mainWindow);
  state.commands.update(conditions, [&](uint16_t command, bool greyed) {
    if (menu != nullptr)
      EnableMenuItem(menu, command, MF_BYCOMMAND | (greyed ? MF_GRAYED : MF_ENABLED));
    SendMessageA(state.toolBar, TB_ENABLEBUTTON, command, MAKELPARAM(greyed ? FALSE : TRUE, 0));
  });
}

void onInitMenuPopup(HWND window, HMENU menu, bool systemMenu) {
  if (systemMenu) return;
  AppState& state = app();
  if (menu == GetSubMenu(GetMenu(window), kViewMenuPosition)) {
    const uint32_t view = state.options & kOptViewMode;
    const UINT viewCommand = view == kOptViewLargeIcons   ? kCmdLargeIcons
                             : view == kOptViewSmallIcons ? kCmdSmallIcons
                             : view == kOptViewList       ? kCmdList
                                                          : kCmdDetails;
    CheckMenuRadioItem(menu, kCmdLargeIcons, kCmdDetails, viewCommand, MF_BYCOMMAND);
    auto check = [menu](UINT command, bool on) {
      CheckMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    };
    check(kCmdToolBar, (state.options & kOptNoToolBar) == 0);
    check(kCmdStatusBar, (state.options & kOptNoStatusBar) == 0);
    check(kCmdIcons, (state.options & kOptNoIcons) == 0);
    const int mode = static_cast<int>(state.context.store.sortMode());
    const UINT sortCommand = kCmdSortByName + (mode >= 1 && mode <= 7 ? mode : 0);
    CheckMenuRadioItem(menu, kCmdSortByName, kCmdSortUnsorted, sortCommand, MF_BYCOMMAND);
    check(kCmdSortReversed, state.context.store.sortDirection() == SortDirection::Descending);
  }
  prepareOwnerDrawnMenu(window, menu, false);
}

void onCommand(HWND window, WPARAM wParam) {
  AppState& state = app();
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (state.commands.isGreyed(static_cast<uint16_t>(id))) return;
  switch (id) {
    case kCmdNextControl:
    case kCmdPreviousControl:
      moveFocusAlongRing(id == kCmdPreviousControl);
      return;
    case kCmdEnter:
      onEnter();
      return;
    case kCmdEscape:
      onEscape();
      return;
    case 61:
    case 63:
    case 65:
      onFieldNotification(id, code);
      return;
    case 66:
      browseForLookInFolder();
      return;
    case 67:
      selectDrives();
      return;
    case 68:
    case 70:
    case 71:
    case 72:
    case 78:
    case 80:
    case 81:
      if (code == BN_CLICKED) readCheckBoxesIntoOptions();
      return;
    case 69:
      if (code != BN_CLICKED) return;
      toggleOption(kOptOptionsExpanded);
      layoutMainWindow();
      return;
    case 77:
      if (code != BN_CLICKED) return;
      readCheckBoxesIntoOptions();
      recreateContainingText();
      return;
    case 79:
    case kCmdFilter:
      editFilter();
      return;
    case kCmdExit:
      PostMessageA(window, WM_CLOSE, 0, 0);
      return;
    case kCmdMakeShortcut:
      makeShortcuts();
      return;
    case kCmdRun:
      runSelection();
      return;
    case kCmdShowToPartner:
      sendToPartner('V');
      return;
    case kCmdEdit:
      editSelection();
      return;
    case kCmdCopy:
      copySelection();
      return;
    case kCmdMove:
      moveSelection();
      return;
    case kCmdRename:
      startRename();
      return;
    case kCmdDelete:
      deleteSelection();
      return;
    case kCmdProperties:
      showProperties();
      return;
    case kCmdExportText:
      exportList(ExportFormat::Text);
      return;
    case kCmdExportCsv:
      exportList(ExportFormat::Csv);
      return;
    case kCmdExportHtml:
      exportList(ExportFormat::Html);
      return;
    case kCmdFocusList:
      finishSearch();
      SetFocus(list());
      return;
    case kCmdSelectAll:
    case kCmdDeselectAll:
      selectAllRows(id == kCmdSelectAll);
      return;
    case kCmdInvertSelection:
      invertSelection();
      return;
    case kCmdSearch:
      startSearchCommand();
      return;
    case kCmdStop:
      stopSearchCommand();
      return;
    case kCmdRegister:
    case kCmdUnregister:
      registerModules(id == kCmdUnregister);
      return;
    case kCmdGoTo:
      goToFolder(window);
      return;
    case kCmdGoToAndExit:
      sendToPartner('G');
      PostMessageA(window, WM_COMMAND, kCmdExit, 0);
      return;
    case kCmdConnectNetwork:
      WNetConnectionDialog(window, RESOURCETYPE_DISK);
      return;
    case kCmdDisconnectNetwork:
      WNetDisconnectDialog(window, RESOURCETYPE_DISK);
      return;
    case kCmdLargeIcons:
      setViewMode(kOptViewLargeIcons);
      return;
    case kCmdSmallIcons:
      setViewMode(kOptViewSmallIcons);
      return;
    case kCmdList:
      setViewMode(kOptViewList);
      return;
    case kCmdDetails:
      setViewMode(kOptViewDetails);
      return;
    case kCmdToolBar:
      toggleOption(kOptNoToolBar);
      showBars();
      return;
    case kCmdStatusBar:
      toggleOption(kOptNoStatusBar);
      showBars();
      return;
    case kCmdIcons:
      toggleOption(kOptNoIcons);
      recreateResultList();
      return;
    case kCmdSortReversed:
      reverseSortDirection();
      return;
    case kCmdConfiguration:
      editConfiguration();
      return;
    case kCmdLanguage:
      if (chooseLanguage(window)) applyLanguage(window);
      return;
    case kCmdWriteLanguageTemplate:
      writeLanguageTemplateFile(window);
      return;
    case kCmdHelpContents:
      openHelp(window);
      return;
    case kCmdHelpOnHelp:
      WinHelpA(window, nullptr, HELP_HELPONHELP, 0);
      return;
    case kCmdGoOnline:
      openHomePage();
      return;
    case kCmdAbout:
      showAbout();
      return;
    case kCmdSwitchList:
      showSwitchList();
      return;
    default:
      break;
  }
  if (id >= kCmdSortByName && id <= kCmdSortUnsorted)
    sortResults(static_cast<SortMode>(id - kCmdSortByName));
}

}  // namespace ostrya

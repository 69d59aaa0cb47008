// Win32 only: what each command of the main window does, and which commands are greyed.
#include "ui/commands.h"

#include <commctrl.h>
#include <shellapi.h>
#include <winnetwk.h>

#include <string>

#include "app/command_ids.h"
#include "app/keyboard.h"
#include "app/option_bits.h"
#include "foundation/config_values.h"
#include "foundation/error_box.h"
#include "ui/about_commands.h"
#include "ui/configuration_dialog.h"
#include "ui/drive_dialog.h"
#include "ui/export_command.h"
#include "ui/file_commands.h"
#include "ui/filter_dialog.h"
#include "ui/folder_browser.h"
#include "ui/language_ui.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"
#include "ui/owner_menus.h"
#include "ui/partner_link.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/window_host.h"
#include "ui/window_list.h"

namespace ostrya {
namespace {

constexpr char kSection[] = "Ostrya";
// The View menu's place on the menu bar.
constexpr int kViewMenuPosition = 2;

// The panel's controls by the identifiers their notifications carry.
constexpr int id(PanelIndex index) {
  return panelControlId(index);
}

void saveOptions(MainWindow& w) {
  putOptions(w.config, kSection, w.options);
}

HWND list(const MainWindow& w) {
  return w.panel.controls[kPanelResultList];
}

// The list view's in-place edit control while a rename runs.
HWND editControl(const MainWindow& w) {
  return reinterpret_cast<HWND>(SendMessageA(list(w), LVM_GETEDITCONTROL, 0, 0));
}

void onEnter(MainWindow& w) {
  HWND focus = GetFocus();
  const EnterContext context = {
      editControl(w) != nullptr,
      w.search.context.store.rowCount() != 0,
      focus == list(w) || (focus != nullptr && IsChild(list(w), focus)),
  };
  switch (enterAction(context)) {
    case EnterAction::FocusList:
      SetFocus(list(w));
      break;
    case EnterAction::RunSelection:
      PostMessageA(w.window, WM_COMMAND, kCmdRun, 0);
      break;
    case EnterAction::StartSearch:
      PostMessageA(w.window, WM_COMMAND, kCmdSearch, 0);
      break;
  }
}

void onEscape(MainWindow& w) {
  HWND edit = editControl(w);
  const EscapeContext context = {w.panel.openDropDown != 0, w.search.context.searching.load() != 0,
                                 edit != nullptr};
  switch (escapeAction(context)) {
    case EscapeAction::CloseDropDown:
      SendDlgItemMessageA(w.window, w.panel.openDropDown, CB_SHOWDROPDOWN, FALSE, 0);
      break;
    case EscapeAction::StopSearch:
      PostMessageA(w.window, WM_COMMAND, kCmdStop, 0);
      break;
    case EscapeAction::CancelEdit:
      cancelRename(w, edit);
      break;
    case EscapeAction::Exit:
      PostMessageA(w.window, WM_COMMAND, kCmdExit, 0);
      break;
  }
}

// Notifications of the three input fields: which drop-down is open, who has the focus, and
// the HEX field's cleaning.
void onFieldNotification(MainWindow& w, int control, int code) {
  switch (code) {
    case CBN_DROPDOWN:
      w.panel.openDropDown = control;
      return;
    case CBN_CLOSEUP:
      w.panel.openDropDown = 0;
      return;
    case CBN_SETFOCUS:
    case EN_SETFOCUS:
      // A click into a combo box's edit field focuses the edit, not the combo box itself.
      w.panel.lastFocusIndex = panelIndexOfId(control);
      return;
    case CBN_SELCHANGE:
    case CBN_EDITCHANGE:
    case EN_CHANGE:
      if (control == id(kPanelContainingText) && (w.options & kOptHex) != 0)
        cleanHexField(w.panel.controls[kPanelContainingText]);
      return;
    default:
      return;
  }
}

void toggleOption(MainWindow& w, uint32_t bit) {
  w.options ^= bit;
  saveOptions(w);
}

// Opens the folder of the current row (for an archive entry, its archive's) in the shell.
// The partner goes to the item when it can; otherwise the shell opens its folder.
void goToFolder(MainWindow& w) {
  const int row = currentItem(list(w));
  if (row < 0) return;
  if (hasPartner(w)) {
    const bool handled = sendToPartner(w, 'G');
    restoreAndActivate(w.partner.window);
    if (handled) return;
  }
  const std::string folder = w.search.context.store.folderOfRow(static_cast<uint32_t>(row));
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(w.window, "Explore", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) showSystemError(w.window, 0, w.title);
}

}  // namespace

void refreshCommandStates(MainWindow& w) {
  const CommandConditions conditions = {
      w.search.context.store.rowCount() == 0,
      w.list.selectionTotals.archiveEntries != 0,
      w.search.context.searching.load() != 0,
  };
  HMENU menu = GetMenu(w.window);
  w.commands.update(conditions, [&](uint16_t command, bool greyed) {
    if (menu != nullptr)
      EnableMenuItem(menu, command, MF_BYCOMMAND | (greyed ? MF_GRAYED : MF_ENABLED));
    w.toolBar.enable(command, !greyed);
  });
}

void onInitMenuPopup(MainWindow& w, HMENU menu, bool systemMenu) {
  if (systemMenu) return;
  if (menu == GetSubMenu(GetMenu(w.window), kViewMenuPosition)) {
    const uint32_t view = w.options & kOptViewMode;
    const UINT viewCommand = view == kOptViewLargeIcons   ? kCmdLargeIcons
                             : view == kOptViewSmallIcons ? kCmdSmallIcons
                             : view == kOptViewList       ? kCmdList
                                                          : kCmdDetails;
    CheckMenuRadioItem(menu, kCmdLargeIcons, kCmdDetails, viewCommand, MF_BYCOMMAND);
    auto check = [menu](UINT command, bool on) {
      CheckMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    };
    check(kCmdToolBar, (w.options & kOptNoToolBar) == 0);
    check(kCmdStatusBar, (w.options & kOptNoStatusBar) == 0);
    check(kCmdIcons, (w.options & kOptNoIcons) == 0);
    const int mode = static_cast<int>(w.search.context.store.sortMode());
    const UINT sortCommand = kCmdSortByName + (mode >= 1 && mode <= 7 ? mode : 0);
    CheckMenuRadioItem(menu, kCmdSortByName, kCmdSortUnsorted, sortCommand, MF_BYCOMMAND);
    check(kCmdSortReversed, w.search.context.store.sortDirection() == SortDirection::Descending);
  }
  prepareOwnerDrawnMenu(w.window, menu, false);
}

void onCommand(MainWindow& w, WPARAM wParam) {
  const int command = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (w.commands.isGreyed(static_cast<uint16_t>(command))) return;
  switch (command) {
    case kCmdNextControl:
    case kCmdPreviousControl:
      moveFocusAlongRing(w.panel, command == kCmdPreviousControl);
      return;
    case kCmdEnter:
      onEnter(w);
      return;
    case kCmdEscape:
      onEscape(w);
      return;
    case id(kPanelNamePatterns):
    case id(kPanelLookIn):
    case id(kPanelContainingText):
      onFieldNotification(w, command, code);
      return;
    case id(kPanelBrowse):
      browseForFolder(w.window, w.panel.controls[kPanelLookIn]);
      return;
    case id(kPanelDrives):
      selectDrives(w);
      return;
    case id(kPanelHex):
    case id(kPanelRecurse):
    case id(kPanelWholeWord):
    case id(kPanelCaseSensitive):
    case id(kPanelWithFilter):
    case id(kPanelArchives):
    case id(kPanelRegex):
      if (code == BN_CLICKED) readCheckBoxesIntoOptions(w);
      return;
    case id(kPanelOptionsButton):
      if (code != BN_CLICKED) return;
      toggleOption(w, kOptOptionsExpanded);
      layoutMainWindow(w);
      return;
    case id(kPanelKeepText):
      if (code != BN_CLICKED) return;
      readCheckBoxesIntoOptions(w);
      recreateContainingText(w);
      return;
    case id(kPanelFilterButton):
    case kCmdFilter:
      editFilter(w);
      return;
    case kCmdExit:
      PostMessageA(w.window, WM_CLOSE, 0, 0);
      return;
    case kCmdMakeShortcut:
      makeShortcuts(w);
      return;
    case kCmdRun:
      runSelection(w);
      return;
    case kCmdShowToPartner:
      sendToPartner(w, 'V');
      return;
    case kCmdEdit:
      editSelection(w);
      return;
    case kCmdCopy:
      copySelection(w);
      return;
    case kCmdMove:
      moveSelection(w);
      return;
    case kCmdRename:
      startRename(w);
      return;
    case kCmdDelete:
      deleteSelection(w);
      return;
    case kCmdProperties:
      showProperties(w);
      return;
    case kCmdExportText:
      exportList(w, ExportFormat::Text);
      return;
    case kCmdExportCsv:
      exportList(w, ExportFormat::Csv);
      return;
    case kCmdExportHtml:
      exportList(w, ExportFormat::Html);
      return;
    case kCmdFocusList:
      finishSearch(w);
      SetFocus(list(w));
      return;
    case kCmdSelectAll:
    case kCmdDeselectAll:
      selectAllRows(list(w), command == kCmdSelectAll);
      return;
    case kCmdInvertSelection:
      invertSelection(w);
      return;
    case kCmdSearch:
      startSearchCommand(w);
      return;
    case kCmdStop:
      stopSearchCommand(w);
      return;
    case kCmdRegister:
    case kCmdUnregister:
      registerModules(w, command == kCmdUnregister);
      return;
    case kCmdGoTo:
      goToFolder(w);
      return;
    case kCmdGoToAndExit:
      sendToPartner(w, 'G');
      PostMessageA(w.window, WM_COMMAND, kCmdExit, 0);
      return;
    case kCmdConnectNetwork:
      WNetConnectionDialog(w.window, RESOURCETYPE_DISK);
      return;
    case kCmdDisconnectNetwork:
      WNetDisconnectDialog(w.window, RESOURCETYPE_DISK);
      return;
    case kCmdLargeIcons:
      setViewMode(w, kOptViewLargeIcons);
      return;
    case kCmdSmallIcons:
      setViewMode(w, kOptViewSmallIcons);
      return;
    case kCmdList:
      setViewMode(w, kOptViewList);
      return;
    case kCmdDetails:
      setViewMode(w, kOptViewDetails);
      return;
    case kCmdToolBar:
      toggleOption(w, kOptNoToolBar);
      showBars(w);
      layoutMainWindow(w);
      return;
    case kCmdStatusBar:
      toggleOption(w, kOptNoStatusBar);
      showBars(w);
      layoutMainWindow(w);
      return;
    case kCmdIcons:
      toggleOption(w, kOptNoIcons);
      recreateResultList(w);
      return;
    case kCmdSortReversed:
      reverseSortDirection(w);
      return;
    case kCmdConfiguration:
      editConfiguration(w);
      return;
    case kCmdLanguage:
      if (chooseLanguage(w, w.window)) applyLanguage(w);
      return;
    case kCmdWriteLanguageTemplate:
      writeLanguageTemplateFile(w);
      return;
    case kCmdHelpContents:
      openHelp(w);
      return;
    case kCmdHelpOnHelp:
      WinHelpA(w.window, nullptr, HELP_HELPONHELP, 0);
      return;
    case kCmdGoOnline:
      openHomePage(w);
      return;
    case kCmdAbout:
      showAbout(w);
      return;
    case kCmdSwitchList:
      showSwitchList(w);
      return;
    default:
      break;
  }
  if (command >= kCmdSortByName && command <= kCmdSortUnsorted)
    sortResults(w, static_cast<SortMode>(command - kCmdSortByName));
}

}  // namespace ostrya

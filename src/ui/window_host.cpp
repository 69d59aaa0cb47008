// Win32 only: the search run's view of the window, and starting and stopping runs.
#include "ui/window_host.h"

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include "app/app_state_win32.h"
#include "app/command_ids.h"
#include "app/option_bits.h"
#include "search/search_input.h"
#include "search/search_run.h"
#include "ui/main_window.h"
#include "ui/resources.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/status_bar.h"

namespace ostrya {
namespace {

HWND fieldWindow(PanelField field) {
  switch (field) {
    case PanelField::NamePatterns:
      return app().panel[kPanelNamePatterns];
    case PanelField::LookIn:
      return app().panel[kPanelLookIn];
    case PanelField::ContainingText:
      break;
  }
  return app().panel[kPanelContainingText];
}

}  // namespace

void WindowHost::readField(PanelField field, char* out, std::size_t capacity) {
  out[0] = '\0';
  SendMessageA(fieldWindow(field), WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(out));
}

void WindowHost::addToHistory(PanelField field, const char* text) {
  useHistoryText(fieldWindow(field), text);
}

void WindowHost::setField(PanelField field, const char* text) {
  SendMessageA(fieldWindow(field), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void WindowHost::showSearching(bool searching) {
  showSearchingIcon(searching);
}

void WindowHost::showFolder(const char* folder) {
  SendMessageA(app().mainWindow, kMsgShowFolder, 0, reinterpret_cast<LPARAM>(folder));
}

void WindowHost::showTotals(const char* text) {
  setStatusText(kStatusTotals, text);
}

void WindowHost::setRowCount(uint32_t rows) {
  SendMessageA(app().panel[kPanelResultList], LVM_SETITEMCOUNT, rows,
               LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void WindowHost::refreshCommands() {
  SendMessageA(app().mainWindow, kMsgRefreshCommands, 0, 0);
}

void WindowHost::bringForward() {
  SendMessageA(app().mainWindow, kMsgBringForward, 0, 0);
}

void WindowHost::focusFirstRowIfNone() {
  HWND list = app().panel[kPanelResultList];
  if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) <= 0) return;
  const WPARAM none = static_cast<WPARAM>(-1);
  if (SendMessageA(list, LVM_GETNEXTITEM, none, LVNI_FOCUSED) != -1 ||
      SendMessageA(list, LVM_GETNEXTITEM, none, LVNI_SELECTED) != -1)
    return;
  ListViewStates(list).setState(0, kStateFocused | kStateSelected);
  SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
}

// The last thing a run does: from here on its thread touches nothing of the window, so the
// window may wait for it.
void WindowHost::runEnded() {
  AppState& state = app();
  state.runOver = true;
  PostMessageA(state.mainWindow, WM_COMMAND, kCmdFocusList, 0);
}

bool searchRunning() {
  const AppState& state = app();
  return state.context.searching.load() != 0 || !state.runOver.load();
}

namespace {

// Input the search cannot mean anything with is refused before the list is cleared, with the
// focus on the field the message speaks of.
bool inputRefused() {
  AppState& state = app();
  char lookIn[kLookInCapacity] = "";
  char text[kContainingTextCapacity] = "";
  GetWindowTextA(fieldWindow(PanelField::LookIn), lookIn, sizeof lookIn);
  GetWindowTextA(fieldWindow(PanelField::ContainingText), text, sizeof text);
  const InputCheck check = checkSearchInput(lookIn, text, state.options);
  if (check.sound()) return false;
  const std::string message = inputProblemText(check, *state.language);
  MessageBoxA(state.mainWindow, message.c_str(), state.title, MB_OK | MB_ICONEXCLAMATION);
  SetFocus(fieldWindow(check.field));
  return true;
}

}  // namespace

void startSearchCommand() {
  AppState& state = app();
  if (searchRunning() || inputRefused()) return;
  if (state.searchThread.joinable()) state.searchThread.join();
  state.retiredLanguages.clear();
  SendMessageA(state.panel[kPanelResultList], LVM_DELETEALLITEMS, 0, 0);
  state.context.store.setSortMode(SortMode::Unsorted);
  updateSortArrow();
  if ((state.options & kOptHex) != 0) rewriteHexField();
  // What the run reads of the window's state is handed over now, on this thread.
  state.context.options = state.options;
  state.context.texts = state.language;
  state.context.filter = state.searchFilter.get();
  state.selectionTotals = Totals{};
  setSelectionText("");
  state.runOver = false;
  state.searchThread = startSearch(state.context, *state.host);
}

void stopSearchCommand() {
  AppState& state = app();
  if (state.context.searching.load() != 0) state.context.stopRequests.fetch_add(1);
}

void finishSearch() {
  AppState& state = app();
  if (state.runOver.load() && state.searchThread.joinable()) state.searchThread.join();
  if (state.runOver.load()) state.retiredLanguages.clear();
}

}  // namespace ostrya

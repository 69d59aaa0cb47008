// Win32 only: the status bar with its three parts and the progress bar inside it.
#include "ui/status_bar.h"

#include <commctrl.h>

#include <cstring>
#include <optional>

#include "app/app_state_win32.h"
#include "app/option_bits.h"
#include "app/panel_layout.h"
#include "app/progress_meter.h"
#include "ui/resources.h"

namespace ostrya {
namespace {

// Texts in the first part are cut to what the kept copy holds, with room to spare.
constexpr std::size_t kPart0Limit = 125;

void sendPartText(int part, const char* text, UINT flags) {
  SendMessageA(app().statusBar, SB_SETTEXTA, static_cast<WPARAM>(part) | flags,
               reinterpret_cast<LPARAM>(text));
}

void showPercent(std::optional<uint32_t> percent) {
  if (!percent) return;
  SendMessageA(app().progressBar, PBM_SETPOS, *percent, 0);
  setStatusText(kStatusTotals, progressText(*percent).c_str());
}

}  // namespace

bool createStatusBar(HWND mainWindow) {
  AppState& state = app();
  state.statusBar =
      CreateStatusWindowA(WS_CHILD | WS_CLIPSIBLINGS | CCS_BOTTOM, "", mainWindow, kStatusBarId);
  if (state.statusBar == nullptr) return false;
  state.progressBar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | PBS_SMOOTH, 0, 0, 0, 0,
                                      state.statusBar, nullptr, state.instance, nullptr);
  SendMessageA(state.progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  return true;
}

int fitStatusBar(int clientWidth) {
  AppState& state = app();
  if (state.statusBar == nullptr || (state.options & kOptNoStatusBar) != 0) return 0;
  SendMessageA(state.statusBar, WM_SIZE, 0, 0);
  RECT bar;
  GetWindowRect(state.statusBar, &bar);
  const int height = bar.bottom - bar.top;
  const StatusLayout layout = layoutStatusBar(clientWidth, height);
  int edges[3] = {layout.edges[0], layout.edges[1], layout.edges[2]};
  SendMessageA(state.statusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  MoveWindow(state.progressBar, layout.progress.x, layout.progress.y, layout.progress.width,
             layout.progress.height, TRUE);
  return height;
}

void setStatusText(int part, const char* text) {
  sendPartText(part, text, 0);
}

void setSelectionText(const char* text) {
  AppState& state = app();
  std::strncpy(state.statusPart0, text, kPart0Limit);
  state.statusPart0[kPart0Limit] = '\0';
  sendPartText(kStatusSelection, state.statusPart0, 0);
}

void showMenuHelp(const char* text) {
  char shown[kPart0Limit + 1];
  std::strncpy(shown, text, kPart0Limit);
  shown[kPart0Limit] = '\0';
  sendPartText(kStatusSelection, shown, SBT_NOBORDERS);
}

void restoreSelectionText() {
  sendPartText(kStatusSelection, app().statusPart0, 0);
}

void showSearchingIcon(bool searching) {
  AppState& state = app();
  SendMessageA(state.statusBar, SB_SETICON, kStatusIcon,
               reinterpret_cast<LPARAM>(searching ? state.searchingIcon : nullptr));
}

void beginProgress(uint64_t total) {
  showPercent(app().progress.begin(total));
}

void advanceProgress(uint32_t amount) {
  showPercent(app().progress.advance(amount));
}

void setProgressPercent(uint32_t percent) {
  showPercent(app().progress.setPercent(percent));
}

void showProgress(bool shown) {
  ShowWindow(app().progressBar, shown ? SW_SHOW : SW_HIDE);
}

}  // namespace ostrya

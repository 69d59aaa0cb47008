// Win32 only: the status bar with its three parts and the progress bar inside it.
#include "ui/status_bar.h"

#include <commctrl.h>

#include <cstring>

#include "app/panel_layout.h"
#include "ui/resources.h"

namespace ostrya {
namespace {

constexpr int kSmallIconSize = 16;

}  // namespace

bool StatusBar::create(HWND mainWindow, HINSTANCE instance) {
  window_ =
      CreateStatusWindowA(WS_CHILD | WS_CLIPSIBLINGS | CCS_BOTTOM, "", mainWindow, kStatusBarId);
  if (window_ == nullptr) return false;
  progressBar_ = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | PBS_SMOOTH, 0, 0, 0, 0, window_,
                                 nullptr, instance, nullptr);
  SendMessageA(progressBar_, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  searchingIcon_.reset(static_cast<HICON>(LoadImageA(
      instance, MAKEINTRESOURCEA(kSearchingIcon), IMAGE_ICON, kSmallIconSize, kSmallIconSize, 0)));
  return true;
}

int StatusBar::fit(int clientWidth, bool shown) {
  if (window_ == nullptr || !shown) return 0;
  SendMessageA(window_, WM_SIZE, 0, 0);
  RECT bar;
  GetWindowRect(window_, &bar);
  const int height = bar.bottom - bar.top;
  const StatusLayout layout = layoutStatusBar(clientWidth, height);
  int edges[3] = {layout.edges[0], layout.edges[1], layout.edges[2]};
  SendMessageA(window_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  MoveWindow(progressBar_, layout.progress.x, layout.progress.y, layout.progress.width,
             layout.progress.height, TRUE);
  return height;
}

void StatusBar::show(bool shown) {
  ShowWindow(window_, shown ? SW_SHOW : SW_HIDE);
}

void StatusBar::sendPartText(int part, const char* text, UINT flags) {
  SendMessageA(window_, SB_SETTEXTA, static_cast<WPARAM>(part) | flags,
               reinterpret_cast<LPARAM>(text));
}

void StatusBar::setText(int part, const char* text) {
  sendPartText(part, text, 0);
}

void StatusBar::setSelectionText(const char* text) {
  std::strncpy(selectionText_, text, kSelectionTextLimit);
  selectionText_[kSelectionTextLimit] = '\0';
  sendPartText(kStatusSelection, selectionText_, 0);
}

void StatusBar::showMenuHelp(const char* text) {
  char shown[kSelectionTextLimit + 1];
  std::strncpy(shown, text, kSelectionTextLimit);
  shown[kSelectionTextLimit] = '\0';
  sendPartText(kStatusSelection, shown, SBT_NOBORDERS);
}

void StatusBar::restoreSelectionText() {
  sendPartText(kStatusSelection, selectionText_, 0);
}

void StatusBar::showSearchingIcon(bool searching) {
  SendMessageA(window_, SB_SETICON, kStatusIcon,
               reinterpret_cast<LPARAM>(searching ? searchingIcon_.get() : nullptr));
}

void StatusBar::showPercent(std::optional<uint32_t> percent) {
  if (!percent) return;
  SendMessageA(progressBar_, PBM_SETPOS, *percent, 0);
  setText(kStatusTotals, progressText(*percent).c_str());
}

void StatusBar::beginProgress(uint64_t total) {
  showPercent(progress_.begin(total));
}

void StatusBar::advanceProgress(uint32_t amount) {
  showPercent(progress_.advance(amount));
}

void StatusBar::setProgressPercent(uint32_t percent) {
  showPercent(progress_.setPercent(percent));
}

void StatusBar::showProgress(bool shown) {
  ShowWindow(progressBar_, shown ? SW_SHOW : SW_HIDE);
}

}  // namespace ostrya

// Win32 only: the status bar with its three parts and the progress bar inside it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "app/progress_meter.h"
#include "ui/gdi_owners.h"

namespace ostrya {

enum StatusPart { kStatusSelection = 0, kStatusTotals = 1, kStatusIcon = 2 };

class StatusBar {
 public:
  bool create(HWND mainWindow, HINSTANCE instance);
  // Passes the new size on and sets the parts; returns the bar's height (0 when hidden).
  int fit(int clientWidth, bool shown);
  void show(bool shown);
  void setText(int part, const char* text);
  // The first part keeps what was last put there, so that a menu's help line can go again.
  void setSelectionText(const char* text);
  void showMenuHelp(const char* text);
  void restoreSelectionText();
  void showSearchingIcon(bool searching);

  // The progress bar of a long operation, its percentage also in the second part.
  void beginProgress(uint64_t total);
  void advanceProgress(uint32_t amount);
  void setProgressPercent(uint32_t percent);
  void showProgress(bool shown);

 private:
  // Texts in the first part are cut to what the kept copy holds, with room to spare.
  static constexpr std::size_t kSelectionTextLimit = 125;

  void sendPartText(int part, const char* text, UINT flags);
  void showPercent(std::optional<uint32_t> percent);

  HWND window_ = nullptr;
  HWND progressBar_ = nullptr;
  ProgressMeter progress_;
  char selectionText_[kSelectionTextLimit + 1] = "";
  OwnedIcon searchingIcon_;
};

}  // namespace ostrya

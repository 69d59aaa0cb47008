// Win32 only: the tool bar.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/gdi_owners.h"

namespace ostrya {

class ToolBar {
 public:
  bool create(HWND mainWindow, HINSTANCE instance);
  // Passes the new size on; returns the bar's height (0 when hidden).
  int fit(bool shown);
  void show(bool shown);
  void enable(uint16_t command, bool enabled);
  HWND window() const { return window_; }

 private:
  HWND window_ = nullptr;
  OwnedImageList images_;
  OwnedImageList hotImages_;
};

}  // namespace ostrya

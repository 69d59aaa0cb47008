// Win32 only: the status bar with its three parts and the progress bar inside it.
#pragma once

#include <windows.h>

#include <cstdint>

namespace ostrya {

enum StatusPart { kStatusSelection = 0, kStatusTotals = 1, kStatusIcon = 2 };

bool createStatusBar(HWND mainWindow);
// Passes the new size on and sets the parts; returns the bar's height (0 when hidden).
int fitStatusBar(int clientWidth);
void setStatusText(int part, const char* text);
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

}  // namespace ostrya

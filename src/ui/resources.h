// Win32 only: resource identifiers and the window's private messages.
#pragma once

#include <windows.h>

namespace ostrya {

// The numbers ostrya.rc gives its resources.
inline constexpr int kProgramIcon = 1;
inline constexpr int kAcceleratorTable = 1;
inline constexpr int kToolBarBitmap = 3;
inline constexpr int kToolBarNormalBitmap = 4;
inline constexpr int kToolBarHotBitmap = 5;
inline constexpr int kSortAscendingBitmap = 6;
inline constexpr int kSortDescendingBitmap = 7;
inline constexpr int kSearchingIcon = 88;
inline constexpr int kLanguageDialog = 90;
inline constexpr int kLanguageList = 91;
// The copy target dialog: the folder field with its history, its label and the browse button.
inline constexpr int kCopyTargetDialog = 6200;
inline constexpr int kCopyTargetFolder = 6201;
inline constexpr int kCopyTargetLabel = 6202;
inline constexpr int kBrowseButton = 97;
// The configuration dialog: its page list and the title bar above the page.
inline constexpr int kConfigurationDialog = 5100;
inline constexpr int kConfigurationPageList = 5101;
inline constexpr int kConfigurationTitle = 5102;
// The filter dialog's picker buttons and its up-down between the two sides.
inline constexpr int kFilterDialog = 2300;
inline constexpr int kFromPickerButton = 2317;
inline constexpr int kToPickerButton = 2318;
inline constexpr int kRangeCopyUpDown = 2319;
// The date and time picker.
inline constexpr int kDatePickerDialog = 2200;
inline constexpr int kPickerHourUpDown = 2201;
inline constexpr int kPickerHour = 2202;
inline constexpr int kPickerMinute = 2203;
inline constexpr int kPickerMinuteUpDown = 2204;
inline constexpr int kPickerSecond = 2205;
inline constexpr int kPickerSecondUpDown = 2206;
inline constexpr int kPickerMonth = 2207;
inline constexpr int kPickerYear = 2208;
inline constexpr int kPickerYearUpDown = 2209;
inline constexpr int kPickerCalendar = 2210;
inline constexpr int kPickerCurrent = 2211;
// The drive selection dialog and its list of drives.
inline constexpr int kDriveDialog = 2100;
inline constexpr int kDriveList = 2101;
inline constexpr int kRadioDotIcon = 8000;
inline constexpr int kMenuImagesBitmap = 8001;

// Everything in the bitmaps that has this colour is transparent.
inline constexpr COLORREF kImageKeyColour = RGB(192, 192, 192);

// Child window identifiers besides the panel's.
inline constexpr int kToolBarId = 1;
inline constexpr int kStatusBarId = 2;

// Messages the search thread sends to the main window, so that the window's own state is only
// touched on its own thread.
inline constexpr UINT kMsgRefreshCommands = WM_APP + 1;
inline constexpr UINT kMsgBringForward = WM_APP + 2;
// lParam: the folder being searched (a text; empty clears it).
inline constexpr UINT kMsgShowFolder = WM_APP + 3;
// The tray icon's callback.
inline constexpr UINT kMsgTrayIcon = WM_APP + 100;
// The partner link, in both directions.
inline constexpr UINT kMsgPartnerLink = WM_USER + 97;

}  // namespace ostrya

// portable: no platform headers.
#pragma once

#include <cstdint>

namespace ostrya {

// Command identifiers of the main window: menu items, tool bar buttons, accelerators and the
// commands the program posts to itself. A menu item's text has the same identifier.
enum Command : uint16_t {
  kCmdNextControl = 22,
  kCmdPreviousControl = 23,
  kCmdEnter = 24,
  kCmdEscape = 25,
  kCmdExit = 101,
  kCmdMakeShortcut = 102,
  kCmdRun = 103,
  kCmdShowToPartner = 104,
  kCmdEdit = 105,
  kCmdCopy = 106,
  kCmdMove = 107,
  kCmdRename = 108,
  kCmdDelete = 109,
  kCmdProperties = 110,
  kMenuExport = 111,  // the Export List popup's item
  kCmdExportText = 112,
  kCmdExportCsv = 113,
  kCmdExportHtml = 114,
  kCmdFocusList = 116,
  kCmdSelectAll = 125,
  kCmdDeselectAll = 126,
  kCmdInvertSelection = 127,
  kCmdSearch = 131,
  kCmdStop = 133,
  kCmdRegister = 134,
  kCmdUnregister = 135,
  kCmdGoTo = 136,
  kCmdGoToAndExit = 137,
  kCmdConnectNetwork = 138,
  kCmdDisconnectNetwork = 139,
  kCmdLargeIcons = 141,
  kCmdSmallIcons = 142,
  kCmdList = 143,
  kCmdDetails = 144,
  kCmdToolBar = 145,
  kCmdStatusBar = 146,
  kCmdIcons = 147,
  kMenuSort = 150,  // the Sort popup's item
  kCmdSortByName = 151,
  kCmdSortUnsorted = 158,
  kCmdSortReversed = 159,
  kCmdConfiguration = 162,
  kCmdFilter = 163,
  kCmdLanguage = 166,
  kCmdWriteLanguageTemplate = 167,
  kCmdHelpContents = 171,
  kCmdHelpOnHelp = 172,
  kCmdGoOnline = 173,
  kCmdAbout = 174,
  kCmdSwitchList = 30000,
};

// A status-bar help line has the command's identifier plus this; a tool tip plus the other.
inline constexpr uint32_t kMenuHelpOffset = 1000;
inline constexpr uint32_t kToolTipOffset = 20000;

}  // namespace ostrya

// Win32 only: the program's one state record, which holds its window handles.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/column_table.h"
#include "app/command_states.h"
#include "app/panel_controls.h"
#include "app/progress_meter.h"
#include "foundation/config_store.h"
#include "foundation/language_table.h"
#include "platform/file.h"
#include "results/totals.h"
#include "search/archive_search.h"
#include "search/search_filter.h"
#include "search/search_request.h"
#include "ui/window_host.h"

namespace ostrya {

// Created by WinMain before the main window and freed after its message loop; every window
// procedure reaches it through app().
struct AppState {
  explicit AppState(ConfigStore& store) : config(store) {}
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;
  ~AppState();

  ConfigStore& config;
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  HICON icon = nullptr;
  // The tray tip shows at most 63 characters of it.
  char title[64] = "Ostrya";
  char windowsDirectory[MAX_PATH] = "";
  // Where language and help files are looked for: the program's path cut as for the INI file.
  std::string filesBase;
  // The first command-line argument: a partner's window handle or a folder to look in.
  std::string firstArgument;
  // The partner program's window and the block the two share; none without a partner.
  HWND partner = nullptr;
  platform::SharedMemory partnerBlock;
  uint32_t options = 0;

  // Tool bar and status bar.
  HWND toolBar = nullptr;
  HIMAGELIST toolImages = nullptr;
  HIMAGELIST toolHotImages = nullptr;
  HWND statusBar = nullptr;
  HWND progressBar = nullptr;
  ProgressMeter progress;
  // The status bar's first part as last set outside a menu, put back when a help line goes.
  char statusPart0[128] = "";
  HICON searchingIcon = nullptr;

  // Search panel and result list.
  HWND panel[kPanelControlCount] = {};
  WNDPROC panelProcs[kPanelControlCount] = {};
  HWND focusRing[kFocusRingCapacity] = {};
  int lastFocusIndex = kPanelNamePatterns;
  // The combo box whose list is dropped down; 0 when none is.
  int openDropDown = 0;
  HFONT panelFont = nullptr;
  HFONT optionsButtonFont = nullptr;
  int comboItemHeight = 0;
  bool panelLaidOut = false;
  int minimumTrackWidth = 0;
  int minimumTrackHeight = 0;
  ColumnTable columns = defaultColumns();
  HBITMAP sortAscending = nullptr;
  HBITMAP sortDescending = nullptr;
  // Set while many rows change state at once (a sort hands the rows their states back, an
  // inversion toggles every row), so that the selection is counted once at the end, not per row.
  bool quietSelection = false;
  // Owner-drawn menus.
  HIMAGELIST menuImages = nullptr;
  HICON radioDot = nullptr;

  // The search: the context the run works on, its thread, and the host it talks through.
  SearchContext context;
  Totals selectionTotals;
  std::thread searchThread;
  // False from the start of a run until its last message to the window has gone.
  std::atomic<bool> runOver{true};
  std::unique_ptr<WindowHost> host;
  FilterRecord filter;
  // The search inside archives, over the host services the window offers the archive layer.
  archive::HostServices archiveServices;
  std::unique_ptr<ArchiveEntrySearch> archives;
  std::unique_ptr<SearchFilter> searchFilter;

  // Language.
  const LanguageTable* language = &englishLanguage();
  std::unique_ptr<LanguageTable> loadedLanguage;
  // Loaded tables replaced while a run may still read them; released when no run does.
  std::vector<std::unique_ptr<LanguageTable>> retiredLanguages;
  char languageCode[4] = "";

  CommandStates commands;
};

AppState& app();
void setApp(AppState* state);

}  // namespace ostrya

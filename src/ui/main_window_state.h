// Win32 only: the main window's state, one part per part of the window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/command_states.h"
#include "foundation/config_store.h"
#include "ui/export_command.h"
#include "ui/gdi_owners.h"
#include "ui/language_ui.h"
#include "ui/owner_menus.h"
#include "ui/partner_link.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/shell_context_menu.h"
#include "ui/status_bar.h"
#include "ui/tool_bar.h"
#include "ui/window_host.h"

namespace ostrya {

// Made by WinMain before the window and freed after its message loop; the window procedure
// finds it in the window's user data, and each part of the window is handed what it uses.
struct MainWindow {
  explicit MainWindow(ConfigStore& store) : config(store), host(*this) {}
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  ConfigStore& config;
  HINSTANCE instance = nullptr;
  HWND window = nullptr;
  // Shared by the system (LoadIcon), so never destroyed.
  HICON icon = nullptr;
  // The tray tip shows at most 63 characters of it.
  char title[64] = "Ostrya";
  char windowsDirectory[MAX_PATH] = "";
  // Where language and help files are looked for: the program's path cut as for the INI file.
  std::string filesBase;
  // The first command-line argument: a partner's window handle or a folder to look in.
  std::string firstArgument;
  uint32_t options = 0;
  CommandStates commands;

  ToolBar toolBar;
  StatusBar statusBar;
  MenuArt menuArt;
  OpenContextMenu shellMenu;
  SearchPanel panel;
  ResultList list;
  Languages languages;
  PartnerLink partner;
  ExportNames exportNames;
  WindowHost host;
  // Declared last: a run still going is joined before anything it reads goes.
  SearchSession search;
};

// The state of a main window, from its user data.
MainWindow& mainWindowOf(HWND window);

}  // namespace ostrya

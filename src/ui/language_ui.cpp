// Win32 only: the language of every visible text, the language dialog and the main menu.
#include "ui/language_ui.h"

#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/panel_controls.h"
#include "foundation/dialog_labels.h"
#include "foundation/help_files.h"
#include "foundation/language_choices.h"
#include "foundation/language_file.h"
#include "foundation/language_table.h"
#include "foundation/menu_template.h"
#include "platform/file.h"
#include "ui/commands.h"
#include "ui/gdi_owners.h"
#include "ui/main_window_state.h"
#include "ui/owner_menus.h"
#include "ui/resources.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/window_host.h"

namespace ostrya {
namespace {

constexpr char kSection[] = "Ostrya";
constexpr char kLanguageKey[] = "Language";
// The code taken when the first start's language dialog is cancelled: the built-in English.
constexpr char kEnglishCode[] = "US";
constexpr std::size_t kCodeCapacity = 4;
constexpr std::size_t kLabelCapacity = 259;

// A loaded table may still be read by a running search (its totals texts): it is kept until
// the run is over.
void releaseLoadedLanguage(MainWindow& w) {
  if (!w.languages.loaded) return;
  if (searchRunning(w))
    w.languages.retired.push_back(std::move(w.languages.loaded));
  else
    w.languages.loaded.reset();
}

bool appendMenuItems(HMENU menu, MenuItem* items) {
  for (MenuItem* item = items; item->command != 0; ++item) {
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
    info.fType = item->type;
    info.wID = item->command > 0 ? static_cast<UINT>(item->command) : 0;
    info.dwItemData = reinterpret_cast<ULONG_PTR>(item);
    // A popup belongs to its item once inserted; until then it is ours to destroy.
    OwnedMenu popup;
    if (item->popup != nullptr) {
      popup.reset(CreatePopupMenu());
      if (!popup || !appendMenuItems(popup.get(), item->popup)) return false;
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = popup.get();
    } else if (item->text[0] == '\0') {
      info.fType = MFT_SEPARATOR;
      info.wID = 0;
    }
    // The text goes in too: a string item without one is taken for a separator, and the
    // system's own menu code reads it where it bypasses owner drawing.
    if (item->text[0] != '\0') {
      info.fMask |= MIIM_STRING;
      info.dwTypeData = item->text;
    }
    if (!InsertMenuItemA(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info))
      return false;
    popup.release();
  }
  return true;
}

INT_PTR CALLBACK languageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  static std::vector<LanguageChoice>* choices = nullptr;
  HWND list = GetDlgItem(dialog, kLanguageList);
  switch (message) {
    case WM_INITDIALOG:
      choices = reinterpret_cast<std::vector<LanguageChoice>*>(lParam);
      for (std::size_t i = 0; i < choices->size(); ++i) {
        const LRESULT at = SendMessageA(
            list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((*choices)[i].displayName.c_str()));
        SendMessageA(list, LB_SETITEMDATA, at, static_cast<LPARAM>(i));
      }
      SendMessageA(list, LB_SETCURSEL, 0, 0);
      SetFocus(list);
      return FALSE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const bool chosen = id == IDOK || (id == kLanguageList && HIWORD(wParam) == LBN_DBLCLK);
      if (chosen) {
        const LRESULT at = SendMessageA(list, LB_GETCURSEL, 0, 0);
        const LRESULT index = at == LB_ERR ? LB_ERR : SendMessageA(list, LB_GETITEMDATA, at, 0);
        EndDialog(dialog, index == LB_ERR ? 0 : index + 1);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

// The HTML help viewer is found through its control's registration, as the system itself finds
// it; a system without it opens no CHM file.
HWND showHtmlHelp(HWND owner, const char* path) {
  static const auto htmlHelp = []() -> HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR) {
    char library[MAX_PATH] = "";
    LONG size = sizeof library;
    if (RegQueryValueA(HKEY_CLASSES_ROOT,
                       "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", library,
                       &size) != ERROR_SUCCESS)
      return nullptr;
    HMODULE module = LoadLibraryA(library);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR)>(
        reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpA")));
  }();
  constexpr UINT kDisplayTopic = 0;
  return htmlHelp != nullptr ? htmlHelp(owner, path, kDisplayTopic, 0) : nullptr;
}

bool openHelpFile(HWND owner, const HelpFile& file) {
  switch (file.kind) {
    case HelpKind::Chm:
      return showHtmlHelp(owner, file.path.c_str()) != nullptr;
    case HelpKind::Hlp:
      WinHelpA(owner, file.path.c_str(), HELP_CONTENTS, 0);
      return true;
    case HelpKind::Htm: {
      SHELLEXECUTEINFOA run = {};
      run.cbSize = sizeof run;
      run.hwnd = owner;
      run.lpFile = file.path.c_str();
      run.nShow = SW_SHOWNORMAL;
      ShellExecuteExA(&run);
      return true;
    }
  }
  return false;
}

}  // namespace

void labelWindow(HWND window, const LanguageTable* table, const uint16_t* labels) {
  char text[kLabelCapacity + 1];
  if (labels[0] != 0) {
    getText(table, labels[0], text, kLabelCapacity);
    SetWindowTextA(window, text);
  }
  for (const uint16_t* id = labels + 1; *id != 0; ++id) {
    getText(table, *id, text, kLabelCapacity);
    SetDlgItemTextA(window, *id, text);
  }
}

void applyLanguage(MainWindow& w) {
  releaseLoadedLanguage(w);
  w.languages.current = &englishLanguage();
  if (w.languages.code[0] == '\0')
    w.config.getText(kSection, kLanguageKey, "", w.languages.code, kCodeCapacity);
  if (w.languages.code[0] == '\0') chooseLanguage(w, nullptr);

  if (w.languages.code[0] != '\0')
    w.languages.current = &languageFor(w.languages.code, w.filesBase, w.languages.loaded);

  buildMainMenu(w);
  labelWindow(w.window, w.languages.current, dialogLabels(LabelledWindow::SearchPanel));
  setCheckBoxesFromOptions(w.window, w.options);
  InvalidateRect(w.panel.controls[kPanelOptionsButton], nullptr, TRUE);
  setColumnTitles(w);
  w.commands.menuReplaced();
  refreshCommandStates(w);
}

bool chooseLanguage(MainWindow& w, HWND owner) {
  std::vector<LanguageChoice> choices = languageChoices(builtInLanguages(), w.filesBase);
  const INT_PTR picked = DialogBoxParamA(w.instance, MAKEINTRESOURCEA(kLanguageDialog), owner,
                                         languageDialogProc, reinterpret_cast<LPARAM>(&choices));
  std::string code;
  if (picked > 0 && static_cast<std::size_t>(picked) <= choices.size())
    code = choices[static_cast<std::size_t>(picked) - 1].code;
  else if (w.languages.code[0] == '\0')
    code = kEnglishCode;
  if (code.empty()) return w.languages.code[0] != '\0';
  lstrcpynA(w.languages.code, code.c_str(), kCodeCapacity);
  w.config.putText(kSection, kLanguageKey, w.languages.code);
  return true;
}

void buildMainMenu(MainWindow& w) {
  HWND mainWindow = w.window;
  if (HMENU old = GetMenu(mainWindow)) {
    SetMenu(mainWindow, nullptr);
    DestroyMenu(old);
  }
  MenuItem* bar = mainMenuTemplate();
  OwnedMenu menu;
  if (fillMenuTexts(bar, w.languages.current)) {
    menu.reset(CreateMenu());
    if (menu && !appendMenuItems(menu.get(), bar)) menu.reset();
  }
  if (!menu) {
    MessageBoxA(mainWindow, "Loading error.", "", MB_OK | MB_ICONERROR);
    return;
  }
  prepareOwnerDrawnMenu(mainWindow, menu.get(), true);
  // The window owns its menu from here on and destroys it with itself.
  SetMenu(mainWindow, menu.release());
}

void openHelp(const MainWindow& w) {
  const std::vector<HelpFile> files =
      helpFilesToTry(w.filesBase, w.languages.code, [](const std::string& path) {
        return platform::fileAttributes(path.c_str()) != platform::kNoAttributes;
      });
  for (const HelpFile& file : files)
    if (openHelpFile(w.window, file)) return;
}

void writeLanguageTemplateFile(const MainWindow& w) {
  writeLanguageTemplate(builtInLanguages(), w.filesBase, w.window);
}

}  // namespace ostrya

// Win32 only: the search panel's controls, their layout, check boxes, histories and focus.
#include "ui/search_panel.h"

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/history_use.h"
#include "app/keyboard.h"
#include "app/option_bits.h"
#include "foundation/config_values.h"
#include "foundation/language_table.h"
#include "search/content_match.h"
#include "search/search_options.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"
#include "ui/result_list.h"

namespace ostrya {
namespace {

constexpr char kSection[] = "Ostrya";
// The three input fields hold at most this many characters.
constexpr int kFieldLimit = 1023;
constexpr std::size_t kFieldCapacity = 1024;
constexpr int kFontPoints = 8;
constexpr char kFontFace[] = "MS Sans Serif";

// Colours of the options button's text, as COLORREF values.
constexpr COLORREF kOptionsPressed = 0x80FFFF;
constexpr COLORREF kOptionsExpanded = 0x800080;
constexpr COLORREF kOptionsCollapsed = 0xFF0000;

constexpr DWORD kComboStyle = WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL;
constexpr DWORD kCheckBoxStyle = WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kButtonStyle = WS_CHILD | WS_TABSTOP;

// Everything a panel control is made with but its identifier.
struct ControlMaking {
  DWORD exStyle;
  const char* className;
  DWORD style;
  const char* text;
};

ControlMaking makingOf(int index, uint32_t options) {
  switch (panelControlSpec(index).kind) {
    case PanelControlKind::Label:
      return {0, "Static", WS_CHILD, ""};
    case PanelControlKind::Combo:
      return {WS_EX_CLIENTEDGE, "COMBOBOX", kComboStyle, ""};
    case PanelControlKind::CheckBox:
      return {0, "BUTTON", kCheckBoxStyle, ""};
    case PanelControlKind::OptionsButton:
      return {0, "BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, ""};
    case PanelControlKind::Button:
      return {0, "BUTTON", kButtonStyle, index == kPanelDrives ? ">>" : "..."};
    case PanelControlKind::ContainingText:
      if ((options & kOptKeepText) != 0) return {WS_EX_CLIENTEDGE, "COMBOBOX", kComboStyle, ""};
      return {WS_EX_CLIENTEDGE, "Edit",
              WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_NOHIDESEL, ""};
    case PanelControlKind::List:
      break;
  }
  return {0, "Static", WS_CHILD, ""};
}

bool isComboBox(HWND control) {
  char name[16] = "";
  GetClassNameA(control, name, sizeof name);
  return lstrcmpiA(name, "COMBOBOX") == 0;
}

HWND createControl(const MainWindow& w, int index) {
  const ControlMaking making = makingOf(index, w.options);
  HWND control = CreateWindowExA(
      making.exStyle, making.className, making.text, making.style, 0, 0, 0, 0, w.window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(panelControlId(index))), w.instance, nullptr);
  if (control == nullptr) return nullptr;
  const PanelControlKind kind = panelControlSpec(index).kind;
  if (kind == PanelControlKind::Combo || kind == PanelControlKind::ContainingText)
    SendMessageA(control, isComboBox(control) ? CB_LIMITTEXT : EM_LIMITTEXT, kFieldLimit, 0);
  return control;
}

HFONT createPanelFont(HWND mainWindow) {
  LOGFONTA font = {};
  font.lfHeight = -MulDiv(kFontPoints, GetDeviceCaps(WindowDc(mainWindow).get(), LOGPIXELSY), 72);
  std::strcpy(font.lfFaceName, kFontFace);
  return CreateFontIndirectA(&font);
}

// The list behind a combo box, for the history load and save.
class ComboHistory final : public HistoryList {
 public:
  explicit ComboHistory(HWND combo) : combo_(combo) {}
  std::size_t count() const override {
    const LRESULT n = SendMessageA(combo_, CB_GETCOUNT, 0, 0);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
  // Read through the wide message and turned into the ANSI code page here: Wine passes an ANSI
  // CB_GETLBTEXT to a Unicode combo box through a fixed 512-character buffer, which a long
  // look-in history item overruns.
  void itemText(std::size_t index, char* out, std::size_t capacity) const override {
    out[0] = '\0';
    const LRESULT length = SendMessageW(combo_, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return;
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1);
    if (SendMessageW(combo_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data())) == CB_ERR)
      return;
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::vector<char> narrow(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_ACP, 0, text.data(), -1, narrow.data(), size, nullptr, nullptr);
    lstrcpynA(out, narrow.data(), static_cast<int>(capacity));
  }
  void append(const char* text) override {
    SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }

 private:
  HWND combo_;
};

class ComboEditor final : public HistoryEditor {
 public:
  explicit ComboEditor(HWND combo) : combo_(combo) {}
  int find(const char* text) const override {
    return static_cast<int>(SendMessageA(combo_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(text)));
  }
  void remove(int position) override { SendMessageA(combo_, CB_DELETESTRING, position, 0); }
  void insertAtTop(const char* text) override {
    SendMessageA(combo_, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  void selectTop() override { SendMessageA(combo_, CB_SETCURSEL, 0, 0); }

 private:
  HWND combo_;
};

// The edit field of the containing text, or the edit inside its combo box form.
void fieldSelection(HWND field, DWORD& start, DWORD& end) {
  if (isComboBox(field)) {
    const LRESULT both = SendMessageA(field, CB_GETEDITSEL, 0, 0);
    start = LOWORD(both);
    end = HIWORD(both);
  } else {
    SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  }
}

void setFieldCaret(HWND field, DWORD at) {
  if (isComboBox(field))
    SendMessageA(field, CB_SETEDITSEL, 0, MAKELPARAM(at, at));
  else
    SendMessageA(field, EM_SETSEL, at, at);
}

void replaceFieldText(HWND field, const char* text) {
  DWORD start = 0;
  DWORD end = 0;
  fieldSelection(field, start, end);
  SetWindowTextA(field, text);
  setFieldCaret(field, start);
}

// A Unicode procedure, as the controls' own are: a message passes through it untranslated. An
// ANSI one would make Wine translate every message twice, and its translation of CB_GETLBTEXT
// goes through a fixed 512-character buffer that a long history item overruns.
LRESULT CALLBACK rememberFocusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  SearchPanel& panel = mainWindowOf(GetParent(window)).panel;
  for (int index = 0; index < kPanelControlCount; ++index) {
    if (panel.controls[index] != window || panel.procs[index] == nullptr) continue;
    if (message == WM_SETFOCUS) panel.lastFocusIndex = index;
    return CallWindowProcW(panel.procs[index], window, message, wParam, lParam);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int buildSearchPanel(MainWindow& w) {
  SearchPanel& panel = w.panel;
  int missing = 0;
  for (int index : kPanelCreationOrder) {
    panel.controls[index] =
        index == kPanelResultList ? createResultList(w) : createControl(w, index);
    if (panel.controls[index] == nullptr) {
      ++missing;
      continue;
    }
    if (index == kPanelResultList) {
      panel.font.reset(createPanelFont(w.window));
      SendMessageA(panel.controls[index], WM_SETFONT, reinterpret_cast<WPARAM>(panel.font.get()),
                   0);
    }
  }
  if (missing != 0) return missing;

  // The list view has the font first and hands it on, so that all controls share one.
  const WPARAM font = SendMessageA(panel.controls[kPanelResultList], WM_GETFONT, 0, 0);
  for (int index = 0; index < kPanelResultList; ++index)
    SendMessageA(panel.controls[index], WM_SETFONT, font, 0);
  if ((w.options & kOptKeepText) != 0)
    loadHistory(w.config, panel.controls[kPanelContainingText], kTextHistory);

  const LRESULT itemHeight =
      SendMessageA(panel.controls[kPanelNamePatterns], CB_GETITEMHEIGHT, 0, 0);
  panel.comboItemHeight = itemHeight > 0 && itemHeight != CB_ERR ? static_cast<int>(itemHeight) : 0;

  setCheckBoxesFromOptions(w.window, w.options);
  showPanelControls(panel);
  buildFocusRing(panel);
  for (int index = 0; index < kPanelControlCount; ++index)
    if (panelControlSpec(index).remembersFocus) rememberFocusOf(panel, index);
  return 0;
}

void layoutSearchPanel(SearchPanel& panel, const PanelBand& band, uint32_t options) {
  const PanelLayout layout =
      layoutPanel(band, panel.comboItemHeight, (options & kOptOptionsExpanded) != 0,
                  isComboBox(panel.controls[kPanelContainingText]));
  for (int index = 0; index < kPanelControlCount; ++index) {
    if (!layout.placed[index] || panel.controls[index] == nullptr) continue;
    const Rect& r = layout.controls[index];
    MoveWindow(panel.controls[index], r.x, r.y, r.width, r.height, FALSE);
  }
  panel.minimumTrackWidth = layout.minimumTrackWidth;
  panel.minimumTrackHeight = layout.minimumTrackHeight;
  panel.laidOut = true;
}

void showPanelControls(const SearchPanel& panel) {
  for (int index = 0; index < kPanelControlCount; ++index)
    if (panel.controls[index] != nullptr && !panelControlSpec(index).neverShown)
      ShowWindow(panel.controls[index], SW_SHOW);
}

void setCheckBoxesFromOptions(HWND mainWindow, uint32_t options) {
  for (const CheckBoxBit& box : kCheckBoxBits)
    CheckDlgButton(mainWindow, panelControlId(box.index),
                   (options & box.bit) != 0 ? BST_CHECKED : BST_UNCHECKED);
}

void readCheckBoxesIntoOptions(MainWindow& w) {
  w.options = optionsFromCheckBoxes(w.options, [&w](int index) {
    return IsDlgButtonChecked(w.window, panelControlId(index)) == BST_CHECKED;
  });
  putOptions(w.config, kSection, w.options);
}

void recreateContainingText(MainWindow& w) {
  SearchPanel& panel = w.panel;
  HWND& field = panel.controls[kPanelContainingText];
  char text[kFieldCapacity] = "";
  GetWindowTextA(field, text, sizeof text);
  DestroyWindow(field);
  panel.procs[kPanelContainingText] = nullptr;
  field = createControl(w, kPanelContainingText);
  if (field == nullptr) return;
  if ((w.options & kOptKeepText) != 0) loadHistory(w.config, field, kTextHistory);
  SendMessageA(field, WM_SETFONT, SendMessageA(panel.controls[kPanelResultList], WM_GETFONT, 0, 0),
               0);
  SetWindowTextA(field, text);
  rememberFocusOf(panel, kPanelContainingText);
  buildFocusRing(panel);
  layoutMainWindow(w);
  showPanelControls(panel);
}

void drawOptionsButton(MainWindow& w, const DRAWITEMSTRUCT& item) {
  OwnedFont& underlined = w.panel.optionsButtonFont;
  if (!underlined) {
    LOGFONTA font = {};
    HFONT current = reinterpret_cast<HFONT>(SendMessageA(item.hwndItem, WM_GETFONT, 0, 0));
    GetObjectA(current != nullptr ? current : GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfUnderline = TRUE;
    underlined.reset(CreateFontIndirectA(&font));
  }
  RECT area = item.rcItem;
  FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(item.hDC, TRANSPARENT);
  const bool expanded = (w.options & kOptOptionsExpanded) != 0;
  SetTextColor(item.hDC, (item.itemState & ODS_SELECTED) != 0 ? kOptionsPressed
                         : expanded                           ? kOptionsExpanded
                                                              : kOptionsCollapsed);
  char text[80];
  getText(w.languages.current, panelControlId(kPanelOptionsButton), text, 64);
  std::strcat(text, expanded ? "  <<" : "  >>");
  const Selection fontSelected(item.hDC, underlined.get());
  DrawTextA(item.hDC, text, -1, &area, DT_SINGLELINE | DT_VCENTER);
  // Without a frame of its own the button shows the keyboard focus by this rectangle alone.
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT measured = area;
    DrawTextA(item.hDC, text, -1, &measured, DT_SINGLELINE | DT_CALCRECT);
    measured.top = area.top;
    measured.bottom = area.bottom;
    DrawFocusRect(item.hDC, &measured);
  }
}

void buildFocusRing(SearchPanel& panel) {
  std::size_t next = 0;
  for (HWND& entry : panel.focusRing) entry = nullptr;
  for (int index = 0; index < kPanelControlCount && next < kFocusRingCapacity; ++index) {
    HWND control = panel.controls[index];
    if (control != nullptr && (GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) != 0)
      panel.focusRing[next++] = control;
  }
}

void moveFocusAlongRing(const SearchPanel& panel, bool backwards) {
  HWND focus = GetFocus();
  bool present[kFocusRingCapacity];
  bool visible[kFocusRingCapacity];
  int current = -1;
  for (std::size_t i = 0; i < kFocusRingCapacity; ++i) {
    HWND entry = panel.focusRing[i];
    present[i] = entry != nullptr;
    visible[i] = entry != nullptr && IsWindowVisible(entry);
    if (entry != nullptr && current < 0 && (entry == focus || IsChild(entry, focus)))
      current = static_cast<int>(i);
  }
  const int next = nextFocusPosition(present, visible, kFocusRingCapacity, current, backwards);
  if (next >= 0 && panel.focusRing[next] != nullptr) SetFocus(panel.focusRing[next]);
}

void focusRememberedControl(const SearchPanel& panel) {
  const int index = panel.lastFocusIndex;
  if (index >= 0 && index < kPanelControlCount && panel.controls[index] != nullptr)
    SetFocus(panel.controls[index]);
}

void rememberFocusOf(SearchPanel& panel, int index) {
  HWND control = panel.controls[index];
  if (control == nullptr) return;
  panel.procs[index] = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(rememberFocusProc)));
}

void loadHistory(ConfigStore& config, HWND combo, const char* section) {
  ComboHistory history(combo);
  loadHistoryList(config, history, section, kHistoryCount);
}

void saveHistory(ConfigStore& config, HWND combo, const char* section) {
  if (!isComboBox(combo)) return;
  ComboHistory history(combo);
  saveHistoryList(config, history, section, kHistoryCount);
}

void useHistoryText(HWND combo, const char* text) {
  if (!isComboBox(combo)) return;
  ComboEditor editor(combo);
  useHistoryEntry(editor, text);
}

void cleanHexField(HWND field) {
  char text[kFieldCapacity] = "";
  GetWindowTextA(field, text, sizeof text);
  char cleaned[kFieldCapacity];
  std::strcpy(cleaned, text);
  hexClean(cleaned);
  if (std::strcmp(cleaned, text) != 0) replaceFieldText(field, cleaned);
}

void rewriteHexField(HWND field) {
  char text[kFieldCapacity] = "";
  GetWindowTextA(field, text, sizeof text);
  hexClean(text);
  uint8_t bytes[kFieldCapacity];
  const std::size_t count = hexParse(text, bytes);
  std::string canonical = hexFormat(bytes, count);
  if (canonical.size() > static_cast<std::size_t>(kFieldLimit)) canonical.resize(kFieldLimit);
  replaceFieldText(field, canonical.c_str());
}

}  // namespace ostrya

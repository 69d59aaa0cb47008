// Win32 only: the configuration dialog, its pages and title bar, and what the main window applies
// after it.
#include "ui/configuration_dialog.h"

#include <array>

#include "app/configuration_options.h"
#include "app/option_bits.h"
#include "foundation/config_values.h"
#include "foundation/dialog_labels.h"
#include "ui/dialog_frame.h"
#include "ui/gdi_owners.h"
#include "ui/language_ui.h"
#include "ui/main_window_state.h"
#include "ui/resources.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"

namespace ostrya {
namespace {

constexpr char kSection[] = "Ostrya";
// Page titles are cut to this many characters and follow one blank in the page list.
constexpr std::size_t kPageTitleCapacity = 37;
// The title's text starts this far into the bar.
constexpr int kTitleTextIndent = 10;
// With this many device colours or fewer a gradient comes out in coarse dithered steps.
constexpr int kGradientMinimumColours = 20;

struct Session {
  MainWindow* w;
  WNDPROC titleProc = nullptr;
};

Session& sessionOf(HWND dialog) {
  return *dialogState<Session>(dialog);
}

void showPage(HWND dialog, int shown) {
  for (int page = 0; page < static_cast<int>(std::size(kConfigurationPages)); ++page)
    if (page != shown)
      for (uint16_t control : kConfigurationPages[page].controls)
        ShowWindow(GetDlgItem(dialog, control), SW_HIDE);
  if (shown < 0 || shown >= static_cast<int>(std::size(kConfigurationPages))) return;
  for (uint16_t control : kConfigurationPages[shown].controls)
    ShowWindow(GetDlgItem(dialog, control), SW_SHOW);
}

void onPageChange(HWND dialog) {
  HWND pages = GetDlgItem(dialog, kConfigurationPageList);
  const LRESULT selected = SendMessageA(pages, LB_GETCURSEL, 0, 0);
  const LRESULT page =
      selected == LB_ERR ? LB_ERR : SendMessageA(pages, LB_GETITEMDATA, selected, 0);
  showPage(dialog, page == LB_ERR ? -1 : static_cast<int>(page));
  InvalidateRect(GetDlgItem(dialog, kConfigurationTitle), nullptr, TRUE);
}

// The selected page's title from a gradient that runs from the caption colour into the dialog's.
void paintTitle(HWND title) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(title, &paint);
  RECT client;
  GetClientRect(title, &client);
  SetBkMode(dc, TRANSPARENT);
  const COLORREF caption = GetSysColor(COLOR_INACTIVECAPTION);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const int colours = GetDeviceCaps(dc, NUMCOLORS);
  const auto fill = [dc, &client](int x, int width, COLORREF colour) {
    RECT band = {x, client.top, x + width, client.bottom};
    SetDCBrushColor(dc, colour);
    FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  };
  if (colours > kGradientMinimumColours || colours < 0) {
    for (const TitleBand& band : titleBarBands(caption, face, client.right))
      fill(band.x, band.width, band.colour);
  } else {
    fill(0, client.right, caption);
  }

  HWND pages = GetDlgItem(GetParent(title), kConfigurationPageList);
  const LRESULT selected = SendMessageA(pages, LB_GETCURSEL, 0, 0);
  char text[kPageTitleCapacity + 2] = "";
  if (selected != LB_ERR &&
      SendMessageA(pages, LB_GETTEXTLEN, selected, 0) < static_cast<LRESULT>(sizeof text))
    SendMessageA(pages, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(text));
  const Selection font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(title, WM_GETFONT, 0, 0)));
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT area = client;
  area.left += kTitleTextIndent;
  DrawTextA(dc, text, -1, &area, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  EndPaint(title, &paint);
}

// The static's own painting would cover the bar with the dialog's colour again, so the bar is
// painted here alone; everything else is the static's.
LRESULT CALLBACK titleProc(HWND title, UINT message, WPARAM wParam, LPARAM lParam) {
  const Session& session = sessionOf(GetParent(title));
  switch (message) {
    case WM_PAINT:
      paintTitle(title);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return CallWindowProcA(session.titleProc, title, message, wParam, lParam);
  }
}

void check(HWND dialog, int control, bool checked) {
  CheckDlgButton(dialog, control, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool isChecked(HWND dialog, int control) {
  return IsDlgButtonChecked(dialog, control) == BST_CHECKED;
}

void fillPageList(HWND dialog, const MainWindow& w) {
  HWND pages = GetDlgItem(dialog, kConfigurationPageList);
  const LRESULT itemHeight = SendMessageA(pages, LB_GETITEMHEIGHT, 0, 0);
  // A little air between the page titles.
  if (itemHeight > 0) SendMessageA(pages, LB_SETITEMHEIGHT, 0, itemHeight * 12 / 10);
  for (int page = 0; page < static_cast<int>(std::size(kConfigurationPages)); ++page) {
    char text[kPageTitleCapacity + 2] = " ";
    getText(w.languages.current, kConfigurationPages[page].titleId, text + 1,
            kPageTitleCapacity + 1);
    const LRESULT item = SendMessageA(pages, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (item >= 0) SendMessageA(pages, LB_SETITEMDATA, item, page);
  }
  SendMessageA(pages, LB_SETCURSEL, 0, 0);
}

BOOL onInit(HWND dialog, Session& session) {
  const MainWindow& w = *session.w;
  showPage(dialog, -1);
  centreOver(dialog, w.window);
  SetFocus(GetDlgItem(dialog, kConfigurationPageList));
  addContextHelp(dialog);
  labelWindow(dialog, w.languages.current, dialogLabels(LabelledWindow::Configuration));
  HWND title = GetDlgItem(dialog, kConfigurationTitle);
  session.titleProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(title, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(titleProc)));
  for (const OptionBox& box : kOptionBoxes)
    check(dialog, box.control, optionBoxChecked(w.options, box));
  for (std::size_t row = 0; row < kColumnCount; ++row)
    check(dialog, kFirstColumnBox + static_cast<int>(row), columnBoxChecked(w.list.columns, row));
  fillPageList(dialog, w);
  onPageChange(dialog);
  // The focus is set here, not handed to the dialog manager.
  return FALSE;
}

// Returns 1 and the number of columns shown or hidden.
int takeChoices(HWND dialog, MainWindow& w) {
  w.options =
      optionsFromBoxes(w.options, [dialog](int control) { return isChecked(dialog, control); });
  // The widths and order the user gave the columns, while the list still shows them all.
  readColumnsFromList(w);
  std::array<bool, kColumnCount> shown;
  for (std::size_t row = 0; row < kColumnCount; ++row)
    shown[row] = isChecked(dialog, kFirstColumnBox + static_cast<int>(row));
  const int changes = applyColumnBoxes(w.list.columns, shown);
  putOptions(w.config, kSection, w.options);
  saveColumns(w.config, w.list.columns);
  return 1 + changes;
}

INT_PTR CALLBACK configurationProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return onInit(dialog, keepDialogState<Session>(dialog, lParam));
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == kConfigurationPageList && HIWORD(wParam) == LBN_SELCHANGE)
        onPageChange(dialog);
      else if (isOkCommand(id))
        EndDialog(dialog, takeChoices(dialog, *sessionOf(dialog).w));
      else if (id == IDCANCEL)
        EndDialog(dialog, 0);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

// The list made anew with the columns the dialog left, their titles and the rows it showed.
void showChangedColumns(MainWindow& w) {
  rebuildResultList(w);
  showPanelControls(w.panel);
  saveColumnLayout(w);
}

}  // namespace

void editConfiguration(MainWindow& w) {
  const uint32_t before = w.options;
  Session session{&w};
  const INT_PTR result =
      DialogBoxParamA(w.instance, MAKEINTRESOURCEA(kConfigurationDialog), w.window,
                      configurationProc, reinterpret_cast<LPARAM>(&session));
  if (result <= 0) return;
  SetWindowPos(w.window, (w.options & kOptAlwaysOnTop) != 0 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0,
               0, 0, SWP_NOMOVE | SWP_NOSIZE);
  setCheckBoxesFromOptions(w.window, w.options);
  if (((before ^ w.options) & kOptKeepText) != 0) recreateContainingText(w);
  if (result > 1) showChangedColumns(w);
  applyExtendedStyles(w.panel.controls[kPanelResultList], w.options);
  PostMessageA(w.window, WM_SIZE, SIZE_RESTORED, 0);
}

}  // namespace ostrya

// Win32 only: the main menu drawn by the program itself, in tints of the system colours.
#include "ui/owner_menus.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "app/command_ids.h"
#include "foundation/menu_colours.h"
#include "foundation/menu_metrics.h"
#include "foundation/menu_template.h"
#include "ui/resources.h"
#include "ui/window_list.h"

namespace ostrya {
namespace {

// Items above this identifier are the window list's, which carry a window instead of a
// template item.
constexpr UINT kLastTemplateCommand = kCmdSwitchList;

// The commands that have an image, in the order of the images in the bitmap.
constexpr uint16_t kImageCommands[] = {kCmdExit,
                                       kCmdHelpContents,
                                       kCmdHelpOnHelp,
                                       kCmdGoOnline,
                                       kCmdAbout,
                                       kCmdLanguage,
                                       kCmdConfiguration,
                                       kCmdSearch,
                                       kCmdStop,
                                       kCmdMakeShortcut,
                                       kCmdRun,
                                       kCmdEdit,
                                       kCmdCopy,
                                       kCmdMove,
                                       kCmdRename,
                                       kCmdDelete,
                                       kCmdProperties,
                                       kCmdGoTo,
                                       kMenuExport,
                                       kCmdExportText,
                                       kCmdExportCsv,
                                       kCmdExportHtml,
                                       kCmdRegister,
                                       kCmdUnregister,
                                       kMenuSort,
                                       kCmdFilter,
                                       kCmdConnectNetwork,
                                       kCmdDisconnectNetwork};
constexpr int kImageSize = 16;
constexpr int kRadioDotSize = 6;

// Geometry of a popup item: the icon band, where the text starts, the check box.
constexpr int kIconBandRight = 22;
constexpr int kTextLeft = 30;
constexpr int kShortcutGap = 8;
constexpr int kWindowListMinimumHeight = 20;
constexpr int kBarStrip = 4;
// SPI_GETKEYBOARDCUES: whether underlines show before the keyboard is used.
constexpr UINT kKeyboardCuesRequest = 0x100A;

int imageOf(UINT command) {
  for (std::size_t i = 0; i < std::size(kImageCommands); ++i)
    if (kImageCommands[i] == command) return static_cast<int>(i);
  return -1;
}

MenuItem* templateItemAt(HMENU menu, int position, UINT& id, UINT& type) {
  MENUITEMINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_DATA;
  if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info)) return nullptr;
  id = info.wID;
  type = info.fType;
  return reinterpret_cast<MenuItem*>(info.dwItemData);
}

// The menu font of the system's non-client metrics; the caller deletes it.
HFONT createMenuFont() {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  return CreateFontIndirectA(&metrics.lfMenuFont);
}

int textWidth(HDC dc, std::string_view text) {
  if (text.empty()) return 0;
  RECT area = {0, 0, 0, 0};
  DrawTextA(dc, text.data(), static_cast<int>(text.size()), &area, DT_SINGLELINE | DT_CALCRECT);
  return area.right - area.left;
}

// A rectangle in one pen and one brush, both made and dropped here.
void frameAndFill(HDC dc, const RECT& area, COLORREF frame, COLORREF fill) {
  const OwnedPen pen(CreatePen(PS_SOLID, 1, frame));
  const OwnedBrush brush(CreateSolidBrush(fill));
  const Selection penSelected(dc, pen.get());
  const Selection brushSelected(dc, brush.get());
  Rectangle(dc, area.left, area.top, area.right, area.bottom);
}

void fill(HDC dc, const RECT& area, COLORREF colour) {
  const OwnedBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &area, brush.get());
}

// The open tab of the menu bar, and a highlighted bar item: framed, with a strip of button
// face on its right that keeps neighbouring tabs apart.
void barShape(HDC dc, RECT area, COLORREF frame, COLORREF inside) {
  RECT strip = area;
  strip.left = area.right - kBarStrip;
  area.right -= kBarStrip;
  frameAndFill(dc, area, frame, inside);
  fill(dc, strip, GetSysColor(COLOR_BTNFACE));
}

void drawBackground(HDC dc, const RECT& area, bool bar, bool selected, bool hot, bool inactive,
                    bool disabled) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  if (bar && selected) {
    barShape(dc, area, GetSysColor(COLOR_3DDKSHADOW), tint(face, 20, 0));
  } else if (selected || (hot && !inactive)) {
    const COLORREF inside =
        disabled ? tint(face, 73, 0) : tint(GetSysColor(COLOR_HIGHLIGHT), 70, -57);
    if (bar)
      barShape(dc, area, GetSysColor(COLOR_HIGHLIGHT), inside);
    else
      frameAndFill(dc, area, GetSysColor(COLOR_HIGHLIGHT), inside);
  } else if (bar) {
    fill(dc, area, face);
  } else {
    RECT band = area;
    band.right = area.left + kIconBandRight;
    RECT rest = area;
    rest.left = band.right;
    fill(dc, band, tint(face, 20, 0));
    fill(dc, rest, tint(face, 75, 0));
  }
}

void drawSeparator(HDC dc, const RECT& area) {
  const OwnedPen pen(CreatePen(PS_SOLID, 1, tint(GetSysColor(COLOR_BTNFACE), -18, 0)));
  const Selection selected(dc, pen.get());
  const int middle = (area.top + area.bottom) / 2;
  MoveToEx(dc, area.left + kTextLeft, middle, nullptr);
  LineTo(dc, area.right - 1, middle);
}

void drawCheck(HDC dc, const RECT& area, HICON radioDot, bool radio, bool selected, bool disabled) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF inside = disabled   ? tint(face, 73, 0)
                          : selected ? tint(highlight, 50, -50)
                                     : tint(highlight, 70, -57);
  const RECT box = {area.left + 1, area.top + 1, area.left + 20, area.bottom - 1};
  frameAndFill(dc, box, highlight, inside);
  if (radio) {
    DrawIconEx(dc, area.left + 8, area.top + 7, radioDot, kRadioDotSize, kRadioDotSize, 0, nullptr,
               DI_NORMAL);
    return;
  }
  // The system's check mark is a monochrome bitmap: drawn in the text colour on the box's fill.
  const OwnedBitmap check(LoadBitmapA(nullptr, MAKEINTRESOURCEA(32760)));  // OBM_CHECK
  if (!check) return;
  const COLORREF oldBack = SetBkColor(dc, inside);
  DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(check.get()), 0, area.left + 5,
             area.top + 3, 15, 0, DST_BITMAP);
  SetBkColor(dc, oldBack);
}

void drawImage(HDC dc, const RECT& area, HIMAGELIST images, int image, bool selected,
               bool disabled) {
  if (images == nullptr) return;
  if (disabled) {
    const OwnedIcon icon(ImageList_GetIcon(images, image, ILD_NORMAL));
    const OwnedBrush stamp(CreateSolidBrush(tint(GetSysColor(COLOR_BTNFACE), -27, 0)));
    DrawStateA(dc, stamp.get(), nullptr, reinterpret_cast<LPARAM>(icon.get()), 0, area.left + 3,
               area.top + 3, kImageSize, kImageSize, DST_ICON | DSS_MONO);
    return;
  }
  // A selected image stands one pixel up and to the left, as if lifted.
  const int offset = selected ? 2 : 3;
  ImageList_Draw(images, image, dc, area.left + offset, area.top + offset, ILD_TRANSPARENT);
}

// A window-list item: the window's title beside its class's icon, in the popup items' look.
void drawWindowListItem(const DRAWITEMSTRUCT& item) {
  const auto window = reinterpret_cast<HWND>(item.itemData);
  HDC dc = item.hDC;
  const RECT& area = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const bool inactive = (item.itemState & ODS_INACTIVE) != 0;
  const bool checked = (item.itemState & ODS_CHECKED) != 0;
  drawBackground(dc, area, false, selected, (item.itemState & ODS_HOTLIGHT) != 0, inactive, false);
  SetTextColor(dc, GetSysColor(inactive ? COLOR_BTNSHADOW : COLOR_MENUTEXT));
  SetBkMode(dc, TRANSPARENT);
  RECT text = area;
  text.left = area.left + kTextLeft;
  // A title is no menu label: an "&" in it is shown, not taken as a mnemonic.
  DrawTextA(dc, listedTitle(window).c_str(), -1, &text,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  auto icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON));
  if (icon == nullptr) return;
  const int offset = selected && !checked ? 2 : 3;
  DrawIconEx(dc, area.left + offset, area.top + offset, icon, kImageSize, kImageSize, 0, nullptr,
             DI_NORMAL);
}

void measureWindowListItem(MEASUREITEMSTRUCT& item) {
  const std::string title = listedTitle(reinterpret_cast<HWND>(item.itemData));
  const OwnedFont font(createMenuFont());
  const WindowDc screen(nullptr);
  const Selection fontSelected(screen.get(), font.get());
  RECT area = {0, 0, 0, 0};
  DrawTextA(screen.get(), title.c_str(), -1, &area, DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
  item.itemWidth = static_cast<UINT>(area.right - area.left + kTextLeft);
  item.itemHeight =
      static_cast<UINT>(std::max({static_cast<int>(area.bottom - area.top),
                                  GetSystemMetrics(SM_CYMENU), kWindowListMinimumHeight}));
}

}  // namespace

void MenuArt::load(HINSTANCE instance) {
  images_.reset(ImageList_Create(kImageSize, kImageSize, ILC_COLOR24 | ILC_MASK,
                                 static_cast<int>(std::size(kImageCommands)), 1));
  if (const OwnedBitmap strip{LoadBitmapA(instance, MAKEINTRESOURCEA(kMenuImagesBitmap))})
    ImageList_AddMasked(images_.get(), strip.get(), kImageKeyColour);
  radioDot_.reset(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(kRadioDotIcon),
                                                IMAGE_ICON, kRadioDotSize, kRadioDotSize, 0)));
}

void prepareOwnerDrawnMenu(HWND window, HMENU menu, bool menuBar) {
  const OwnedFont font(createMenuFont());
  const WindowDc screen(nullptr);
  HDC dc = screen.get();
  const Selection fontSelected(dc, font.get());
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  const int itemHeight = menuItemHeight(metrics.tmHeight);
  const int separatorHeight = menuSeparatorHeight(metrics.tmHeight);

  int widestLabel = 0;
  int widestShortcut = 0;
  const int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    UINT id = 0;
    UINT type = 0;
    MenuItem* item = templateItemAt(menu, position, id, type);
    if (item == nullptr || id > kLastTemplateCommand) continue;
    if ((type & MFT_OWNERDRAW) == 0 && !(menuBar && (type & MFT_BITMAP) != 0)) {
      MENUITEMINFOA info = {};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE;
      info.fType = type | MFT_OWNERDRAW;
      SetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info);
    }
    if (menuBar) {
      item->measure = menuBarMeasure(textWidth(dc, item->text));
      continue;
    }
    const MenuText text = splitMenuText(item->text);
    widestLabel = std::max(widestLabel, textWidth(dc, text.label));
    widestShortcut = std::max(widestShortcut, textWidth(dc, text.shortcut));
  }
  if (!menuBar) {
    for (int position = 0; position < count; ++position) {
      UINT id = 0;
      UINT type = 0;
      MenuItem* item = templateItemAt(menu, position, id, type);
      if (item == nullptr || id > kLastTemplateCommand) continue;
      item->measure = item->command == kMenuSeparatorCommand
                          ? static_cast<uint32_t>(separatorHeight)
                          : popupMeasure(itemHeight, widestShortcut, widestLabel);
    }
  }
  if (menuBar) DrawMenuBar(window);
}

void measureMenuItem(MEASUREITEMSTRUCT& item) {
  if (item.itemID > kLastTemplateCommand) {
    measureWindowListItem(item);
    return;
  }
  if (item.itemData == 0) return;
  const MenuItem* templateItem = reinterpret_cast<const MenuItem*>(item.itemData);
  const MenuItemSize size = menuItemSize(templateItem->measure);
  item.itemWidth = static_cast<UINT>(size.width);
  if (size.height != 0) item.itemHeight = static_cast<UINT>(size.height);
}

void MenuArt::drawItem(const DRAWITEMSTRUCT& item) const {
  if (item.itemID > kLastTemplateCommand) {
    drawWindowListItem(item);
    return;
  }
  if (item.itemData == 0) return;
  const MenuItem* templateItem = reinterpret_cast<const MenuItem*>(item.itemData);
  HDC dc = item.hDC;
  const RECT& area = item.rcItem;

  MENUITEMINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE | MIIM_FTYPE;
  GetMenuItemInfoA(reinterpret_cast<HMENU>(item.hwndItem), item.itemID, FALSE, &info);
  const bool disabled = (info.fState & (MFS_GRAYED | MFS_DISABLED)) != 0;
  const bool separator =
      (templateItem->type & MFT_SEPARATOR) != 0 || templateItem->command == kMenuSeparatorCommand;
  const bool radio = (info.fType & MFT_RADIOCHECK) != 0;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const bool hot = (item.itemState & ODS_HOTLIGHT) != 0;
  const bool inactive = (item.itemState & ODS_INACTIVE) != 0;
  const bool checked = (item.itemState & ODS_CHECKED) != 0;
  const bool bar = !isPopupMeasure(templateItem->measure);

  drawBackground(dc, area, bar, selected, hot, inactive, disabled);
  if (separator) {
    drawSeparator(dc, area);
    return;
  }
  if (templateItem->text[0] == '\0') return;

  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  SetTextColor(dc, inactive   ? GetSysColor(COLOR_BTNSHADOW)
                   : disabled ? tint(face, -18, 0)
                              : GetSysColor(COLOR_MENUTEXT));
  SetBkMode(dc, TRANSPARENT);
  BOOL cuesAlways = TRUE;
  SystemParametersInfoA(kKeyboardCuesRequest, 0, &cuesAlways, 0);
  const UINT hidePrefix = (item.itemState & ODS_NOACCEL) != 0 && !cuesAlways ? DT_HIDEPREFIX : 0;

  if (bar) {
    RECT text = area;
    text.right -= kBarStrip;
    DrawTextA(dc, templateItem->text, -1, &text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | hidePrefix);
    return;
  }
  RECT text = area;
  text.left = area.left + kTextLeft;
  const MenuText parts = splitMenuText(templateItem->text);
  const UINT lineFlags = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
  DrawTextA(dc, parts.label.data(), static_cast<int>(parts.label.size()), &text,
            lineFlags | hidePrefix);
  if (!parts.shortcut.empty()) {
    text.left += measureLabelWidth(templateItem->measure) + kShortcutGap;
    DrawTextA(dc, parts.shortcut.data(), static_cast<int>(parts.shortcut.size()), &text, lineFlags);
  }
  if (checked) {
    drawCheck(dc, area, radioDot_.get(), radio, selected, disabled);
    return;
  }
  const int image = imageOf(item.itemID);
  if (image >= 0) drawImage(dc, area, images_.get(), image, selected, disabled);
}

LRESULT menuCharacter(HMENU menu, char key, UINT flags) {
  if ((flags & MF_SYSMENU) != 0) return 0;
  char upper[2] = {key, '\0'};
  CharUpperA(upper);
  const int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    UINT id = 0;
    UINT type = 0;
    const MenuItem* item = templateItemAt(menu, position, id, type);
    if (item == nullptr || id > kLastTemplateCommand) continue;
    const char mnemonic = menuMnemonic(item->text);
    if (mnemonic != 0 && mnemonic == upper[0]) return MAKELRESULT(position, MNC_EXECUTE);
  }
  return 0;
}

}  // namespace ostrya

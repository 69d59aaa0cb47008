// Win32 only: the tool bar.
#include "ui/tool_bar.h"

#include <commctrl.h>

#include <iterator>

#include "app/command_ids.h"
#include "ui/resources.h"

namespace ostrya {
namespace {

constexpr int kImageCount = 17;
constexpr int kImageSize = 16;
constexpr int kButtonSize = 18;

constexpr TBBUTTON button(int image, int command) {
  return {image, command, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
}
constexpr TBBUTTON separator() {
  return {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0};
}

// Image 4 belongs to the partner link's "show" command, which has no button.
const TBBUTTON kButtons[] = {
    button(0, kCmdSearch),
    button(1, kCmdStop),
    separator(),
    button(2, kCmdMakeShortcut),
    button(3, kCmdRun),
    button(5, kCmdEdit),
    button(6, kCmdCopy),
    button(7, kCmdMove),
    button(8, kCmdRename),
    button(9, kCmdDelete),
    separator(),
    button(10, kCmdProperties),
    button(11, kCmdGoTo),
    separator(),
    button(12, kCmdExportText),
    button(13, kCmdExportCsv),
    button(14, kCmdExportHtml),
    separator(),
    button(15, kCmdRegister),
    button(16, kCmdUnregister),
};

HIMAGELIST loadImages(HINSTANCE instance, int bitmap) {
  return ImageList_LoadImageA(instance, MAKEINTRESOURCEA(bitmap), kImageSize, 0, kImageKeyColour,
                              IMAGE_BITMAP, LR_CREATEDIBSECTION);
}

}  // namespace

bool ToolBar::create(HWND mainWindow, HINSTANCE instance) {
  window_ = CreateToolbarEx(
      mainWindow,
      WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP,
      kToolBarId, kImageCount, instance, kToolBarBitmap, kButtons,
      static_cast<int>(std::size(kButtons)), kButtonSize, kButtonSize, kImageSize, kImageSize,
      sizeof(TBBUTTON));
  if (window_ == nullptr) return false;
  images_.reset(loadImages(instance, kToolBarNormalBitmap));
  hotImages_.reset(loadImages(instance, kToolBarHotBitmap));
  SendMessageA(window_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.get()));
  SendMessageA(window_, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hotImages_.get()));
  return true;
}

int ToolBar::fit(bool shown) {
  if (window_ == nullptr || !shown) return 0;
  SendMessageA(window_, WM_SIZE, 0, 0);
  RECT bar;
  GetWindowRect(window_, &bar);
  return bar.bottom - bar.top;
}

void ToolBar::show(bool shown) {
  ShowWindow(window_, shown ? SW_SHOW : SW_HIDE);
}

void ToolBar::enable(uint16_t command, bool enabled) {
  SendMessageA(window_, TB_ENABLEBUTTON, command, MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

}  // namespace ostrya

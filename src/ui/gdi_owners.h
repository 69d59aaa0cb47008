// Win32 only: owners for GDI objects, icons, image lists, menus, device contexts and selections, so
// that each is released once, on every path.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <memory>
#include <type_traits>

namespace ostrya {

struct GdiObjectRelease {
  void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
struct IconRelease {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct ImageListRelease {
  void operator()(HIMAGELIST images) const { ImageList_Destroy(images); }
};
struct MenuRelease {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};

template <typename Handle>
using OwnedGdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectRelease>;
using OwnedFont = OwnedGdiObject<HFONT>;
using OwnedBitmap = OwnedGdiObject<HBITMAP>;
using OwnedBrush = OwnedGdiObject<HBRUSH>;
using OwnedPen = OwnedGdiObject<HPEN>;
using OwnedIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconRelease>;
using OwnedImageList = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListRelease>;
using OwnedMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuRelease>;

// A window's device context, released with the window it came from.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a context for a scope; what was selected before comes back.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selection() {
    if (old_ != nullptr) SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace ostrya

// Win32 only: owners for what the shell hands out: COM interfaces and identifier lists.
#pragma once

#include <shlobj.h>

#include <memory>
#include <string>

namespace ostrya {

template <typename Interface>
struct ComRelease {
  void operator()(Interface* object) const { object->Release(); }
};
template <typename Interface>
using ComPtr = std::unique_ptr<Interface, ComRelease<Interface>>;

// An identifier list the shell allocated, freed with the shell's allocator.
struct ItemIdRelease {
  void operator()(ITEMIDLIST* items) const { CoTaskMemFree(items); }
};
using OwnedItemIds = std::unique_ptr<ITEMIDLIST, ItemIdRelease>;

// A text in the ANSI code page as the wide text the shell's interfaces take; empty when it
// cannot be converted.
inline std::wstring wideText(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
  wide.resize(static_cast<std::size_t>(length) - 1);
  return wide;
}

}  // namespace ostrya

// Win32 only: files as the shell's interfaces take them: one parent folder and the items in it.
#pragma once

#include <shlobj.h>

#include <string>
#include <vector>

#include "ui/shell_owners.h"

namespace ostrya {

// The items are relative to the parent; the first is the file the parent was found from.
struct ShellItems {
  ComPtr<IShellFolder> parent;
  std::vector<OwnedItemIds> items;

  bool empty() const { return !parent || items.empty(); }
  UINT count() const { return static_cast<UINT>(items.size()); }
  // The array GetUIObjectOf takes; valid while the items are.
  std::vector<PCUITEMID_CHILD> array() const;
  // The parent's object of the interface for all the items (a context menu, a data object).
  HRESULT uiObject(HWND owner, REFIID iid, void** object) const;
};

// A path as the desktop's identifier list; none when the shell does not know it.
OwnedItemIds itemIdsOfPath(const std::string& path);

// The first path's folder and item, followed by the items of that folder whose names are those of
// the other paths (a file of another folder is matched by its name alone). Empty when the shell
// does not know the first path.
ShellItems collectShellItems(HWND owner, const std::vector<std::string>& paths);

}  // namespace ostrya

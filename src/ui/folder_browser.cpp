// Win32 only: the shell's folder browser for a text field.
#include "ui/folder_browser.h"

#include <shlobj.h>

#include <string>

#include "foundation/path_text.h"
#include "platform/path.h"
#include "ui/shell_items.h"

namespace ostrya {
namespace {

// The field's folder as a full path; when it does not exist, the folder above it.
OwnedItemIds startingFolder(HWND field) {
  char text[platform::kMaxPath] = "";
  GetWindowTextA(field, text, sizeof text);
  if (text[0] == '\0') return nullptr;
  char full[platform::kMaxPath] = "";
  const DWORD length = GetFullPathNameA(text, sizeof full, full, nullptr);
  if (length == 0 || length >= sizeof full) return nullptr;
  if (OwnedItemIds items = itemIdsOfPath(full)) return items;
  return itemIdsOfPath(parentOf(full));
}

int CALLBACK selectStart(HWND browser, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start != 0)
    SendMessageA(browser, BFFM_SETSELECTIONA, FALSE, start);
  return 0;
}

}  // namespace

void browseForFolder(HWND owner, HWND field) {
  const OwnedItemIds start = startingFolder(field);
  BROWSEINFOA browse = {};
  browse.hwndOwner = owner;
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  browse.lpfn = selectStart;
  browse.lParam = reinterpret_cast<LPARAM>(start.get());
  const OwnedItemIds chosen(SHBrowseForFolderA(&browse));
  char path[MAX_PATH] = "";
  if (chosen && SHGetPathFromIDListA(chosen.get(), path)) SetWindowTextA(field, path);
}

}  // namespace ostrya

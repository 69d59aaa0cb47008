// Win32 only: files as the shell's interfaces take them: one parent folder and the items in it.
#include "ui/shell_items.h"

#include <shlwapi.h>

#include <utility>

#include "foundation/path_text.h"

namespace ostrya {
namespace {

// The name an item has in its folder, as a file system name.
std::wstring nameInFolder(IShellFolder& folder, PCUITEMID_CHILD item) {
  STRRET name = {};
  wchar_t text[MAX_PATH] = L"";
  if (FAILED(folder.GetDisplayNameOf(item, SHGDN_INFOLDER | SHGDN_FORPARSING, &name)) ||
      FAILED(StrRetToBufW(&name, item, text, MAX_PATH)))
    return {};
  return text;
}

// The names still looked for, each once: a name stands for one item of the folder however many
// selected files carry it.
std::vector<std::wstring> otherNames(const std::vector<std::string>& paths,
                                     const std::wstring& firstName) {
  std::vector<std::wstring> names;
  for (std::size_t i = 1; i < paths.size(); ++i) {
    std::wstring name = wideText(std::string(fileNameOf(paths[i])));
    if (name.empty() || lstrcmpiW(name.c_str(), firstName.c_str()) == 0) continue;
    bool known = false;
    for (const std::wstring& held : names)
      known = known || lstrcmpiW(held.c_str(), name.c_str()) == 0;
    if (!known) names.push_back(std::move(name));
  }
  return names;
}

// Adds the folder's items named in `names`, in the folder's order, taking each name once.
void addNamedItems(HWND owner, ShellItems& shell, std::vector<std::wstring> names) {
  IEnumIDList* listing = nullptr;
  if (shell.parent->EnumObjects(owner, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &listing) != S_OK)
    return;
  const ComPtr<IEnumIDList> items(listing);
  ITEMIDLIST* item = nullptr;
  while (!names.empty() && items->Next(1, &item, nullptr) == S_OK) {
    OwnedItemIds owned(item);
    const std::wstring name = nameInFolder(*shell.parent, owned.get());
    for (auto named = names.begin(); named != names.end(); ++named) {
      if (lstrcmpiW(named->c_str(), name.c_str()) != 0) continue;
      shell.items.push_back(std::move(owned));
      names.erase(named);
      break;
    }
  }
}

}  // namespace

OwnedItemIds itemIdsOfPath(const std::string& path) {
  IShellFolder* folder = nullptr;
  std::wstring wide = wideText(path);
  if (wide.empty() || FAILED(SHGetDesktopFolder(&folder))) return nullptr;
  const ComPtr<IShellFolder> desktop(folder);
  ITEMIDLIST* items = nullptr;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide.data(), nullptr, &items, nullptr)))
    return nullptr;
  return OwnedItemIds(items);
}

HRESULT ShellItems::uiObject(HWND owner, REFIID iid, void** object) const {
  std::vector<PCUITEMID_CHILD> pointers = array();
  return parent->GetUIObjectOf(owner, count(), pointers.data(), iid, nullptr, object);
}

std::vector<PCUITEMID_CHILD> ShellItems::array() const {
  std::vector<PCUITEMID_CHILD> pointers;
  pointers.reserve(items.size());
  for (const OwnedItemIds& item : items) pointers.push_back(item.get());
  return pointers;
}

ShellItems collectShellItems(HWND owner, const std::vector<std::string>& paths) {
  ShellItems shell;
  const OwnedItemIds full = paths.empty() ? nullptr : itemIdsOfPath(paths.front());
  if (!full) return shell;
  void* parent = nullptr;
  PCUITEMID_CHILD last = nullptr;
  if (FAILED(SHBindToParent(full.get(), IID_IShellFolder, &parent, &last))) return shell;
  shell.parent.reset(static_cast<IShellFolder*>(parent));
  OwnedItemIds first(ILClone(last));
  if (!first) return {};
  const std::wstring firstName = nameInFolder(*shell.parent, first.get());
  shell.items.push_back(std::move(first));
  if (paths.size() > 1) addNamedItems(owner, shell, otherNames(paths, firstName));
  return shell;
}

}  // namespace ostrya

// Win32 only: the link with a partner program. The block holds a request letter at byte 0 and a
// path from byte 5 on; the message says which side should look at it.
#include "ui/partner_link.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/app_state_win32.h"
#include "app/start_up.h"
#include "results/records.h"
#include "ui/main_window.h"
#include "ui/resources.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"

namespace ostrya {
namespace {

constexpr std::size_t kLinkBlockSize = 4095;
constexpr std::size_t kLinkPathOffset = 5;
constexpr char kLookInRequest = 'P';
constexpr char kShowRequest = 'V';

char* linkBlock() {
  return static_cast<char*>(app().partnerBlock.data());
}

// The current row's path (for an archive entry: its archive), and whether it lies in one.
bool currentItemPath(std::string& path, bool& inArchive) {
  const int row = currentItem();
  if (row < 0) return false;
  ResultStore& store = app().context.store;
  {
    std::lock_guard<std::mutex> hold(store.lock());
    const ResultRecord record = store.recordOfRowLocked(static_cast<uint32_t>(row));
    if (record.bytes() == nullptr) return false;
    inArchive = (record.attributes() & kRecInArchive) != 0;
  }
  path = store.fullPathOfRow(static_cast<uint32_t>(row));
  return !path.empty();
}

}  // namespace

void openPartnerLink(unsigned long partnerWindow) {
  AppState& state = app();
  const auto partner = reinterpret_cast<HWND>(widenWindowHandle(partnerWindow));
  if (state.partner != nullptr || !IsWindow(partner)) return;
  char name[32];
  std::snprintf(name, sizeof name, "%s%ld", "Ostrya", static_cast<long>(partnerWindow));
  state.partnerBlock.open(name, kLinkBlockSize);
  if (linkBlock() == nullptr) return;
  PostMessageA(partner, kMsgPartnerLink, reinterpret_cast<WPARAM>(state.mainWindow), 0);
  state.partner = partner;
}

bool hasPartner() {
  return app().partner != nullptr;
}

bool sendToPartner(char request) {
  AppState& state = app();
  char* block = linkBlock();
  std::string path;
  bool inArchive = false;
  if (state.partner == nullptr || block == nullptr || !currentItemPath(path, inArchive))
    return false;
  // The partner cannot show what lies inside an archive.
  if (request == kShowRequest && inArchive) return false;
  block[0] = request;
  const std::size_t length = std::min(path.size(), kLinkBlockSize - kLinkPathOffset - 1);
  std::memcpy(block + kLinkPathOffset, path.data(), length);
  block[kLinkPathOffset + length] = '\0';
  const LPARAM from = request == kShowRequest ? reinterpret_cast<LPARAM>(state.mainWindow) : 0;
  const LRESULT answer = SendMessageA(state.partner, kMsgPartnerLink, 0, from);
  if (request == kShowRequest && IsWindow(reinterpret_cast<HWND>(answer)))
    restoreAndActivate(reinterpret_cast<HWND>(answer));
  return answer != 0;
}

void onPartnerMessage(WPARAM wParam, LPARAM) {
  if (wParam != 0) {
    openPartnerLink(static_cast<unsigned long>(wParam));
    return;
  }
  char* block = linkBlock();
  if (block == nullptr || block[0] != kLookInRequest) return;
  block[kLinkBlockSize - 1] = '\0';
  SetWindowTextA(app().panel[kPanelLookIn], block + kLinkPathOffset);
  block[0] = '\0';
}

}  // namespace ostrya

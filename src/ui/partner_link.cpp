// Win32 only: the link with a partner program. The block holds a request letter at byte 0 and a
// path from byte 5 on; the message says which side should look at it.
#include "ui/partner_link.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/start_up.h"
#include "results/records.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"
#include "ui/resources.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"

namespace ostrya {
namespace {

constexpr std::size_t kLinkBlockSize = 4095;
constexpr std::size_t kLinkPathOffset = 5;
constexpr char kLookInRequest = 'P';
constexpr char kShowRequest = 'V';

char* linkBlock(MainWindow& w) {
  return static_cast<char*>(w.partner.block.data());
}

// The current row's path (for an archive entry: its archive), and whether it lies in one.
bool currentItemPath(MainWindow& w, std::string& path, bool& inArchive) {
  const int row = currentItem(w.panel.controls[kPanelResultList]);
  if (row < 0) return false;
  ResultStore& store = w.search.context.store;
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

void openPartnerLink(MainWindow& w, unsigned long partnerWindow) {
  const auto partner = reinterpret_cast<HWND>(widenWindowHandle(partnerWindow));
  if (w.partner.window != nullptr || !IsWindow(partner)) return;
  char name[32];
  std::snprintf(name, sizeof name, "%s%ld", "Ostrya", static_cast<long>(partnerWindow));
  w.partner.block.open(name, kLinkBlockSize);
  if (linkBlock(w) == nullptr) return;
  PostMessageA(partner, kMsgPartnerLink, reinterpret_cast<WPARAM>(w.window), 0);
  w.partner.window = partner;
}

bool hasPartner(const MainWindow& w) {
  return w.partner.window != nullptr;
}

bool sendToPartner(MainWindow& w, char request) {
  char* block = linkBlock(w);
  std::string path;
  bool inArchive = false;
  if (w.partner.window == nullptr || block == nullptr || !currentItemPath(w, path, inArchive))
    return false;
  // The partner cannot show what lies inside an archive.
  if (request == kShowRequest && inArchive) return false;
  block[0] = request;
  const std::size_t length = std::min(path.size(), kLinkBlockSize - kLinkPathOffset - 1);
  std::memcpy(block + kLinkPathOffset, path.data(), length);
  block[kLinkPathOffset + length] = '\0';
  const LPARAM from = request == kShowRequest ? reinterpret_cast<LPARAM>(w.window) : 0;
  const LRESULT answer = SendMessageA(w.partner.window, kMsgPartnerLink, 0, from);
  if (request == kShowRequest && IsWindow(reinterpret_cast<HWND>(answer)))
    restoreAndActivate(reinterpret_cast<HWND>(answer));
  return answer != 0;
}

void onPartnerMessage(MainWindow& w, WPARAM wParam, LPARAM) {
  if (wParam != 0) {
    openPartnerLink(w, static_cast<unsigned long>(wParam));
    return;
  }
  char* block = linkBlock(w);
  if (block == nullptr || block[0] != kLookInRequest) return;
  block[kLinkBlockSize - 1] = '\0';
  SetWindowTextA(w.panel.controls[kPanelLookIn], block + kLinkPathOffset);
  block[0] = '\0';
}

}  // namespace ostrya

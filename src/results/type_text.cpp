// portable: no platform headers.
#include "results/result_store.h"

#include <algorithm>
#include <new>

#include "platform/codepage.h"
#include "platform/path.h"
#include "platform/shell.h"

namespace ostrya {
namespace {

// SHFILEINFO's type name holds 80 characters.
constexpr std::size_t kShellTypeNameSize = 80;

void storeTypeText(const ResultRecord& record, std::string_view text) {
  const std::size_t length = std::min(text.size(), result_layout::kTypeTextSize - 1);
  std::copy_n(text.data(), length, record.typeText());
  record.typeText()[length] = '\0';
}

}  // namespace

// A folder the shell cannot name borrows the name it gives the Windows directory. Anything else
// without a shell name is named after its extension ("TXT-File"), as the shell itself names
// unregistered types.
void ResultStore::fillTypeTextLocked(const ResultRecord& record, const TextLookup& texts) {
  std::string path = joinedPathLocked(record);
  if (path.size() >= platform::kMaxPath) path.resize(platform::kMaxPath - 1);
  char shellName[kShellTypeNameSize] = "";
  platform::shellTypeName(path.c_str(), shellName, sizeof shellName);
  if (shellName[0] == '\0' && record.isFolder()) {
    char windows[platform::kMaxPath] = "";
    platform::windowsDirectory(windows, sizeof windows);
    if (windows[0] != '\0') platform::shellTypeName(windows, shellName, sizeof shellName);
  }
  if (shellName[0] != '\0') {
    storeTypeText(record, shellName);
    return;
  }
  std::string text(splitName(record).extension);
  if (!text.empty()) {
    platform::ansiUpper(text.data(), text.size());
    text += '-';
  }
  text += texts.text(kTextFile);
  storeTypeText(record, text);
}

// The shell is asked under the lock: an append may move the record area, and the answer goes
// straight into the record so that it is asked only once.
std::string ResultStore::typeTextOfRow(uint32_t row, const TextLookup& texts) {
  try {
    std::lock_guard guard(lock_);
    const ResultRecord record = recordOfRowLocked(row);
    if (record.bytes() == nullptr) return {};
    return typeTextLocked(record, texts);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

const char* ResultStore::typeTextLocked(const ResultRecord& record, const TextLookup& texts) {
  if (record.typeText()[0] == '\0') fillTypeTextLocked(record, texts);
  return record.typeText();
}

}  // namespace ostrya

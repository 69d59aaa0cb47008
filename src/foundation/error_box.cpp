// portable: no platform headers.
#include "foundation/error_box.h"

#include <string>

#include "platform/file.h"
#include "platform/path.h"

namespace ostrya {
namespace {

ErrorPresenter* currentPresenter = nullptr;

// The caption: the part of the title after its last separator.
const char* fileNamePart(const char* title) {
  const char* part = title;
  for (const char* p = title; *p; ++p)
    if (platform::isPathSeparator(*p)) part = p + 1;
  return part;
}

}  // namespace

void setErrorPresenter(ErrorPresenter* presenter) {
  currentPresenter = presenter;
}

int showSystemError(void* owner, int code, const char* title) {
  if (code == 0) code = platform::lastErrorCode();
  if (code == 0) return 0;
  std::string text = platform::errorText(code);
  if (text.empty()) return 2;
  if (text.size() > 511) text.resize(511);
  if (currentPresenter == nullptr) return 2;
  return currentPresenter->present(owner, text.c_str(), title ? fileNamePart(title) : "Ostrya");
}

}  // namespace ostrya

// portable: no platform headers.
#include "foundation/error_box.h"

#include <string>

#include "platform/file.h"
#include "platform/path.h"

namespace ostrya {
namespace {

ErrorPresenter* currentPresenter = nullptr;

// The caption: the part of the title after its last separator; the program's name without one.
const char* captionOf(const char* title) {
  if (title == nullptr) return "Ostrya";
  const char* part = title;
  for (const char* p = title; *p; ++p)
    if (platform::isPathSeparator(*p)) part = p + 1;
  return part;
}

}  // namespace

void setErrorPresenter(ErrorPresenter* presenter) {
  currentPresenter = presenter;
}

namespace {

// The system's text for the code, at most 511 characters; empty when the code is 0 or has none.
std::string systemErrorText(int& code) {
  if (code == 0) code = platform::lastErrorCode();
  if (code == 0) return std::string();
  std::string text = platform::errorText(code);
  if (text.size() > 511) text.resize(511);
  return text;
}

}  // namespace

int showSystemError(void* owner, int code, const char* title) {
  const std::string text = systemErrorText(code);
  if (code == 0) return 0;
  if (text.empty() || currentPresenter == nullptr) return 2;
  return currentPresenter->present(owner, text.c_str(), captionOf(title));
}

bool offerRetryAfterSystemError(void* owner, int code, const char* title) {
  const std::string text = systemErrorText(code);
  if (text.empty() || currentPresenter == nullptr) return false;
  return currentPresenter->presentWithRetry(owner, text.c_str(), captionOf(title));
}

}  // namespace ostrya

// Win32 only: system errors shown to the user in a message box.
#pragma once

#include "foundation/error_box.h"

namespace ostrya {

class MessageBoxErrors final : public ErrorPresenter {
 public:
  int present(void* owner, const char* text, const char* caption) override;
  bool presentWithRetry(void* owner, const char* text, const char* caption) override;
};

}  // namespace ostrya

// portable: no platform headers.
#pragma once

#include <cstdint>

namespace ostrya::platform {

// Shows the system's wait cursor while it lives, then the cursor that was there before.
// Nothing happens where the system has no cursor of its own to set.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  [[maybe_unused]] intptr_t previous_ = 0;
};

}  // namespace ostrya::platform

// POSIX side of the wait cursor: a console program has none.
#include "platform/wait_cursor.h"

namespace ostrya::platform {

WaitCursor::WaitCursor() = default;
WaitCursor::~WaitCursor() = default;

}  // namespace ostrya::platform

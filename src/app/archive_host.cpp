// portable: no platform headers.
#include "app/archive_host.h"

#include "foundation/error_box.h"

namespace ostrya {
namespace {

int showSystemErrorBox(void* owner, int code, const char* title, int offerRetry) {
  if (offerRetry) return offerRetryAfterSystemError(owner, code, title) ? 1 : 0;
  return showSystemError(owner, code, title);
}

}  // namespace

archive::HostServices& programArchiveServices(archive::HostServices& table) {
  archive::ArchiveServicesInit(table);
  table.ShowSystemError = showSystemErrorBox;
  return table;
}

}  // namespace ostrya

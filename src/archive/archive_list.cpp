// portable: no platform headers.
#include <ctime>
#include <new>

#include "archive/archive.h"
#include "archive/bounded_text.h"
#include "archive/format_table.h"
#include "archive/host_file.h"

namespace ostrya::archive {
namespace {

bool anyKeep(const ListingRequest& request) {
  return request.keep[0] != 0 || request.keep[1] != 0;
}

// The archive file's own date, time and size; a file that cannot be opened keeps zeros.
void describeArchiveFile(const char* path, ArchiveRecord& record, const HostServices& services) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return;
  platform::FileTimes times;
  if (shownFailure(services, nullptr, services.GetFileTimes(nullptr, file.get(), &times, path),
                   path) == 0)
    platform::fileTimeToLocalDos(times.lastWrite, record.dosDate, record.dosTime);
  uint64_t size = 0;
  services.GetFileSize(nullptr, file.get(), &size);
  record.size = size;
}

// Text-encoded attachments are recognised by the host's hooks before any archive format: the
// first keep word set by a hook claims the file.
void runListing(const char* path, ListingRequest& request, ListingContext& context,
                EntryCallback callback, const HostServices& services, void* user) {
  ArchiveRecord& record = *context.record;
  if (!anyKeep(request)) {
    const int textType =
        services.CheckDecodedText(path, &record.dosDate, &record.dosTime, &context);
    if (request.keep[0] != 0) {
      request.typeResult = static_cast<uint16_t>(textType);
    } else {
      services.CheckDecodedMime(path, &record.dosDate, &record.dosTime, &context);
      request.typeResult = request.keep[0] != 0 ? kMimeBase64 : kNoArchive;
    }
  }
  if (anyKeep(request)) return;
  request.typeResult = ArchiveDetectType(path, services);
  listAs(request.typeResult, path, &context, callback, services, user);
  if (!anyKeep(request)) request.typeResult = kNoArchive;
}

}  // namespace

ArchiveRecord* ArchiveList(const char* path, ListingRequest& request, EntryCallback callback,
                           const HostServices& services, void* user) {
  void* block = services.Alloc(sizeof(ArchiveRecord));
  if (block == nullptr) return nullptr;
  ArchiveRecord* record = new (block) ArchiveRecord{};
  record->openTick = static_cast<uint32_t>(std::clock());
  // The record keeps what fits; the listing itself works on the whole path.
  services.AppendBounded(record->path, path, sizeof record->path);
  describeArchiveFile(path, *record, services);
  record->nameOffset = services.NamePartPos(record->path);

  ListingContext context;
  context.request = &request;
  context.record = record;
  {
    HostWaitCursor waiting(services);
    runListing(path, request, context, callback, services, user);
  }
  record->type = request.typeResult;
  if (request.typeResult == kNoArchive) ArchiveRecordFree(record, services);
  return record;
}

void ArchiveRecordFree(ArchiveRecord*& record, const HostServices& services) {
  if (record == nullptr) return;
  void* block = record;
  services.FreeAndClear(&block);
  record = nullptr;
}

}  // namespace ostrya::archive

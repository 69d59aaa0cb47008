// portable: no platform headers.
#pragma once

#include <atomic>
#include <cstdint>

#include "archive/archive_types.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// The type of the file from its contents; kNoArchive when it holds none this layer knows, or
// cannot be opened or read.
TypeCode ArchiveDetectType(const char* path, const HostServices& services);

// Reports every entry of the archive to `callback`. Returns the archive record when a keep word
// of the request asked for it (free it with ArchiveRecordFree), else null.
ArchiveRecord* ArchiveList(const char* path, ListingRequest& request, EntryCallback callback,
                           const HostServices& services, void* user);

// True when this layer can extract entries of the type (an engine or reader is built in).
bool ArchiveCanExtract(TypeCode type);

// Extracts the entries of an archive of the given type, one after another, to `targetPath`,
// calling the host's OnEntryExtracted after each. 0 or a negative code, reported once through
// the host's ReportError. `password` holds at least 128 characters.
int ArchiveExtract(void* owner, const char* archivePath, const char* targetPath, bool keepFolders,
                   TypeCode type, const std::atomic<uint32_t>* abortFlag, char* password,
                   bool askOverwrite, void* callerContext, const HostServices& services);

void ArchiveRecordFree(ArchiveRecord*& record, const HostServices& services);

}  // namespace ostrya::archive

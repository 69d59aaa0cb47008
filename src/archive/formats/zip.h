// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// Lists a ZIP archive from its central directory: 0, kNotThisFormat when no directory is found,
// kDamagedData when it breaks off (the entries before are listed), kReadFailed.
int listZip(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void* user);

// Extracts every entry below the output folder (the target path's folder when none is given),
// with or without the stored folder names. An entry that cannot be extracted (encrypted, an
// unknown method, damaged, larger than the disk's free space) is passed over and its code is
// the result; a failed read or write ends the extraction.
int extractZip(ExtractionRequest& request, const HostServices& services);

// A local header's signature at the head, or behind a self-extracting program.
bool isZipHead(const uint8_t* head, const char* path);
std::size_t findEmbeddedZip(const uint8_t* buffer, std::size_t end, std::size_t length);
inline constexpr DetectionTests kZipDetection{isZipHead, nullptr, findEmbeddedZip};

}  // namespace ostrya::archive

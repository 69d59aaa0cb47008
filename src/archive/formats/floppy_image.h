// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// Floppy disk images with a FAT12 file system, long names included.
int listFloppyImage(const char* path, ListingContext* context, EntryCallback callback,
                    const HostServices& services, void* user);
int extractFloppyImage(ExtractionRequest& request, const HostServices& services);

// A FAT12 boot sector at the start, with the geometry of a floppy disk.
bool looksLikeFloppyImage(const uint8_t* buffer, std::size_t m, uint64_t fileSize);
inline constexpr DetectionTests kFloppyImageDetection{nullptr, looksLikeFloppyImage, nullptr};

}  // namespace ostrya::archive

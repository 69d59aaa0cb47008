// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// Lists a RAR archive through the RAR engine: 0, or kNotThisFormat when it cannot be opened as
// one. A damaged header ends the listing.
int listRar(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void* user);

// Extracts a RAR archive as the request says. `command` is 'X' to make the stored folders, 'E'
// not to; `password` (at least 129 characters) holds the password asked for, kept for the
// caller's next archive. A wrong password is asked for once more.
int extractRar(ExtractionRequest& request, const HostServices& services, char command,
               char* password);

// The marker block of RAR 1.5 to 4 or of RAR 5, at the head or behind a self-extracting
// program.
bool isRarHead(const uint8_t* head, const char* path);
std::size_t findEmbeddedRar(const uint8_t* buffer, std::size_t end, std::size_t length);
inline constexpr DetectionTests kRarDetection{isRarHead, nullptr, findEmbeddedRar};

}  // namespace ostrya::archive

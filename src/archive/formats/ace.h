// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// Lists an ACE archive: 0, kNotThisFormat without an archive header in the first 128 KiB,
// kLaterVolume for a later volume of a set, kDamagedData for a header that fails its CRC or a
// block cut short (the entries before it are listed), kReadFailed when a read fails.
int listAce(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void* user);
// Extracts stored and LZ77 entries. An entry that cannot be decoded (kEncrypted, kDamagedData,
// kUnsupportedMethod) is passed over and the first such code returned at the end; for
// kUnsupportedMethod the extraction is then done again through the outside ACE library, which
// ends it with 0, or kDecoderFailed when the library is missing or fails.
int extractAce(ExtractionRequest& request, const HostServices& services);

// An ACE archive header: its mark follows the header's CRC, size, type and flags. Behind a
// self-extracting program the mark itself is looked for.
bool isAceHead(const uint8_t* head, const char* path);
std::size_t findEmbeddedAce(const uint8_t* buffer, std::size_t end, std::size_t length);
inline constexpr DetectionTests kAceDetection{isAceHead, nullptr, findEmbeddedAce};

}  // namespace ostrya::archive

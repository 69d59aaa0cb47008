// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// A method such as "-lh5-" where a level 0 or 1 header has it.
bool isLhaHead(const uint8_t* head, const char* path);
// An LHA header at `at` whose length byte, marks and checksum agree and which lies inside the
// `available` bytes from `at`.
bool lhaHeaderAt(const uint8_t* at, std::size_t available);
// Such a header close behind a self-extracting program's stub.
std::size_t findEmbeddedLha(const uint8_t* buffer, std::size_t end, std::size_t length);
inline constexpr DetectionTests kLhaDetection{isLhaHead, nullptr, findEmbeddedLha};

// Lists an LHA archive through lhasa: 0 at the end marker or the file's end, kOpenFailed,
// kReadFailed, kNotThisFormat for a header that does not parse (the entries before it stay
// listed).
int listLha(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void* user);
// Besides the listing's codes: kUnsupportedMethod for a method outside the table (the entries
// after it still come out), kDamagedData for data whose CRC-16 or length differs from the
// header's, and the per-entry steps' codes.
int extractLha(ExtractionRequest& request, const HostServices& services);

}  // namespace ostrya::archive

// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// The header marker at the head.
bool isArjHead(const uint8_t* head, const char* path);
// A main header whose CRC-32 agrees, anywhere in the first `m` bytes: behind a
// self-extracting program, or at the start of a file whose head test failed.
bool findArjHeader(const uint8_t* buffer, std::size_t m, uint64_t fileSize);
inline constexpr DetectionTests kArjDetection{isArjHead, findArjHeader, nullptr};

// Lists the entries of types binary, text and folder: 0 at the end marker or the end of the
// file, kNotThisFormat without a main header or at a header without its marker, kDamagedData at
// a damaged header, kReadFailed when a read fails.
int listArj(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void* user);
// The same walk, extracting. An entry refused (kNeedsNewerArj, kEncrypted, kUnsupportedMethod,
// kArjTypeNotExtractable) or damaged (kDamagedData) is passed over. The result is what ended the
// extraction early (a damaged header, a failed read, write or output), else the first code of
// an entry passed over, else 0.
int extractArj(ExtractionRequest& request, const HostServices& services);

}  // namespace ostrya::archive

// portable: no platform headers.
#pragma once

#include "archive/detection.h"

namespace ostrya::archive {

// The header marker at the head.
bool isArjHead(const uint8_t* head, const char* path);
// A main header whose CRC-32 agrees, anywhere in the first `m` bytes: behind a
// self-extracting program, or at the start of a file whose head test failed.
bool findArjHeader(const uint8_t* buffer, std::size_t m, uint64_t fileSize);
inline constexpr DetectionTests kArjDetection{isArjHead, findArjHeader, nullptr};

}  // namespace ostrya::archive

// portable: no platform headers.
#pragma once

#include "archive/detection.h"

namespace ostrya::archive {

// A method such as "-lh5-" where a level 0 or 1 header has it.
bool isLhaHead(const uint8_t* head, const char* path);
// An LHA header at `at` whose length byte, marks and checksum agree and which lies inside the
// `available` bytes from `at`.
bool lhaHeaderAt(const uint8_t* at, std::size_t available);
// Such a header close behind a self-extracting program's stub.
std::size_t findEmbeddedLha(const uint8_t* buffer, std::size_t end, std::size_t length);
inline constexpr DetectionTests kLhaDetection{isLhaHead, nullptr, findEmbeddedLha};

}  // namespace ostrya::archive

// portable: no platform headers.
#pragma once

#include "archive/detection.h"

namespace ostrya::archive {

// An ACE archive header: its mark follows the header's CRC, size, type and flags. Behind a
// self-extracting program the mark itself is looked for.
bool isAceHead(const uint8_t* head, const char* path);
std::size_t findEmbeddedAce(const uint8_t* buffer, std::size_t end, std::size_t length);
inline constexpr DetectionTests kAceDetection{isAceHead, nullptr, findEmbeddedAce};

}  // namespace ostrya::archive

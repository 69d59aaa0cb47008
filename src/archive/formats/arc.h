// portable: no platform headers.
#pragma once

#include "archive/detection.h"

namespace ostrya::archive {

// An ARC entry header: the marker, a method of at most 9 and a 13-byte name that ends with a
// NUL.
bool passesArcHeaderTest(const uint8_t* head, const char* path);
inline constexpr DetectionTests kArcDetection{passesArcHeaderTest, nullptr, nullptr};

}  // namespace ostrya::archive

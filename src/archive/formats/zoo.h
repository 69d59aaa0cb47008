// portable: no platform headers.
#pragma once

#include "archive/detection.h"

namespace ostrya::archive {

// The text a ZOO archive begins with; the version in it varies with the writing program.
bool isZooHead(const uint8_t* head, const char* path);
inline constexpr DetectionTests kZooDetection{isZooHead, nullptr, nullptr};

}  // namespace ostrya::archive

// Writers of ARC data for the decoders' tests: crunching (LZW in a hashed 12-bit table) and the
// run-length step, written from the format's rules alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ostrya::testing {

using ArcBytes = std::vector<uint8_t>;

// Methods 5 and 6 place strings with the older hash, method 7 with the newer one.
ArcBytes crunchArcData(const ArcBytes& data, bool newerHash);
// 0x90 escapes itself as 0x90 0; runs of four or more of a byte become the byte, 0x90, count.
ArcBytes packArcRuns(const ArcBytes& data);
// The CRC-16 an ARC header keeps.
uint16_t arcCrc16(const ArcBytes& data);

// One entry: header (old style for method 1) and data.
ArcBytes arcEntry(uint8_t method, const std::string& name, const ArcBytes& packed,
                  const ArcBytes& original, uint16_t dosDate = 0x5A21, uint16_t dosTime = 0x5000);
inline const ArcBytes kArcEnd = {0x1A, 0x00};

}  // namespace ostrya::testing

// portable: no platform headers.
#pragma once

#include <cstdint>

namespace ostrya {

// Bits of the options word that a search run reads.
enum SearchOption : uint32_t {
  kOptWholeWord = 0x20,
  kOptCaseSensitive = 0x40,
  kOptRecurse = 0x80,
  kOptKeepText = 0x10000,
  kOptWithFilter = 0x20000,
  kOptRegex = 0x40000,
  kOptHex = 0x80000,
  kOptArchives = 0x100000,
};

}  // namespace ostrya

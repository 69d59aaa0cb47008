// ACE's LZ77 method written by the test tree, for the decoder's tests and the ACE fixtures.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ostrya::testing {

// A literal (distance 0) or a match of `length` bytes from `distance` back.
struct AceToken {
  uint8_t literal = 0;
  uint32_t distance = 0;
  uint32_t length = 0;
};

struct AceLz77Options {
  // The dictionary, 2^(10 + the parameter's low four bits).
  unsigned dictionaryBits = 15;
  // Symbols per block, up to 32767; 65536 is sent as 0, the count that wraps.
  std::size_t blockSymbols = 32767;
};

// What an encoding sent: how often each symbol (256 literals, 4 repeated distances, 23
// distance classes) and how many blocks.
struct AceLz77Counts {
  std::array<uint32_t, 283> symbols{};
  unsigned blocks = 0;
};

// Matches found greedily in `data`, reaching back into `history` (the entries before it in a
// solid archive) as far as the dictionary allows.
std::vector<AceToken> aceParse(std::string_view history, std::string_view data,
                               unsigned dictionaryBits);
// The stream of `tokens`: a match repeats one of the four latest distances where its length
// allows, as the compressor prefers. Aborts on a match no symbol can send.
std::vector<uint8_t> aceEncode(const std::vector<AceToken>& tokens, const AceLz77Options& options,
                               AceLz77Counts* counts = nullptr);
inline std::vector<uint8_t> aceCompress(std::string_view data, const AceLz77Options& options = {},
                                        std::string_view history = {},
                                        AceLz77Counts* counts = nullptr) {
  return aceEncode(aceParse(history, data, options.dictionaryBits), options, counts);
}

}  // namespace ostrya::testing

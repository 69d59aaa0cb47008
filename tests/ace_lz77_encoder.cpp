#include "ace_lz77_encoder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <queue>
#include <string>
#include <utility>

#include "engines/ace/ace_prefix_code.h"

namespace ostrya::testing {
namespace {

using engines::ace::kWidestCode;
using engines::ace::kWidestWidthCode;

constexpr unsigned kSymbols = 283;
constexpr unsigned kLengths = 256;
constexpr unsigned kFirstRepeat = 256;
constexpr unsigned kFirstClass = 260;
constexpr uint32_t kMostLengthSymbol = 255;
constexpr uint32_t kLongestSafe = 2 + kMostLengthSymbol;

// Bits most significant first, packed into 32-bit little-endian words.
class WordWriter {
 public:
  void put(uint32_t value, unsigned count) {
    if (count == 0) return;
    held_ = held_ << count | (value & ((uint64_t{1} << count) - 1));
    count_ += count;
    while (count_ >= 32) {
      word(static_cast<uint32_t>(held_ >> (count_ - 32)));
      count_ -= 32;
      held_ &= (uint64_t{1} << count_) - 1;
    }
  }
  std::vector<uint8_t> take() {
    if (count_ > 0) word(static_cast<uint32_t>(held_ << (32 - count_)));
    count_ = 0;
    held_ = 0;
    return std::move(bytes_);
  }

 private:
  void word(uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  uint64_t held_ = 0;
  unsigned count_ = 0;
  std::vector<uint8_t> bytes_;
};

// The four latest distances (each less one) as the decoder keeps them.
struct RecentDistances {
  uint32_t values[4] = {};
  unsigned newest = 0;

  int find(uint32_t value) const {
    for (unsigned back = 0; back < 4; ++back)
      if (values[(newest - back) & 3] == value) return static_cast<int>(back);
    return -1;
  }
  void repeat(unsigned back) {
    const uint32_t value = values[(newest - back) & 3];
    for (unsigned k = back + 1; k-- > 0;) values[(newest - k) & 3] = values[(newest - k + 1) & 3];
    values[newest] = value;
  }
  void push(uint32_t value) {
    newest = (newest + 1) & 3;
    values[newest] = value;
  }
};

uint32_t repeatBase(unsigned back) {
  return back > 1 ? 3 : 2;
}
uint32_t newBase(uint32_t value) {
  return 2 + (value > 255 ? 1 : 0) + (value > 8191 ? 1 : 0);
}

// Huffman code widths no wider than `limit`; a lone symbol gets width 1, as the decoder gives
// it. Frequencies are halved until the code fits.
std::vector<uint8_t> widthsOf(const std::vector<uint64_t>& frequencies, unsigned limit) {
  std::vector<uint8_t> widths(frequencies.size(), 0);
  std::vector<std::size_t> used;
  for (std::size_t i = 0; i < frequencies.size(); ++i)
    if (frequencies[i] > 0) used.push_back(i);
  if (used.size() == 1) widths[used[0]] = 1;
  if (used.size() < 2) return widths;
  std::vector<uint64_t> weights = frequencies;
  for (;;) {
    std::vector<int> parent(used.size() * 2, -1);
    using Item = std::pair<uint64_t, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    for (std::size_t i = 0; i < used.size(); ++i)
      queue.push({weights[used[i]], static_cast<int>(i)});
    int next = static_cast<int>(used.size());
    while (queue.size() > 1) {
      const Item a = queue.top();
      queue.pop();
      const Item b = queue.top();
      queue.pop();
      parent[a.second] = parent[b.second] = next;
      queue.push({a.first + b.first, next++});
    }
    unsigned widest = 0;
    for (std::size_t i = 0; i < used.size(); ++i) {
      unsigned depth = 0;
      for (int node = static_cast<int>(i); parent[node] != -1; node = parent[node]) ++depth;
      widths[used[i]] = static_cast<uint8_t>(depth);
      widest = std::max(widest, depth);
    }
    if (widest <= limit) return widths;
    for (std::size_t index : used) weights[index] = (weights[index] + 1) / 2;
  }
}

// The code each symbol gets, as the decoder's table hands them out.
std::vector<uint32_t> codesOf(std::vector<uint8_t> widths, unsigned tableWidth) {
  engines::ace::PrefixTable table;
  table.clear();
  std::vector<uint8_t> built = widths;
  if (!table.build(built, tableWidth)) {
    std::fprintf(stderr, "ACE test encoder: widths overfill the code\n");
    std::abort();
  }
  std::vector<uint32_t> codes(widths.size(), 0);
  std::vector<bool> seen(widths.size(), false);
  for (uint32_t slot = 0; slot < (uint32_t{1} << tableWidth); ++slot) {
    const uint16_t symbol = table.symbolAt(slot);
    if (symbol >= widths.size() || seen[symbol] || built[symbol] == 0) continue;
    seen[symbol] = true;
    codes[symbol] = slot >> (tableWidth - built[symbol]);
  }
  return codes;
}

struct Code {
  std::vector<uint8_t> widths;
  std::vector<uint32_t> codes;
  void put(WordWriter& out, unsigned symbol) const { out.put(codes[symbol], widths[symbol]); }
};

// Sends the widths of a code: each a change from the one before, modulo the number of width
// values, runs of four or more unchanged ones as the largest value and a count.
Code writeCode(WordWriter& out, const std::vector<uint64_t>& frequencies) {
  Code code;
  code.widths = widthsOf(frequencies, kWidestCode);
  unsigned last = 0;
  unsigned narrowest = 16;
  unsigned widest = 0;
  for (unsigned i = 0; i < code.widths.size(); ++i) {
    if (code.widths[i] == 0) continue;
    last = i;
    narrowest = std::min<unsigned>(narrowest, code.widths[i]);
    widest = std::max<unsigned>(widest, code.widths[i]);
  }
  // The decoder sorts the symbols up to the last one sent, which decides how ties fall.
  code.codes = codesOf(std::vector<uint8_t>(code.widths.begin(), code.widths.begin() + last + 1),
                       kWidestCode);
  code.codes.resize(code.widths.size());
  const unsigned least = widest == 0 ? 0 : narrowest - 1;
  const unsigned runValue = widest == 0 ? 1 : widest - least + 1;
  std::vector<unsigned> values(last + 1);
  for (unsigned i = 0; i <= last; ++i) values[i] = code.widths[i] ? code.widths[i] - least : 0;

  std::vector<unsigned> changes(last + 1);
  for (unsigned i = 0; i <= last; ++i)
    changes[i] = i == 0 ? values[0] : (values[i] + runValue - values[i - 1]) % runValue;
  // (value, run count) in the order they go out; a run has the value runValue.
  std::vector<std::pair<unsigned, unsigned>> sent;
  for (unsigned i = 0; i <= last;) {
    unsigned run = 0;
    while (i + run <= last && run < 19 && changes[i + run] == 0) ++run;
    if (run >= 4) {
      sent.push_back({runValue, run - 4});
      i += run;
    } else {
      sent.push_back({changes[i], 0});
      ++i;
    }
  }
  std::vector<uint64_t> valueFrequencies(runValue + 1, 0);
  for (const auto& [value, run] : sent) ++valueFrequencies[value];
  std::vector<uint8_t> valueWidths = widthsOf(valueFrequencies, kWidestWidthCode);
  const std::vector<uint32_t> valueCodes = codesOf(valueWidths, kWidestWidthCode);

  out.put(last, 9);
  out.put(least, 4);
  out.put(runValue, 4);
  for (unsigned value = 0; value <= runValue; ++value) out.put(valueWidths[value], 3);
  for (const auto& [value, run] : sent) {
    out.put(valueCodes[value], valueWidths[value]);
    if (value == runValue) out.put(run, 4);
  }
  return code;
}

// One symbol of the stream: the main symbol, its distance bits, its length symbol if any.
struct Sent {
  uint16_t symbol;
  uint32_t extra = 0;
  unsigned extraBits = 0;
  int length = -1;
};

}  // namespace

std::vector<AceToken> aceParse(std::string_view history, std::string_view data,
                               unsigned dictionaryBits) {
  const std::string all = std::string(history) + std::string(data);
  const std::size_t window = std::size_t{1} << dictionaryBits;
  constexpr std::size_t kHashSize = 1 << 16;
  constexpr int kChainDepth = 48;
  std::vector<int64_t> head(kHashSize, -1);
  std::vector<int64_t> previous(all.size(), -1);
  auto hashAt = [&](std::size_t at) {
    return (static_cast<uint8_t>(all[at]) * 2654435761u ^ static_cast<uint8_t>(all[at + 1]) << 8 ^
            static_cast<uint8_t>(all[at + 2])) %
           kHashSize;
  };
  auto insert = [&](std::size_t at) {
    if (at + 2 >= all.size()) return;
    const std::size_t hash = hashAt(at);
    previous[at] = head[hash];
    head[hash] = static_cast<int64_t>(at);
  };
  for (std::size_t at = 0; at < history.size(); ++at) insert(at);

  std::vector<AceToken> tokens;
  RecentDistances recent;
  for (std::size_t at = history.size(); at < all.size();) {
    const std::size_t room = std::min<std::size_t>(all.size() - at, kLongestSafe);
    auto lengthAt = [&](std::size_t distance) {
      std::size_t length = 0;
      while (length < room && all[at + length] == all[at + length - distance]) ++length;
      return length;
    };
    std::size_t best = 0;
    std::size_t bestDistance = 0;
    bool bestRepeats = false;
    auto consider = [&](std::size_t distance) {
      if (distance == 0 || distance > at || distance > window) return;
      const std::size_t length = lengthAt(distance);
      const int back = recent.find(static_cast<uint32_t>(distance - 1));
      const bool viaRepeat = back >= 0 && length >= repeatBase(static_cast<unsigned>(back));
      if (!viaRepeat && length < newBase(static_cast<uint32_t>(distance - 1))) return;
      if (length > best || (length == best && viaRepeat && !bestRepeats)) {
        best = length;
        bestDistance = distance;
        bestRepeats = viaRepeat;
      }
    };
    for (unsigned back = 0; back < 4; ++back)
      consider(recent.values[(recent.newest - back) & 3] + std::size_t{1});
    if (at + 2 < all.size()) {
      int depth = 0;
      for (int64_t candidate = head[hashAt(at)]; candidate >= 0 && depth < kChainDepth;
           candidate = previous[candidate], ++depth) {
        if (at - static_cast<std::size_t>(candidate) > window) break;
        consider(at - static_cast<std::size_t>(candidate));
      }
    }
    if (best >= 2) {
      tokens.push_back({0, static_cast<uint32_t>(bestDistance), static_cast<uint32_t>(best)});
      const uint32_t value = static_cast<uint32_t>(bestDistance - 1);
      const int back = recent.find(value);
      if (back >= 0 && best >= repeatBase(static_cast<unsigned>(back)))
        recent.repeat(static_cast<unsigned>(back));
      else
        recent.push(value);
      for (std::size_t i = 0; i < best; ++i) insert(at + i);
      at += best;
    } else {
      tokens.push_back({static_cast<uint8_t>(all[at]), 0, 0});
      insert(at);
      ++at;
    }
  }
  return tokens;
}

std::vector<uint8_t> aceEncode(const std::vector<AceToken>& tokens, const AceLz77Options& options,
                               AceLz77Counts* counts) {
  std::vector<Sent> stream;
  RecentDistances recent;
  for (const AceToken& token : tokens) {
    if (token.distance == 0) {
      stream.push_back({token.literal});
      continue;
    }
    const uint32_t value = token.distance - 1;
    const int back = recent.find(value);
    if (back >= 0 && token.length >= repeatBase(static_cast<unsigned>(back)) &&
        token.length <= repeatBase(static_cast<unsigned>(back)) + kMostLengthSymbol) {
      stream.push_back({static_cast<uint16_t>(kFirstRepeat + back), 0, 0,
                        static_cast<int>(token.length - repeatBase(static_cast<unsigned>(back)))});
      recent.repeat(static_cast<unsigned>(back));
      continue;
    }
    const uint32_t base = newBase(value);
    if (value >= (uint32_t{1} << 22) || token.length < base ||
        token.length > base + kMostLengthSymbol) {
      std::fprintf(stderr, "ACE test encoder: no symbol sends %u bytes from %u back\n",
                   token.length, token.distance);
      std::abort();
    }
    unsigned distanceClass = value;
    uint32_t extra = 0;
    unsigned extraBits = 0;
    if (value >= 2) {
      unsigned top = 31;
      while ((value >> top) == 0) --top;
      distanceClass = top + 1;
      extraBits = top;
      extra = value - (uint32_t{1} << top);
    }
    stream.push_back({static_cast<uint16_t>(kFirstClass + distanceClass), extra, extraBits,
                      static_cast<int>(token.length - base)});
    recent.push(value);
  }

  WordWriter out;
  const std::size_t perBlock = options.blockSymbols;
  if (perBlock == 0 || (perBlock > 32767 && perBlock != 65536)) std::abort();
  for (std::size_t first = 0; first < stream.size(); first += perBlock) {
    const std::size_t end = std::min(stream.size(), first + perBlock);
    std::vector<uint64_t> symbolFrequencies(kSymbols, 0);
    std::vector<uint64_t> lengthFrequencies(kLengths, 0);
    for (std::size_t i = first; i < end; ++i) {
      ++symbolFrequencies[stream[i].symbol];
      if (stream[i].length >= 0) ++lengthFrequencies[static_cast<std::size_t>(stream[i].length)];
    }
    const Code symbols = writeCode(out, symbolFrequencies);
    const Code lengths = writeCode(out, lengthFrequencies);
    out.put(end - first == 65536 ? 0 : static_cast<uint32_t>(end - first), 15);
    for (std::size_t i = first; i < end; ++i) {
      symbols.put(out, stream[i].symbol);
      out.put(stream[i].extra, stream[i].extraBits);
      if (stream[i].length >= 0) lengths.put(out, static_cast<unsigned>(stream[i].length));
      if (counts) ++counts->symbols[stream[i].symbol];
    }
    if (counts) ++counts->blocks;
  }
  return out.take();
}

}  // namespace ostrya::testing

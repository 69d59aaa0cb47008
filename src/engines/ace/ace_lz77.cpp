// portable: no platform headers.
#include "engines/ace/ace_lz77.h"

#include <algorithm>
#include <new>

#include "engines/ace/ace_bit_input.h"
#include "engines/ace/ace_prefix_code.h"

namespace ostrya::engines::ace {
namespace {

// The symbol alphabet: 256 literals, then four repeats of recent distances, then 23 distance
// classes. Class k names distance k for k < 2, else k - 1 further bits above 2^(k - 1).
constexpr unsigned kLiterals = 256;
constexpr unsigned kRepeats = 4;
constexpr unsigned kFirstClass = kLiterals + kRepeats;
constexpr unsigned kLastSymbol = kFirstClass + kLargestDictionaryBits;
// A match's length is its length symbol plus 2, and 1 or 2 more for far distances.
constexpr unsigned kLastLength = 255;
constexpr uint32_t kOneMoreBeyond = 255;
constexpr uint32_t kTwoMoreBeyond = 8191;
constexpr unsigned kLongestMatch = kLastLength + 4;

// How a code is sent: the count of its last symbol (9 bits), the least width (4 bits), the
// number of width values (4 bits) whose own 3-bit widths follow; then the widths of the
// symbols, each a change from the one before modulo that number, the largest of them standing
// for a run of 4 to 19 unchanged ones.
constexpr unsigned kLastSymbolBits = 9;
constexpr unsigned kLeastWidthBits = 4;
constexpr unsigned kWidthValuesBits = 4;
constexpr unsigned kWidthWidthBits = 3;
constexpr unsigned kRunBits = 4;
constexpr unsigned kShortestRun = 4;
constexpr unsigned kBlockSizeBits = 15;
// A block size of 0 counts down through every 16-bit value, as the compressor's counter does.
constexpr uint32_t kWrappedBlock = 65536;

// Flushes come at most this far apart, and never later than half a window: a match adds at most
// kLongestMatch bytes, which leaves the unflushed bytes in place.
constexpr uint32_t kFlushEvery = 32768;
constexpr unsigned kSmallestWindowBits = 10;
static_assert(kLongestMatch < (1u << kSmallestWindowBits) / 2);

}  // namespace

// One LZ77 entry: its codes, its recent distances and its place in the window.
class Lz77Decoder::Run {
 public:
  Run(Lz77Decoder& decoder, CompressedInput& input, DecodedOutput& output, uint32_t dictionary)
      : window_(decoder.window_.get()),
        mask_(decoder.windowSize_ - 1),
        decoder_(decoder),
        bits_(input),
        output_(output),
        dictionary_(dictionary),
        flushAt_(std::min(kFlushEvery, decoder.windowSize_ / 2)) {}

  Decoded run(uint64_t size) {
    while (size > 0) {
      if (blockLeft_ == 0 && !readBlockStart()) return ended();
      --blockLeft_;
      const unsigned symbol = decode(symbols_, symbolWidths_);
      if (symbol < kLiterals) {
        if (bits_.overrun()) return ended();
        put(static_cast<uint8_t>(symbol));
        --size;
      } else {
        const uint32_t distance =
            symbol < kFirstClass ? repeat(symbol - kLiterals) : newDistance(symbol - kFirstClass);
        const unsigned length = decode(lengths_, lengthWidths_) + lengthBase_;
        if (bits_.overrun()) return ended();
        if (distance > decoder_.filled_ || distance > dictionary_ || length > size)
          return damaged();
        copy(distance, length);
        size -= length;
      }
      if (pending_ >= flushAt_ && !flush()) return Decoded::OutputStopped;
    }
    return flush() ? Decoded::Complete : Decoded::OutputStopped;
  }

 private:
  unsigned decode(const PrefixTable& table, const uint8_t* widths) {
    const unsigned symbol = table.symbolAt(bits_.peek(kWidestCode));
    bits_.skip(widths[symbol]);
    return symbol;
  }

  // Each block starts with the symbol code, the length code and its count of symbols.
  bool readBlockStart() {
    if (!readCode(symbols_, symbolWidths_, kLastSymbol) ||
        !readCode(lengths_, lengthWidths_, kLastLength))
      return false;
    blockLeft_ = bits_.take(kBlockSizeBits);
    if (blockLeft_ == 0) blockLeft_ = kWrappedBlock;
    return !bits_.overrun();
  }

  // The code of the width values shares the table with the code it sends: slots the second
  // leaves free keep what the first put there, as in the compressor's own decoder.
  bool readCode(PrefixTable& table, uint8_t* widths, unsigned lastAllowed) {
    std::fill_n(widths, lastAllowed + 1, uint8_t{0});
    table.clear();
    const unsigned last = std::min(bits_.take(kLastSymbolBits), uint32_t{lastAllowed});
    const unsigned leastWidth = bits_.take(kLeastWidthBits);
    const unsigned runValue = bits_.take(kWidthValuesBits);
    uint8_t valueWidths[1u << kWidthValuesBits] = {};
    for (unsigned value = 0; value <= runValue; ++value)
      valueWidths[value] = static_cast<uint8_t>(bits_.take(kWidthWidthBits));
    if (!table.build({valueWidths, runValue + 1u}, kWidestWidthCode)) return false;

    for (unsigned symbol = 0; symbol <= last;) {
      const unsigned value = table.symbolAt(bits_.peek(kWidestWidthCode));
      bits_.skip(valueWidths[value]);
      if (value < runValue) {
        widths[symbol++] = static_cast<uint8_t>(value);
      } else {
        for (unsigned run = bits_.take(kRunBits) + kShortestRun; run > 0 && symbol <= last; --run)
          widths[symbol++] = 0;
      }
      if (bits_.overrun()) return false;
    }
    if (runValue != 0)
      for (unsigned symbol = 1; symbol <= last; ++symbol)
        widths[symbol] = static_cast<uint8_t>((widths[symbol] + widths[symbol - 1]) % runValue);
    for (unsigned symbol = 0; symbol <= last; ++symbol)
      if (widths[symbol] != 0) widths[symbol] = static_cast<uint8_t>(widths[symbol] + leastWidth);
    return table.build({widths, last + 1u}, kWidestCode);
  }

  // The four most recent distances, `newest_` the latest. A repeat moves its distance to the
  // front; one of the two oldest makes a match one longer.
  uint32_t repeat(unsigned back) {
    const uint32_t distance = recent_[(newest_ - back) & 3];
    for (unsigned k = back + 1; k-- > 0;)
      recent_[(newest_ - k) & 3] = recent_[(newest_ - k + 1) & 3];
    recent_[newest_] = distance;
    lengthBase_ = back > 1 ? 3 : 2;
    return distance + 1;
  }

  uint32_t newDistance(unsigned distanceClass) {
    uint32_t distance = distanceClass;
    if (distanceClass > 1)
      distance = bits_.take(distanceClass - 1) + (uint32_t{1} << (distanceClass - 1));
    newest_ = (newest_ + 1) & 3;
    recent_[newest_] = distance;
    lengthBase_ = 2 + (distance > kOneMoreBeyond ? 1 : 0) + (distance > kTwoMoreBeyond ? 1 : 0);
    return distance + 1;
  }

  void put(uint8_t byte) {
    window_[decoder_.position_] = byte;
    decoder_.position_ = (decoder_.position_ + 1) & mask_;
    if (decoder_.filled_ <= mask_) ++decoder_.filled_;
    ++pending_;
  }

  void copy(uint32_t distance, unsigned length) {
    uint32_t from = (decoder_.position_ - distance) & mask_;
    uint32_t to = decoder_.position_;
    if (from + length <= mask_ && to + length <= mask_) {
      // Forwards, byte by byte: a short distance repeats what the copy itself wrote.
      for (unsigned i = 0; i < length; ++i) window_[to + i] = window_[from + i];
      to += length;
    } else {
      for (unsigned i = 0; i < length; ++i) {
        window_[to] = window_[from];
        to = (to + 1) & mask_;
        from = (from + 1) & mask_;
      }
    }
    decoder_.position_ = to & mask_;
    decoder_.filled_ = std::min(decoder_.filled_ + length, mask_ + 1);
    pending_ += length;
  }

  bool flush() {
    const uint32_t count = pending_;
    pending_ = 0;
    if (count == 0) return true;
    const uint32_t start = (decoder_.position_ - count) & mask_;
    const uint32_t first = std::min(count, mask_ + 1 - start);
    return output_.write(window_ + start, first) &&
           (first == count || output_.write(window_, count - first));
  }

  // What was decoded before the damage is good and reaches the output.
  Decoded damaged() {
    flush();
    return Decoded::Damaged;
  }
  Decoded ended() { return bits_.failed() ? Decoded::InputFailed : damaged(); }

  uint8_t* window_;
  uint32_t mask_;
  Lz77Decoder& decoder_;
  BitInput bits_;
  DecodedOutput& output_;
  uint32_t dictionary_;
  uint32_t flushAt_;
  uint32_t pending_ = 0;
  uint32_t blockLeft_ = 0;
  uint32_t recent_[4] = {};
  unsigned newest_ = 0;
  unsigned lengthBase_ = 2;
  PrefixTable symbols_;
  PrefixTable lengths_;
  uint8_t symbolWidths_[kLastSymbol + 1] = {};
  uint8_t lengthWidths_[kLastLength + 1] = {};
};

Decoded Lz77Decoder::decompress(CompressedInput& input, DecodedOutput& output, uint64_t size,
                                uint16_t parameter) {
  const unsigned bits = dictionaryBits(parameter);
  if (bits > kLargestDictionaryBits) return Decoded::Damaged;
  if (!solid_) position_ = filled_ = 0;
  if (size == 0) return Decoded::Complete;
  if (!reserve(windowBitsFor(size))) return Decoded::NoMemory;
  std::unique_ptr<Run> run(new (std::nothrow) Run(*this, input, output, uint32_t{1} << bits));
  if (!run) return Decoded::NoMemory;
  return run->run(size);
}

Decoded Lz77Decoder::copyStored(CompressedInput& input, DecodedOutput& output, uint64_t size) {
  if (!solid_) position_ = filled_ = 0;
  if (solid_ && size > 0 && !reserve(windowBitsFor(size))) return Decoded::NoMemory;
  uint8_t piece[16384];
  while (size > 0) {
    std::size_t got = 0;
    if (!input.read(piece, static_cast<std::size_t>(std::min<uint64_t>(size, sizeof piece)), got))
      return Decoded::InputFailed;
    if (got == 0) return Decoded::Damaged;
    if (solid_) remember(piece, got);
    if (!output.write(piece, got)) return Decoded::OutputStopped;
    size -= got;
  }
  return Decoded::Complete;
}

// A solid archive's window is the largest the format allows, as any later entry may reach that
// far back whatever the dictionaries before it. An entry on its own needs no more window than
// it is long.
unsigned Lz77Decoder::windowBitsFor(uint64_t size) const {
  if (solid_) return kLargestDictionaryBits;
  unsigned bits = kSmallestWindowBits;
  while (bits < kLargestDictionaryBits && (uint64_t{1} << bits) < size) ++bits;
  return bits;
}

// Only a solid archive keeps history, and its window never grows: a new window starts empty.
bool Lz77Decoder::reserve(unsigned bits) {
  const uint32_t size = uint32_t{1} << bits;
  if (windowSize_ >= size) return true;
  window_.reset(new (std::nothrow) uint8_t[size]);
  windowSize_ = window_ ? size : 0;
  position_ = filled_ = 0;
  return window_ != nullptr;
}

void Lz77Decoder::remember(const uint8_t* bytes, std::size_t count) {
  const uint32_t mask = windowSize_ - 1;
  for (std::size_t i = 0; i < count; ++i) {
    window_[position_] = bytes[i];
    position_ = (position_ + 1) & mask;
  }
  filled_ = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{filled_} + count, windowSize_));
}

}  // namespace ostrya::engines::ace

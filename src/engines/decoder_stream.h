// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrya::engines {

// Where a decoder takes an entry's compressed bytes from.
class CompressedInput {
 public:
  virtual ~CompressedInput() = default;
  // Fills up to `capacity` bytes and returns how many; 0 once the entry's data is used up.
  // False when the archive could not be read.
  virtual bool read(uint8_t* buffer, std::size_t capacity, std::size_t& got) = 0;
};

// Where a decoder puts the bytes it decoded.
class DecodedOutput {
 public:
  virtual ~DecodedOutput() = default;
  // False stops the decoder: the output is full (the entry's stated size) or failed.
  virtual bool write(const uint8_t* bytes, std::size_t count) = 0;
};

// How a decoder ended.
enum class Decoded {
  Complete,
  // The compressed data breaks the method's rules or ends too early.
  Damaged,
  // The output refused bytes; the output knows why.
  OutputStopped,
  InputFailed,
  // The decoder could not get the memory it works in.
  NoMemory,
  // The data asks for more decoder memory than one entry is granted.
  BeyondMemoryGrant,
};

// Stored data: the input's bytes as they are, through the output like any decoder's.
Decoded copyStored(CompressedInput& input, DecodedOutput& output);

}  // namespace ostrya::engines

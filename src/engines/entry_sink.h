// portable: no platform headers.
#pragma once

#include <cstddef>

namespace ostrya::engines {

// Where an engine puts the bytes of an entry it extracts.
class EntrySink {
 public:
  virtual ~EntrySink() = default;
  // False stops the entry: the output failed.
  virtual bool write(const void* bytes, std::size_t count) = 0;
};

}  // namespace ostrya::engines

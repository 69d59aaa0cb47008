// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/archive_types.h"
#include "archive/entry_extraction.h"
#include "engines/entry_sink.h"

namespace ostrya::archive {

// An engine's output file written through the host, so that the host's rules for writing
// (its scratch bound, its error boxes) hold for the engines' entries too.
class HostSink final : public engines::EntrySink {
 public:
  // The engines report their progress themselves.
  HostSink(const ExtractionRequest& request, const HostServices& services, HostFile file)
      : output_(request, services, file, EntryOutput::Progress::ByCaller) {}
  bool write(const void* bytes, std::size_t count) override {
    return output_.write(bytes, count) == kDone;
  }
  uint64_t written() const { return output_.written(); }

 private:
  EntryOutput output_;
};

}  // namespace ostrya::archive

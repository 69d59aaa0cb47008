// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/archive_types.h"
#include "archive/host_file.h"
#include "archive/host_services.h"
#include "engines/entry_sink.h"

namespace ostrya::archive {

// An engine's output file written through the host, so that the host's rules for writing
// (its scratch bound, its error boxes) hold for the engines' entries too.
class HostSink final : public engines::EntrySink {
 public:
  HostSink(const ExtractionRequest& request, const HostServices& services, HostFile file)
      : request_(request), services_(services), file_(file) {}
  bool write(const void* bytes, std::size_t count) override {
    written_ += count;
    const int code =
        services_.WriteExact(request_.owner, file_, bytes, static_cast<uint32_t>(count));
    return shownFailure(services_, request_.owner, code, nullptr) == 0;
  }
  uint64_t written() const { return written_; }

 private:
  const ExtractionRequest& request_;
  const HostServices& services_;
  HostFile file_;
  uint64_t written_ = 0;
};

}  // namespace ostrya::archive

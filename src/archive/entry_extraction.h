// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/archive_types.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// True for a stored name that stands for no entry of its own: an empty one, or the archive's
// own folder or its parent ("." or "..", with or without a trailing separator).
bool namesNoEntry(const char* name);

// True when a selective extraction has written all it was asked for.
bool requestComplete(const ExtractionRequest& request);

// One entry as a reader found it.
struct EntryFacts {
  const char* name = "";
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  uint32_t attributes = 0;
  char flag = ' ';
  uint32_t size = 0;
  // The code that attributes which cannot be set end the extraction with; kDone lets it go on.
  int attributesNotSetCode = kDone;
  // Why the entry cannot be extracted, or kDone. A refused entry still goes through the steps
  // before an output is made (one without an output is passed over quietly, the overwrite
  // question may end the extraction), then gives this code without making a file.
  int refusal = kDone;
};

// Where a decoder puts an entry's bytes: the output file, through the host. Progress goes with
// every write unless the caller reports it its own way.
class EntryOutput {
 public:
  enum class Progress { PerWrite, ByCaller };
  EntryOutput(const ExtractionRequest& request, const HostServices& services, HostFile file,
              Progress progress = Progress::PerWrite)
      : request_(request), services_(services), file_(file), progress_(progress) {}
  // 0 or kWriteFailed.
  int write(const void* bytes, std::size_t count);
  uint64_t written() const { return written_; }

 private:
  const ExtractionRequest& request_;
  const HostServices& services_;
  HostFile file_;
  Progress progress_;
  uint64_t written_ = 0;
};

// The bytes of one entry: stored data to copy, or a decoder.
class EntryData {
 public:
  virtual ~EntryData() = default;
  // 0, or the negative code that names what went wrong.
  virtual int writeTo(EntryOutput& output) = 0;
};

// Data stored as it is, `size` bytes from the archive's current position.
class StoredData final : public EntryData {
 public:
  StoredData(const HostServices& services, HostFile archive, uint64_t size)
      : services_(services), archive_(archive), size_(size) {}
  int writeTo(EntryOutput& output) override;

 private:
  const HostServices& services_;
  HostFile archive_;
  uint64_t size_;
};

// How an entry's steps ended: `code` is 0 or negative; `ends` says that the extraction is over
// (aborted, stopped at the user's answer, complete, or failed).
struct EntryStep {
  int code = kDone;
  bool ends = false;
};

// The per-entry steps the formats that write through the host share: abort test, output path,
// folder or file, overwrite question, output, data, time and attributes, notification, and the
// request-complete test. `data` is unused for a folder entry.
EntryStep extractEntry(ExtractionRequest& request, const HostServices& services,
                       const EntryFacts& entry, EntryData* data);

}  // namespace ostrya::archive

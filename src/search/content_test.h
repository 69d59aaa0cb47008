// portable: no platform headers.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/file.h"
#include "search/content_match.h"
#include "search/search_request.h"

namespace ostrya {

// Tests files for a prepared query by reading them, never by mapping: a file that another
// program shortens meanwhile then gives a short read, not a fault. Text and byte strings are
// searched in chunks that overlap by more than the longest text and its neighbours, so a match
// across a chunk border is found; a regular expression needs the whole file at once.
class FileContentTest final : public ContentTest {
 public:
  // The chunk size is never smaller than twice the overlap. With `stopRequests`, a test ends
  // between chunks (and a whole file's reads) once a stop is requested.
  explicit FileContentTest(const ContentQuery& query, std::size_t chunkSize = kDefaultChunkSize,
                           const std::atomic<uint32_t>* stopRequests = nullptr);
  ContentVerdict test(const char* path) override;
  // The same for a file already open, whose size was `size` when it was opened.
  ContentVerdict test(platform::FileHandle& file, uint64_t size);

  static constexpr std::size_t kDefaultChunkSize = std::size_t{1} << 20;
  // More than the longest containing text (1023 bytes) with the byte before and after it.
  static constexpr std::size_t kOverlap = 4096;
  // The largest file a regular expression is tried on: it is read into memory whole, which
  // must not take the machine's memory; a 32-bit process has little address space to give.
  static constexpr uint64_t kLargestWholeFile =
      sizeof(void*) == 4 ? uint64_t{256} << 20 : uint64_t{1} << 30;

 private:
  ContentVerdict testInChunks(platform::FileHandle& file, uint64_t size);
  ContentVerdict testWhole(platform::FileHandle& file, uint64_t size);
  bool stopped() const;
  // The buffer of chunkSize_ bytes, made on first need; null when memory is short.
  uint8_t* chunkBuffer();

  const ContentQuery& query_;
  std::size_t chunkSize_;
  const std::atomic<uint32_t>* stopRequests_;
  std::unique_ptr<uint8_t[]> chunk_;
};

// True when the verdict is a match; a verdict that is no answer is noted as not searched.
bool contentFound(ContentVerdict verdict, const char* path, SkippedItems& skipped);

}  // namespace ostrya

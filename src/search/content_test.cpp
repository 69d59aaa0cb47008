// portable: no platform headers.
#include "search/content_test.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace ostrya {
namespace {

ContentVerdict verdictOf(PatternSearch search) {
  switch (search) {
    case PatternSearch::Found:
      return ContentVerdict::Found;
    case PatternSearch::LimitReached:
      return ContentVerdict::LimitReached;
    case PatternSearch::NotFound:
      break;
  }
  return ContentVerdict::NotFound;
}

}  // namespace

FileContentTest::FileContentTest(const ContentQuery& query, std::size_t chunkSize,
                                 const std::atomic<uint32_t>* stopRequests)
    : query_(query), chunkSize_(std::max(chunkSize, 2 * kOverlap)), stopRequests_(stopRequests) {}

ContentVerdict FileContentTest::test(const char* path) {
  platform::FileHandle file;
  uint64_t size = 0;
  // A pipe, socket or device has no contents to search, and a file gone since the folder was
  // listed none either; a file that is there and cannot be read was not searched.
  if (file.openForReading(path, size) != 0)
    return platform::isRegularFile(path) ? ContentVerdict::Unreadable : ContentVerdict::NotFound;
  return test(file, size);
}

ContentVerdict FileContentTest::test(platform::FileHandle& file, uint64_t size) {
  if (size == 0) return ContentVerdict::NotFound;
  if (query_.mode == ContentQuery::Mode::Regex) return testWhole(file, size);
  return testInChunks(file, size);
}

// The bytes up to the size the file had when it was opened; a file that grows meanwhile is
// searched as it was.
ContentVerdict FileContentTest::testInChunks(platform::FileHandle& file, uint64_t size) {
  uint8_t* chunk = chunkBuffer();
  if (chunk == nullptr) return ContentVerdict::TooLarge;
  uint64_t offset = 0;  // of the chunk's first byte in the file
  std::size_t held = 0;
  uint8_t before = 0;
  for (;;) {
    if (stopped()) return ContentVerdict::Stopped;
    const auto wanted =
        static_cast<std::size_t>(std::min<uint64_t>(chunkSize_ - held, size - offset - held));
    std::size_t got = 0;
    if (file.read(chunk + held, wanted, got) != 0) return ContentVerdict::Unreadable;
    held += got;
    const bool shrank = got < wanted;
    const bool last = shrank || offset + held == size;
    const PatternSearch search = searchContent(query_, {chunk, held, offset == 0, last, before});
    if (search == PatternSearch::Found) return ContentVerdict::Found;
    if (last) return shrank ? ContentVerdict::Shrank : ContentVerdict::NotFound;
    // The next chunk begins with the last bytes of this one.
    const std::size_t kept = held - kOverlap;
    before = chunk[kept - 1];
    std::memmove(chunk, chunk + kept, kOverlap);
    offset += kept;
    held = kOverlap;
  }
}

bool FileContentTest::stopped() const {
  return stopRequests_ != nullptr && stopRequests_->load(std::memory_order_relaxed) != 0;
}

uint8_t* FileContentTest::chunkBuffer() {
  if (!chunk_) chunk_.reset(new (std::nothrow) uint8_t[chunkSize_]);
  return chunk_.get();
}

ContentVerdict FileContentTest::testWhole(platform::FileHandle& file, uint64_t size) {
  if (size > kLargestWholeFile) return ContentVerdict::TooLarge;
  const auto length = static_cast<std::size_t>(size);
  // A file that fits the chunk buffer is read into it; a larger one gets memory of its own.
  std::unique_ptr<uint8_t[]> own;
  uint8_t* whole = length <= chunkSize_ ? chunkBuffer() : nullptr;
  if (whole == nullptr) {
    own.reset(new (std::nothrow) uint8_t[length]);
    whole = own.get();
  }
  if (whole == nullptr) return ContentVerdict::TooLarge;
  // Read a chunk at a time, so that a stop is not kept waiting by a large file.
  std::size_t got = 0;
  while (got < length) {
    if (stopped()) return ContentVerdict::Stopped;
    const std::size_t wanted = std::min(chunkSize_, length - got);
    std::size_t piece = 0;
    if (file.read(whole + got, wanted, piece) != 0) return ContentVerdict::Unreadable;
    got += piece;
    if (piece < wanted) break;
  }
  const ContentVerdict verdict = verdictOf(searchContent(query_, {whole, got, true, true, 0}));
  if (verdict == ContentVerdict::NotFound && got < length) return ContentVerdict::Shrank;
  return verdict;
}

bool contentFound(ContentVerdict verdict, const char* path, SkippedItems& skipped) {
  switch (verdict) {
    case ContentVerdict::Found:
      return true;
    case ContentVerdict::NotFound:
    case ContentVerdict::Stopped:
      break;
    case ContentVerdict::Unreadable:
      skipped.note(SkipKind::Unreadable, path);
      break;
    case ContentVerdict::Shrank:
      skipped.note(SkipKind::Shrank, path);
      break;
    case ContentVerdict::LimitReached:
      skipped.note(SkipKind::PatternLimit, path);
      break;
    case ContentVerdict::TooLarge:
      skipped.note(SkipKind::TooLarge, path);
      break;
  }
  return false;
}

}  // namespace ostrya

// portable: no platform headers.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/file.h"
#include "search/content_match.h"
#include "search/search_request.h"

namespace ostrya {

// Tests files for a prepared query. Small files are read in one go, larger ones viewed whole;
// a file larger than the window size is searched in windows that overlap, so a match across
// a window border is found (regular expressions need the whole file in one view).
class FileContentTest final : public ContentTest {
 public:
  // The window size is rounded to the mapping granularity and never smaller than two units.
  explicit FileContentTest(const ContentQuery& query, std::size_t windowSize = kDefaultWindowSize);
  bool matches(const char* path) override;

  // A 32-bit process cannot view files of gigabytes whole.
  static constexpr std::size_t kDefaultWindowSize =
      sizeof(void*) == 4 ? std::size_t{256} << 20 : ~std::size_t{0} >> 1;

 private:
  bool matchesInWindows(const platform::FileHandle& file, uint64_t size);

  const ContentQuery& query_;
  std::size_t windowSize_;
  std::unique_ptr<uint8_t[]> smallFile_;
};

}  // namespace ostrya

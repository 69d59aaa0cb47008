// portable: no platform headers.
#include "search/content_test.h"

#include <algorithm>

namespace ostrya {
namespace {

// Reading is cheaper than mapping for files up to this size.
constexpr std::size_t kSmallFile = 64 * 1024;

}  // namespace

FileContentTest::FileContentTest(const ContentQuery& query, std::size_t windowSize)
    : query_(query), smallFile_(new uint8_t[kSmallFile]) {
  const std::size_t unit = platform::mappingGranularity();
  windowSize_ = std::max(windowSize / unit, std::size_t{2}) * unit;
}

bool FileContentTest::matches(const char* path) {
  platform::FileHandle file;
  uint64_t size = 0;
  if (file.openForReading(path, size) != 0 || size == 0) return false;
  if (size <= kSmallFile) {
    std::size_t got = 0;
    if (file.read(smallFile_.get(), static_cast<std::size_t>(size), got) != 0 || got == 0)
      return false;
    return matchesContent(query_, {smallFile_.get(), got, true, true, 0});
  }
  if (size > windowSize_ && query_.mode != ContentQuery::Mode::Regex)
    return matchesInWindows(file, size);
  if (size > SIZE_MAX) return false;
  platform::MappedView view;
  if (view.map(file, 0, static_cast<std::size_t>(size)) != 0) return false;
  return matchesContent(query_, {view.data(), view.length(), true, true, 0});
}

// Windows overlap by one mapping unit, more than the longest search text and the byte after
// it, so every match lies whole, with its neighbours, inside some window.
bool FileContentTest::matchesInWindows(const platform::FileHandle& file, uint64_t size) {
  const std::size_t step = windowSize_ - platform::mappingGranularity();
  uint8_t before = 0;
  for (uint64_t offset = 0; offset < size; offset += step) {
    const auto length = static_cast<std::size_t>(std::min<uint64_t>(windowSize_, size - offset));
    platform::MappedView view;
    if (view.map(file, offset, length) != 0) return false;
    const bool last = offset + length == size;
    if (matchesContent(query_, {view.data(), length, offset == 0, last, before})) return true;
    if (last) break;
    before = view.data()[step - 1];  // the byte before the next window
  }
  return false;
}

}  // namespace ostrya

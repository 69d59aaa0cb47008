// portable: no platform headers.
#include "archive/read_ahead.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace ostrya::archive {

int ReadAhead::read(void* buffer, std::size_t count, std::size_t& got) {
  auto* out = static_cast<unsigned char*>(buffer);
  got = 0;
  while (count > 0) {
    if (next_ < filled_) {
      const std::size_t piece = std::min(count, filled_ - next_);
      std::memcpy(out + got, window_.get() + next_, piece);
      next_ += piece;
      got += piece;
      count -= piece;
      continue;
    }
    if (!window_) window_.reset(new (std::nothrow) unsigned char[kWindowSize]);
    // Large reads, or no memory for a window, go straight to the file.
    if (count >= kWindowSize || !window_) {
      // The window is used up; it no longer lies just before the handle.
      next_ = filled_ = 0;
      std::size_t direct = 0;
      const int code = file_.read(out + got, count, direct);
      filePosition_ += direct;
      got += direct;
      return code;
    }
    std::size_t fill = 0;
    const int code = file_.read(window_.get(), jumped_ ? kFillAfterJump : kWindowSize, fill);
    jumped_ = false;
    filePosition_ += fill;
    next_ = 0;
    filled_ = fill;
    if (code != 0 || fill == 0) return code;
  }
  return 0;
}

int ReadAhead::seek(int64_t offset, platform::SeekFrom from, uint64_t& position) {
  const uint64_t windowStart = filePosition_ - filled_;
  if (from != platform::SeekFrom::End) {
    const int64_t base =
        from == platform::SeekFrom::Start ? 0 : static_cast<int64_t>(windowStart + next_);
    const int64_t target = base + offset;
    if (target >= static_cast<int64_t>(windowStart) &&
        target <= static_cast<int64_t>(filePosition_)) {
      next_ = static_cast<std::size_t>(target - static_cast<int64_t>(windowStart));
      position = static_cast<uint64_t>(target);
      return 0;
    }
    offset = target;
    from = platform::SeekFrom::Start;
  }
  uint64_t moved = 0;
  const int code = platform::seekFile(file_, offset, from, moved);
  // A move that failed leaves the file, and so the window, where they were.
  if (code != 0) {
    position = windowStart + next_;
    return code;
  }
  next_ = filled_ = 0;
  filePosition_ = moved;
  position = moved;
  jumped_ = true;
  return 0;
}

}  // namespace ostrya::archive

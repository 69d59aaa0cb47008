// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/file.h"
#include "platform/file_ops.h"

namespace ostrya::archive {

// Reads of an archive through a window of what follows the position. Readers that walk small
// headers and move past the data between them (tar, cpio, floppy images) then cost one system
// call per window instead of two per entry.
class ReadAhead {
 public:
  explicit ReadAhead(platform::FileHandle& file) : file_(file) {}

  // As FileHandle::read: `got` falls short only at the end of the file.
  int read(void* buffer, std::size_t count, std::size_t& got);
  // As platform::seekFile; a move that stays inside the window costs nothing.
  int seek(int64_t offset, platform::SeekFrom from, uint64_t& position);

 private:
  static constexpr std::size_t kWindowSize = 64 * 1024;
  // After a jump the next read is likely a header followed by another jump: a small fill.
  static constexpr std::size_t kFillAfterJump = 4 * 1024;

  platform::FileHandle& file_;
  std::unique_ptr<unsigned char[]> window_;
  std::size_t next_ = 0;
  std::size_t filled_ = 0;
  // Where the handle stands: just past the window's bytes.
  uint64_t filePosition_ = 0;
  bool jumped_ = false;
};

}  // namespace ostrya::archive

// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ostrya::engines::zip {

// Random access to the archive's bytes.
class ArchiveBytes {
 public:
  virtual ~ArchiveBytes() = default;
  virtual uint64_t size() const = 0;
  // Reads exactly `count` bytes at `offset`; false when it cannot.
  virtual bool readAt(uint64_t offset, void* buffer, std::size_t count) = 0;
};

// One central directory record. The views point into the directory's buffer and stay valid
// until the next call of ZipDirectory::next.
struct ZipEntry {
  std::string_view storedName;
  // The name of the Unicode path field, when its check value fits the stored name; else empty.
  std::string_view unicodeName;
  bool utf8Name = false;
  // The system the writer ran on (the high byte of "version made by").
  uint8_t madeOn = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t size = 0;
  uint64_t localOffset = 0;
  // DOS attribute bits, with the folder bit also for folders made on Unix.
  uint32_t attributes = 0;
  bool hasUnixTime = false;
  int64_t unixTime = 0;

  bool encrypted() const;
  bool isFolder() const;
};

enum class DirectoryStatus { Read, NotZip, Damaged, ReadFailed };

// The central directory, found from the end of the file and read record by record in a window
// of bounded size, so an archive of a million entries costs no more memory than one of ten.
class ZipDirectory {
 public:
  explicit ZipDirectory(ArchiveBytes& bytes) : bytes_(bytes) {}
  // Finds the directory; Read when there is one to walk.
  DirectoryStatus open();
  // The next record; false at the directory's end, or where it is damaged (status() says).
  bool next(ZipEntry& entry);
  DirectoryStatus status() const { return status_; }
  // Where the entry's data begins, from its local header; false when that header is not where
  // the directory says or the data would run past the end of the file.
  bool dataOffset(const ZipEntry& entry, uint64_t& offset);

 private:
  bool locateEnd();
  bool readZip64End(uint64_t locatorPosition);
  bool placeDirectory();
  // Makes `count` bytes of the directory available at position_; false at its end.
  bool have(std::size_t count);
  bool parseExtra(const uint8_t* extra, std::size_t length, ZipEntry& entry);
  bool fail(DirectoryStatus status) {
    status_ = status;
    return false;
  }

  ArchiveBytes& bytes_;
  DirectoryStatus status_ = DirectoryStatus::NotZip;
  uint64_t endPosition_ = 0;
  uint64_t directorySize_ = 0;
  uint64_t statedOffset_ = 0;
  uint64_t directoryStart_ = 0;
  // Bytes in front of the archive whose offsets do not count them: a self-extracting stub
  // prepended without adjusting the offsets.
  uint64_t shift_ = 0;
  uint64_t unread_ = 0;
  std::vector<uint8_t> window_;
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
};

}  // namespace ostrya::engines::zip

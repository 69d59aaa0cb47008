// portable: no platform headers.
#include "archive/formats/gzip.h"

#include <zlib.h>

#include <cstdint>

#include "archive/byte_fields.h"
#include "archive/entry_extraction.h"
#include "archive/formats/stream_entry_name.h"
#include "archive/host_file.h"
#include "archive/unix_time.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

// The fixed part of a gzip member header (RFC 1952); multi-byte numbers are little-endian.
constexpr std::size_t kMagicOffset = 0;  // 1F 8B
constexpr std::size_t kMethodOffset = kMagicOffset + 2;
constexpr std::size_t kFlagsOffset = kMethodOffset + 1;
constexpr std::size_t kTimeOffset = kFlagsOffset + 1;          // Unix seconds, 0 when not stored
constexpr std::size_t kFixedHeaderSize = kTimeOffset + 4 + 2;  // then extra flags, system
constexpr uint8_t kMagic[2] = {0x1F, 0x8B};
constexpr uint8_t kOldMagicSecond = 0x9E;
constexpr uint8_t kDeflate = 8;
constexpr uint8_t kHasExtraField = 0x04;  // 16-bit length, then that many bytes
constexpr uint8_t kHasName = 0x08;        // NUL-terminated, after the extra field
constexpr uint8_t kReservedFlags = 0xE0;
// The uncompressed size modulo 2^32 closes the file.
constexpr int64_t kSizeFieldFromEnd = 4;

// Decompressed data moves through one buffer of this size.
constexpr unsigned kPieceSize = 8192;

// The tar a ".tgz" holds.
constexpr std::initializer_list<const char*> kTarExtensions = {"tgz"};

struct GzipHeader {
  // Magic, method and flags as a gzip header has them; zlib would copy anything else through.
  bool wellFormed = false;
  uint32_t modificationTime = 0;
  bool hasName = false;
  // Longer stored names are cut.
  char name[platform::kMaxPath] = "";
  uint32_t uncompressedSize = 0;
};

// The header's bytes one at a time, never past the end of the file: a name without its
// terminator ends where the file does.
class HeaderBytes {
 public:
  HeaderBytes(const HostServices& services, HostFile file) : services_(services), file_(file) {}
  // The next byte, or -1 at the end.
  int next() {
    if (at_ == count_) {
      uint32_t got = 0;
      if (ended_ || services_.ReadSome(file_, buffer_, sizeof buffer_, &got) != 0 || got == 0) {
        ended_ = true;
        return -1;
      }
      at_ = 0;
      count_ = got;
    }
    return buffer_[at_++];
  }

 private:
  const HostServices& services_;
  HostFile file_;
  uint8_t buffer_[512];
  uint32_t at_ = 0;
  uint32_t count_ = 0;
  bool ended_ = false;
};

void readLeadingFields(HostFile file, const HostServices& services, GzipHeader& header) {
  HeaderBytes bytes(services, file);
  uint8_t fixed[kFixedHeaderSize];
  for (uint8_t& byte : fixed) {
    const int next = bytes.next();
    if (next < 0) return;
    byte = static_cast<uint8_t>(next);
  }
  const uint8_t flags = fixed[kFlagsOffset];
  header.wellFormed = fixed[kMagicOffset] == kMagic[0] && fixed[kMagicOffset + 1] == kMagic[1] &&
                      fixed[kMethodOffset] == kDeflate && (flags & kReservedFlags) == 0;
  header.modificationTime = le32(fixed + kTimeOffset);
  if ((flags & kHasName) == 0) return;
  if ((flags & kHasExtraField) != 0) {
    const int low = bytes.next();
    const int high = bytes.next();
    if (high < 0) return;
    for (int skip = low | high << 8; skip > 0; --skip)
      if (bytes.next() < 0) return;
  }
  std::size_t length = 0;
  for (int c = bytes.next(); c > 0; c = bytes.next())
    if (length + 1 < sizeof header.name) header.name[length++] = static_cast<char>(c);
  header.name[length] = '\0';
  // An empty stored name names nothing; the file's own name stands in.
  header.hasName = length > 0;
}

void readTrailingSize(HostFile file, const HostServices& services, GzipHeader& header) {
  uint8_t size[kSizeFieldFromEnd];
  if (services.SeekFile(file, -kSizeFieldFromEnd, platform::SeekFrom::End, nullptr) == 0 &&
      services.ReadExact(file, size, sizeof size) == 0)
    header.uncompressedSize = le32(size);
}

// False when the file cannot be opened. Only what the listing shows is read: zlib reads the
// header again for itself.
bool readHeader(const char* path, const HostServices& services, GzipHeader& header) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return false;
  readLeadingFields(file.get(), services, header);
  readTrailingSize(file.get(), services, header);
  return true;
}

void entryNameOf(const char* path, const GzipHeader& header, const HostServices& services,
                 char* out) {
  if (header.hasName) {
    out[0] = '\0';
    services.AppendBounded(out, header.name, platform::kMaxPath);
  } else {
    nameFromArchivePath(path, kTarExtensions, services, out);
  }
}

// A modification time of 0 means the writer stored none (gzip -n, a stream from a pipe): the
// entry has no date, as a bzip2 entry has none.
void entryTimeOf(const GzipHeader& header, uint16_t& dosDate, uint16_t& dosTime) {
  dosDate = 0;
  dosTime = 0;
  if (header.modificationTime != 0) unixTimeToDos(header.modificationTime, dosDate, dosTime);
}

class GzipStream {
 public:
  explicit GzipStream(const char* path) : stream_(gzopen(path, "rb")) {}
  ~GzipStream() {
    if (stream_) gzclose(stream_);
  }
  GzipStream(const GzipStream&) = delete;
  GzipStream& operator=(const GzipStream&) = delete;

  gzFile get() const { return stream_; }
  explicit operator bool() const { return stream_ != nullptr; }

 private:
  gzFile stream_;
};

// zlib's end of input in the middle of a stream: it hands over what it decompressed and then
// reads nothing more, leaving this as its error.
bool endedEarly(gzFile stream) {
  int error = Z_OK;
  gzerror(stream, &error);
  return error == Z_BUF_ERROR;
}

// The decompressed stream, piece by piece until it ends or the abort word is set. A header
// that is not gzip's fails the first read, as zlib would pass such a file through unchanged;
// so does a stream cut short, which zlib does not count as a failed read.
class GzipData final : public EntryData {
 public:
  GzipData(gzFile stream, bool wellFormed, const ExtractionRequest& request)
      : stream_(stream), wellFormed_(wellFormed), request_(request) {}
  int writeTo(EntryOutput& output) override {
    unsigned char piece[kPieceSize];
    while (!abortRequested(request_)) {
      const int count = wellFormed_ ? gzread(stream_, piece, sizeof piece) : -1;
      if (count < 0) return kReadFailed;
      if (count == 0) return endedEarly(stream_) ? kReadFailed : kDone;
      const int code = output.write(piece, static_cast<std::size_t>(count));
      if (code != kDone) return code;
    }
    return kDone;
  }

 private:
  gzFile stream_;
  bool wellFormed_;
  const ExtractionRequest& request_;
};

}  // namespace

bool isGzipHead(const uint8_t* head, const char*) {
  return head[0] == kMagic[0] && (head[1] == kMagic[1] || head[1] == kOldMagicSecond);
}

int listGzip(const char* path, ListingContext* context, EntryCallback callback,
             const HostServices& services, void*) {
  GzipHeader header;
  if (!readHeader(path, services, header)) return kNotThisFormat;
  char name[platform::kMaxPath];
  entryNameOf(path, header, services, name);
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  entryTimeOf(header, dosDate, dosTime);
  callback(name, dosDate, dosTime, 0, ' ', header.uncompressedSize, 0, 0, context);
  return kDone;
}

int extractGzip(ExtractionRequest& request, const HostServices& services) {
  GzipHeader header;
  if (!readHeader(request.archivePath, services, header)) return kNotThisFormat;
  GzipStream stream(request.archivePath);
  if (!stream) return kNotThisFormat;

  char name[platform::kMaxPath];
  entryNameOf(request.archivePath, header, services, name);
  const char* selected = firstSelectedName(request);
  EntryFacts entry;
  entry.name = selected ? selected : name;
  entryTimeOf(header, entry.dosDate, entry.dosTime);
  entry.size = header.uncompressedSize;

  // zlib, not this layer, reads the stream, so the abort word is tested between its pieces
  // only: an abort before the first piece still leaves the entry, empty, with the host.
  ExtractionRequest betweenPieces = request;
  betweenPieces.abortFlag = nullptr;
  GzipData data(stream.get(), header.wellFormed, request);
  return extractEntry(betweenPieces, services, entry, &data).code;
}

}  // namespace ostrya::archive

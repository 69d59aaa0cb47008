// portable: no platform headers.
#include "archive/formats/arj_entry_data.h"

#include <algorithm>

#include "archive/crc32.h"
#include "engines/arj/arj_decoders.h"

namespace ostrya::archive {
namespace {

// Text is converted in pieces of this many bytes, which at most double.
constexpr std::size_t kTextPiece = 2048;
// Stored data is copied in pieces of this size.
constexpr uint32_t kStoredPiece = 4096;

// The entry's compressed bytes. A file that ends inside them ends the input there: the decoder
// reads zero bits after it, and the CRC-32 tells the entry damaged.
class ArchiveInput final : public engines::CompressedInput {
 public:
  ArchiveInput(const HostServices& services, HostFile file, uint32_t size)
      : services_(services), file_(file), left_(size) {}
  bool read(uint8_t* buffer, std::size_t capacity, std::size_t& got) override {
    const auto wanted = static_cast<uint32_t>(std::min<std::size_t>(capacity, left_));
    uint32_t read = 0;
    if (wanted > 0 && services_.ReadSome(file_, buffer, wanted, &read) != 0) return false;
    got = read;
    left_ = read < wanted ? 0 : left_ - read;
    return true;
  }

 private:
  const HostServices& services_;
  HostFile file_;
  uint32_t left_;
};

// The output file through the host; remembers why a write failed.
class HostOutput final : public engines::DecodedOutput {
 public:
  explicit HostOutput(EntryOutput& output) : output_(output) {}
  bool write(const uint8_t* bytes, std::size_t count) override {
    code_ = output_.write(bytes, count);
    return code_ == kDone;
  }
  int code() const { return code_; }

 private:
  EntryOutput& output_;
  int code_ = kDone;
};

int codeOf(engines::Decoded decoded, const HostOutput& output) {
  switch (decoded) {
    case engines::Decoded::Complete:
      return kDone;
    case engines::Decoded::OutputStopped:
      return output.code() != kDone ? output.code() : kWriteFailed;
    case engines::Decoded::InputFailed:
      return kReadFailed;
    case engines::Decoded::NoMemory:
    case engines::Decoded::BeyondMemoryGrant:
      return kSetUpFailed;
    case engines::Decoded::Damaged:
      break;
  }
  return kDamagedData;
}

}  // namespace

// DOS ARJ wrote text entries through a text-mode stream, and Unix hosts keep their eight-bit
// characters.
ArjOutputStep::ArjOutputStep(engines::DecodedOutput& output, const ArjHeader& header)
    : output_(output),
      text_(header.fileType == kArjTextFile),
      keptBits_(header.hostSystem == kArjUnixHost ? 0xFF : 0x7F) {}

bool ArjOutputStep::write(const uint8_t* bytes, std::size_t count) {
  crc_ = crc32Update(crc_, bytes, count);
  if (!text_) return output_.write(bytes, count);
  uint8_t piece[2 * kTextPiece];
  while (count > 0) {
    const std::size_t taken = std::min(count, kTextPiece);
    std::size_t length = 0;
    for (std::size_t i = 0; i < taken; ++i) {
      const uint8_t byte = bytes[i] & keptBits_;
      if (byte == '\n') piece[length++] = '\r';
      piece[length++] = byte;
    }
    if (!output_.write(piece, length)) return false;
    bytes += taken;
    count -= taken;
  }
  return true;
}

int ArjEntryData::writeTo(EntryOutput& output) {
  HostOutput host(output);
  ArjOutputStep step(host, header_);
  int code = kDone;
  if (header_.method == 0) {
    code = copyStored(step);
  } else {
    ArchiveInput input(services_, archive_, header_.compressedSize);
    const engines::Decoded decoded =
        header_.method == 4 ? engines::arj::decodeMethod4(input, step, header_.originalSize)
                            : engines::arj::decodeMethods1To3(input, step, header_.originalSize);
    code = codeOf(decoded, host);
  }
  if (code != kDone) return code;
  return step.crc() == header_.fileCrc ? kDone : kDamagedData;
}

// The compressed size is what a stored entry holds; a file that ends before it is a failed read.
int ArjEntryData::copyStored(engines::DecodedOutput& output) {
  uint8_t piece[kStoredPiece];
  for (uint32_t left = header_.compressedSize; left > 0;) {
    const uint32_t count = std::min(left, kStoredPiece);
    if (services_.ReadExact(archive_, piece, count) != 0) return kReadFailed;
    if (!output.write(piece, count)) return kWriteFailed;
    left -= count;
  }
  return kDone;
}

}  // namespace ostrya::archive

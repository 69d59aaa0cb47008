// portable: no platform headers.
#include "archive/formats/ace.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "archive/crc32.h"
#include "archive/entry_extraction.h"
#include "archive/formats/ace_blocks.h"
#include "archive/formats/ace_library.h"
#include "archive/host_file.h"
#include "engines/ace/ace_lz77.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

// The compression types the layer decodes itself; the outside library knows the others.
constexpr uint8_t kStored = 0;
constexpr uint8_t kLz77 = 1;
// A file's CRC-32 is stored as the register ends, not complemented.
constexpr uint32_t kCrcStart = 0xFFFFFFFFu;
// Decoded bytes go to the output in pieces of this size.
constexpr std::size_t kWritePiece = 2048;

// A file block as the walk hands it on.
struct AceEntry {
  AceFileHeader header;
  // The stored name with '\' separators, cut to a path; for extraction a folder's ends with a
  // separator, so that the output rule knows it as one.
  char name[platform::kMaxPath + 1];
  uint64_t dataStart = 0;
  uint32_t dataSize = 0;

  bool folder() const { return (header.attributes & kEntryFolder) != 0; }
  char flag() const { return (header.flags & kAceEncrypted) != 0 ? kEncryptedFlag : ' '; }
  // The compression type, quality and parameter, as a listing reports them.
  uint32_t method() const {
    return header.compression | uint32_t{header.quality} << 8 | uint32_t{header.parameter} << 16;
  }
  EntryFacts facts() const {
    EntryFacts facts;
    facts.name = name;
    facts.dosDate = header.dosDate;
    facts.dosTime = header.dosTime;
    facts.attributes = header.attributes;
    facts.flag = flag();
    facts.size = header.size;
    return facts;
  }
};

void describe(const AceBlock& block, const AceFileHeader& header, const HostServices& services,
              AceEntry& entry) {
  entry.header = header;
  const std::size_t length = std::min(header.nameLength, platform::kMaxPath - 1);
  std::memcpy(entry.name, header.name, length);
  entry.name[length] = '\0';
  services.ToBackslashes(entry.name);
  entry.dataStart = block.dataStart();
  entry.dataSize = block.dataSize();
}

// Visits every file block after the archive header. `visit` (archive file, archive header,
// entry) returns how its steps ended. The walk ends at the end of the file, or at a block that is
// damaged or cut short: the archive has no end mark, and a damaged header's sizes lead nowhere.
template <typename Visit>
int walkAce(const char* path, const HostServices& services, Visit&& visit) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return kOpenFailed;
  uint64_t size = 0;
  if (services.GetFileSize(nullptr, file.get(), &size) != 0) size = 0;
  AceArchiveHeader archive;
  if (const int code = findAceArchiveHeader(services, file.get(), size, archive); code != kDone)
    return code;
  if (archive.volume != 0) return kLaterVolume;

  AceBlock block;
  AceEntry entry;
  for (uint64_t position = archive.firstBlock;;) {
    switch (readAceBlock(services, file.get(), position, block)) {
      case AceRead::Block:
        break;
      case AceRead::End:
        return kDone;
      case AceRead::Truncated:
        return kDamagedData;
      case AceRead::Failed:
        return kReadFailed;
    }
    if (!block.intact) return kDamagedData;
    if (block.type() == static_cast<uint8_t>(AceBlockType::File)) {
      AceFileHeader header;
      if (!parseAceFileHeader(block, header)) return kDamagedData;
      describe(block, header, services, entry);
      const EntryStep step = visit(file.get(), archive, entry);
      if (step.ends) return step.code;
    }
    position = block.dataStart() + block.dataSize();
    if (position > size) return kDamagedData;
  }
}

// An entry's data as it lies in the archive; a read past the end of the file ends it early.
class HostInput final : public engines::CompressedInput {
 public:
  HostInput(const HostServices& services, HostFile file, uint32_t size)
      : services_(services), file_(file), left_(size) {}
  bool read(uint8_t* buffer, std::size_t capacity, std::size_t& got) override {
    uint32_t count = 0;
    const uint32_t wanted = static_cast<uint32_t>(std::min<uint64_t>(capacity, left_));
    if (wanted > 0 && services_.ReadSome(file_, buffer, wanted, &count) != 0) return false;
    left_ = count < wanted ? 0 : left_ - count;
    got = count;
    return true;
  }

 private:
  const HostServices& services_;
  HostFile file_;
  uint32_t left_;
};

// Passes on at most the entry's size, in pieces, to the output or to nowhere, and keeps the
// CRC-32 of what it passed.
class CheckedOutput final : public engines::DecodedOutput {
 public:
  CheckedOutput(EntryOutput* output, uint32_t size) : output_(output), left_(size) {}
  bool write(const uint8_t* bytes, std::size_t count) override {
    if (count > left_) {
      overflowed_ = true;
      return false;
    }
    crc_ = crc32Update(crc_, bytes, count);
    left_ -= static_cast<uint32_t>(count);
    for (std::size_t done = 0; output_ && done < count; done += kWritePiece) {
      outputCode_ = output_->write(bytes + done, std::min(kWritePiece, count - done));
      if (outputCode_ != kDone) return false;
    }
    return true;
  }
  // The code the whole run ends with.
  int code(engines::Decoded result, uint32_t crc) const {
    switch (result) {
      case engines::Decoded::Complete:
        return left_ == 0 && crc_ == crc ? kDone : kDamagedData;
      case engines::Decoded::OutputStopped:
        return overflowed_ ? kDamagedData : outputCode_;
      case engines::Decoded::InputFailed:
        return kReadFailed;
      case engines::Decoded::NoMemory:
        return kSetUpFailed;
      case engines::Decoded::BeyondMemoryGrant:
        return kUnsupportedMethod;
      case engines::Decoded::Damaged:
        break;
    }
    return kDamagedData;
  }

 private:
  EntryOutput* output_;
  uint32_t left_;
  uint32_t crc_ = kCrcStart;
  int outputCode_ = kDone;
  bool overflowed_ = false;
};

// A stored or LZ77 entry, decoded by the archive's one decoder.
class AceEntryData final : public EntryData {
 public:
  AceEntryData(const HostServices& services, HostFile file, const AceEntry& entry,
               engines::ace::Lz77Decoder& decoder)
      : services_(services), file_(file), entry_(entry), decoder_(decoder) {}
  int writeTo(EntryOutput& output) override { return decode(&output); }
  // What a solid archive's later entries need of one that is not extracted.
  int passOver() { return decode(nullptr); }
  bool decoded() const { return decoded_; }

 private:
  int decode(EntryOutput* output) {
    decoded_ = true;
    if (services_.SeekFile(file_, static_cast<int64_t>(entry_.dataStart), platform::SeekFrom::Start,
                           nullptr) != 0)
      return kReadFailed;
    HostInput input(services_, file_, entry_.dataSize);
    CheckedOutput checked(output, entry_.header.size);
    const engines::Decoded result =
        entry_.header.compression == kStored
            ? decoder_.copyStored(input, checked, entry_.header.size)
            : decoder_.decompress(input, checked, entry_.header.size, entry_.header.parameter);
    return checked.code(result, entry_.header.crc);
  }

  const HostServices& services_;
  HostFile file_;
  const AceEntry& entry_;
  engines::ace::Lz77Decoder& decoder_;
  bool decoded_ = false;
};

// The code an entry is refused with before anything is written, or kDone. An entry split
// across volumes needs the others, which only the outside library follows.
int refusalOf(const AceFileHeader& header) {
  if ((header.flags & kAceEncrypted) != 0) return kEncrypted;
  if (header.compression != kStored && header.compression != kLz77) return kUnsupportedMethod;
  if ((header.flags & (kAceSplitBefore | kAceSplitAfter)) != 0) return kUnsupportedMethod;
  return kDone;
}

class AceExtraction {
 public:
  AceExtraction(ExtractionRequest& request, const HostServices& services)
      : request_(request), services_(services) {}

  int run() {
    const int code = walkAce(request_.archivePath, services_,
                             [&](HostFile file, const AceArchiveHeader& archive, AceEntry& entry) {
                               return extract(file, archive, entry);
                             });
    return first_ != kDone ? first_ : code;
  }

 private:
  EntryStep extract(HostFile file, const AceArchiveHeader& archive, AceEntry& entry) {
    if (!decoder_) decoder_.emplace(archive.solid);
    if (entry.folder()) {
      const std::size_t length = std::strlen(entry.name);
      if (length > 0 && entry.name[length - 1] != '\\') std::strcpy(entry.name + length, "\\");
      return extractEntry(request_, services_, entry.facts(), nullptr);
    }
    if (const int refusal = refusalOf(entry.header); refusal != kDone) {
      if (abortRequested(request_)) return {kDone, true};
      // Only an entry the request asks for counts as refused.
      char output[platform::kMaxPath] = "";
      services_.MapOutputPath(&request_, entry.name, output);
      if (output[0] != '\0') note(refusal);
      return {};
    }
    AceEntryData data(services_, file, entry, *decoder_);
    EntryStep step = extractEntry(request_, services_, entry.facts(), &data);
    if (!data.decoded() && archive.solid && !step.ends) {
      if (const int code = data.passOver(); code == kReadFailed || code == kSetUpFailed)
        return {code, true};
    }
    // Damaged data spoils one entry; the next one's header says where it lies.
    if (step.code == kDamagedData) {
      note(step.code);
      step = {kDone, requestComplete(request_)};
    }
    return step;
  }

  void note(int code) {
    if (first_ == kDone) first_ = code;
  }

  ExtractionRequest& request_;
  const HostServices& services_;
  std::optional<engines::ace::Lz77Decoder> decoder_;
  int first_ = kDone;
};

}  // namespace

int listAce(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void*) {
  return walkAce(path, services, [&](HostFile, const AceArchiveHeader&, const AceEntry& entry) {
    callback(entry.name, entry.header.dosDate, entry.header.dosTime, entry.header.attributes,
             entry.flag(), entry.header.size, entry.header.packedSize, entry.method(), context);
    return EntryStep{};
  });
}

// Entries of a method the layer does not decode go to the outside library, which extracts the
// whole archive again.
int extractAce(ExtractionRequest& request, const HostServices& services) {
  const int code = AceExtraction(request, services).run();
  if (code != kUnsupportedMethod) return code;
  return extractThroughAceLibrary(request, services, loadedAceLibrary()) == kDone ? kDone
                                                                                  : kDecoderFailed;
}

bool isAceHead(const uint8_t* head, const char*) {
  return bytesAre(head + kAceMarkOffset, kAceMark, kAceMarkSize);
}

std::size_t findEmbeddedAce(const uint8_t* buffer, std::size_t end, std::size_t) {
  return findMark(buffer, end, kAceMark, kAceMarkSize);
}

}  // namespace ostrya::archive

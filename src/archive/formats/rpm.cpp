// portable: no platform headers.
#include "archive/formats/rpm.h"

#include <cstring>

#include "archive/byte_fields.h"
#include "archive/entry_extraction.h"
#include "archive/formats/cpio.h"
#include "archive/formats/rpm_header.h"
#include "archive/formats/rpm_payload.h"
#include "archive/host_file.h"
#include "archive/unix_time.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

// A package: the 96-byte lead, the signature section padded to 8 bytes, the header section,
// then the compressed payload, a cpio archive.
//   lead:  0 magic ED AB EE DB   4 major version   78 signature type (16-bit, big-endian)
constexpr std::size_t kLeadSize = 96;
constexpr uint8_t kLeadMagic[] = {0xED, 0xAB, 0xEE, 0xDB};
constexpr std::size_t kMajorOffset = 4;
constexpr uint8_t kLeastMajor = 2;
constexpr std::size_t kSignatureTypeOffset = 78;
// The signature in the form of a header structure, which every package since version 3 has.
constexpr unsigned kHeaderStyleSignature = 5;
constexpr uint64_t kSignatureAlignment = 8;
// Packages before version 4 may name each file by its whole path instead.
constexpr uint8_t kFolderListMajor = 4;

constexpr uint32_t kRegularFileMode = 0x8000;

// Neither the payload nor its decompressed form is held beyond this: a package whose header
// claims more would have the program take gigabytes on a stranger's word.
constexpr uint64_t kLargestArea = uint64_t{1} << 30;
// Without a stated size the decompressed payload gets this many times the compressed size.
constexpr uint64_t kAssumedRatio = 16;

// The lead's magic and a major version the reader knows.
bool leadStarts(const uint8_t* lead) {
  return std::memcmp(lead, kLeadMagic, sizeof kLeadMagic) == 0 && lead[kMajorOffset] >= kLeastMajor;
}

// What lies before the payload.
struct RpmPackage {
  uint8_t major = 0;
  uint64_t size = 0;
  uint64_t payloadStart = 0;
};

bool readPackage(const HostServices& services, HostFile file, RpmHeader& header,
                 RpmPackage& package) {
  uint8_t lead[kLeadSize];
  uint8_t intro[kRpmHeaderIntroSize];
  uint32_t indexCount = 0;
  uint32_t storeSize = 0;
  if (services.GetFileSize(nullptr, file, &package.size) != 0 ||
      services.ReadExact(file, lead, kLeadSize) != 0 || !leadStarts(lead) ||
      be16(lead + kSignatureTypeOffset) != kHeaderStyleSignature ||
      services.ReadExact(file, intro, sizeof intro) != 0 ||
      !readRpmHeaderIntro(intro, indexCount, storeSize))
    return false;
  const uint64_t signatureSize = kRpmHeaderIntroSize + uint64_t{indexCount} * 16 + storeSize;
  const uint64_t headerStart = (kLeadSize + signatureSize + kSignatureAlignment - 1) /
                               kSignatureAlignment * kSignatureAlignment;
  if (headerStart > package.size ||
      services.SeekFile(file, static_cast<int64_t>(headerStart), platform::SeekFrom::Start,
                        nullptr) != 0 ||
      !header.read(file, package.size - headerStart))
    return false;
  package.major = lead[kMajorOffset];
  package.payloadStart = headerStart + header.sectionSize();
  return true;
}

// The files a header names: a folder (by index) and a base name each, or, in an old package
// without base names, a whole path each, which is its folder and base name joined.
class RpmFileList {
 public:
  RpmFileList(const HostServices& services, const RpmHeader& header, uint8_t major)
      : services_(services),
        baseNames_(services, header, kRpmBaseNames),
        folderNames_(services, header, kRpmFolderNames),
        oldNames_(services, header, kRpmOldFileNames),
        oldStyle_(baseNames_.count() == 0 && major < kFolderListMajor),
        folderIndexes_(header.numbers32(kRpmFolderIndexes)),
        sizes_(header.numbers32(kRpmFileSizes)),
        modes_(header.numbers16(kRpmFileModes)),
        times_(header.numbers32(kRpmFileTimes)) {}

  bool outOfMemory() const {
    return baseNames_.outOfMemory() || folderNames_.outOfMemory() || oldNames_.outOfMemory();
  }
  uint32_t count() const { return oldStyle_ ? oldNames_.count() : baseNames_.count(); }
  // Cut to the buffer.
  void name(uint32_t i, char* out, std::size_t capacity) const {
    out[0] = '\0';
    if (oldStyle_) {
      services_.AppendBounded(out, oldNames_.at(i), capacity);
      return;
    }
    services_.AppendBounded(out, folderNames_.at(folderIndexes_.at(i)), capacity);
    services_.AppendBounded(out, baseNames_.at(i), capacity);
  }
  uint32_t size(uint32_t i) const { return sizes_.at(i); }
  uint32_t mode(uint32_t i) const { return modes_.at(i); }
  uint32_t time(uint32_t i) const { return times_.at(i); }

 private:
  const HostServices& services_;
  RpmStrings baseNames_;
  RpmStrings folderNames_;
  RpmStrings oldNames_;
  bool oldStyle_;
  RpmNumbers folderIndexes_;
  RpmNumbers sizes_;
  RpmNumbers modes_;
  RpmNumbers times_;
};

// Most packages built in the last years are xz or zstd.
bool compressorOf(const RpmHeader& header, PayloadCompressor& compressor) {
  const char* name = header.string(kRpmPayloadCompressor);
  if (name == nullptr) {
    compressor = PayloadCompressor::Unnamed;
    return true;
  }
  static constexpr struct {
    const char* name;
    PayloadCompressor compressor;
  } kCompressors[] = {{"gzip", PayloadCompressor::Gzip},
                      {"bzip2", PayloadCompressor::Bzip2},
                      {"xz", PayloadCompressor::Xz},
                      {"lzma", PayloadCompressor::Xz},
                      {"zstd", PayloadCompressor::Zstd}};
  for (const auto& known : kCompressors) {
    if (std::strcmp(name, known.name) == 0) {
      compressor = known.compressor;
      return true;
    }
  }
  return false;
}

// Reads the whole payload and decompresses it into `output`.
int decompressFile(const HostServices& services, HostFile file, const RpmPackage& package,
                   PayloadCompressor compressor, uint8_t* output, std::size_t capacity,
                   std::size_t& produced) {
  const auto payloadSize = static_cast<std::size_t>(package.size - package.payloadStart);
  HostBlock payload(services, payloadSize);
  if (!payload) return kSetUpFailed;
  if (services.SeekFile(file, static_cast<int64_t>(package.payloadStart), platform::SeekFrom::Start,
                        nullptr) != 0 ||
      services.ReadExact(file, payload.bytes(), static_cast<uint32_t>(payloadSize)) != 0)
    return kReadFailed;
  return decompressPayload(compressor, payload.bytes(), payloadSize, output, capacity, produced);
}

class MemoryData final : public EntryData {
 public:
  MemoryData(const uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  int writeTo(EntryOutput& output) override { return output.write(bytes_, size_); }

 private:
  const uint8_t* bytes_;
  std::size_t size_;
};

// The cpio archive in the decompressed payload. Its trailer, a header that does not parse and a
// member that reaches past the data all end the walk without an error: a payload that came out
// shorter than its header said still gives the members it holds.
int extractMembers(ExtractionRequest& request, const HostServices& services, const uint8_t* data,
                   std::size_t size) {
  CpioEntry entry;
  for (uint64_t position = 0; position < size && !abortRequested(request);) {
    const std::size_t available = static_cast<std::size_t>(size - position);
    CpioMember member;
    if (readCpioHeader(data + position, available, member) != CpioHeaderKind::Member ||
        !member.nameComplete || member.dataOffset + member.header.fileSize > available)
      break;
    describeCpioMember(member, services, entry);
    EntryStep step;
    if (namesNoEntry(entry.name)) {
      position += member.nextOffset;
      continue;
    }
    if ((entry.attributes & kEntryFolder) != 0) {
      step = extractEntry(request, services, entry.facts(), nullptr);
    } else if (entry.regularFile) {
      MemoryData bytes(data + position + member.dataOffset, member.header.fileSize);
      step = extractEntry(request, services, entry.facts(), &bytes);
    }
    if (step.ends) return step.code;
    position += member.nextOffset;
  }
  return kDone;
}

}  // namespace

bool looksLikeRpm(const uint8_t* buffer, std::size_t m, uint64_t) {
  return m >= kLeadSize && leadStarts(buffer);
}

int listRpm(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void*) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return kNotThisFormat;
  RpmHeader header(services);
  RpmPackage package;
  if (!readPackage(services, file.get(), header, package)) return kNotThisFormat;
  RpmFileList files(services, header, package.major);
  if (files.outOfMemory()) return kSetUpFailed;
  if (files.count() == 0) return kReadFailed;
  for (uint32_t i = 0; i < files.count(); ++i) {
    char name[platform::kMaxPath];
    files.name(i, name, sizeof name);
    const bool regular = (files.mode(i) & kRegularFileMode) != 0;
    const uint32_t attributes = regular ? kEntryArchive : kEntryArchive | kEntryFolder;
    const uint32_t size = regular ? files.size(i) : 0;
    uint16_t dosDate = 0;
    uint16_t dosTime = 0;
    unixTimeToDos(files.time(i), dosDate, dosTime);
    callback(name, dosDate, dosTime, attributes, ' ', size, size, 0, context);
  }
  return kDone;
}

// The payload and its decompressed form are held in memory whole, so that one call of the
// decompressor does.
int extractRpm(ExtractionRequest& request, const HostServices& services) {
  HostFileGuard file = HostFileGuard::openForReading(services, request.archivePath);
  if (!file.isOpen()) return kNotThisFormat;
  RpmHeader header(services);
  RpmPackage package;
  if (!readPackage(services, file.get(), header, package)) return kNotThisFormat;
  PayloadCompressor compressor;
  if (!compressorOf(header, compressor)) return kUnsupportedMethod;

  const uint64_t payloadSize = package.size - package.payloadStart;
  if (payloadSize == 0) return kDecoderFailed;
  const uint32_t stated = header.numbers32(kRpmPayloadSize).at(0);
  const uint64_t room = stated != 0 ? stated : payloadSize * kAssumedRatio;
  if (payloadSize > kLargestArea || room > kLargestArea) return kSetUpFailed;
  HostBlock output(services, static_cast<std::size_t>(room));
  if (!output) return kSetUpFailed;
  std::size_t produced = 0;
  const int code = decompressFile(services, file.get(), package, compressor, output.bytes(),
                                  static_cast<std::size_t>(room), produced);
  if (code != kDone) return code;
  file.close();
  return extractMembers(request, services, output.bytes(), produced);
}

}  // namespace ostrya::archive

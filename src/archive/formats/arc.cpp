// portable: no platform headers.
#include "archive/formats/arc.h"

#include <cstring>

#include "archive/byte_fields.h"
#include "archive/entry_extraction.h"
#include "archive/host_file.h"
#include "archive/host_streams.h"
#include "engines/arc/arc_lzw.h"
#include "engines/arc/arc_run_length.h"
#include "engines/arc/arc_unsqueeze.h"

namespace ostrya::archive {
namespace {

namespace arc = engines::arc;
using engines::Decoded;

constexpr uint8_t kMarker = 0x1A;
constexpr std::size_t kMethodOffset = 1;
constexpr std::size_t kNameOffset = 2;
constexpr std::size_t kNameSize = 13;
constexpr uint8_t kHighestMethod = 9;
constexpr uint8_t kEndMethod = 0;
// Method 1 headers, from the first versions, have no field for the unpacked size.
constexpr uint8_t kOldStyleMethod = 1;
constexpr std::size_t kOldHeaderSize = 25;
constexpr std::size_t kHeaderSize = 29;

struct ArcHeader {
  uint8_t method = 0;
  char name[kNameSize + 1] = {};
  uint32_t packedSize = 0;
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  uint16_t crc = 0;
  uint32_t size = 0;

  EntryFacts facts() const {
    EntryFacts facts;
    facts.name = name;
    facts.dosDate = dosDate;
    facts.dosTime = dosTime;
    facts.size = size;
    return facts;
  }
};

void parseHeader(const uint8_t* bytes, ArcHeader& header) {
  header.method = bytes[kMethodOffset];
  std::memcpy(header.name, bytes + kNameOffset, kNameSize);
  header.name[kNameSize] = '\0';
  header.packedSize = le32(bytes + 15);
  header.dosDate = le16(bytes + 19);
  header.dosTime = le16(bytes + 21);
  header.crc = le16(bytes + 23);
  header.size = header.method == kOldStyleMethod ? header.packedSize : le32(bytes + 25);
}

// Visits every entry from the start of the file. `visit` (file, header, position of the data)
// returns how its steps ended; the walk moves to the next header itself, wherever the visit
// left the file.
template <typename Visit>
int walkArc(const char* path, const HostServices& services, Visit&& visit) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return kOpenFailed;
  uint64_t size = 0;
  if (services.GetFileSize(nullptr, file.get(), &size) != 0) return kReadFailed;

  ArcHeader header;
  for (uint64_t position = 0;;) {
    // An archive ends with the two bytes of an end header, or without one.
    uint8_t bytes[kHeaderSize];
    if (position > size || size - position < kOldHeaderSize ||
        services.SeekFile(file.get(), static_cast<int64_t>(position), platform::SeekFrom::Start,
                          nullptr) != 0 ||
        services.ReadExact(file.get(), bytes, kOldHeaderSize) != 0)
      return kDone;
    if (!passesArcHeaderTest(bytes, path)) return position == 0 ? kNotThisFormat : kDone;
    if (bytes[kMethodOffset] == kEndMethod) return kDone;
    std::size_t headerSize = kOldHeaderSize;
    if (bytes[kMethodOffset] != kOldStyleMethod) {
      headerSize = kHeaderSize;
      if (size - position < kHeaderSize ||
          services.ReadExact(file.get(), bytes + kOldHeaderSize, kHeaderSize - kOldHeaderSize) != 0)
        return kDone;
    }
    parseHeader(bytes, header);
    const uint64_t data = position + headerSize;
    position = data + header.packedSize;
    if (namesNoEntry(header.name)) continue;
    const EntryStep step = visit(file.get(), header, data);
    if (step.ends) return step.code;
  }
}

class ArcEntryData final : public EntryData {
 public:
  ArcEntryData(const HostServices& services, HostFile archive, const ArcHeader& header)
      : services_(services), archive_(archive), header_(header) {}

  int writeTo(EntryOutput& output) override {
    HostEntryInput input(services_, archive_, header_.packedSize);
    Crc16CheckedOutput checked(output, header_.size);
    arc::RunLengthOutput expanded(checked);
    Decoded result;
    switch (header_.method) {
      case 1:
      case 2:
        result = engines::copyStored(input, checked);
        break;
      case 3:
        result = engines::copyStored(input, expanded);
        break;
      case 4:
        result = arc::unsqueeze(input, expanded);
        break;
      case 5:
        result = arc::uncrunch(input, checked, arc::CrunchHash::Old);
        break;
      case 6:
        result = arc::uncrunch(input, expanded, arc::CrunchHash::Old);
        break;
      case 7:
        result = arc::uncrunch(input, expanded, arc::CrunchHash::New);
        break;
      case 8:
        result = arc::undynamic(input, expanded, arc::DynamicLzw::Crunched);
        break;
      case 9:
        result = arc::undynamic(input, checked, arc::DynamicLzw::Squashed);
        break;
      default:
        return kUnsupportedMethod;
    }
    if (result == Decoded::Complete && !expanded.finish()) result = Decoded::OutputStopped;
    switch (result) {
      case Decoded::Complete:
        return checked.crc() == header_.crc ? kDone : kDamagedData;
      case Decoded::OutputStopped:
        return checked.overran() ? kDamagedData : kWriteFailed;
      case Decoded::InputFailed:
        return kReadFailed;
      default:
        return kDecoderFailed;
    }
  }

 private:
  const HostServices& services_;
  HostFile archive_;
  const ArcHeader& header_;
};

}  // namespace

bool passesArcHeaderTest(const uint8_t* head, const char*) {
  if (head[0] != kMarker || head[kMethodOffset] > kHighestMethod) return false;
  return std::memchr(head + kNameOffset, 0, kNameSize) != nullptr;
}

int listArc(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void*) {
  return walkArc(path, services, [&](HostFile, const ArcHeader& header, uint64_t) {
    callback(header.name, header.dosDate, header.dosTime, 0, ' ', header.size, header.packedSize,
             header.crc, context);
    return EntryStep{};
  });
}

int extractArc(ExtractionRequest& request, const HostServices& services) {
  return walkArc(request.archivePath, services,
                 [&](HostFile file, const ArcHeader& header, uint64_t data) {
                   if (abortRequested(request)) return EntryStep{kDone, true};
                   if (services.SeekFile(file, static_cast<int64_t>(data),
                                         platform::SeekFrom::Start, nullptr) != 0)
                     return EntryStep{kReadFailed, true};
                   ArcEntryData entry(services, file, header);
                   return extractEntry(request, services, header.facts(), &entry);
                 });
}

}  // namespace ostrya::archive

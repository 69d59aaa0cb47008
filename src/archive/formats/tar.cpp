// portable: no platform headers.
#include "archive/formats/tar.h"

#include <algorithm>
#include <cstring>

#include "archive/entry_extraction.h"
#include "archive/formats/tar_walk.h"
#include "archive/host_file.h"
#include "archive/unix_time.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

constexpr char kFolderType = '5';
// Old tars mark a file with a NUL type, newer ones with '0'; links, devices and the like are
// not reported.
constexpr char kOldFileType = '\0';
constexpr char kFileType = '0';

bool isFolder(const TarMember& member) {
  const std::size_t length = std::strlen(member.name);
  return member.type == kFolderType || (length > 0 && member.name[length - 1] == '\\');
}

// Most tars store a folder's name with a trailing separator; one without gets it, so that the
// output rule knows the member as a folder.
void endFolderName(TarMember& member) {
  const std::size_t length = std::strlen(member.name);
  if (member.type == kFolderType && length < kTarLongestName &&
      (length == 0 || member.name[length - 1] != '\\')) {
    member.name[length] = '\\';
    member.name[length + 1] = '\0';
  }
}

bool isFile(const TarMember& member) {
  return member.type == kOldFileType || member.type == kFileType || member.sparse;
}

EntryFacts factsOf(const TarMember& member) {
  EntryFacts facts;
  facts.name = member.name;
  unixTimeToDos(member.modificationTime, facts.dosDate, facts.dosTime);
  facts.attributes = (member.readOnly ? kEntryReadOnly : 0) | (isFolder(member) ? kEntryFolder : 0);
  facts.size = reportedSize(member.size);
  facts.attributesNotSetCode = kAttributesNotSet;
  return facts;
}

uint64_t archiveSize(const HostServices& services, HostFile file) {
  uint64_t size = 0;
  if (services.GetFileSize(nullptr, file, &size) != 0) size = 0;
  return size;
}

// A member's data as the archive holds it. An archive that ends inside the data gives what
// it holds, without an error: the walk then ends at the missing header.
class TarData final : public EntryData {
 public:
  TarData(const HostServices& services, HostFile archive, uint64_t size)
      : services_(services), archive_(archive), size_(size) {}

  int writeTo(EntryOutput& output) override {
    uint8_t piece[512];
    for (uint64_t left = size_; left > 0;) {
      const uint32_t wanted = static_cast<uint32_t>(std::min<uint64_t>(left, sizeof piece));
      uint32_t got = 0;
      if (services_.ReadSome(archive_, piece, wanted, &got) != 0) return kReadFailed;
      if (got > 0 && output.write(piece, got) != kDone) return kWriteFailed;
      if (got < wanted) break;
      left -= got;
    }
    return kDone;
  }

 private:
  const HostServices& services_;
  HostFile archive_;
  uint64_t size_;
};

// A sparse file: zeros where the archive keeps no stretch, the stored stretches in between. A
// map whose stretches go back or past the file's size is damaged data.
class SparseTarData final : public EntryData {
 public:
  SparseTarData(const HostServices& services, HostFile archive, const TarMember& member)
      : services_(services), archive_(archive), member_(member) {}

  int writeTo(EntryOutput& output) override {
    if (member_.sparseMapDamaged) return kDamagedData;
    uint64_t at = 0;
    uint64_t storedLeft = member_.storedSize;
    for (const TarSparseRun& run : member_.runs) {
      if (run.offset < at || run.offset > member_.size || run.length > member_.size - run.offset)
        return kDamagedData;
      if (const int code = writeZeros(output, run.offset - at); code != kDone) return code;
      const uint64_t length = std::min(run.length, storedLeft);
      TarData data(services_, archive_, length);
      if (const int code = data.writeTo(output); code != kDone) return code;
      storedLeft -= length;
      at = run.offset + length;
      // An archive that ends inside the data gives what it holds.
      if (output.written() < at) return kDone;
    }
    return writeZeros(output, member_.size - at);
  }

 private:
  static int writeZeros(EntryOutput& output, uint64_t count) {
    static const uint8_t zeros[4096] = {};
    for (; count > 0;) {
      const std::size_t piece = static_cast<std::size_t>(std::min<uint64_t>(count, sizeof zeros));
      if (output.write(zeros, piece) != kDone) return kWriteFailed;
      count -= piece;
    }
    return kDone;
  }

  const HostServices& services_;
  HostFile archive_;
  const TarMember& member_;
};

// Visits every folder and file member; `visit` (file, member) returns how its steps ended. A
// listing, without a request, ends at the first zero block. An extraction reads past zero
// blocks to the end of the file, since archives written one after another onto the same file
// keep their end blocks between them, and stops before the next header when aborted.
template <typename Visit>
int walkTar(const char* path, const HostServices& services, const ExtractionRequest* extraction,
            Visit&& visit) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return kOpenFailed;
  TarWalk walk(services, file.get(), archiveSize(services, file.get()));
  TarMember member;
  bool pastEnd = false;
  while (extraction == nullptr || !abortRequested(*extraction)) {
    switch (walk.next(member)) {
      case TarStep::Member:
        break;
      case TarStep::ZeroBlock:
        if (extraction == nullptr) return kNotThisFormat;
        pastEnd = true;
        continue;
      case TarStep::End:
        return kDone;
      case TarStep::NotTar:
        // What follows an archive's end blocks may be anything the writer left there.
        return pastEnd ? kDone : kNotThisFormat;
      case TarStep::ReadFailed:
        return kReadFailed;
    }
    endFolderName(member);
    if (!namesNoEntry(member.name) && (isFolder(member) || isFile(member))) {
      const EntryStep step = visit(file.get(), member);
      if (step.ends) return step.code;
    }
    if (!walk.skipData(member)) return kReadFailed;
  }
  return kDone;
}

}  // namespace

int listTar(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void*) {
  return walkTar(path, services, nullptr, [&](HostFile, const TarMember& member) {
    const EntryFacts facts = factsOf(member);
    char name[platform::kMaxPath] = "";
    services.AppendBounded(name, member.name, sizeof name);
    callback(name, facts.dosDate, facts.dosTime, facts.attributes, ' ', facts.size, facts.size, 0,
             context);
    return EntryStep{};
  });
}

int extractTar(ExtractionRequest& request, const HostServices& services) {
  return walkTar(request.archivePath, services, &request,
                 [&](HostFile file, const TarMember& member) {
                   TarData plain(services, file, member.storedSize);
                   SparseTarData sparse(services, file, member);
                   EntryData* data = isFolder(member) ? nullptr
                                     : member.sparse  ? static_cast<EntryData*>(&sparse)
                                                      : &plain;
                   return extractEntry(request, services, factsOf(member), data);
                 });
}

}  // namespace ostrya::archive

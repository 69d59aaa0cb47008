// portable: no platform headers.
#include "archive/formats/zip.h"

#include <cstring>
#include <string>
#include <utility>

#include "archive/bounded_text.h"
#include "archive/entry_extraction.h"
#include "archive/host_file.h"
#include "archive/host_streams.h"
#include "archive/output_path.h"
#include "archive/unix_time.h"
#include "engines/zip/zip_directory.h"
#include "engines/zip/zip_entry_data.h"
#include "engines/zip/zip_layout.h"
#include "engines/zip/zip_methods.h"
#include "platform/codepage.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

namespace zip = engines::zip;

// The archive through the host's file services.
class HostArchiveBytes final : public zip::ArchiveBytes {
 public:
  HostArchiveBytes(const HostServices& services, HostFile file) : services_(services), file_(file) {
    if (services.GetFileSize(nullptr, file, &size_) != 0) size_ = 0;
  }
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* buffer, std::size_t count) override {
    if (offset != position_) {
      uint64_t moved = 0;
      if (services_.SeekFile(file_, static_cast<int64_t>(offset), platform::SeekFrom::Start,
                             &moved) != 0)
        return false;
      position_ = offset;
    }
    auto* next = static_cast<uint8_t*>(buffer);
    for (std::size_t left = count; left > 0;) {
      // The host takes 32-bit counts.
      const uint32_t piece = left > 0x40000000 ? 0x40000000u : static_cast<uint32_t>(left);
      if (services_.ReadExact(file_, next, piece) != 0) {
        position_ = UINT64_MAX;
        return false;
      }
      next += piece;
      left -= piece;
      position_ += piece;
    }
    return true;
  }

 private:
  const HostServices& services_;
  HostFile file_;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
};

// Systems whose ZIP writers stored names in the OEM code page: MS-DOS, OS/2, Windows NTFS and
// VFAT.
bool madeOnDos(const zip::ZipEntry& entry) {
  return entry.madeOn == 0 || entry.madeOn == 6 || entry.madeOn == 11 || entry.madeOn == 14;
}

// The entry as the program names files: UTF-8 when the entry says so or a Unicode path field
// fits it, else the OEM code page DOS tools wrote. Writers elsewhere (Info-ZIP and 7-Zip on
// Unix) store the bytes of their locale, today UTF-8, without saying so: a name from them that
// reads as UTF-8 is taken as such. A folder's name ends with a separator.
void programName(const zip::ZipEntry& entry, char* out, std::size_t capacity) {
  const std::string_view name = entry.unicodeName.empty() ? entry.storedName : entry.unicodeName;
  const bool utf8 = entry.utf8Name || !entry.unicodeName.empty() ||
                    (!madeOnDos(entry) && platform::isMultibyteUtf8(name.data(), name.size()));
  const std::size_t length = utf8
                                 ? platform::utf8ToFileName(name.data(), name.size(), out, capacity)
                                 : platform::oemToFileName(name.data(), name.size(), out, capacity);
  if (entry.isFolder() && (length == 0 || !platform::isPathSeparator(out[length - 1])) &&
      length + 1 < capacity) {
    out[length] = '/';
    out[length + 1] = '\0';
  }
}

// The extended timestamp field holds the modification time in UTC; the DOS fields hold the
// local time of whatever machine wrote the archive.
void dosTimeOf(const zip::ZipEntry& entry, uint16_t& dosDate, uint16_t& dosTime) {
  dosDate = entry.dosDate;
  dosTime = entry.dosTime;
  if (entry.hasUnixTime) unixTimeToDos(entry.unixTime, dosDate, dosTime);
}

char flagOf(const zip::ZipEntry& entry) {
  return entry.encrypted() ? kEncryptedFlag : ' ';
}

int directoryCode(zip::DirectoryStatus status) {
  switch (status) {
    case zip::DirectoryStatus::Read:
      return kDone;
    case zip::DirectoryStatus::NotZip:
      return kNotThisFormat;
    case zip::DirectoryStatus::Damaged:
      return kDamagedData;
    case zip::DirectoryStatus::ReadFailed:
      break;
  }
  return kReadFailed;
}

// Whether an entry's failure ends the extraction: a read or write that failed, or memory that
// ran out, would fail for the next entry too.
bool endsExtraction(int code) {
  return code == kReadFailed || code == kWriteFailed || code == kSetUpFailed;
}

class ZipExtraction {
 public:
  ZipExtraction(ExtractionRequest& request, const HostServices& services, HostFile archive)
      : request_(request), services_(services), bytes_(services, archive), directory_(bytes_) {}

  int run(const char* outputFolder) {
    if (const int code = directoryCode(directory_.open()); code != kDone) return code;
    AppendBounded(folder_, outputFolder, sizeof folder_);
    services_.CreateFolderTree(request_.owner, folder_);
    zip::ZipEntry entry;
    while (!stopped_ && !abortRequested(request_) && directory_.next(entry)) {
      const int code = extract(entry);
      if (code == kDone) continue;
      if (result_ == kDone) result_ = code;
      // An entry refused for want of room leaves room for the next, smaller one.
      if (endsExtraction(code) && !std::exchange(refusedForRoom_, false)) return code;
      // What a command-line extractor would print; the application ignores it.
      const std::string text =
          "passed over: " + std::string(name_) + " (" + std::to_string(code) + ")";
      services_.ShowText(request_.callerContext, text.c_str());
    }
    if (result_ == kDone && !stopped_) result_ = directoryCode(directory_.status());
    return result_;
  }

 private:
  int extract(const zip::ZipEntry& entry) {
    char* const name = name_;
    programName(entry, name, sizeof name_);
    const bool keepFolders = (request_.mode & kModeKeepFolders) != 0;
    char relative[platform::kMaxPath];
    char output[platform::kMaxPath] = "";
    if (!harmlessRelativeName(name, keepFolders, relative, sizeof relative) ||
        AppendBounded(output, folder_, sizeof output) != kFitted ||
        AddSeparator(output, sizeof output) != kFitted ||
        AppendBounded(output, relative, sizeof output) != kFitted) {
      // Folder entries without folder names, and names that are nothing but climbing, name
      // no file of their own.
      return kDone;
    }
    if (entry.isFolder()) {
      services_.CreateFolderTree(request_.owner, output);
      return kDone;
    }
    if (entry.encrypted()) return kEncrypted;
    if (!zip::methodDecoded(entry.method)) return kUnsupportedMethod;
    if (!roomFor(entry.size)) {
      refusedForRoom_ = true;
      return kWriteFailed;
    }
    uint16_t dosDate = 0;
    uint16_t dosTime = 0;
    dosTimeOf(entry, dosDate, dosTime);
    const uint32_t size = reportedSize(entry.size);
    if (!replaceAll_ && services_.FileExists(output) == 0) {
      const int answer =
          services_.ConfirmReplace(request_.callerContext, output, dosDate, dosTime, size);
      if (answer == kSkipEntry) return kDone;
      if (answer == kStopExtraction) {
        stopped_ = true;
        return kDone;
      }
      replaceAll_ = answer == kReplaceAll;
    }
    if (keepFolders) {
      char parent[platform::kMaxPath];
      std::memcpy(parent, output, sizeof parent);
      CutLastPart(parent);
      services_.CreateFolderTree(request_.owner, parent);
    }
    HostFile created = nullptr;
    if (createHostOutput(services_, request_.owner, output, &created) != 0) return kOutputNotOpened;
    HostFileGuard file(services_, created);
    EntryOutput written(request_, services_, file.get());
    EntryDecodedOutput sink(written);
    const int code = outcomeCode(zip::extractEntryData(bytes_, directory_, entry, sink));
    if (code == kDone) services_.SetFileDosTime(file.get(), dosDate, dosTime);
    file.close();
    if (code != kDone) {
      // A damaged entry's bytes must not pass for the entry.
      services_.DeleteFileQuiet(output);
      return code;
    }
    if ((entry.attributes & kRestoredAttributes) != 0)
      services_.SetAttributes(output, entry.attributes & kRestoredAttributes);
    services_.OnEntryExtracted(output, name, dosDate, dosTime, entry.attributes, flagOf(entry),
                               size, request_.callerContext);
    return kDone;
  }

  // A stated size beyond the free space of the output's disk is refused before anything is
  // written; a disk whose space cannot be told is taken to have room.
  bool roomFor(uint64_t size) {
    uint32_t cluster = 0;
    uint64_t free = 0;
    uint64_t total = 0;
    return services_.GetDiskSpace(folder_, &cluster, &free, &total) == 0 || size <= free;
  }

  static int outcomeCode(zip::EntryOutcome outcome) {
    switch (outcome) {
      case zip::EntryOutcome::Extracted:
        return kDone;
      case zip::EntryOutcome::Encrypted:
        return kEncrypted;
      case zip::EntryOutcome::UnsupportedMethod:
        return kUnsupportedMethod;
      case zip::EntryOutcome::Damaged:
        return kDamagedData;
      case zip::EntryOutcome::ReadFailed:
        return kReadFailed;
      case zip::EntryOutcome::OutputFailed:
        return kWriteFailed;
      case zip::EntryOutcome::NoMemory:
        break;
    }
    return kSetUpFailed;
  }

  ExtractionRequest& request_;
  const HostServices& services_;
  HostArchiveBytes bytes_;
  zip::ZipDirectory directory_;
  char folder_[platform::kMaxPath] = "";
  // The entry's name as the program gives it.
  char name_[platform::kMaxPath] = "";
  int result_ = kDone;
  bool replaceAll_ = false;
  bool stopped_ = false;
  bool refusedForRoom_ = false;
};

}  // namespace

int listZip(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void*) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return kOpenFailed;
  HostArchiveBytes bytes(services, file.get());
  zip::ZipDirectory directory(bytes);
  if (const int code = directoryCode(directory.open()); code != kDone) return code;
  zip::ZipEntry entry;
  char name[platform::kMaxPath];
  while (directory.next(entry)) {
    programName(entry, name, sizeof name);
    uint16_t dosDate = 0;
    uint16_t dosTime = 0;
    dosTimeOf(entry, dosDate, dosTime);
    callback(name, dosDate, dosTime, entry.attributes, flagOf(entry), reportedSize(entry.size),
             reportedSize(entry.compressedSize), entry.method, context);
  }
  return directoryCode(directory.status());
}

int extractZip(ExtractionRequest& request, const HostServices& services) {
  char folder[platform::kMaxPath] = "";
  if (request.outputFolder) {
    AppendBounded(folder, request.outputFolder, sizeof folder);
  } else if (request.targetPath) {
    AppendBounded(folder, request.targetPath, sizeof folder);
    CutLastPart(folder);
  }
  if (folder[0] == '\0') return kOutputNotOpened;
  HostFileGuard file = HostFileGuard::openForReading(services, request.archivePath);
  if (!file.isOpen()) return kOpenFailed;
  return ZipExtraction(request, services, file.get()).run(folder);
}

namespace {

constexpr char kLocalMark[] = {static_cast<char>(zip::layout::kLocalSignature & 0xFF),
                               static_cast<char>(zip::layout::kLocalSignature >> 8 & 0xFF),
                               static_cast<char>(zip::layout::kLocalSignature >> 16 & 0xFF),
                               static_cast<char>(zip::layout::kLocalSignature >> 24)};

}  // namespace

bool isZipHead(const uint8_t* head, const char*) {
  return bytesAre(head, kLocalMark, sizeof kLocalMark);
}

std::size_t findEmbeddedZip(const uint8_t* buffer, std::size_t end, std::size_t) {
  return findMark(buffer, end, kLocalMark, sizeof kLocalMark);
}

}  // namespace ostrya::archive

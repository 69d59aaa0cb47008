// portable: no platform headers.
#include "search/archive_search.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "archive/archive.h"
#include "archive/host_file.h"
#include "platform/file.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/path.h"
#include "platform/temp_path.h"
#include "search/content_test.h"
#include "search/folder_walk.h"
#include "search/name_match.h"
#include "search/search_filter.h"

namespace ostrya {
namespace {

// The longest folder path an archive entry gets: the archive's path and the path inside it.
constexpr std::size_t kEntryFolderCapacity = 520;

// What an entry callback or OnEntryExtracted was told about one entry.
struct EntryReport {
  // Its DOS attributes; of them the read-only, hidden, system, folder and archive bits are kept,
  // the bits a filter speaks about.
  uint32_t attributes;
  uint16_t dosDate;
  uint16_t dosTime;
  char flag;
  uint32_t size;
};

SearchRequest& requestOf(archive::ListingRequest* listing) {
  return *static_cast<SearchRequest*>(listing->caller);
}

// The archive's path, a separator and `inner` (its first `innerLength` characters), cut to the
// capacity of an entry's folder path.
std::string entryFolderPath(const SearchRequest& request, const char* inner,
                            std::size_t innerLength) {
  std::string path(request.archivePath);
  path += platform::kPathSeparator;
  path.append(inner, innerLength);
  if (path.size() > kEntryFolderCapacity) path.resize(kEntryFolderCapacity);
  return path;
}

uint32_t folderNumberOf(SearchRequest& request, const std::string& path) {
  bool appended = false;
  const uint32_t number = request.context.store.folderNumberOf(
      path.c_str(), static_cast<uint16_t>(std::strlen(request.archivePath)), appended);
  if (appended) ++request.counters.folders;
  return number;
}

// Why the layer could not extract an archive's entries, by its result code.
SkipKind skipKindOfArchiveCode(int code) {
  switch (code) {
    case archive::kDamagedData:
    case archive::kNotThisFormat:
    case archive::kCompressedTarHoldsNoTar:
    case archive::kDecoderFailed:
      return SkipKind::ArchiveDamaged;
    case archive::kEncrypted:
    case archive::kWrongPassword:
    case archive::kPasswordCancelled:
      return SkipKind::ArchiveEncrypted;
    case archive::kUnsupportedMethod:
    case archive::kNeedsNewerArj:
    case archive::kArjTypeNotExtractable:
      return SkipKind::ArchiveUnsupported;
    // In the run's own folder a write fails, or is refused beforehand, only for want of room.
    case archive::kWriteFailed:
      return SkipKind::EntryTooLarge;
    default:
      return SkipKind::ArchiveUnreadable;
  }
}

// The entry's content test, noted by the path the user knows: the archive's and the name
// inside it.
bool entryFound(SearchRequest& request, const char* name, const char* extractedPath) {
  const ContentVerdict verdict = request.content->test(extractedPath);
  if (verdict == ContentVerdict::Found || verdict == ContentVerdict::NotFound)
    return verdict == ContentVerdict::Found;
  try {
    const std::string shown = std::string(request.archivePath) + platform::kPathSeparator + name;
    return contentFound(verdict, shown.c_str(), request.context.skipped);
  } catch (const std::bad_alloc&) {
    return contentFound(verdict, request.archivePath, request.context.skipped);
  }
}

// The steps both callbacks share. `extractedPath` is the file to test the contents of, or null
// for a listing.
void takeEntry(SearchRequest& request, const char* storedName, const EntryReport& entry,
               const char* extractedPath) {
  // The layer's name is const to its readers; the entry works on a copy of its own.
  char copy[kEntryFolderCapacity + 1];
  std::strncpy(copy, storedName, kEntryFolderCapacity);
  copy[kEntryFolderCapacity] = '\0';
  char* name = copy;
  for (char* at = name; *at; ++at)
    if (platform::isPathSeparator(*at)) *at = platform::kPathSeparator;
  // A name stored as an absolute path ("/usr/...") lies inside the archive all the same; the
  // archive's own root ("/") is no entry.
  while (*name == platform::kPathSeparator) ++name;
  if (*name == '\0') return;
  uint32_t attributes = (entry.attributes & kFilterAttributes) | kRecInArchive;
  if (entry.flag == archive::kEncryptedFlag) attributes |= kRecEncrypted;
  std::size_t length = std::strlen(name);
  if (length > 0 && name[length - 1] == platform::kPathSeparator) {
    name[--length] = '\0';
    attributes |= kRecFolder;
  }
  if ((attributes & kRecFolder) != 0) {
    // A folder inside an archive is counted, never shown as a row.
    folderNumberOf(request, entryFolderPath(request, name, length));
    return;
  }

  const char* lastSeparator = std::strrchr(name, platform::kPathSeparator);
  const char* namePart = lastSeparator ? lastSeparator + 1 : name;
  if (!request.namePatterns->matches(namePart)) return;
  const bool sizeGiven = entry.size != archive::kSizeNotGiven;
  if ((request.options & kOptWithFilter) != 0 && request.context.filter &&
      !request.context.filter->accepts(namePart, attributes, entry.dosDate, entry.dosTime,
                                       sizeGiven ? entry.size : 0))
    return;
  if (extractedPath && !(request.content && entryFound(request, name, extractedPath))) return;

  ResultFields fields;
  fields.extensionPosition = extensionPositionOfName(namePart);
  fields.folderNumber =
      folderNumberOf(request, lastSeparator ? entryFolderPath(request, name, lastSeparator - name)
                                            : std::string(request.archivePath));
  fields.size = sizeGiven ? entry.size : UINT64_MAX;
  fields.attributes = static_cast<uint16_t>(attributes);
  fields.date = entry.dosDate;
  fields.time = entry.dosTime;
  if (!appendResult(request, fields, namePart)) return;
  ++request.counters.files;
  if (sizeGiven) request.counters.bytes += entry.size;
}

void onListedEntry(const char* name, uint16_t dosDate, uint16_t dosTime, uint32_t attributes,
                   char flag, uint32_t size, uint32_t, uint32_t, archive::ListingContext* context) {
  takeEntry(requestOf(context->request), name, {attributes, dosDate, dosTime, flag, size}, nullptr);
}

// What one archive's extraction may still write to scratch space. The layer's services carry
// no context of their own, so the extraction's thread holds it while the layer runs.
struct ScratchBudget {
  const archive::HostServices* base;
  uint64_t bound;
  uint64_t written = 0;
  bool exceeded = false;
  uint32_t entriesTooLarge = 0;
};
thread_local ScratchBudget* currentBudget = nullptr;

// A new scratch file: never through a link, never one that is there already.
int createScratchFile(void* owner, const char* path, archive::HostFile* file) {
  if (currentBudget) currentBudget->written = 0;
  return archive::CreateNewOutputFile(owner, path, file);
}

// An entry whose stated size is beyond the bound is skipped before anything is written.
void confirmScratchEntry(void*, char*, int* answer, uint16_t, uint16_t, uint32_t size) {
  if (currentBudget && size != archive::kSizeNotGiven && size > currentBudget->bound) {
    *answer = archive::kSkipEntry;
    ++currentBudget->entriesTooLarge;
  }
}

// Engines that weigh an entry against the disk's free space see the bound as that space.
int scratchDiskSpace(const char* root, uint32_t* clusterSize, uint64_t* freeBytes,
                     uint64_t* totalBytes) {
  ScratchBudget* budget = currentBudget;
  if (budget == nullptr) return 0;
  const int known = budget->base->GetDiskSpace(root, clusterSize, freeBytes, totalBytes);
  if (known == 0) *totalBytes = budget->bound;
  if (known == 0 || *freeBytes > budget->bound) *freeBytes = budget->bound;
  return 1;
}

// One whose size was not stated, or was wrong, stops at the bound.
int writeScratch(void* owner, archive::HostFile file, const void* buffer, uint32_t count) {
  ScratchBudget* budget = currentBudget;
  if (budget) {
    if (count > budget->bound - budget->written) {
      budget->exceeded = true;
      return platform::diskFullCode();
    }
    budget->written += count;
    return budget->base->WriteExact(owner, file, buffer, count);
  }
  return platform::diskFullCode();
}

class BudgetInUse {
 public:
  explicit BudgetInUse(ScratchBudget& budget) { currentBudget = &budget; }
  ~BudgetInUse() { currentBudget = nullptr; }
  BudgetInUse(const BudgetInUse&) = delete;
  BudgetInUse& operator=(const BudgetInUse&) = delete;
};

}  // namespace

ArchiveEntrySearch::ArchiveEntrySearch(const archive::HostServices& services, void* owner,
                                       uint64_t scratchLimit)
    : services_(services), base_(services), owner_(owner), scratchLimit_(scratchLimit) {
  services_.OnEntryExtracted = onEntryExtracted;
  services_.CreateOutputFile = createScratchFile;
  services_.ConfirmOverwrite = confirmScratchEntry;
  services_.WriteExact = writeScratch;
  services_.GetDiskSpace = scratchDiskSpace;
  // The search runs on a thread of its own: what fails inside it is passed over, not shown, and
  // the window shows its progress instead of a cursor.
  services_.ShowSystemError = archive::ShowNoSystemError;
  services_.BeginWait = archive::BeginNoWait;
  services_.EndWait = archive::EndNoWait;
}

ArchiveEntrySearch::~ArchiveEntrySearch() {
  endRun();
}

int ArchiveEntrySearch::onEntryExtracted(const char* path, const char* entryName, uint16_t dosDate,
                                         uint16_t dosTime, uint32_t attributes, char flag,
                                         uint32_t size, void* callerContext) {
  SearchRequest& request = requestOf(static_cast<archive::ListingRequest*>(callerContext));
  takeEntry(request, entryName, {attributes, dosDate, dosTime, flag, size}, path);
  // The scratch file goes whatever the entry turned out to be; one that stays is worth a word.
  const auto& self = static_cast<const ArchiveEntrySearch&>(*request.context.archives);
  return archive::shownFailure(self.base_, self.owner_,
                               self.services_.DeleteFileRetry(self.owner_, path, 0), path);
}

void ArchiveEntrySearch::search(SearchRequest& request) {
  if (request.searchLength == 0) {
    listEntries(request);
    return;
  }
  // A format the layer cannot extract yet is searched like any other file, not counted.
  const archive::TypeCode type = archive::ArchiveDetectType(request.archivePath, services_);
  if (type != archive::kNoArchive && archive::ArchiveCanExtract(type))
    extractEntries(request, type);
}

void ArchiveEntrySearch::listEntries(SearchRequest& request) {
  archive::ListingRequest listing;
  listing.caller = &request;
  archive::ArchiveRecord* record =
      archive::ArchiveList(request.archivePath, listing, onListedEntry, services_, nullptr);
  archive::ArchiveRecordFree(record, services_);
}

void ArchiveEntrySearch::extractEntries(SearchRequest& request, archive::TypeCode type) {
  std::string target = nextScratchPath();
  // The ZIP engine writes below the target's folder, with the stored folder names: it gets a
  // folder of its own, which goes with whatever is left in it.
  const bool folderOfItsOwn = type == archive::kZip;
  const std::string ownFolder = target + platform::kPathSeparator;
  if (folderOfItsOwn && !target.empty()) target = ownFolder + "entry";
  if (target.empty() || target.size() >= platform::kMaxPath) {
    request.context.skipped.note(SkipKind::ArchiveUnreadable, request.archivePath);
    return;
  }
  archive::ListingRequest listing;
  listing.caller = &request;
  // Room for the longest password the layer may ask for; it starts empty.
  char password[129] = "";
  ScratchBudget budget{&base_, entryBound()};
  int code = archive::kDone;
  {
    BudgetInUse inUse(budget);
    code = archive::ArchiveExtract(
        owner_, request.archivePath, target.c_str(), (request.options & kOptRecurse) != 0, type,
        &request.context.stopRequests, password, false, &listing, services_);
  }
  // A scratch file that could not be removed after its test goes now.
  if (folderOfItsOwn)
    removeScratchTree(ownFolder);
  else if (services_.FileExists(target.c_str()) == 0)
    services_.DeleteFileQuiet(target.c_str());
  for (uint32_t i = 0; i < budget.entriesTooLarge; ++i)
    request.context.skipped.note(SkipKind::EntryTooLarge, request.archivePath);
  if (code == archive::kDone || request.context.stopRequested()) return;
  request.context.skipped.note(
      budget.exceeded ? SkipKind::EntryTooLarge : skipKindOfArchiveCode(code), request.archivePath);
}

std::string ArchiveEntrySearch::nextScratchPath() {
  if (scratchFolder_.empty()) {
    const std::string temporary = platform::temporaryFolder();
    if (temporary.empty()) return {};
    scratchFolder_ = platform::createPrivateFolder(temporary, "Ostrya-");
    if (scratchFolder_.empty()) return {};
  }
  std::string path = scratchFolder_ + std::to_string(++scratchNumber_);
  return path.size() < platform::kMaxPath ? path : std::string();
}

// Half the free space keeps room for everything else on the disk.
uint64_t ArchiveEntrySearch::entryBound() const {
  platform::DiskSpace space;
  if (!platform::diskSpace(scratchFolder_.c_str(), space)) return scratchLimit_;
  return std::min(scratchLimit_, space.freeBytes / 2);
}

void ArchiveEntrySearch::endRun() {
  if (scratchFolder_.empty()) return;
  removeScratchTree(scratchFolder_);
  scratchFolder_.clear();
  scratchNumber_ = 0;
}

// `folder` ends with a separator. Links are removed, never followed; the depth is bounded by
// the path length, as every path made here fits it.
void ArchiveEntrySearch::removeScratchTree(const std::string& folder) const {
  platform::DirectoryListing listing;
  if (listing.open(folder.c_str())) {
    platform::DirectoryEntry entry;
    while (listing.next(entry)) {
      if (isDotEntry(entry.name)) continue;
      const std::string path = folder + entry.name;
      if (entry.isFolder && entry.mayDescend)
        removeScratchTree(path + platform::kPathSeparator);
      else
        services_.DeleteFileQuiet(path.c_str());
    }
  }
  const std::string withoutSeparator = folder.substr(0, folder.size() - 1);
  platform::removeFolder(withoutSeparator.c_str());
}

uint64_t scratchLimitSetting(ConfigStore& config) {
  const uint32_t mebibytes = config.getNumber("Ostrya", "ScratchLimitMB", 0);
  return mebibytes != 0 ? uint64_t{mebibytes} << 20 : ArchiveEntrySearch::kDefaultScratchLimit;
}

}  // namespace ostrya

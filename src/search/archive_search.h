// portable: no platform headers.
#pragma once

#include <string>

#include "archive/host_services.h"
#include "foundation/config_store.h"
#include "search/search_request.h"

namespace ostrya {

// The search inside archives: every file the walk meets goes to the archive layer, which lists
// its entries (no containing text) or extracts them one by one to a temporary file for the
// content test; the entries that pass become result records whose folder is the archive.
//
// Entries are extracted into a folder of the run's own, made afresh, private to the user and
// removed when the run ends; each scratch file is created new, never through a link, and an
// engine that writes folders gets one of its own per archive, removed after it. An entry
// that would take more scratch space than the bound is not extracted but said to be too large.
class ArchiveEntrySearch final : public ArchiveSearch {
 public:
  // `services` is the host's table; its OnEntryExtracted slot is replaced by the search's own,
  // and its output slots by ones that keep to the scratch folder and the bound. `owner` is the
  // window the layer's messages belong to (none for a console). `scratchLimit` bounds the bytes
  // of one extracted entry; half the free space of the scratch folder's disk bounds it too.
  ArchiveEntrySearch(const archive::HostServices& services, void* owner,
                     uint64_t scratchLimit = kDefaultScratchLimit);
  ~ArchiveEntrySearch() override;
  ArchiveEntrySearch(const ArchiveEntrySearch&) = delete;
  ArchiveEntrySearch& operator=(const ArchiveEntrySearch&) = delete;

  void search(SearchRequest& request) override;
  void endRun() override;

  static constexpr uint64_t kDefaultScratchLimit = uint64_t{4} << 30;

 private:
  // The content test of one extracted entry; the caller context is the run's listing request.
  static int onEntryExtracted(const char* path, const char* entryName, uint16_t dosDate,
                              uint16_t dosTime, uint32_t attributes, char flag, uint32_t size,
                              void* callerContext);
  void listEntries(SearchRequest& request);
  void extractEntries(SearchRequest& request, archive::TypeCode type);
  // The next scratch file's path in the run's folder, made when first needed; empty when
  // there is none.
  std::string nextScratchPath();
  uint64_t entryBound() const;
  void removeScratchTree(const std::string& folder) const;

  archive::HostServices services_;
  archive::HostServices base_;
  void* owner_;
  uint64_t scratchLimit_;
  std::string scratchFolder_;
  uint32_t scratchNumber_ = 0;
};

// The scratch bound the settings give ("ScratchLimitMB" in the program's section, in MiB; 0 or
// none: the default).
uint64_t scratchLimitSetting(ConfigStore& config);

}  // namespace ostrya

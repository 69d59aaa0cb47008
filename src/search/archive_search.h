// portable: no platform headers.
#pragma once

#include <string>

#include "archive/host_services.h"
#include "search/search_request.h"

namespace ostrya {

// The search inside archives: every file the walk meets goes to the archive layer, which lists
// its entries (no containing text) or extracts them one by one to a temporary file for the
// content test; the entries that pass become result records whose folder is the archive.
class ArchiveEntrySearch final : public ArchiveSearch {
 public:
  // `services` is the host's table; its OnEntryExtracted slot is replaced by the search's own.
  // `owner` is the window the layer's messages belong to (none for a console).
  ArchiveEntrySearch(const archive::HostServices& services, void* owner);
  void search(SearchRequest& request) override;

 private:
  // The content test of one extracted entry; the caller context is the run's listing request.
  static int onEntryExtracted(const char* path, const char* entryName, uint16_t dosDate,
                              uint16_t dosTime, uint32_t attributes, char flag, uint32_t size,
                              void* callerContext);
  void listEntries(SearchRequest& request);
  void extractEntries(SearchRequest& request, archive::TypeCode type);

  archive::HostServices services_;
  void* owner_;
};

// Where one archive's entries are extracted for the content test: the folder "Ostrya" of the
// temporary folder (created when missing) and the smallest number not yet taken there; empty
// when there is no temporary folder or the path does not fit.
std::string archiveScratchPath(const archive::HostServices& services, void* owner);

}  // namespace ostrya

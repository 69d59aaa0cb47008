// The search hands every file it meets to detection and listing, which read up to the first
// 128 KiB of it: any bytes may reach them. Input: a file's contents.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "archive/archive.h"
#include "fuzz_scratch.h"

namespace {

using namespace ostrya::archive;

std::string scratchPath() {
  return (std::filesystem::temp_directory_path() /
          ("ostrya-archive-detect-fuzz-" + ostrya::fuzzing::scratchSuffix()))
      .string();
}

uint64_t entriesSeen = 0;

// Every name must be a whole string and every field readable.
void countEntry(const char* name, uint16_t, uint16_t, uint32_t, char, uint32_t, uint32_t, uint32_t,
                ListingContext* context) {
  entriesSeen += std::strlen(name) + (context->record != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = scratchPath();
  static const HostServices services = [] {
    HostServices table;
    return ArchiveServicesInit(table);
  }();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  ArchiveDetectType(path.c_str(), services);
  ListingRequest request;
  ArchiveRecord* record = ArchiveList(path.c_str(), request, countEntry, services, nullptr);
  ArchiveRecordFree(record, services);
  std::remove(path.c_str());
  return 0;
}

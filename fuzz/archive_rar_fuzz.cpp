// The RAR reader over libarchive: headers of RAR 1.5 to 5, solid and stored data, names, and
// the password question of encrypted entries. Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/rar.h"
#include "archive_reader_fuzz.h"

namespace {

// 'X' makes the stored folders where the request keeps them.
int extractAsAsked(ostrya::archive::ExtractionRequest& request,
                   const ostrya::archive::HostServices& services) {
  char password[129] = "";
  const bool keep = (request.mode & ostrya::archive::kModeKeepFolders) != 0;
  return ostrya::archive::extractRar(request, services, keep ? 'X' : 'E', password);
}

}  // namespace

// libarchive asks for whatever size a damaged header states and copes when it gets nothing, as
// it would from the system: the allocator says no instead of ending the run.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-rar-fuzz", "input.rar");
  fuzz.run(data, size, ostrya::archive::listRar, extractAsAsked);
  return 0;
}

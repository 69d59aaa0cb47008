// An RPM package as detection hands it over: lead, signature and header sections with their
// index entries, and the compressed cpio payload. Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/rpm.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-rpm-fuzz");
  fuzz.run(data, size, ostrya::archive::listRpm, ostrya::archive::extractRpm);
  return 0;
}

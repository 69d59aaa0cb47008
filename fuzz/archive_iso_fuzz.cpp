// An ISO 9660 image as detection hands it over: volume descriptors, Joliet escape sequences,
// folder records and the extents they point to. Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/iso9660.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-iso-fuzz");
  fuzz.run(data, size, ostrya::archive::listIso, ostrya::archive::extractIso);
  return 0;
}

// The cabinet reader over libmspack: the header test, the file list, every folder's decoder and
// a set's next cabinet (which, named by the input, must be found beside it or not at all).
// Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/cabinet.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-cabinet-fuzz", "input.cab");
  fuzz.run(data, size, ostrya::archive::listCabinet, ostrya::archive::extractCabinet);
  return 0;
}

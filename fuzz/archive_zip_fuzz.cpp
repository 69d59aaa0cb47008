// The ZIP reader: finding the end record and the central directory from the end, ZIP64 fields,
// the shift behind a stub, names, local headers and every method's decoder, with extraction
// below a folder and to a target. Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/zip.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-zip-fuzz");
  fuzz.run(data, size, ostrya::archive::listZip, ostrya::archive::extractZip);
  return 0;
}

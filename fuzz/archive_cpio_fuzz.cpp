// A portable ASCII cpio archive as detection hands it over: headers, names, padding, data.
// Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/cpio.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-cpio-fuzz");
  fuzz.run(data, size, ostrya::archive::listCpio, ostrya::archive::extractCpio);
  return 0;
}

// A tar archive as detection hands it over: headers, long-name and pax records, data. Input:
// a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/tar.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-tar-fuzz");
  fuzz.run(data, size, ostrya::archive::listTar, ostrya::archive::extractTar);
  return 0;
}

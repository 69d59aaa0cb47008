// Every file detection calls gzip reaches this reader: its header fields, its stored name, its
// stream and, read as a compressed tar, the tar inside. Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/compressed_tar.h"
#include "archive/formats/gzip.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The name makes the entry a tar when no name is stored.
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-gzip-fuzz", "input.tgz");
  fuzz.run(data, size, ostrya::archive::listGzip, ostrya::archive::extractGzip,
           ostrya::archive::extractTgz);
  return 0;
}

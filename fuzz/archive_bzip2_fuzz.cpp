// Every file detection calls bzip2 reaches this reader: its streams, one after another, and,
// read as a compressed tar, the tar inside. Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/bzip2.h"
#include "archive/formats/compressed_tar.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The name makes the entry a tar.
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-bzip2-fuzz", "input.tbz");
  fuzz.run(data, size, ostrya::archive::listBzip2, ostrya::archive::extractBzip2,
           ostrya::archive::extractTbz);
  return 0;
}

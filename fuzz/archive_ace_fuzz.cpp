// An ACE archive as detection hands it over: the archive header somewhere in the first 128 KiB,
// then blocks of headers and data, stored or LZ77-packed, solid or not. Input: a file's
// contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/ace.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-ace-fuzz");
  fuzz.run(data, size, ostrya::archive::listAce, ostrya::archive::extractAce);
  return 0;
}

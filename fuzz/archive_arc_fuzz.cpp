// An ARC archive as detection hands it over: headers one after another, each entry's data in
// any of the nine methods. Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/arc.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-arc-fuzz");
  fuzz.run(data, size, ostrya::archive::listArc, ostrya::archive::extractArc);
  return 0;
}

// An ARJ archive as detection hands it over, or a self-extracting file that holds one: the
// main header found by its scan, headers, extended headers and data of every method.
// Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/arj.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-arj-fuzz");
  fuzz.run(data, size, ostrya::archive::listArj, ostrya::archive::extractArj);
  return 0;
}

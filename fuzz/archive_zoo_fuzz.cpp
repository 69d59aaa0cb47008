// A ZOO archive as detection hands it over: the archive header, the chain of folder entries,
// their names and the stored, LZW and LZH data. Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/zoo.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-zoo-fuzz");
  fuzz.run(data, size, ostrya::archive::listZoo, ostrya::archive::extractZoo);
  return 0;
}

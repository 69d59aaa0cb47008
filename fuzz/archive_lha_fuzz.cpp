// An LHA archive as detection hands it over, read through lhasa: headers of every level, the
// methods' data, a self-extracting stub in front (the input is named as a program).
// Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/lha.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-lha-fuzz", "input.exe");
  fuzz.run(data, size, ostrya::archive::listLha, ostrya::archive::extractLha);
  return 0;
}

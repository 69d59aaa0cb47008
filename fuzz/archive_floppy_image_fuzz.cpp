// A FAT12 floppy disk image as detection hands it over: boot sector, allocation table, folders
// with long names, cluster chains. Input: a file's contents.
#include <cstddef>
#include <cstdint>

#include "archive/formats/floppy_image.h"
#include "archive_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ostrya::fuzzing::ReaderFuzz fuzz("archive-floppy-image-fuzz");
  fuzz.run(data, size, ostrya::archive::listFloppyImage, ostrya::archive::extractFloppyImage);
  return 0;
}

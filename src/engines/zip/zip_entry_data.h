// portable: no platform headers.
#pragma once

#include "engines/zip/zip_directory.h"
#include "engines/decoder_stream.h"

namespace ostrya::engines::zip {

enum class EntryOutcome {
  Extracted,
  Encrypted,
  UnsupportedMethod,
  // The data breaks its method's rules, gives more or fewer bytes than the entry states, or
  // fails its CRC-32.
  Damaged,
  ReadFailed,
  OutputFailed,
  NoMemory,
};

// Decodes one entry into `output`. Never more than the stated size reaches the output: an
// entry that would give more stops there as damaged.
EntryOutcome extractEntryData(ArchiveBytes& bytes, ZipDirectory& directory, const ZipEntry& entry,
                              DecodedOutput& output);

}  // namespace ostrya::engines::zip

// Writes an ARC archive of one file under the methods no packaged tool writes any more: an
// old-style header (method 1) and crunching with either hash (5, 6 and 7), through the test
// tree's encoder, so that the fixture script can have nomarch check them.
//   arc_legacy_writer OUTPUT FILE
#include <fstream>
#include <iterator>

#include "arc_crunch_encoder.h"

using namespace ostrya::testing;

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::ifstream in(argv[2], std::ios::binary);
  const ArcBytes data((std::istreambuf_iterator<char>(in)), {});
  const ArcBytes runs = packArcRuns(data);
  ArcBytes archive;
  for (const ArcBytes& entry :
       {arcEntry(1, "OLD.TXT", data, data),
        arcEntry(5, "CRUNCH5.TXT", crunchArcData(data, false), data),
        arcEntry(6, "CRUNCH6.TXT", crunchArcData(runs, false), data),
        arcEntry(7, "CRUNCH7.TXT", crunchArcData(runs, true), data), kArcEnd})
    archive.insert(archive.end(), entry.begin(), entry.end());
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(archive.data()),
            static_cast<std::streamsize>(archive.size()));
  return out ? 0 : 1;
}

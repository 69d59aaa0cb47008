// portable: no platform headers.
#include "foundation/text_lookup.h"

#include "foundation/language_table.h"

namespace ostrya {

const TextLookup& englishTexts() {
  return englishLanguage();
}

}  // namespace ostrya

// portable: no platform headers.
#pragma once

#include "foundation/file_access.h"
#include "foundation/text_lookup.h"
#include "results/result_store.h"

namespace ostrya {

enum class ExportFormat { Text, Csv, Html };

// Re-sorts the list with its current mode and direction, then writes every row in that order to
// the open file: a fixed-width text list, a semicolon-separated list, or an HTML table. The
// store stays locked from the first line to the last. Returns false when there is nothing to
// write (no rows, or the sort was refused) or a write failed (the error box has been shown to
// the owner when there is one).
bool exportResults(ResultStore& store, ExportFormat format, OutputFile& file, void* owner,
                   const TextLookup& texts, char thousandsSeparator);

}  // namespace ostrya

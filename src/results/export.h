// portable: no platform headers.
#pragma once

#include <string>
#include <string_view>

#include "foundation/file_access.h"
#include "foundation/text_lookup.h"
#include "results/result_store.h"

namespace ostrya {

enum class ExportFormat { Text, Csv, Html };

// The text with its control characters written out (\t, \n, \r, \033 ...), so that a file name
// shown on a terminal or in a text list cannot move the cursor, recolour the screen or split
// its line.
std::string withControlsEscaped(std::string_view text);

// Re-sorts the list with its current mode and direction, then writes every row in that order to
// the open file: a fixed-width text list, a semicolon-separated list, or an HTML table. The
// store stays locked from the first line to the last. Returns false when there is nothing to
// write (no rows, or the sort was refused) or a write failed (the error box has been shown to
// the owner when there is one).
bool exportResults(ResultStore& store, ExportFormat format, OutputFile& file, void* owner,
                   const TextLookup& texts, char thousandsSeparator);
// The same without the sort, for a caller that has just sorted the rows itself.
bool exportSortedResults(ResultStore& store, ExportFormat format, OutputFile& file, void* owner,
                         const TextLookup& texts, char thousandsSeparator);

}  // namespace ostrya

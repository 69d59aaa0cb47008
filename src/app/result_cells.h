// portable: no platform headers.
#pragma once

#include <string>

#include "foundation/text_lookup.h"
#include "results/result_store.h"

namespace ostrya {

// The text the result list shows in one cell. The caller holds the store's lock.
std::string resultCellTextLocked(ResultStore& store, const ResultRecord& record, Column column,
                                 const TextLookup& texts, char thousandsSeparator);

}  // namespace ostrya

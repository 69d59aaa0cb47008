// portable: no platform headers.
#pragma once

#include <span>

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

using ListOperation = int (*)(const char* path, ListingContext* context, EntryCallback callback,
                              const HostServices& services, void* user);
using ExtractOperation = int (*)(ExtractionRequest& request, const HostServices& services);

struct FormatHandler {
  TypeCode code;
  const char* displayName;
  const char* extension;
  ListOperation list;
  ExtractOperation extract;
  DetectionTests detect;
};

std::span<const FormatHandler> formatHandlers();
// The row of a code; null when there is none.
const FormatHandler* findFormat(TypeCode code);

// Runs the list operation of the code's row; kNotThisFormat, listing nothing, for a code
// without a row or without a list operation.
int listAs(TypeCode code, const char* path, ListingContext* context, EntryCallback callback,
           const HostServices& services, void* user);

}  // namespace ostrya::archive

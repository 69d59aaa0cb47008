// portable: no platform headers.
#pragma once

#include <cstddef>

#include "platform/listing.h"
#include "search/search_request.h"

namespace ostrya {

// Lists one folder into the store, then its subfolders depth first (with "Recurse folders").
void walkFolder(const char* folder, SearchRequest& request);

// "." and "..", which a listing may give.
bool isDotEntry(const char* name);

// Whether the run applies its filter ("With filter").
bool filtering(const SearchRequest& request);

// Whether the entry passes the run's filter ("With filter"); reads its details when it does.
bool passesFilter(const SearchRequest& request, platform::DirectoryListing& listing,
                  platform::DirectoryEntry& entry);

// Whether the run searches inside archives.
bool searchesArchives(const SearchRequest& request);

// Assembles a result record in the request's builder and appends it to the store; false when
// it has no folder, the name does not fit or memory could not be had.
bool appendResult(SearchRequest& request, const ResultFields& fields, const char* name);

// Joins a folder and a name with the system's separator (none when the folder already ends with
// one); false when the result does not fit a path buffer of `capacity` characters.
bool joinPath(const char* folder, const char* name, char* out, std::size_t capacity);

}  // namespace ostrya

// One whole search: the query split into names, each composed and walked
// for, then the duplicate filter, the missing names and the windows that
// show the outcome.
#pragma once

#include <cstdint>

namespace StringExtract {

// Query fields that resolved to a name and were searched in this search.
inline int32_t SearchedFor = 0;

// Runs one search with the search window's inputs and shows its outcome:
// the results and statistics windows, or "No items found!" and the search
// window again. A call while a search runs does nothing. Quit at any of
// its yields ends it there: nothing more is added, written or shown.
void Extract();

// Whether a search is running (its Extract has not returned yet).
bool Running();

}  // namespace StringExtract

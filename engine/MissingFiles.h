// The missing-name report: the requested names that no row carries, and
// the rest of the statistics text.
#pragma once

#include <cstdint>

namespace MissingFiles {

// Index of the last row, as the duplicate filter leaves it.
inline int32_t CompareCount = 0;
// Rows whose name differs from the composed name of the last comparison.
inline int32_t NotaMatch = 0;
// Requested names without a row in this search.
inline int32_t RealMisses = 0;

// Composes every name of the query again, lists those no row carries and
// appends the missing count, the missing names and the number of files
// found to the statistics text. Quit at one of its yields ends it there,
// with nothing written.
void Run();
// Counts the rows not named Extension::Filename; when that is every row,
// lists the name in the scratch field and counts it as missing.
void Comparison();

}  // namespace MissingFiles

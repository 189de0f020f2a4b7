// The duplicate filter: the top-most row of every file name stays, every
// later row of the same name (ignoring case, whatever its folder) goes, and
// the first lines of the statistics text are written.
#pragma once

#include <cstdint>

#include "framework/rbstring.h"

namespace DuplicateCheck {

// Rows removed as duplicates in this search.
inline int32_t CopyCounter = 0;
// Index of the last row, lowered with every removal.
inline int32_t U = 0;
// Name of the kept row whose later namesakes are being removed.
inline rb::String SearchDupeName;
// Rows named SearchDupeName met in the last pass of Check, the kept one
// included.
inline int32_t CopyTrack = 0;

// Removes the duplicate rows, then appends to the statistics text the
// number of requested names, the number of duplicates and, for every
// removed row, the kept row's name. Quit at one of its yields ends it
// there, with nothing written.
void Run();
// Removes the rows below the first one that are named SearchDupeName and
// lists each of them in the scratch field.
void Check();

}  // namespace DuplicateCheck

// The archive run: copies every ticked row of the results list into the
// destination folder, writes the statistics text there as "Report.txt" and
// tells the user how many files were copied.
#pragma once

#include <cstdint>
#include <functional>

namespace Archive {

// Ticked rows counted at the start of a run: the divisor of the progress
// step. 0 outside a run.
inline int32_t ActualCount = 0;

// Runs the whole archive step, bottom row first. Nothing is replaced: a
// file whose name is already in the destination is left as it is and
// reported, like every copy that fails; only real copies are counted. A
// symbolic link is copied as the regular file it leads to; one that leads
// nowhere or to anything else is reported. A destination that is missing,
// not a folder or not writable stops the run before anything is copied.
// While the run lasts the results list and its buttons take no input and
// Running() answers true; a call meanwhile, or while a search runs, does
// nothing. Quit at one of its yields ends it there: the files copied so far
// stay, each whole, and no report, message or window follows.
void Copy();

// Adds the number of ticked rows among the found rows to ActualCount.
void CopyCount();

// True while Copy runs. A search must not start meanwhile.
bool Running();

// Tests: called just before each file is copied, after the progress
// display has been updated. Empty restores the default (nothing).
void SetBeforeCopyHookForTesting(std::function<void()> hook);

}  // namespace Archive

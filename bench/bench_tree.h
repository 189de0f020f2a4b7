// A generated folder tree for the benchmarks, and timing helpers.
#pragma once

#include <functional>
#include <string>

namespace bench {

// Makes (or reuses) a tree of `files` files spread over `folders` folders
// below `root`, 10 per folder, three levels deep. Answers the root.
std::string EnsureTree(const std::string& root, int folders, int filesPerFolder);

// Seconds of the fastest of `runs` calls.
double BestOf(int runs, const std::function<void()>& fn);

// Seconds that `find ROOT -printf '%T@ %s\n'` takes (output discarded).
double TimeFind(const std::string& root);

// Peak resident memory of this process in KiB.
long PeakRssKiB();
long CurrentRssKiB();

}  // namespace bench

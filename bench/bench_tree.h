// A generated folder tree for the benchmarks, their arguments, and timing
// helpers.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace bench {

// The arguments after the program's name. -h or --help prints `usage` to
// stdout and exits 0; any other argument starting with '-' prints it to
// stderr and exits 2.
std::vector<std::string> Arguments(int argc, char** argv, const char* usage);

// Takes `root` for a benchmark's files: a folder that does not exist (it is
// made), is empty, or holds the .skerrow-bench file a benchmark left there.
// Any other folder is refused with the reason on stderr, and nothing in it
// is touched.
bool ClaimFolder(const std::string& root);

// Removes `path` and everything below it. Symbolic links are removed, never
// followed.
bool RemoveTree(const std::string& path);

// Makes (or reuses) a tree of `folders` folders below `root`, 10 x 10 x
// (folders / 100) three levels deep, with `filesPerFolder` files in each
// leaf. A tree of another shape that a benchmark made there is replaced.
// False, with nothing touched, when ClaimFolder refuses `root`.
bool EnsureTree(const std::string& root, int folders, int filesPerFolder);

// Seconds of the fastest of `runs` calls.
double BestOf(int runs, const std::function<void()>& fn);

// Seconds that `find ROOT -printf '%T@ %s\n'` takes (output discarded).
double TimeFind(const std::string& root);

// Peak resident memory of this process in KiB.
long PeakRssKiB();
long CurrentRssKiB();

}  // namespace bench

// Lists every folder of a generated tree through the plugin, as the folder
// walk does (count and fill per folder, Name of every file, Item of every
// folder), and compares the time with find over the same tree.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/FileListKVR.h"
#include "app/PluginEntrypoints.h"
#include "bench/bench_tree.h"
#include "framework/background_task.h"
#include "framework/folder_item.h"
#include "framework/runtime.h"

namespace {

struct WalkStats {
  long folders = 0;
  long files = 0;
  long hits = 0;
  long peakListingRss = 0;
};

void Walk(const rb::Ref<rb::FolderItem>& folder, const rb::String& target, WalkStats& stats) {
  rb::Ref<FileListKVR> list = FileListKVR::New(folder);
  ++stats.folders;
  int count = list->Count();
  for (int i = 0; i < count; ++i) {
    rb::RuntimeBackgroundTask();
    if (list->Directory(i)) {
      Walk(list->Item(i), target, stats);
    } else {
      ++stats.files;
      if (list->Name(i) == target) ++stats.hits;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = bench::Arguments(
      argc, argv,
      "usage: listing_bench [FOLDER]\n"
      "Lists a tree of 10,000 folders and 100,000 files through the plugin and with find.\n"
      "The tree is made in FOLDER (default /tmp/skerrow-bench-tree), which must be missing,\n"
      "empty, or hold a tree a benchmark made.\n");
  std::string root = args.empty() ? "/tmp/skerrow-bench-tree" : args[0];
  if (!bench::EnsureTree(root, 10000, 10)) return 1;
  rb::SetApplicationFolderPathForTesting(SKERROW_PROGRAM_DIR);
  rb::RuntimeInit();
  _InitPluginEntrypoints();

  rb::Ref<rb::FolderItem> top = rb::GetFolderItem(rb::String(root));
  rb::String target("img_054321.JPG");
  WalkStats stats;
  bench::TimeFind(root);  // warm the caches
  long rssBefore = bench::CurrentRssKiB();
  // Walks and finds alternate, so that a change of load on the machine
  // touches both; the best of five of each counts.
  double walk = 1e300, find = 1e300;
  for (int round = 0; round < 5; ++round) {
    walk = std::min(walk, bench::BestOf(1, [&] {
      stats = WalkStats();
      Walk(top, target, stats);
    }));
    find = std::min(find, bench::BestOf(1, [&] { bench::TimeFind(root); }));
  }
  long rssAfter = bench::CurrentRssKiB();

  std::printf("tree: %ld folders, %ld files, %ld hit(s)\n", stats.folders, stats.files, stats.hits);
  std::printf("plugin walk: %.3f s   find -printf: %.3f s   ratio: %.2f (target <= 1.5)\n", walk,
              find, walk / find);
  std::printf("resident memory: %ld KiB before, %ld KiB after five walks (peak %ld KiB)\n",
              rssBefore, rssAfter, bench::PeakRssKiB());
  return stats.hits == 1 ? 0 : 1;
}

// Folders with many subfolders, walked through the plugin as the search
// walks them (a list per folder, Item of every subfolder, a new list for
// it): long names and names without a Mac Roman form against short ASCII
// names of the same count, and each kind at twice the count (with find
// at both counts for the file system's own growth).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/FileListKVR.h"
#include "app/PluginEntrypoints.h"
#include "bench/bench_tree.h"
#include "framework/background_task.h"
#include "framework/folder_item.h"
#include "framework/runtime.h"

namespace {

// The name of subfolder i of a kind.
std::string SubfolderName(const std::string& kind, int i) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%05d", i);
  if (kind == "short") return std::string("d") + digits;
  if (kind == "cjk") return std::string("\xE5\x86\x99\xE7\x9C\x9F") + digits;  // "写真00001"
  std::string name = std::string("folder-with-a-long-name-") + digits + "-";
  name.resize(100, 'x');
  return name;
}

// root/KIND-COUNT with COUNT empty subfolders, made once in a root that
// bench::ClaimFolder took.
std::string EnsureFolder(const std::string& root, const std::string& kind, int count) {
  std::string folder = root + "/" + kind + "-" + std::to_string(count);
  std::string marker = root + "/.complete-" + kind + "-" + std::to_string(count);
  if (access(marker.c_str(), F_OK) == 0) return folder;
  bench::RemoveTree(folder);
  mkdir(folder.c_str(), 0755);
  for (int i = 0; i < count; ++i) mkdir((folder + "/" + SubfolderName(kind, i)).c_str(), 0755);
  std::ofstream(marker) << "ok\n";
  return folder;
}

long Walk(const rb::Ref<rb::FolderItem>& folder) {
  rb::Ref<FileListKVR> list = FileListKVR::New(folder);
  long folders = 1;
  const int last = list->Count() - 1;
  for (int i = 0; i <= last; ++i) {
    if (list->Directory(i)) folders += Walk(list->Item(i));
    rb::RuntimeBackgroundTask();
  }
  return folders;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = bench::Arguments(
      argc, argv,
      "usage: subfolder_names_bench [FOLDER [ROUNDS]]\n"
      "Walks folders of 8,000 and 16,000 subfolders with short, 100-byte and CJK names,\n"
      "best of ROUNDS (default 5). They are made in FOLDER (default /tmp/skerrow-bench-subfolders),\n"
      "which must be missing, empty, or hold folders a benchmark made.\n");
  std::string root = args.empty() ? "/tmp/skerrow-bench-subfolders" : args[0];
  const int rounds = args.size() > 1 ? std::max(1, std::atoi(args[1].c_str())) : 5;
  if (!bench::ClaimFolder(root)) return 1;
  rb::SetApplicationFolderPathForTesting(SKERROW_PROGRAM_DIR);
  rb::RuntimeInit();
  _InitPluginEntrypoints();

  const std::vector<std::string> kinds = {"short", "long", "cjk"};
  const std::vector<int> counts = {8000, 16000};
  std::vector<std::vector<std::string>> folders(kinds.size());
  for (size_t k = 0; k < kinds.size(); ++k)
    for (int n : counts) folders[k].push_back(EnsureFolder(root, kinds[k], n));

  // Rounds alternate the kinds, so that a change of load touches all of
  // them; the best of the rounds (five unless given) counts.
  // find over the short names at both counts is the peer for the growth:
  // what the file system itself costs for a folder twice as big.
  std::vector<std::vector<double>> best(kinds.size(), std::vector<double>(counts.size(), 1e300));
  std::vector<double> find(counts.size(), 1e300);
  bool ok = true;
  for (int round = 0; round < rounds; ++round) {
    for (size_t c = 0; c < counts.size(); ++c) {
      for (size_t k = 0; k < kinds.size(); ++k) {
        long walked = 0;
        double t = bench::BestOf(1, [&] { walked = Walk(rb::GetFolderItem(rb::String(folders[k][c]))); });
        best[k][c] = std::min(best[k][c], t);
        ok = ok && walked == counts[c] + 1;
      }
    }
  }
  // After the walks, so that starting find cannot slow a walk.
  for (int round = 0; round < rounds; ++round) {
    for (size_t c = 0; c < counts.size(); ++c) find[c] = std::min(find[c], bench::TimeFind(folders[0][c]));
  }

  for (size_t c = 0; c < counts.size(); ++c) {
    std::printf("%d subfolders: short ASCII names %.3f s", counts[c], best[0][c]);
    for (size_t k = 1; k < kinds.size(); ++k) {
      std::printf("   %s %.3f s (ratio %.2f)", kinds[k] == "long" ? "100-byte names" : "CJK names",
                  best[k][c], best[k][c] / best[0][c]);
    }
    std::printf("   (target <= 1.5)\n");
  }
  for (size_t k = 0; k < kinds.size(); ++k) {
    std::printf("%s names, %d against %d subfolders: time ratio %.2f (target <= 2)\n", kinds[k].c_str(),
                counts[1], counts[0], best[k][1] / best[k][0]);
  }
  std::printf("find -printf over the short names, %d against %d subfolders: %.3f s against %.3f s, ratio %.2f\n",
              counts[1], counts[0], find[1], find[0], find[1] / find[0]);
  if (!ok) std::printf("a walk did not reach every subfolder\n");
  return ok ? 0 : 1;
}

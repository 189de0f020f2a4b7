#include "bench/bench_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace bench {

std::string EnsureTree(const std::string& root, int folders, int filesPerFolder) {
  std::string marker = root + "/.complete-" + std::to_string(folders) + "-" +
                       std::to_string(filesPerFolder);
  if (access(marker.c_str(), F_OK) == 0) return root;
  std::string cmd = "rm -rf '" + root + "'";
  if (std::system(cmd.c_str()) != 0) std::perror("rm");
  mkdir(root.c_str(), 0755);
  // 10 x 10 x (folders / 100) leaf folders, each with filesPerFolder files.
  int leavesPerMid = folders / 100;
  int n = 0;
  for (int a = 0; a < 10; ++a) {
    std::string pa = root + "/a" + std::to_string(a);
    mkdir(pa.c_str(), 0755);
    for (int b = 0; b < 10; ++b) {
      std::string pb = pa + "/b" + std::to_string(b);
      mkdir(pb.c_str(), 0755);
      for (int c = 0; c < leavesPerMid; ++c) {
        std::string pc = pb + "/c" + std::to_string(c);
        mkdir(pc.c_str(), 0755);
        for (int f = 0; f < filesPerFolder; ++f) {
          char name[64];
          std::snprintf(name, sizeof name, "/IMG_%06d.jpg", n++);
          int fd = open((pc + name).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
          if (fd >= 0) {
            if (write(fd, name, 8) < 0) std::perror("write");
            close(fd);
          }
        }
      }
    }
  }
  std::ofstream(marker) << "ok\n";
  return root;
}

double BestOf(int runs, const std::function<void()>& fn) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    fn();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (s < best) best = s;
  }
  return best;
}

double TimeFind(const std::string& root) {
  std::string cmd = "find '" + root + "' -printf '%T@ %s\\n' > /dev/null";
  auto t0 = std::chrono::steady_clock::now();
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "find failed\n");
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

static long StatusField(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  size_t len = std::char_traits<char>::length(field);
  while (std::getline(in, line)) {
    if (line.compare(0, len, field) == 0) return std::atol(line.c_str() + len);
  }
  return 0;
}

long PeakRssKiB() { return StatusField("VmHWM:"); }
long CurrentRssKiB() { return StatusField("VmRSS:"); }

}  // namespace bench

#include "bench/bench_tree.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace bench {

namespace {

// Left in every folder a benchmark takes, before anything is built in it;
// only a folder holding it (a regular file) is taken again.
const char kOwnerMarker[] = ".skerrow-bench";

bool IsMarker(const fs::directory_entry& entry) {
  std::error_code ec;
  return entry.path().filename() == kOwnerMarker && entry.symlink_status(ec).type() == fs::file_type::regular;
}

void Refuse(const std::string& root, const std::string& why) {
  std::fprintf(stderr,
               "refusing to use %s: %s; name a folder that does not exist, is empty, or holds a tree a "
               "benchmark made (with its %s file)\n",
               root.c_str(), why.c_str(), kOwnerMarker);
}

}  // namespace

std::vector<std::string> Arguments(int argc, char** argv, const char* usage) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(usage, stdout);
      std::exit(0);
    }
    if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "unknown option %s\n%s", a.c_str(), usage);
      std::exit(2);
    }
    args.push_back(a);
  }
  return args;
}

bool ClaimFolder(const std::string& root) {
  std::error_code ec;
  const fs::file_status st = fs::status(root, ec);
  if (st.type() == fs::file_type::not_found) {
    if (!fs::create_directories(root, ec) && ec) {
      Refuse(root, "it cannot be made (" + ec.message() + ")");
      return false;
    }
  } else if (ec) {
    Refuse(root, ec.message());
    return false;
  } else if (!fs::is_directory(st)) {
    Refuse(root, "it is not a folder");
    return false;
  } else {
    fs::directory_iterator it(root, ec), end;
    bool empty = true, marked = false;
    for (; !ec && it != end; it.increment(ec)) {
      empty = false;
      if (IsMarker(*it)) {
        marked = true;
        break;
      }
    }
    if (ec) {
      Refuse(root, "it cannot be read (" + ec.message() + ")");
      return false;
    }
    if (!empty && !marked) {
      Refuse(root, "it holds files that no benchmark made");
      return false;
    }
  }
  const std::string marker = root + "/" + kOwnerMarker;
  if (access(marker.c_str(), F_OK) != 0) {
    std::ofstream(marker) << "A benchmark's generated files: the benchmarks may delete everything here.\n";
  }
  return true;
}

bool RemoveTree(const std::string& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
  if (ec) std::fprintf(stderr, "cannot remove %s: %s\n", path.c_str(), ec.message().c_str());
  return !ec;
}

bool EnsureTree(const std::string& root, int folders, int filesPerFolder) {
  if (!ClaimFolder(root)) return false;
  std::string marker = root + "/.complete-" + std::to_string(folders) + "-" +
                       std::to_string(filesPerFolder);
  if (access(marker.c_str(), F_OK) == 0) return true;
  // Whatever else is here is an unfinished tree or one of another shape.
  std::error_code ec;
  std::vector<fs::path> old;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().filename() != kOwnerMarker) old.push_back(it->path());
  }
  for (const fs::path& p : old) RemoveTree(p.string());
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
  return true;
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
  // A relative path that looks like an expression to find gets a "./".
  std::string path = root.empty() || root[0] == '/' ? root : "./" + root;
  std::string format = "%T@ %s\\n";
  char name[] = "find";
  char option[] = "-printf";
  char* argv[] = {name, path.data(), option, format.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  auto t0 = std::chrono::steady_clock::now();
  pid_t pid = 0;
  int status = 0;
  bool ok = posix_spawnp(&pid, name, &actions, nullptr, argv, environ) == 0 && waitpid(pid, &status, 0) == pid &&
            WIFEXITED(status) && WEXITSTATUS(status) == 0;
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  posix_spawn_file_actions_destroy(&actions);
  if (!ok) std::fprintf(stderr, "find failed\n");
  return s;
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

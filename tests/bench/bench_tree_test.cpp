// The folders the benchmarks build their trees in: which they take, what
// they delete, and the benchmark programs' arguments.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_tree.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// Every entry below `root` (links not followed) with its kind and bytes.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> entries;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = e.path().lexically_relative(root).string();
    if (e.is_symlink()) entries[rel] = "link " + fs::read_symlink(e.path()).string();
    else if (e.is_directory()) entries[rel] = "folder";
    else entries[rel] = "file " + ReadFile(e.path().string());
  }
  return entries;
}

int CountFiles(const std::string& root, const std::string& prefix) {
  int n = 0;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file() && e.path().filename().string().rfind(prefix, 0) == 0) ++n;
  }
  return n;
}

bool Exists(const std::string& path) { return fs::exists(fs::symlink_status(path)); }

// A folder whose name closes a shell quote and runs `touch <tmp>/ran` if it
// ever reaches a shell.
std::string QuotedPath(const TempDir& tmp, const std::string& leaf) {
  return tmp.path() + "/" + leaf + "'$(touch " + tmp.path() + "/ran)'";
}

TEST(BenchTree, TakesOnlyAMissingEmptyOrMarkedFolder) {
  TempDir tmp;

  const std::string missing = tmp / "missing";
  ASSERT_TRUE(bench::EnsureTree(missing, 100, 1));
  EXPECT_EQ(CountFiles(missing, "IMG_"), 100);
  EXPECT_TRUE(Exists(missing + "/a9/b9/c0/IMG_000099.jpg"));

  const std::string empty = tmp / "empty";
  MakeDirs(empty + "/x");
  fs::remove(empty + "/x");
  ASSERT_TRUE(bench::EnsureTree(empty, 100, 1));
  EXPECT_EQ(CountFiles(empty, "IMG_"), 100);

  // A tree with a completion marker but without .skerrow-bench.
  const std::string unmarked = tmp / "unmarked";
  WriteFile(unmarked + "/.complete-100-1", "ok\n");
  WriteFile(unmarked + "/a0/b0/c0/IMG_000000.jpg", "x");
  const auto unmarkedBefore = Snapshot(unmarked);
  EXPECT_FALSE(bench::EnsureTree(unmarked, 100, 2));
  EXPECT_EQ(Snapshot(unmarked), unmarkedBefore);

  // Someone's files, a link named like the marker among them.
  const std::string user = tmp / "user";
  WriteFile(user + "/notes.txt", "my notes\n");
  WriteFile(user + "/photos/IMG_0001.jpg", "\xff\xd8\xff\xe0 not a tree");
  WriteFile(tmp / "elsewhere", "ok\n");
  fs::create_symlink(tmp / "elsewhere", user + "/.skerrow-bench");
  const auto before = Snapshot(user);
  EXPECT_FALSE(bench::ClaimFolder(user));
  EXPECT_FALSE(bench::EnsureTree(user, 100, 1));
  EXPECT_EQ(Snapshot(user), before);

  const std::string file = tmp / "a-file";
  WriteFile(file, "plain bytes");
  EXPECT_FALSE(bench::EnsureTree(file, 100, 1));
  EXPECT_EQ(ReadFile(file), "plain bytes");
}

TEST(BenchTree, RefusesSomeonesFolderHoldingACompletionMarker) {
  TempDir tmp;
  const std::string user = tmp / "user";
  WriteFile(user + "/notes.txt", "my notes\n");
  WriteFile(user + "/a0/b0/c0/IMG_000000.jpg", "my photo");
  WriteFile(user + "/.complete-100-1", "mine\n");
  const auto before = Snapshot(user);
  EXPECT_FALSE(bench::ClaimFolder(user));
  EXPECT_FALSE(bench::EnsureTree(user, 100, 1));  // the shape it names
  EXPECT_FALSE(bench::EnsureTree(user, 100, 2));  // another shape
  EXPECT_EQ(Snapshot(user), before);
}

TEST(BenchTree, KeepsItsOwnTreeAndReplacesOnlyIt) {
  TempDir tmp;
  const std::string root = QuotedPath(tmp, "tree");
  MakeDirs(fs::path(root).parent_path().string() + "/x");
  WriteFile(tmp / "outside/keep.txt", "keep\n");

  ASSERT_TRUE(bench::EnsureTree(root, 100, 1));
  EXPECT_EQ(CountFiles(root, "IMG_"), 100);
  WriteFile(root + "/a0/b0/c0/added", "added\n");
  ASSERT_TRUE(bench::EnsureTree(root, 100, 1));
  EXPECT_TRUE(Exists(root + "/a0/b0/c0/added"));

  // Another shape: the old tree goes, a link in it taken away unfollowed.
  fs::create_directory_symlink(tmp / "outside", root + "/a1/outside");
  ASSERT_TRUE(bench::EnsureTree(root, 100, 2));
  EXPECT_EQ(CountFiles(root, "IMG_"), 200);
  EXPECT_FALSE(Exists(root + "/a0/b0/c0/added"));
  EXPECT_FALSE(Exists(root + "/a1/outside"));
  EXPECT_FALSE(Exists(root + "/.complete-100-1"));
  EXPECT_EQ(ReadFile(tmp / "outside/keep.txt"), "keep\n");

  bench::TimeFind(root);
  EXPECT_FALSE(Exists(tmp / "ran"));
}

#ifdef SKERROW_BENCH_DIR

struct Outcome {
  int status = -1;  // exit code; -1 when killed or not exited
  std::string out, err;
};

// Runs a benchmark program in `cwd`; one that has not finished after a
// minute is killed.
Outcome RunBench(const std::string& program, const std::vector<std::string>& args, const std::string& cwd) {
  TempDir io;
  const std::string out = io / "out", err = io / "err";
  const std::string path = std::string(SKERROW_BENCH_DIR) + "/" + program;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(126);
    dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  Outcome o;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (WIFEXITED(status)) o.status = WEXITSTATUS(status);
  o.out = ReadFile(out);
  o.err = ReadFile(err);
  return o;
}

const char* const kTreePrograms[] = {"listing_bench", "search_bench", "subfolder_names_bench"};

TEST(BenchPrograms, RefuseAFolderOfSomeoneElsesFiles) {
  for (const char* program : kTreePrograms) {
    SCOPED_TRACE(program);
    TempDir tmp;
    const std::string plain = tmp / "mine";
    const std::string quoted = QuotedPath(tmp, "mine");
    for (const std::string& folder : {plain, quoted}) {
      WriteFile(folder + "/notes.txt", "my notes\n");
      WriteFile(folder + "/short-8000/keep", "keep\n");
    }
    const auto before = Snapshot(tmp.path());
    for (const std::string& folder : {plain, quoted}) {
      const Outcome o = RunBench(program, {folder}, tmp.path());
      EXPECT_NE(o.status, 0);
      EXPECT_NE(o.err.find("refusing to use " + folder), std::string::npos) << o.err;
    }
    EXPECT_EQ(Snapshot(tmp.path()), before);
    EXPECT_FALSE(Exists(tmp / "ran"));
  }
}

// Someone's files beside a completion marker named as `program` writes it,
// and a folder the program would rebuild.
TEST(BenchPrograms, RefuseSomeonesFolderHoldingACompletionMarker) {
  for (const char* program : kTreePrograms) {
    SCOPED_TRACE(program);
    TempDir tmp;
    const std::string folder = tmp / "mine";
    const std::string marker =
        std::string(program) == "subfolder_names_bench" ? "/.complete-short-8000" : "/.complete-10000-10";
    WriteFile(folder + marker, "mine\n");
    WriteFile(folder + "/notes.txt", "my notes\n");
    WriteFile(folder + "/short-16000/keep", "keep\n");
    const auto before = Snapshot(tmp.path());
    const Outcome o = RunBench(program, {folder}, tmp.path());
    EXPECT_NE(o.status, 0);
    EXPECT_NE(o.err.find("refusing to use " + folder), std::string::npos) << o.err;
    EXPECT_EQ(Snapshot(tmp.path()), before);
  }
}

TEST(BenchPrograms, HelpPrintsUsageAndAnUnknownOptionIsRefused) {
  for (const char* program : kTreePrograms) {
    SCOPED_TRACE(program);
    TempDir cwd;
    WriteFile(cwd / "--help/notes.txt", "my notes\n");
    WriteFile(cwd / "-h/notes.txt", "my notes\n");
    WriteFile(cwd / "--fast/notes.txt", "my notes\n");
    const auto before = Snapshot(cwd.path());
    const std::string usage = std::string("usage: ") + program;
    for (const char* help : {"--help", "-h"}) {
      const Outcome o = RunBench(program, {help}, cwd.path());
      EXPECT_EQ(o.status, 0) << help;
      EXPECT_EQ(o.out.rfind(usage, 0), 0u) << help << ": " << o.out;
      EXPECT_EQ(o.err, "") << help;
    }
    const Outcome o = RunBench(program, {"--fast"}, cwd.path());
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find(usage), std::string::npos) << o.err;
    EXPECT_EQ(Snapshot(cwd.path()), before);
  }
}

#endif

}  // namespace

#include "support/test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace testsupport {

namespace {

// Opens the folder of an absolute path one part at a time, each relative
// to the one before, so that paths longer than the kernel takes in one
// call work too; with `create`, missing folders are made. Answers the
// folder (or -1) and the last part.
int OpenParent(const std::string& path, bool create, std::string* leaf) {
  size_t slash = path.rfind('/');
  *leaf = path.substr(slash + 1);
  int fd = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  size_t i = 1;
  while (fd >= 0 && i < slash) {
    size_t end = path.find('/', i);
    if (end == std::string::npos || end > slash) end = slash;
    const std::string part = path.substr(i, end - i);
    i = end + 1;
    if (part.empty()) continue;
    if (create) mkdirat(fd, part.c_str(), 0755);
    int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(fd);
    fd = next;
  }
  return fd;
}

// Removes everything inside an open folder, opening up folders a test made
// unreadable.
void RemoveInside(int fd) {
  DIR* d = fdopendir(dup(fd));
  if (!d) return;
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  for (const std::string& n : names) {
    struct stat st;
    if (fstatat(fd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
      fchmodat(fd, n.c_str(), 0700, 0);
      int sub = openat(fd, n.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) {
        RemoveInside(sub);
        close(sub);
      }
      unlinkat(fd, n.c_str(), AT_REMOVEDIR);
    } else {
      unlinkat(fd, n.c_str(), 0);
    }
  }
}

}  // namespace

TempDir::TempDir() {
  char tmpl[] = "/tmp/skerrow-test-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  chmod(path_.c_str(), 0700);
  int fd = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) {
    RemoveInside(fd);
    close(fd);
  }
  rmdir(path_.c_str());
}

void MakeDirs(const std::string& path) {
  std::string leaf;
  int fd = OpenParent(path, true, &leaf);
  if (fd >= 0) {
    mkdirat(fd, leaf.c_str(), 0755);
    close(fd);
  }
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::string leaf;
  int dir = OpenParent(path, true, &leaf);
  int fd = dir >= 0 ? openat(dir, leaf.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
  if (dir >= 0) close(dir);
  if (fd < 0) throw std::runtime_error("cannot write " + path);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      close(fd);
      throw std::runtime_error("cannot write " + path);
    }
    done += static_cast<size_t>(n);
  }
  close(fd);
}

std::string ReadFile(const std::string& path) {
  std::string leaf;
  int dir = OpenParent(path, false, &leaf);
  int fd = dir >= 0 ? openat(dir, leaf.c_str(), O_RDONLY | O_CLOEXEC) : -1;
  if (dir >= 0) close(dir);
  std::string bytes;
  if (fd < 0) return bytes;
  char buf[65536];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) bytes.append(buf, static_cast<size_t>(n));
  close(fd);
  return bytes;
}

bool SetXattr(const std::string& path, const std::string& name, const std::string& value) {
  return lsetxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0) == 0;
}

void SetMtime(const std::string& path, long long unixSeconds) {
  struct timespec ts[2];
  ts[0].tv_sec = unixSeconds;
  ts[0].tv_nsec = 0;
  ts[1] = ts[0];
  std::string leaf;
  int dir = OpenParent(path, false, &leaf);
  if (dir < 0) return;
  utimensat(dir, leaf.c_str(), ts, AT_SYMLINK_NOFOLLOW);
  close(dir);
}

}  // namespace testsupport

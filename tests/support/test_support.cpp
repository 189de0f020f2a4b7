#include "support/test_support.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

TempDir::TempDir() {
  char tmpl[] = "/tmp/skerrow-test-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  // Folders a test made unreadable are opened up again first.
  nftw(path_.c_str(), [](const char* p, const struct stat*, int type, struct FTW*) {
    if (type == FTW_D || type == FTW_DNR) chmod(p, 0700);
    return 0;
  }, 64, FTW_PHYS);
  nftw(path_.c_str(), [](const char* p, const struct stat*, int, struct FTW*) {
    remove(p);
    return 0;
  }, 64, FTW_DEPTH | FTW_PHYS);
}

void MakeDirs(const std::string& path) {
  for (size_t pos = path.find('/', 1); ; pos = path.find('/', pos + 1)) {
    mkdir(path.substr(0, pos).c_str(), 0755);
    if (pos == std::string::npos) break;
  }
}

void WriteFile(const std::string& path, const std::string& bytes) {
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) MakeDirs(path.substr(0, slash));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool SetXattr(const std::string& path, const std::string& name, const std::string& value) {
  return lsetxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0) == 0;
}

void SetMtime(const std::string& path, long long unixSeconds) {
  struct timespec ts[2];
  ts[0].tv_sec = unixSeconds;
  ts[0].tv_nsec = 0;
  ts[1] = ts[0];
  utimensat(AT_FDCWD, path.c_str(), ts, AT_SYMLINK_NOFOLLOW);
}

}  // namespace testsupport

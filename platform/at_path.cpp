// Paths of any length for the *at calls.
#include "platform/at_path.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>

#include "platform/catalog_internal.h"

namespace platform {

namespace {

// Opens the folder of an absolute path (links followed, as the kernel
// follows them inside a path) in pieces shorter than PATH_MAX; -1 with
// errno.
int OpenInPieces(std::string_view folder) {
  int fd = open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
  std::string piece;
  size_t i = 0;
  while (fd >= 0 && i < folder.size()) {
    while (i < folder.size() && folder[i] == '/') ++i;
    if (i == folder.size()) break;
    // As many whole parts as fit; one part always does.
    size_t end = i;
    while (end < folder.size()) {
      size_t next = folder.find('/', end + 1);
      if (next == std::string_view::npos) next = folder.size();
      if (next - i >= PATH_MAX && end > i) break;
      end = next;
    }
    piece.assign(folder.substr(i, end - i));
    int next;
    do {
      next = openat(fd, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    } while (next < 0 && errno == EINTR);
    int err = errno;
    close(fd);
    errno = err;
    fd = next;
    i = end;
  }
  return fd;
}

}  // namespace

AtPath::AtPath(std::string_view path) : dir_(AT_FDCWD) {
  if (path.size() < PATH_MAX) {
    name_.assign(path);
    return;
  }
  size_t slash = path.rfind('/');
  name_.assign(path.substr(slash + 1));
  dir_ = OpenInPieces(path.substr(0, slash));
  if (dir_ < 0) error_ = errno;
}

AtPath::~AtPath() {
  if (dir_ >= 0) close(dir_);
}

int AtPath::Errno() const { return error_ ? error_ : errno; }

int StatPath(std::string_view path, struct stat* st, bool followLink) {
  AtPath at(path);
  return fstatat(at.dir(), at.name(), st, followLink ? 0 : AT_SYMLINK_NOFOLLOW) == 0 ? 0 : at.Errno();
}

int OpenFolderPath(std::string_view path) {
  AtPath at(path);
  if (at.error()) {
    errno = at.error();
    return -1;
  }
  return OpenFolder(at.dir(), at.name());
}

OSStatus PathOfRef(const FSRef* ref, std::string* path) {
  return Guard([&]() -> OSStatus {
    RefData d;
    if (!DecodeRef(ref, &d)) return errFSBadFSRef;
    return RefPath(d, path);
  }, memFullErr);
}

OSStatus PathOfSpec(const FSSpec* spec, std::string* path) {
  return Guard([&]() -> OSStatus { return SpecPath(spec, path); }, memFullErr);
}

}  // namespace platform

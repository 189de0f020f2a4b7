// Absolute paths of any length, made ready for the *at system calls.
//
// The kernel refuses a path of PATH_MAX bytes or more in one call. A short
// path is used as it is; a longer one has its folder opened a piece at a
// time, each piece relative to the folder opened before, so that the calls
// work at any depth.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "platform/catalog.h"

namespace platform {

class AtPath {
 public:
  // An absolute path; the last part is not followed when it is a link (the
  // caller's flags decide). "/" gives the root itself.
  explicit AtPath(std::string_view path);
  ~AtPath();
  AtPath(const AtPath&) = delete;
  AtPath& operator=(const AtPath&) = delete;

  // AT_FDCWD or an open folder, and the rest of the path relative to it.
  // When the folder could not be opened, dir() is -1, error() says why,
  // and every call given them fails with EBADF.
  int dir() const { return dir_; }
  const char* name() const { return name_.c_str(); }
  int error() const { return error_; }
  // The error number of a call that has just failed with dir() and name().
  int Errno() const;

 private:
  int dir_;
  int error_ = 0;
  std::string name_;
};

// Status of the item at an absolute path of any length, following a link
// in its last part or not; 0 or an error number.
int StatPath(std::string_view path, struct stat* st, bool followLink);

// Opens a folder by absolute path for reading, never through a link in its
// last part; -1 with errno.
int OpenFolderPath(std::string_view path);

// The paths an FSRef and an FSSpec name, whatever their length.
OSStatus PathOfRef(const FSRef* ref, std::string* path);
OSStatus PathOfSpec(const FSSpec* spec, std::string* path);

}  // namespace platform

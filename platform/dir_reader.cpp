// Buffered folder reading with getdents64.
#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/catalog_internal.h"

namespace platform {

namespace {
// Layout of struct linux_dirent64.
constexpr size_t kInoOffset = 0;
constexpr size_t kRecLenOffset = 16;
constexpr size_t kTypeOffset = 18;
constexpr size_t kNameOffset = 19;
}  // namespace

DirReader::DirReader(int fd) : fd_(fd), buffer_(new (std::nothrow) char[kBufferSize]) {
  if (!buffer_) error_ = ENOMEM;
}

DirReader::~DirReader() {
  if (fd_ >= 0) close(fd_);
}

int DirReader::Next(DirEntry* entry) {
  for (;;) {
    if (error_) return -error_;
    if (pos_ >= end_) {
      if (eof_) return 0;
      long n = syscall(SYS_getdents64, fd_, buffer_.get(), kBufferSize);
      if (n < 0) {
        if (errno == EINTR) continue;
        error_ = errno;
        return -error_;
      }
      if (n == 0) {
        eof_ = true;
        return 0;
      }
      pos_ = 0;
      end_ = static_cast<size_t>(n);
    }
    const char* rec = buffer_.get() + pos_;
    uint16_t reclen;
    std::memcpy(&reclen, rec + kRecLenOffset, sizeof reclen);
    if (reclen <= kNameOffset || pos_ + reclen > end_) {
      error_ = EIO;
      return -error_;
    }
    pos_ += reclen;
    const char* name = rec + kNameOffset;
    size_t len = strnlen(name, reclen - kNameOffset);
    if ((len == 1 && name[0] == '.') || (len == 2 && name[0] == '.' && name[1] == '.')) continue;
    std::memcpy(&entry->inode, rec + kInoOffset, sizeof entry->inode);
    entry->type = static_cast<uint8_t>(rec[kTypeOffset]);
    entry->name = std::string_view(name, len);
    return 1;
  }
}

int OpenFolder(int dirfd, const char* path) {
  int fd;
  do {
    fd = openat(dirfd, path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

OSErr FolderOpenError(int err) {
  switch (err) {
    case 0: return noErr;
    case ENOENT: return dirNFErr;
    case ENOTDIR:
    case ELOOP: return errFSNotAFolder;  // a file, or a symbolic link
    case EACCES:
    case EPERM: return afpAccessDenied;
    case ENOMEM: return memFullErr;
    default: return ioErr;
  }
}

OSErr ItemError(int err) {
  switch (err) {
    case 0: return noErr;
    case ENOENT: return fnfErr;
    case ENOTDIR: return dirNFErr;
    case EACCES:
    case EPERM: return afpAccessDenied;
    case ENOMEM: return memFullErr;
    case ENAMETOOLONG: return paramErr;
    default: return ioErr;
  }
}

}  // namespace platform

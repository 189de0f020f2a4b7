#include "framework/folder_item.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/runtime.h"
#include "platform/at_path.h"

namespace rb {

namespace {

constexpr double kUnixTo1904 = 2082844800.0;

// Absolute, without "//", "." or ".." components and without a trailing
// slash (except for "/").
std::string NormalizePath(const std::string& in) {
  std::string p = in;
  if (p.empty() || p[0] != '/') p = ApplicationFolderPath() + "/" + p;
  std::vector<std::string_view> parts;
  std::string_view rest(p);
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (std::string_view part : parts) {
    out += '/';
    out += part;
  }
  return out.empty() ? "/" : out;
}

std::string ParentPath(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

std::string LastComponent(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Quoted(const std::string& bytes) {
  return "\"" + String(bytes).Utf8() + "\"";
}

// Plain words for an error number.
std::string Reason(int err) {
  switch (err) {
    case ENOENT: return "it does not exist";
    case ENOTDIR: return "a folder in its path is not a folder";
    case EACCES:
    case EPERM: return "permission was denied";
    case EROFS: return "the disk is read-only";
    case ENOSPC:
    case EDQUOT: return "the disk is full";
    case EFBIG: return "the file is too large for the disk";
    case ENOMEM: return "there is not enough memory";
    case EEXIST: return "an item with that name already exists";
    case EISDIR: return "it is a folder";
    case ENAMETOOLONG: return "the name is too long";
    case ENOTEMPTY: return "the folder is not empty";
    case EBUSY:
    case ETXTBSY: return "it is in use";
    case ELOOP: return "it is a symbolic link";
    case EIO: return "the disk could not be read or written";
    case ENXIO: return "it is not a regular file";
    default: return std::strerror(err);
  }
}

int CodeFor(int err) {
  switch (err) {
    case 0: return FileErrors::None;
    case ENOENT:
    case ENOTDIR: return FileErrors::NotFound;
    case EACCES:
    case EPERM:
    case EROFS: return FileErrors::AccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
    case ENOMEM: return FileErrors::NoSpace;
    case EBUSY:
    case ETXTBSY: return FileErrors::InUse;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ: return FileErrors::InvalidName;
    case EEXIST: return FileErrors::AlreadyExists;
    case EISDIR:
    case ELOOP:
    case ENXIO: return FileErrors::NotAFile;
    case ENOTEMPTY: return FileErrors::NotEmpty;
    default: return FileErrors::IOError;
  }
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Copies the rest of in to out; answers 0 or an error number.
int CopyData(int in, int out) {
  off_t total = 0;
  while (true) {
    ssize_t n = copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
    if (n > 0) {
      total += n;
      continue;
    }
    if (n == 0) {
      if (total > 0) return 0;
      break;  // empty, or a file system that reports no size: read to be sure
    }
    if (errno == EINTR) continue;
    if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL ||
        errno == EBADF) {
      break;
    }
    return errno;
  }
  std::vector<char> buf(256 * 1024);
  while (true) {
    ssize_t n = read(in, buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    const char* p = buf.data();
    while (n > 0) {
      ssize_t w = write(out, p, static_cast<size_t>(n));
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      p += w;
      n -= w;
    }
  }
}

// The user.* extended attributes (Finder information, resource fork).
// Best effort where the destination cannot hold them; 0 or an error number.
int CopyUserXattrs(int in, int out) {
  std::vector<char> names;
  for (int attempt = 0; attempt < 4; ++attempt) {
    ssize_t len = flistxattr(in, nullptr, 0);
    if (len <= 0) return 0;
    names.resize(static_cast<size_t>(len));
    len = flistxattr(in, names.data(), names.size());
    if (len >= 0) {
      names.resize(static_cast<size_t>(len));
      break;
    }
    if (errno != ERANGE) return 0;
    names.clear();
  }
  std::vector<char> value;
  for (size_t i = 0; i < names.size();) {
    const char* name = names.data() + i;
    size_t nameLen = strnlen(name, names.size() - i);
    i += nameLen + 1;
    if (std::strncmp(name, "user.", 5) != 0) continue;
    ssize_t len = fgetxattr(in, name, nullptr, 0);
    if (len < 0) continue;
    value.resize(static_cast<size_t>(len));
    len = fgetxattr(in, name, value.data(), value.size());
    if (len < 0) continue;
    if (fsetxattr(out, name, value.data(), static_cast<size_t>(len), 0) != 0 && errno == EIO) {
      return EIO;
    }
  }
  return 0;
}

std::atomic<unsigned> gTempCounter{0};

// The text of a symbolic link; 0 or an error number.
int ReadLinkText(const std::string& path, std::string* text) {
  platform::AtPath at(path);
  std::vector<char> buf(256);
  while (true) {
    ssize_t n = readlinkat(at.dir(), at.name(), buf.data(), buf.size());
    if (n < 0) return at.Errno();
    if (static_cast<size_t>(n) < buf.size()) {
      text->assign(buf.data(), static_cast<size_t>(n));
      return 0;
    }
    buf.resize(buf.size() * 2);
  }
}

}  // namespace

FolderItem::FolderItem(std::string absolutePathBytes) : path_(NormalizePath(absolutePathBytes)) {}

String FolderItem::Name() const {
  if (path_ == "/") return String::FromBytes("/", Encodings::UTF8);
  return String::FromBytes(LastComponent(path_), Encodings::UTF8);
}

String FolderItem::AbsolutePath() const {
  if (path_ != "/" && Directory()) return String::FromBytes(path_ + "/", Encodings::UTF8);
  return String::FromBytes(path_, Encodings::UTF8);
}

String FolderItem::DisplayName() const { return String(Name().Utf8()); }

Ref<FolderItem> FolderItem::Child(const String& name) const {
  std::string leaf = name.PathBytes();
  if (leaf.empty() || leaf == "." || leaf == ".." ||
      leaf.find_first_of(std::string("/\0", 2)) != std::string::npos) {
    return nullptr;
  }
  return Ref<FolderItem>::New(path_ == "/" ? "/" + leaf : path_ + "/" + leaf);
}

Ref<FolderItem> FolderItem::Parent() const {
  if (path_ == "/") return nullptr;
  return Ref<FolderItem>::New(ParentPath(path_));
}

bool FolderItem::Exists() const {
  struct stat st;
  return platform::StatPath(path_, &st, false) == 0;
}

bool FolderItem::Reachable() {
  ClearError();
  struct stat st;
  const int err = platform::StatPath(path_, &st, false);
  if (err == 0) return true;
  const std::string what = "Cannot reach " + Quoted(path_);
  switch (err) {
    case ENOENT:
    case ENOTDIR:
    case EACCES:
    case EPERM:
      SetErrno(err, what);
      break;
    case ELOOP:  // never the item itself, which is not followed
      SetError(FileErrors::IOError, what + ": there are too many symbolic links in its path.");
      break;
    default:
      SetError(FileErrors::IOError, what + ": " + Reason(err) + ".");
  }
  return false;
}

bool FolderItem::Directory() const {
  struct stat st;
  return platform::StatPath(path_, &st, false) == 0 && S_ISDIR(st.st_mode);
}

bool FolderItem::IsLink() const {
  struct stat st;
  return platform::StatPath(path_, &st, false) == 0 && S_ISLNK(st.st_mode);
}

Ref<FolderItem> FolderItem::LinkTarget() const {
  if (!IsLink()) return nullptr;
  platform::AtPath at(path_);
  Fd target(openat(at.dir(), at.name(), O_PATH | O_CLOEXEC));  // through the whole chain
  if (target.get() < 0) return nullptr;
  // The path the kernel knows the target by; built from the links' texts
  // when that path is too long for it.
  std::vector<char> buf(4096);
  const std::string proc = "/proc/self/fd/" + std::to_string(target.get());
  ssize_t n = readlink(proc.c_str(), buf.data(), buf.size());
  if (n > 0 && static_cast<size_t>(n) < buf.size() && buf[0] == '/') {
    return Ref<FolderItem>::New(std::string(buf.data(), static_cast<size_t>(n)));
  }
  std::string path = path_;
  for (int hop = 0; hop < 40; ++hop) {
    std::string text;
    if (ReadLinkText(path, &text) != 0) break;
    path = NormalizePath(text[0] == '/' ? text : ParentPath(path) + "/" + text);
    struct stat st;
    if (platform::StatPath(path, &st, false) != 0 || !S_ISLNK(st.st_mode)) return Ref<FolderItem>::New(path);
  }
  return nullptr;
}

bool FolderItem::IsWriteable() const {
  platform::AtPath at(path_);
  return faccessat(at.dir(), at.name(), W_OK, AT_EACCESS) == 0;
}

double FolderItem::Length() const {
  struct stat st;
  if (platform::StatPath(path_, &st, false) != 0 || S_ISDIR(st.st_mode)) return 0;
  return static_cast<double>(st.st_size);
}

double FolderItem::ModificationDate() const {
  struct stat st;
  if (platform::StatPath(path_, &st, false) != 0) return 0;
  return static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9 + kUnixTo1904;
}

void FolderItem::ClearError() {
  lastError_ = FileErrors::None;
  lastErrorText_.clear();
}

void FolderItem::SetError(int code, const std::string& text) {
  lastError_ = code;
  lastErrorText_ = text;
}

void FolderItem::SetErrno(int err, const std::string& what, bool destination) {
  if (destination && (err == ENOENT || err == ENOTDIR)) {
    SetError(FileErrors::DestinationMissing, what + ": the destination folder does not exist.");
    return;
  }
  SetError(CodeFor(err), what + ": " + Reason(err) + ".");
}

void FolderItem::CopyFileTo(const Ref<FolderItem>& destination) {
  ClearError();
  const std::string what = "Cannot copy " + Quoted(path_);
  if (!destination) {
    SetError(FileErrors::DestinationMissing, what + ": no destination was given.");
    return;
  }
  platform::AtPath source(path_);
  struct stat sst;
  if (fstatat(source.dir(), source.name(), &sst, AT_SYMLINK_NOFOLLOW) != 0) {
    SetErrno(source.Errno(), what);
    return;
  }
  if (S_ISDIR(sst.st_mode)) {
    SetError(FileErrors::NotAFile, what + ": it is a folder.");
    return;
  }
  if (!S_ISREG(sst.st_mode) && !S_ISLNK(sst.st_mode)) {
    SetError(FileErrors::NotAFile, what + ": it is not a regular file.");
    return;
  }

  // Into a folder under the same name (a link to a folder counts as the
  // folder here), or to the item itself.
  std::string folder, name;
  struct stat dst;
  if (platform::StatPath(destination->path_, &dst, true) == 0 && S_ISDIR(dst.st_mode)) {
    folder = destination->path_;
    name = LastComponent(path_);
  } else {
    folder = ParentPath(destination->path_);
    name = LastComponent(destination->path_);
  }
  const std::string target = (folder == "/" ? "" : folder) + "/" + name;
  const std::string whatTo = what + " to " + Quoted(target);

  platform::AtPath folderAt(folder);
  Fd dir(openat(folderAt.dir(), folderAt.name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) {
    SetErrno(folderAt.Errno(), whatTo, true);
    return;
  }
  struct stat tst;
  if (fstatat(dir.get(), name.c_str(), &tst, AT_SYMLINK_NOFOLLOW) == 0) {
    SetError(FileErrors::AlreadyExists,
             whatTo + ": an item with that name already exists there; it was left unchanged.");
    return;
  }
  if (errno != ENOENT) {
    SetErrno(errno, whatTo, true);
    return;
  }

  if (S_ISLNK(sst.st_mode)) {
    std::string link;
    if (int err = ReadLinkText(path_, &link)) {
      SetErrno(err, what);
      return;
    }
    if (symlinkat(link.c_str(), dir.get(), name.c_str()) != 0) {
      SetErrno(errno, whatTo, true);
      return;
    }
    struct timespec times[2] = {sst.st_atim, sst.st_mtim};
    utimensat(dir.get(), name.c_str(), times, AT_SYMLINK_NOFOLLOW);
    return;
  }

  Fd in(openat(source.dir(), source.name(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (in.get() < 0) {
    SetErrno(source.Errno(), what);
    return;
  }
  if (fstat(in.get(), &sst) != 0 || !S_ISREG(sst.st_mode)) {
    SetError(FileErrors::NotAFile, what + ": it is not a regular file.");
    return;
  }

  // An unnamed file in the destination folder, linked in when complete; a
  // named temporary file where the file system has no unnamed ones.
  std::string tempName;
  Fd out(openat(dir.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  if (out.get() < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      tempName = ".skerrow-copy-" + std::to_string(getpid()) + "-" +
                 std::to_string(gTempCounter.fetch_add(1));
      int fd = openat(dir.get(), tempName.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd >= 0 || errno != EEXIST) {
        int saved = errno;
        out.reset(fd);
        errno = saved;
        break;
      }
    }
  }
  if (out.get() < 0) {
    SetErrno(errno, whatTo, true);
    return;
  }
  auto discard = [&]() {
    if (!tempName.empty()) unlinkat(dir.get(), tempName.c_str(), 0);
  };

  int err = CopyData(in.get(), out.get());
  if (!err) err = CopyUserXattrs(in.get(), out.get());
  if (err) {
    discard();
    SetErrno(err, whatTo);
    return;
  }
  fchmod(out.get(), sst.st_mode & 0777);
  struct timespec times[2] = {sst.st_atim, sst.st_mtim};
  futimens(out.get(), times);

  if (tempName.empty()) {
    char proc[64];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", out.get());
    if (linkat(AT_FDCWD, proc, dir.get(), name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      SetErrno(errno, whatTo, true);
      return;
    }
  } else {
    err = 0;
    if (renameat2(dir.get(), tempName.c_str(), dir.get(), name.c_str(), RENAME_NOREPLACE) != 0) {
      err = errno;
      if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP) {
        // No exchange-free rename here: a second name, then drop the first.
        if (linkat(dir.get(), tempName.c_str(), dir.get(), name.c_str(), 0) == 0) {
          unlinkat(dir.get(), tempName.c_str(), 0);
          err = 0;
        } else {
          err = errno;
        }
      }
    }
    if (err) {
      discard();
      SetErrno(err, whatTo, true);
      return;
    }
  }
  if (close(out.release()) != 0) {
    err = errno;
    unlinkat(dir.get(), name.c_str(), 0);
    SetErrno(err, whatTo);
  }
}

bool FolderItem::MoveTo(const Ref<FolderItem>& target) {
  ClearError();
  const std::string what = "Cannot move " + Quoted(path_);
  if (!target) {
    SetError(FileErrors::DestinationMissing, what + ": no destination was given.");
    return false;
  }
  platform::AtPath from(path_);
  platform::AtPath to(target->path_);
  if (renameat(from.dir(), from.name(), to.dir(), to.name()) != 0) {
    const int err = from.error() ? from.error() : to.Errno();
    SetErrno(err, what + " to " + Quoted(target->path_), Exists());
    return false;
  }
  return true;
}

bool FolderItem::Delete() {
  ClearError();
  const std::string what = "Cannot delete " + Quoted(path_);
  platform::AtPath at(path_);
  struct stat st;
  if (fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    SetErrno(at.Errno(), what);
    return false;
  }
  if (unlinkat(at.dir(), at.name(), S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0) != 0) {
    SetErrno(at.Errno(), what);
    return false;
  }
  return true;
}

bool FolderItem::CreateAsFolder() {
  ClearError();
  platform::AtPath at(path_);
  if (mkdirat(at.dir(), at.name(), 0777) != 0) {
    SetErrno(at.Errno(), "Cannot create the folder " + Quoted(path_), true);
    return false;
  }
  return true;
}

int FolderItem::OpenFile(int flags, const char* action) {
  ClearError();
  const std::string what = std::string("Cannot ") + action + " " + Quoted(path_);
  platform::AtPath at(path_);
  int fd = openat(at.dir(), at.name(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    SetErrno(at.Errno(), what, (flags & O_CREAT) != 0);
    return -1;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    SetError(FileErrors::NotAFile, what + ": it is not a regular file.");
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

Ref<TextOutputStream> FolderItem::CreateTextFile() {
  int fd = OpenFile(O_WRONLY | O_CREAT | O_TRUNC, "create");
  if (fd < 0) return nullptr;
  return Ref<TextOutputStream>::New(fd);
}

Ref<TextInputStream> FolderItem::OpenAsTextFile() {
  int fd = OpenFile(O_RDONLY, "open");
  if (fd < 0) return nullptr;
  return Ref<TextInputStream>::New(fd);
}

Ref<BinaryStream> FolderItem::OpenAsBinaryFile(bool readWrite) {
  int fd = OpenFile(readWrite ? O_RDWR : O_RDONLY, "open");
  if (fd < 0) return nullptr;
  return Ref<BinaryStream>::New(fd, readWrite);
}

Ref<BinaryStream> FolderItem::CreateBinaryFile() {
  int fd = OpenFile(O_RDWR | O_CREAT | O_TRUNC, "create");
  if (fd < 0) return nullptr;
  return Ref<BinaryStream>::New(fd, true);
}

Ref<FolderItem> GetFolderItem(const String& path, int pathType) {
  std::string bytes = path.PathBytes();
  if (bytes.empty() || bytes.find('\0') != std::string::npos) return nullptr;
  auto item = Ref<FolderItem>::New(std::move(bytes));
  if (item->Path() == "/") return item;
  struct stat st;
  if (platform::StatPath(ParentPath(item->Path()), &st, true) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
  return item;
}

Ref<FolderItem> Volume(int index) {
  if (index != 0) return nullptr;
  return Ref<FolderItem>::New("/");
}

Ref<FolderItem> SpecialFolderDocuments() {
  struct stat st;
  if (stat("/Documents", &st) == 0 && S_ISDIR(st.st_mode)) {
    return Ref<FolderItem>::New("/Documents");
  }
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return Ref<FolderItem>::New(home);
  struct passwd pw;
  struct passwd* found = nullptr;
  char buf[4096];
  if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/') {
    return Ref<FolderItem>::New(found->pw_dir);
  }
  return Ref<FolderItem>::New("/");
}

}  // namespace rb

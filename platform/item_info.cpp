// Dates, statx, extended attributes and FSCatalogInfo filling.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "platform/catalog_internal.h"
#include "platform/name_codec.h"

// The *at forms of the extended attribute calls (Linux 6.13); the same
// numbers on every architecture with the shared system call table.
#ifndef SYS_getxattrat
#define SYS_getxattrat 464
#endif
#ifndef SYS_listxattrat
#define SYS_listxattrat 465
#endif

namespace platform {

namespace {

constexpr char kFinderInfoAttr[] = "user.com.apple.FinderInfo";
constexpr char kRsrcForkAttr[] = "user.com.apple.ResourceFork";

struct XattrArgs {
  uint64_t value;
  uint32_t size;
  uint32_t flags;
};
static_assert(sizeof(XattrArgs) == 16, "struct xattr_args, first version");

// Set once the kernel has answered ENOSYS to an *at call.
std::atomic<bool> g_xattrPathCalls{false};

uint16_t LoadBE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t LoadBE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
void Put16(uint8_t* out, const uint8_t* in) {
  uint16_t v = LoadBE16(in);
  std::memcpy(out, &v, 2);
}
void Put32(uint8_t* out, const uint8_t* in) {
  uint32_t v = LoadBE32(in);
  std::memcpy(out, &v, 4);
}

// Builds the full path for the older calls only when needed.
class ItemPath {
 public:
  ItemPath(int dirfd, const char* name, std::string_view folder)
      : dirfd_(dirfd), name_(name), folder_(folder) {}
  const char* Get() {
    if (dirfd_ == AT_FDCWD || name_[0] == '/') return name_;
    if (full_.empty()) {
      // Through the open folder when its path is unknown or too long.
      if (!folder_.empty() && folder_.size() + std::strlen(name_) + 2 < PATH_MAX)
        full_ = JoinPath(folder_, name_);
      else
        full_ = "/proc/self/fd/" + std::to_string(dirfd_) + "/" + name_;
    }
    return full_.c_str();
  }

 private:
  int dirfd_;
  const char* name_;
  std::string_view folder_;
  std::string full_;
};

ssize_t ListXattrs(int dirfd, const char* name, ItemPath& path, char* list, size_t size) {
  if (!g_xattrPathCalls.load(std::memory_order_relaxed)) {
    long n = syscall(SYS_listxattrat, dirfd, name, AT_SYMLINK_NOFOLLOW, list, size);
    if (n >= 0 || errno != ENOSYS) return n;
    g_xattrPathCalls.store(true, std::memory_order_relaxed);
  }
  return llistxattr(path.Get(), list, size);
}

ssize_t GetXattr(int dirfd, const char* name, ItemPath& path, const char* attr,
                 void* value, size_t size) {
  if (!g_xattrPathCalls.load(std::memory_order_relaxed)) {
    XattrArgs args{reinterpret_cast<uintptr_t>(value), static_cast<uint32_t>(size), 0};
    long n = syscall(SYS_getxattrat, dirfd, name, AT_SYMLINK_NOFOLLOW, attr, &args, sizeof args);
    if (n >= 0 || errno != ENOSYS) return n;
    g_xattrPathCalls.store(true, std::memory_order_relaxed);
  }
  return lgetxattr(path.Get(), attr, value, size);
}

bool IsNotSupported(int err) { return err == ENOTSUP || err == EOPNOTSUPP; }

}  // namespace

void SetXattrPathCallsForTesting(bool on) {
  g_xattrPathCalls.store(on, std::memory_order_relaxed);
}

UTCDateTime ToUTCDateTime(int64_t unixSeconds) {
  int64_t v = unixSeconds + kUnixTo1904;
  if (v < 0) v = 0;
  if (v > int64_t{0xFFFFFFFFFFFF}) v = int64_t{0xFFFFFFFFFFFF};
  UTCDateTime d;
  d.highSeconds = static_cast<uint16_t>(v >> 32);
  d.lowSeconds = static_cast<uint32_t>(v & 0xFFFFFFFF);
  d.fraction = 0;
  return d;
}

uint32_t ToLocal1904(int64_t unixSeconds) {
  int64_t v = unixSeconds + kUnixTo1904 + PlatformLocalTimeOffset();
  if (v < 0) return 0;
  if (v > int64_t{0xFFFFFFFF}) return 0xFFFFFFFF;
  return static_cast<uint32_t>(v);
}

int StatItem(int dirfd, const char* name, struct statx* stx) {
  constexpr unsigned kMask = STATX_BASIC_STATS | STATX_BTIME;
  int r;
  do {
    r = statx(dirfd, name, AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC, kMask, stx);
  } while (r < 0 && errno == EINTR);
  return r == 0 ? 0 : errno;
}

int64_t CreationSeconds(const struct statx& stx) {
  return (stx.stx_mask & STATX_BTIME) ? stx.stx_btime.tv_sec : stx.stx_mtime.tv_sec;
}

int ReadXattrs(int dirfd, const char* name, std::string_view folderPath,
               bool wantFinderInfo, bool wantRsrcLength, XattrInfo* out) {
  *out = XattrInfo{};
  if (!wantFinderInfo && !wantRsrcLength) return 0;
  ItemPath path(dirfd, name, folderPath);

  char small[1024];
  std::unique_ptr<char[]> big;
  char* list = small;
  ssize_t n = ListXattrs(dirfd, name, path, small, sizeof small);
  while (n < 0 && errno == ERANGE) {
    ssize_t need = ListXattrs(dirfd, name, path, nullptr, 0);
    if (need <= 0) break;
    big.reset(new (std::nothrow) char[need]);
    if (!big) return 0;
    list = big.get();
    n = ListXattrs(dirfd, name, path, list, static_cast<size_t>(need));
  }
  if (n < 0) return IsNotSupported(errno) ? ENOTSUP : 0;

  bool hasFinder = false, hasRsrc = false;
  for (ssize_t i = 0; i < n;) {
    const char* attr = list + i;
    size_t len = strnlen(attr, static_cast<size_t>(n - i));
    if (len == sizeof kFinderInfoAttr - 1 && std::memcmp(attr, kFinderInfoAttr, len) == 0) hasFinder = true;
    if (len == sizeof kRsrcForkAttr - 1 && std::memcmp(attr, kRsrcForkAttr, len) == 0) hasRsrc = true;
    i += static_cast<ssize_t>(len) + 1;
  }

  if (wantFinderInfo && hasFinder) {
    ssize_t got = GetXattr(dirfd, name, path, kFinderInfoAttr, out->finderInfo, sizeof out->finderInfo);
    if (got < 0 && errno == ERANGE) {
      // Longer than usual: only the first 32 bytes matter.
      ssize_t need = GetXattr(dirfd, name, path, kFinderInfoAttr, nullptr, 0);
      if (need > 0) {
        std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[need]);
        if (buf) {
          got = GetXattr(dirfd, name, path, kFinderInfoAttr, buf.get(), static_cast<size_t>(need));
          if (got > 0) std::memcpy(out->finderInfo, buf.get(), sizeof out->finderInfo);
        }
      }
    }
    if (got > 0) {
      if (static_cast<size_t>(got) < sizeof out->finderInfo)
        std::memset(out->finderInfo + got, 0, sizeof out->finderInfo - static_cast<size_t>(got));
      out->hasFinderInfo = true;
    } else {
      std::memset(out->finderInfo, 0, sizeof out->finderInfo);
    }
  }
  if (wantRsrcLength && hasRsrc) {
    ssize_t len = GetXattr(dirfd, name, path, kRsrcForkAttr, nullptr, 0);
    if (len > 0) out->rsrcLength = static_cast<uint64_t>(len);
  }
  return 0;
}

void FinderInfoToHost(const uint8_t s[32], bool isFolder, uint8_t out[32]) {
  if (isFolder) {
    // rect (4 x i16), flags, location v, h, reserved
    for (int i = 0; i < 16; i += 2) Put16(out + i, s + i);
    // scroll v, h, reserved i32, extended flags, reserved, put-away folder
    Put16(out + 16, s + 16);
    Put16(out + 18, s + 18);
    Put32(out + 20, s + 20);
    Put16(out + 24, s + 24);
    Put16(out + 26, s + 26);
    Put32(out + 28, s + 28);
  } else {
    // type, creator, flags, location v, h, folder
    Put32(out + 0, s + 0);
    Put32(out + 4, s + 4);
    for (int i = 8; i < 16; i += 2) Put16(out + i, s + i);
    // reserved (4 x i16), extended flags, reserved, put-away folder
    for (int i = 16; i < 28; i += 2) Put16(out + i, s + i);
    Put32(out + 28, s + 28);
  }
}

uint32_t CountFolderItems(int dirfd, const char* path) {
  int fd = OpenFolder(dirfd, path);
  if (fd < 0) return 0;
  DirReader reader(fd);
  DirEntry e;
  uint32_t count = 0;
  while (reader.Next(&e) > 0) ++count;
  return count;
}

void FillCatalogInfo(FSCatalogInfoBitmap which, const ItemFacts& f, FSCatalogInfo* info) {
  const struct statx* stx = f.stx;
  if (which & kFSCatInfoTextEncoding) info->textEncodingHint = 0;
  if (which & kFSCatInfoNodeFlags) {
    uint16_t flags = f.isFolder ? kFSNodeIsDirectoryMask : 0;
    if (stx && (stx->stx_attributes & STATX_ATTR_IMMUTABLE)) flags |= kFSNodeLockedMask;
    info->nodeFlags = flags;
  }
  if (which & kFSCatInfoVolume) info->volume = -1;
  if (which & kFSCatInfoParentDirID) info->parentDirID = f.isRoot ? kRootParentId : f.parentId;
  if (which & kFSCatInfoNodeID) info->nodeID = f.isRoot ? kRootFolderId : NodeIdFor(f.inode);
  const UTCDateTime zero{0, 0, 0};
  if (which & kFSCatInfoCreateDate) info->createDate = stx ? ToUTCDateTime(CreationSeconds(*stx)) : zero;
  if (which & kFSCatInfoContentMod) info->contentModDate = stx ? ToUTCDateTime(stx->stx_mtime.tv_sec) : zero;
  if (which & kFSCatInfoAttrMod) info->attributeModDate = stx ? ToUTCDateTime(stx->stx_ctime.tv_sec) : zero;
  if (which & kFSCatInfoAccessDate) info->accessDate = stx ? ToUTCDateTime(stx->stx_atime.tv_sec) : zero;
  if (which & kFSCatInfoBackupDate) info->backupDate = zero;
  if (which & kFSCatInfoPermissions) {
    info->permissions[0] = stx ? stx->stx_uid : 0;
    info->permissions[1] = stx ? stx->stx_gid : 0;
    info->permissions[2] = stx ? stx->stx_mode : 0;
    info->permissions[3] = 0;
  }
  if (which & (kFSCatInfoFinderInfo | kFSCatInfoFinderXInfo)) {
    uint8_t host[32] = {};
    if (f.xattrs && f.xattrs->hasFinderInfo) FinderInfoToHost(f.xattrs->finderInfo, f.isFolder, host);
    if (which & kFSCatInfoFinderInfo) std::memcpy(info->finderInfo, host, 16);
    if (which & kFSCatInfoFinderXInfo) std::memcpy(info->extFinderInfo, host + 16, 16);
  }
  if (which & kFSCatInfoValence) info->valence = f.isFolder ? f.valence : 0;
  if (which & kFSCatInfoDataSizes) {
    bool has = stx && !f.isFolder;
    info->dataLogicalSize = has ? stx->stx_size : 0;
    info->dataPhysicalSize = has ? stx->stx_blocks * 512 : 0;
  }
  if (which & kFSCatInfoRsrcSizes) {
    uint64_t len = (f.xattrs && !f.isFolder) ? f.xattrs->rsrcLength : 0;
    uint64_t block = (stx && stx->stx_blksize) ? stx->stx_blksize : 4096;
    info->rsrcLogicalSize = len;
    info->rsrcPhysicalSize = (len + block - 1) / block * block;
  }
}

void FillUniName(std::string_view nameBytes, HFSUniStr255* out) {
  std::memset(out, 0, sizeof *out);
  size_t n = 0;
  char32_t cp;
  for (size_t i = 0; i < nameBytes.size();) {
    size_t len = DecodeUtf8At(nameBytes, i, &cp);
    if (len == 0) {
      cp = 0xDC00 + static_cast<uint8_t>(nameBytes[i]);
      len = 1;
    }
    if (cp >= 0x10000) {
      if (n + 2 > 255) break;
      cp -= 0x10000;
      out->unicode[n++] = static_cast<UniChar>(0xD800 + (cp >> 10));
      out->unicode[n++] = static_cast<UniChar>(0xDC00 + (cp & 0x3FF));
    } else {
      if (n + 1 > 255) break;
      out->unicode[n++] = static_cast<UniChar>(cp);
    }
    i += len;
  }
  out->length = static_cast<uint16_t>(n);
}

}  // namespace platform

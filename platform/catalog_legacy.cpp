// Older catalog calls: items of a folder by index or name, volume info.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "platform/catalog.h"
#include "platform/at_path.h"
#include "platform/catalog_internal.h"

using namespace platform;

namespace {

constexpr uint8_t kAttribLocked = 0x01;
constexpr uint8_t kAttribFolder = 0x10;

// The items of the folder last read by index, so that walking indexes
// 1..n reads the folder once.
struct Listing {
  struct Item {
    std::string name;
    uint64_t inode;
    uint8_t type;
  };
  bool valid = false;
  uint32_t folderId = 0;
  std::vector<Item> items;
};

std::mutex g_listingMutex;
Listing& CachedListing() {
  static Listing* listing = new Listing();
  return *listing;
}

OSErr ReadListing(uint32_t folderId, const std::string& path, Listing* listing) {
  listing->valid = false;
  listing->items.clear();
  int fd = OpenFolderPath(path);
  if (fd < 0) {
    int err = errno;
    return (err == ENOTDIR || err == ELOOP) ? OSErr(dirNFErr) : FolderOpenError(err);
  }
  DirReader reader(fd);
  DirEntry e;
  int r;
  while ((r = reader.Next(&e)) > 0)
    listing->items.push_back(Listing::Item{std::string(e.name), e.inode, e.type});
  if (r < 0) {
    listing->items.clear();
    return FolderOpenError(-r);
  }
  listing->folderId = folderId;
  listing->valid = true;
  return noErr;
}

int32_t Clamp32(uint64_t v) {
  return v > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())
             ? std::numeric_limits<int32_t>::max()
             : static_cast<int32_t>(v);
}

void WriteStr63(StringPtr out, const std::string& mr) {
  if (!out) return;
  size_t n = mr.size() > 63 ? 63 : mr.size();
  out[0] = static_cast<unsigned char>(n);
  std::memcpy(out + 1, mr.data(), n);
}

// What the older calls report about one item.
struct OldInfo {
  bool isFolder = false;
  uint8_t attrib = 0;
  FInfo finder{};
  int32_t lgLen = 0, pyLen = 0, rLgLen = 0, rPyLen = 0;
  uint32_t crDat = 0, mdDat = 0;
};

// Reads an item's information. With tolerateMissing, an item that cannot
// be examined answers what typeHint says and zeros.
OSErr ReadOldInfo(const std::string& path, uint8_t typeHint, bool tolerateMissing, OldInfo* out) {
  AtPath at(path);
  struct statx stx;
  int err = at.error() ? at.error() : StatItem(at.dir(), at.name(), &stx);
  if (err != 0) {
    if (!tolerateMissing) return ItemError(err);
    out->isFolder = typeHint == DT_DIR;
    out->attrib = out->isFolder ? kAttribFolder : 0;
    return noErr;
  }
  out->isFolder = S_ISDIR(stx.stx_mode);
  out->attrib = out->isFolder ? kAttribFolder : 0;
  if (stx.stx_attributes & STATX_ATTR_IMMUTABLE) out->attrib |= kAttribLocked;
  XattrInfo xattrs;
  if (!S_ISLNK(stx.stx_mode)) ReadXattrs(at.dir(), at.name(), {}, true, !out->isFolder, &xattrs);
  if (xattrs.hasFinderInfo) {
    uint8_t host[32];
    FinderInfoToHost(xattrs.finderInfo, out->isFolder, host);
    static_assert(sizeof(FInfo) == 16, "FInfo size");
    std::memcpy(&out->finder, host, sizeof(FInfo));
  }
  if (!out->isFolder) {
    out->lgLen = Clamp32(stx.stx_size);
    out->pyLen = Clamp32(stx.stx_blocks * 512);
    uint64_t block = stx.stx_blksize ? stx.stx_blksize : 4096;
    out->rLgLen = Clamp32(xattrs.rsrcLength);
    out->rPyLen = Clamp32((xattrs.rsrcLength + block - 1) / block * block);
  }
  out->crDat = ToLocal1904(CreationSeconds(stx));
  out->mdDat = ToLocal1904(stx.stx_mtime.tv_sec);
  return noErr;
}

// Both parameter blocks carry the same file fields.
template <class ParamBlock>
void StoreFileInfo(const OldInfo& info, ParamBlock* pb) {
  pb->ioVRefNum = -1;
  pb->ioFlAttrib = info.attrib;
  pb->ioFlFndrInfo = info.finder;
  pb->ioFlLgLen = info.lgLen;
  pb->ioFlPyLen = info.pyLen;
  pb->ioFlRLgLen = info.rLgLen;
  pb->ioFlRPyLen = info.rPyLen;
  pb->ioFlCrDat = info.crDat;
  pb->ioFlMdDat = info.mdDat;
}

void StoreCatInfo(const OldInfo& info, CInfoPBRec* pb) {
  StoreFileInfo(info, pb);
  pb->ioDrNmFls = 0;
}

// The folder ioDirID itself.
OSErr CatInfoOfFolder(uint32_t folderId, const std::string& path, CInfoPBRec* pb) {
  OldInfo info;
  OSErr err = ReadOldInfo(path, DT_DIR, false, &info);
  if (err != noErr) return err;
  if (!info.isFolder) return dirNFErr;
  StoreCatInfo(info, pb);
  AtPath at(path);
  uint32_t count = CountFolderItems(at.dir(), at.name());
  pb->ioDrNmFls = count > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(count);
  pb->ioDirID = static_cast<int32_t>(folderId);
  if (folderId == kRootFolderId) {
    pb->ioFlParID = kRootParentId;
    WriteStr63(pb->ioNamePtr, "/");
  } else {
    std::string_view parent, name;
    SplitPath(path, &parent, &name);
    pb->ioFlParID = static_cast<int32_t>(RegisterFolder(parent));
    struct stat st;
    uint64_t inode = fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) == 0 ? st.st_ino : 0;
    WriteStr63(pb->ioNamePtr, SpecNameFor(name, inode));
  }
  return noErr;
}

OSErr CatInfoOfItem(uint32_t folderId, const std::string& folder, const std::string& name,
                    uint64_t inode, uint8_t typeHint, bool tolerateMissing, CInfoPBRec* pb) {
  std::string path = JoinPath(folder, name);
  OldInfo info;
  OSErr err = ReadOldInfo(path, typeHint, tolerateMissing, &info);
  if (err != noErr) return err;
  if (inode == 0) {
    struct stat st;
    if (StatPath(path, &st, false) == 0) inode = st.st_ino;
  }
  StoreCatInfo(info, pb);
  pb->ioFlParID = static_cast<int32_t>(folderId);
  if (info.isFolder) pb->ioDirID = static_cast<int32_t>(RegisterChildFolder(folderId, name, inode));
  WriteStr63(pb->ioNamePtr, SpecNameFor(name, inode));
  return noErr;
}

OSErr GetCatInfo(CInfoPBRec* pb) {
  if (pb->ioDirID <= 0) return dirNFErr;
  auto folderId = static_cast<uint32_t>(pb->ioDirID);
  const std::string* folder = FolderPath(folderId);
  if (!folder || folderId == kRootParentId) return dirNFErr;

  if (pb->ioFDirIndex > 0) {
    std::lock_guard<std::mutex> lock(g_listingMutex);
    Listing& listing = CachedListing();
    if (pb->ioFDirIndex == 1 || !listing.valid || listing.folderId != folderId) {
      OSErr err = ReadListing(folderId, *folder, &listing);
      if (err != noErr) return err;
    }
    auto index = static_cast<size_t>(pb->ioFDirIndex);
    if (index > listing.items.size()) return fnfErr;
    const Listing::Item& item = listing.items[index - 1];
    return CatInfoOfItem(folderId, *folder, item.name, item.inode, item.type, true, pb);
  }

  std::string_view mr;
  if (pb->ioFDirIndex == 0 && pb->ioNamePtr && pb->ioNamePtr[0] > 0)
    mr = std::string_view(reinterpret_cast<const char*>(pb->ioNamePtr + 1), pb->ioNamePtr[0]);
  if (mr.empty()) return CatInfoOfFolder(folderId, *folder, pb);

  std::string name;
  OSErr err = ResolveSpecName(folderId, mr, &name);
  if (err != noErr) return err;
  return CatInfoOfItem(folderId, *folder, name, 0, DT_UNKNOWN, false, pb);
}

OSErr GetFInfo(HParamBlockRec* pb) {
  if (pb->ioFDirIndex > 0) return paramErr;  // by name only
  if (!pb->ioNamePtr || pb->ioNamePtr[0] == 0) return paramErr;
  if (pb->ioDirID <= 0) return dirNFErr;
  auto folderId = static_cast<uint32_t>(pb->ioDirID);
  const std::string* folder = FolderPath(folderId);
  if (!folder || folderId == kRootParentId) return dirNFErr;
  std::string_view mr(reinterpret_cast<const char*>(pb->ioNamePtr + 1), pb->ioNamePtr[0]);
  std::string name;
  OSErr err = ResolveSpecName(folderId, mr, &name);
  if (err != noErr) return err;
  OldInfo info;
  err = ReadOldInfo(JoinPath(*folder, name), DT_UNKNOWN, false, &info);
  if (err != noErr) return err;
  if (info.isFolder) return fnfErr;  // files only
  StoreFileInfo(info, pb);
  return noErr;
}

OSErr GetVInfo(HParamBlockRec* pb) {
  if (pb->ioVolIndex > 1) return nsvErr;  // one volume: "/"
  struct statx stx;
  int err = StatItem(AT_FDCWD, "/", &stx);
  if (err != 0) return ItemError(err);
  struct statvfs vfs;
  uint64_t block = statvfs("/", &vfs) == 0 ? vfs.f_bsize : 4096;
  uint32_t files = 0;
  if (int fd = OpenFolder(AT_FDCWD, "/"); fd >= 0) {
    DirReader reader(fd);
    DirEntry e;
    while (reader.Next(&e) > 0)
      if (e.type != DT_DIR) ++files;
  }
  if (pb->ioNamePtr) {
    pb->ioNamePtr[0] = 1;
    pb->ioNamePtr[1] = '/';
  }
  pb->ioVRefNum = -1;
  pb->ioVCrDate = ToLocal1904(CreationSeconds(stx));
  pb->ioVNmFls = files > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(files);
  pb->ioVAlBlkSiz = block > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(block);
  return noErr;
}

}  // namespace

extern "C" {

OSErr PBGetCatInfoSync(CInfoPBPtr pb) {
  if (!pb) return paramErr;
  OSErr err = Guard([&] { return GetCatInfo(pb); }, memFullErr);
  pb->ioResult = err;
  return err;
}

OSErr PBHGetFInfoSync(HParmBlkPtr pb) {
  if (!pb) return paramErr;
  OSErr err = Guard([&] { return GetFInfo(pb); }, memFullErr);
  pb->ioResult = err;
  return err;
}

OSErr PBHGetVInfoSync(HParmBlkPtr pb) {
  if (!pb) return paramErr;
  OSErr err = Guard([&] { return GetVInfo(pb); }, memFullErr);
  pb->ioResult = err;
  return err;
}

int32_t PlatformLocalTimeOffset(void) {
  time_t now = time(nullptr);
  struct tm local;
  if (!localtime_r(&now, &local)) return 0;
  return static_cast<int32_t>(local.tm_gmtoff);
}

}  // extern "C"

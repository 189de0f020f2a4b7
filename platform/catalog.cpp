// Catalog calls: iterators, item information and path conversions.
#include "platform/catalog.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "platform/at_path.h"
#include "platform/catalog_internal.h"
#include "platform/name_codec.h"

using namespace platform;

static_assert(sizeof(FSRef) == 80, "FSRef size");
static_assert(sizeof(FSSpec) == 70, "FSSpec size");
static_assert(sizeof(HFSUniStr255) == 512, "HFSUniStr255 size");
static_assert(sizeof(UTCDateTime) == 8, "UTCDateTime size");
static_assert(sizeof(FSCatalogInfo) == 144, "FSCatalogInfo size");
static_assert(offsetof(FSCatalogInfo, finderInfo) == 72, "FSCatalogInfo layout");
static_assert(offsetof(FSCatalogInfo, dataLogicalSize) == 104, "FSCatalogInfo layout");

struct OpaqueFSIterator {
  OpaqueFSIterator(int fd, uint32_t id, const std::string* path)
      : reader(fd), folderId(id), folderPath(path) {}
  DirReader reader;
  uint32_t folderId;
  const std::string* folderPath;
  bool skipXattrs = false;  // the file system has no extended attributes
};

namespace {

std::atomic<bool> g_fspMakeFSRefFails{false};

OSStatus CopyPath(const std::string& path, uint8_t* out, uint32_t maxPathSize) {
  if (!out) return paramErr;
  if (path.size() + 1 > maxPathSize) return paramErr;
  std::memcpy(out, path.c_str(), path.size() + 1);
  return noErr;
}

}  // namespace

extern "C" {

OSErr FSOpenIterator(const FSRef* container, FSIteratorFlags flags, FSIterator* iterator) {
  return Guard([&]() -> OSErr {
    if (!iterator) return paramErr;
    *iterator = nullptr;
    if (flags != kFSIterateFlat) return errFSBadIteratorFlags;
    RefData d;
    if (!DecodeRef(container, &d)) return errFSBadFSRef;
    std::string path;
    OSErr err = RefPath(d, &path);
    if (err != noErr) return err == fnfErr ? OSErr(dirNFErr) : err;
    int fd = OpenFolderPath(path);
    if (fd < 0) return FolderOpenError(errno);
    uint32_t id;
    try {
      id = RegisterFolder(path);
    } catch (...) {
      close(fd);
      throw;
    }
    NoteFolderInode(id, d.inode);
    auto* it = new (std::nothrow) OpaqueFSIterator(fd, id, FolderPath(id));
    if (!it) {
      close(fd);
      return memFullErr;
    }
    if (!it->reader.ok()) {
      delete it;
      return memFullErr;
    }
    *iterator = it;
    return noErr;
  }, memFullErr);
}

OSErr FSCloseIterator(FSIterator iterator) {
  if (!iterator) return paramErr;
  delete iterator;
  return noErr;
}

OSErr FSGetCatalogInfoBulk(FSIterator it, ItemCount maximumObjects, ItemCount* actualObjects,
                           Boolean* containerChanged, FSCatalogInfoBitmap which,
                           FSCatalogInfo* infos, FSRef* refs, FSSpec* specs,
                           HFSUniStr255* names) {
  if (actualObjects) *actualObjects = 0;
  if (containerChanged) *containerChanged = false;
  if (!it) return paramErr;
  if (maximumObjects == 0) return errFSBadItemCount;
  return Guard([&]() -> OSErr {
    const bool wantStat = infos && (which & kStatInfo);
    const bool wantKind = infos && (which & kKindInfo);
    const bool wantFinder = infos && (which & (kFSCatInfoFinderInfo | kFSCatInfoFinderXInfo));
    const bool wantRsrc = infos && (which & kFSCatInfoRsrcSizes);
    const bool wantValence = infos && (which & kFSCatInfoValence);
    const int dirfd = it->reader.fd();
    ItemCount n = 0;
    while (n < maximumObjects) {
      DirEntry e;
      int r = it->reader.Next(&e);
      if (r == 0) break;
      if (r < 0) {
        if (n == 0) return FolderOpenError(-r);
        break;  // reported by the next call
      }
      const char* name = e.name.data();  // zero-terminated in the record
      struct statx stx;
      bool haveStat = false;
      if (wantStat || (wantKind && e.type == DT_UNKNOWN)) {
        int err = StatItem(dirfd, name, &stx);
        if (err == ENOENT) continue;  // removed since the folder was read
        haveStat = err == 0;
      }
      const bool isFolder = haveStat ? S_ISDIR(stx.stx_mode) : e.type == DT_DIR;
      const bool isLink = haveStat ? S_ISLNK(stx.stx_mode) : e.type == DT_LNK;

      XattrInfo xattrs;
      bool haveXattrs = false;
      const bool rsrcHere = wantRsrc && !isFolder;
      if ((wantFinder || rsrcHere) && !isLink && !it->skipXattrs) {
        if (ReadXattrs(dirfd, name, *it->folderPath, wantFinder, rsrcHere, &xattrs) == ENOTSUP)
          it->skipXattrs = true;
        else
          haveXattrs = true;
      }
      // A subfolder that an FSRef or FSSpec cannot name by its whole name
      // is remembered, so that it is found again without reading this
      // folder once more.
      if (isFolder && NameNeedsLookup(e.name)) RegisterChildFolder(it->folderId, e.name, e.inode);
      if (infos) {
        ItemFacts f;
        f.isFolder = isFolder;
        f.parentId = it->folderId;
        f.inode = e.inode;
        f.stx = haveStat ? &stx : nullptr;
        f.xattrs = haveXattrs ? &xattrs : nullptr;
        if (wantValence && isFolder) f.valence = CountFolderItems(dirfd, name);
        FillCatalogInfo(which, f, &infos[n]);
      }
      if (refs) EncodeRef(it->folderId, e.inode, e.name, &refs[n]);
      if (specs) MakeSpec(it->folderId, e.name, e.inode, &specs[n]);
      if (names) FillUniName(e.name, &names[n]);
      ++n;
    }
    if (actualObjects) *actualObjects = n;
    return n == 0 ? errFSNoMoreItems : noErr;
  }, memFullErr);
}

OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap which, FSCatalogInfo* info,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef) {
  return Guard([&]() -> OSErr {
    RefData d;
    if (!DecodeRef(ref, &d)) return errFSBadFSRef;
    const bool isRoot = RefIsRoot(d);
    std::string path;
    bool havePath = false;
    auto getPath = [&]() -> OSErr {
      if (havePath) return noErr;
      OSErr err = RefPath(d, &path);
      havePath = err == noErr;
      return err;
    };
    std::string name;
    bool haveName = false;
    auto getName = [&]() -> OSErr {
      if (haveName) return noErr;
      OSErr err = RefName(d, &name);
      haveName = err == noErr;
      return err;
    };

    if (which == kFSCatInfoNone && !info && !outName && !fsSpec && !parentRef) {
      OSErr err = getPath();
      if (err != noErr) return err;
      struct stat st;
      const int e = StatPath(path, &st, false);
      return e == 0 ? OSErr(noErr) : ItemError(e);
    }

    uint64_t inode = d.inode;
    if (info && which != kFSCatInfoNone) {
      struct statx stx;
      bool haveStat = false;
      bool needStat = (which & (kStatInfo | kKindInfo)) != 0 ||
                      ((which & kFSCatInfoNodeID) && inode == 0 && !isRoot);
      if (needStat) {
        OSErr err = getPath();
        if (err != noErr) return err;
        AtPath at(path);
        int e = at.error() ? at.error() : StatItem(at.dir(), at.name(), &stx);
        if (e != 0) return ItemError(e);
        haveStat = true;
        if (inode == 0) inode = stx.stx_ino;
      }
      const bool isFolder = isRoot || (haveStat && S_ISDIR(stx.stx_mode));
      const bool isLink = haveStat && S_ISLNK(stx.stx_mode);
      const bool wantFinder = which & (kFSCatInfoFinderInfo | kFSCatInfoFinderXInfo);
      const bool wantRsrc = (which & kFSCatInfoRsrcSizes) && !isFolder;
      XattrInfo xattrs;
      bool haveXattrs = false;
      if ((wantFinder || wantRsrc) && !isLink) {
        OSErr err = getPath();
        if (err != noErr) return err;
        AtPath at(path);
        ReadXattrs(at.dir(), at.name(), {}, wantFinder, wantRsrc, &xattrs);
        haveXattrs = true;
      }
      ItemFacts f;
      f.isRoot = isRoot;
      f.isFolder = isFolder;
      f.parentId = d.parent;
      f.inode = inode;
      f.stx = haveStat ? &stx : nullptr;
      f.xattrs = haveXattrs ? &xattrs : nullptr;
      if ((which & kFSCatInfoValence) && isFolder) {
        OSErr err = getPath();
        if (err != noErr) return err;
        AtPath at(path);
        f.valence = CountFolderItems(at.dir(), at.name());
      }
      FillCatalogInfo(which, f, info);
    }

    if (outName) {
      OSErr err = getName();
      if (err != noErr) return err;
      FillUniName(name, outName);
    }

    if (fsSpec) {
      if (isRoot) {
        MakeRootSpec(fsSpec);
      } else {
        OSErr err = getName();
        if (err != noErr) return err;
        if (inode == 0 && NeedsInodeForSpec(name)) {
          err = getPath();
          if (err != noErr) return err;
          struct stat st;
          if (int e = StatPath(path, &st, false)) return ItemError(e);
          inode = st.st_ino;
        }
        MakeSpec(d.parent, name, inode, fsSpec);
      }
    }

    if (parentRef) {
      if (isRoot) {
        std::memset(parentRef, 0, sizeof *parentRef);
      } else if (d.parent == kRootFolderId) {
        MakeRootRef(parentRef);
      } else {
        const std::string* folder = FolderPath(d.parent);
        if (!folder) return errFSBadFSRef;
        uint64_t folderInode = FolderInode(d.parent);
        std::string_view grand, folderName;
        SplitPath(*folder, &grand, &folderName);
        if (folderInode == 0 && folderName.size() > kRefNameBytes) {
          struct stat st;
          if (int e = StatPath(*folder, &st, false)) return ItemError(e);
          folderInode = st.st_ino;
          NoteFolderInode(d.parent, folderInode);
        }
        OSErr err = RefFromPath(*folder, folderInode, parentRef);
        if (err != noErr) return err;
      }
    }
    return noErr;
  }, memFullErr);
}

OSErr FSpMakeFSRef(const FSSpec* source, FSRef* newRef) {
  if (g_fspMakeFSRefFails.load(std::memory_order_relaxed)) return paramErr;
  if (!source || !newRef) return paramErr;
  return Guard([&]() -> OSErr {
    std::string path;
    OSErr err = SpecPath(source, &path);
    if (err != noErr) return err;
    struct stat st;
    if (int e = StatPath(path, &st, false)) return ItemError(e);
    return RefFromPath(path, st.st_ino, newRef);
  }, memFullErr);
}

OSErr FSMakeFSRefUnicode(const FSRef* parentRef, ItemCount nameLength, const UniChar* name,
                         uint32_t textEncodingHint, FSRef* newRef) {
  if (!newRef || (nameLength > 0 && !name) || nameLength > 255) return paramErr;
  return Guard([&]() -> OSErr {
    RefData d;
    if (!DecodeRef(parentRef, &d)) return errFSBadFSRef;
    std::string folder;
    OSErr err = RefPath(d, &folder);
    if (err != noErr) return err;
    std::string bytes;
    if (!Utf16ToNameBytesExact(std::u16string_view(reinterpret_cast<const char16_t*>(name), nameLength), &bytes) ||
        !IsValidName(bytes) || bytes.size() > 255)
      return paramErr;
    struct stat st;
    if (int e = StatPath(JoinPath(folder, bytes), &st, false)) return ItemError(e);
    EncodeRef(RegisterFolder(folder), st.st_ino, bytes, newRef);
    return noErr;
  }, memFullErr);
}

OSStatus FSRefMakePath(const FSRef* ref, uint8_t* path, uint32_t maxPathSize) {
  return Guard([&]() -> OSStatus {
    RefData d;
    if (!DecodeRef(ref, &d)) return errFSBadFSRef;
    std::string p;
    OSErr err = RefPath(d, &p);
    if (err != noErr) return err;
    return CopyPath(p, path, maxPathSize);
  }, memFullErr);
}

OSStatus FSPathMakeRef(const uint8_t* path, FSRef* ref, Boolean* isDirectory) {
  if (!path || !ref) return paramErr;
  return Guard([&]() -> OSStatus {
    PathInfo info;
    OSErr err = LocatePath(reinterpret_cast<const char*>(path), &info);
    if (err != noErr) return err;
    err = RefFromPath(info.path, info.inode, ref);
    if (err != noErr) return err;
    if (isDirectory) *isDirectory = info.isDirectory;
    return noErr;
  }, memFullErr);
}

OSStatus FSSpecMakePath(const FSSpec* spec, uint8_t* path, uint32_t maxPathSize) {
  return Guard([&]() -> OSStatus {
    std::string p;
    OSErr err = SpecPath(spec, &p);
    if (err != noErr) return err;
    return CopyPath(p, path, maxPathSize);
  }, memFullErr);
}

OSStatus FSPathMakeFSSpec(const uint8_t* path, FSSpec* spec) {
  if (!path || !spec) return paramErr;
  return Guard([&]() -> OSStatus {
    // An item of a folder already listed, under a name with a Mac Roman
    // form, needs no look at the disk: the spec names it by parent and name.
    // So does a folder already remembered with its inode.
    std::string normal;
    if (NormalizePath(reinterpret_cast<const char*>(path), &normal) && normal != "/") {
      std::string_view parent, name;
      SplitPath(normal, &parent, &name);
      uint32_t parentId = FindFolder(parent);
      if (parentId != 0 && IsValidName(name) && name.size() <= 255) {
        if (!NeedsInodeForSpec(name)) {
          MakeSpec(parentId, name, 0, spec);
          return noErr;
        }
        std::string shortName;
        uint32_t id = FindFolder(normal);
        if (id != 0 && FolderSpecName(id, &shortName)) {
          MakeSpecNamed(parentId, shortName, spec);
          return noErr;
        }
      }
    }
    PathInfo info;
    OSErr err = LocatePath(reinterpret_cast<const char*>(path), &info);
    if (err != noErr) return err;
    if (info.path == "/") {
      MakeRootSpec(spec);
      return noErr;
    }
    if (!info.exists && NeedsInodeForSpec(info.name)) return fnfErr;
    MakeSpec(info.parentId, info.name, info.inode, spec);
    return noErr;
  }, memFullErr);
}

void PlatformSetFSpMakeFSRefFails(Boolean fails) {
  g_fspMakeFSRefFails.store(fails != 0, std::memory_order_relaxed);
}

uint32_t PlatformFolderTableCount(void) {
  return Guard([]() -> uint32_t { return FolderTableCount(); }, 0u);
}

}  // extern "C"

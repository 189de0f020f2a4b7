// FSRef and FSSpec records: making, checking and resolving them.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/at_path.h"
#include "platform/catalog_internal.h"
#include "platform/name_codec.h"

namespace platform {

namespace {

// Recently resolved long names, so that asking again for the same item does
// not read its folder again. Fixed size: memory does not grow with use.
class LongNameCache {
 public:
  bool Find(const RefData& d, std::string* name) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Slot& s = slots_[Index(d.parent, d.inode)];
    if (s.parent != d.parent || s.inode != d.inode || s.name.size() != d.nameLength ||
        std::memcmp(s.name.data(), d.name, kRefNameBytes) != 0)
      return false;
    *name = s.name;
    return true;
  }

  void Put(uint32_t parent, uint64_t inode, std::string_view name) {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot& s = slots_[Index(parent, inode)];
    s.parent = parent;
    s.inode = inode;
    s.name.assign(name);
  }

 private:
  static constexpr size_t kSlots = 256;
  struct Slot {
    uint32_t parent = 0;
    uint64_t inode = 0;
    std::string name;
  };
  static size_t Index(uint32_t parent, uint64_t inode) {
    uint64_t h = (inode ^ (uint64_t{parent} << 32)) * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(h >> 56) % kSlots;
  }
  std::mutex mutex_;
  Slot slots_[kSlots];
};

LongNameCache& Cache() {
  static LongNameCache* cache = new LongNameCache();
  return *cache;
}

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A short extension kept by name mangling: a dot and 1 to 4 letters or digits.
bool IsShortExtension(std::string_view ext) {
  if (ext.size() < 2 || ext.size() > 5 || ext[0] != '.') return false;
  for (size_t i = 1; i < ext.size(); ++i)
    if (!IsAsciiAlnum(ext[i])) return false;
  return true;
}

// Recognises "prefix#HEX" and "prefix#HEX.ext"; answers the inode.
bool ParseMangled(std::string_view mr, uint64_t* inode) {
  size_t hash = mr.rfind('#');
  if (hash == std::string_view::npos || hash == 0) return false;
  size_t i = hash + 1;
  uint64_t v = 0;
  size_t digits = 0;
  while (i < mr.size()) {
    char c = mr[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else break;
    if (++digits > 16) return false;
    v = (v << 4) | static_cast<uint64_t>(d);
    ++i;
  }
  if (digits == 0) return false;
  if (i < mr.size() && !IsShortExtension(mr.substr(i))) return false;
  *inode = v;
  return true;
}

}  // namespace

// The spec name of an item when it can be its own name: a Mac Roman form of
// 1 to 63 characters that does not look like a short name. A name that
// does is shortened itself, so that no spec name stands for two items.
bool LiteralSpecName(std::string_view name, std::string* mr) {
  if (name.empty()) return false;
  // Each character gives one byte: a name of more than 63 characters (bytes
  // other than continuation bytes) has no room.
  size_t characters = 0;
  for (char c : name) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  if (characters > 63) return false;
  mr->clear();
  mr->reserve(characters);
  char32_t cp;
  for (size_t i = 0; i < name.size();) {
    size_t n = DecodeUtf8At(name, i, &cp);
    int b = n ? UnicodeToMacRoman(cp) : -1;
    if (b < 0) return false;
    mr->push_back(static_cast<char>(b));
    i += n;
  }
  uint64_t inode;
  return !ParseMangled(*mr, &inode);
}

bool NeedsInodeForSpec(std::string_view name) {
  std::string mr;
  return !LiteralSpecName(name, &mr);
}

bool NameNeedsLookup(std::string_view name) {
  return name.size() > kRefNameBytes || NeedsInodeForSpec(name);
}

uint32_t NodeIdFor(uint64_t inode) {
  auto v = static_cast<uint32_t>(inode);
  if (v <= kRootFolderId) v |= 0x80000000u;
  return v;
}

bool DecodeRef(const FSRef* ref, RefData* d) {
  if (!ref) return false;
  std::memcpy(d, ref, sizeof *d);
  if (d->magic != kRefMagic || (d->flags & ~kRefNameTruncated) != 0) return false;
  if (d->parent == kRootParentId) return d->nameLength == 0 && d->flags == 0;
  if (d->parent < kRootFolderId || d->nameLength == 0 || !FolderPath(d->parent)) return false;
  bool truncated = d->nameLength > kRefNameBytes;
  if (truncated != ((d->flags & kRefNameTruncated) != 0)) return false;
  std::string_view stored(reinterpret_cast<const char*>(d->name),
                          truncated ? kRefNameBytes : d->nameLength);
  if (truncated) {
    if (d->inode == 0) return false;
    return stored.find('/') == std::string_view::npos && stored.find('\0') == std::string_view::npos;
  }
  return IsValidName(stored);
}

void EncodeRef(uint32_t parent, uint64_t inode, std::string_view name, FSRef* out) {
  RefData d;
  std::memset(&d, 0, sizeof d);
  d.magic = kRefMagic;
  d.parent = parent;
  d.inode = inode;
  size_t len = name.size() > 255 ? 255 : name.size();
  d.nameLength = static_cast<uint8_t>(len);
  if (len > kRefNameBytes) {
    d.flags = kRefNameTruncated;
    len = kRefNameBytes;
  }
  if (len) std::memcpy(d.name, name.data(), len);
  std::memcpy(out, &d, sizeof d);
}

void MakeRootRef(FSRef* out) { EncodeRef(kRootParentId, RootInode(), {}, out); }

OSErr RefName(const RefData& d, std::string* name) {
  if (RefIsRoot(d)) {
    name->assign("/");
    return noErr;
  }
  if (d.nameLength <= kRefNameBytes) {
    name->assign(reinterpret_cast<const char*>(d.name), d.nameLength);
    return noErr;
  }
  // A folder is remembered with its inode: no need to read its parent.
  if (uint32_t child = FindChildFolder(d.parent, d.inode)) {
    const std::string* path = FolderPath(child);
    std::string_view parent, last;
    if (path) SplitPath(*path, &parent, &last);
    if (path && last.size() == d.nameLength && std::memcmp(last.data(), d.name, kRefNameBytes) == 0) {
      name->assign(last);
      return noErr;
    }
  }
  if (Cache().Find(d, name)) return noErr;
  const std::string* folder = FolderPath(d.parent);
  if (!folder) return errFSBadFSRef;
  int fd = OpenFolderPath(*folder);
  if (fd < 0) return FolderOpenError(errno);
  DirReader reader(fd);
  DirEntry e;
  bool found = false;
  int r;
  while ((r = reader.Next(&e)) > 0) {
    if (e.name.size() <= kRefNameBytes) continue;
    // Remember the folder's other long names too: the next one asked for is
    // likely a neighbour.
    Cache().Put(d.parent, e.inode, e.name);
    if (!found && e.inode == d.inode && e.name.size() == d.nameLength &&
        std::memcmp(e.name.data(), d.name, kRefNameBytes) == 0) {
      name->assign(e.name);
      found = true;
    }
  }
  if (found) {
    Cache().Put(d.parent, d.inode, *name);
    return noErr;
  }
  return r < 0 ? FolderOpenError(-r) : OSErr(fnfErr);
}

OSErr RefPath(const RefData& d, std::string* path) {
  if (RefIsRoot(d)) {
    path->assign("/");
    return noErr;
  }
  const std::string* folder = FolderPath(d.parent);
  if (!folder) return errFSBadFSRef;
  std::string name;
  OSErr err = RefName(d, &name);
  if (err != noErr) return err;
  *path = JoinPath(*folder, name);
  return noErr;
}

OSErr RefFromPath(std::string_view path, uint64_t inode, FSRef* out) {
  if (path == "/") {
    MakeRootRef(out);
    return noErr;
  }
  std::string_view parent, name;
  SplitPath(path, &parent, &name);
  if (!IsValidName(name) || name.size() > 255) return paramErr;
  if (name.size() > kRefNameBytes && inode == 0) return fnfErr;
  EncodeRef(RegisterFolder(parent), inode, name, out);
  return noErr;
}

std::string SpecNameFor(std::string_view name, uint64_t inode) {
  std::string mr;
  if (LiteralSpecName(name, &mr)) return mr;

  char hex[24];
  char* h = hex + sizeof hex;
  do {
    *--h = "0123456789ABCDEF"[inode & 0xF];
    inode >>= 4;
  } while (inode != 0);
  *--h = '#';
  std::string_view suffix(h, static_cast<size_t>(hex + sizeof hex - h));
  std::string_view base = name;
  std::string_view ext;
  size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0 && IsShortExtension(name.substr(dot))) {
    ext = name.substr(dot);
    base = name.substr(0, dot);
  }
  constexpr size_t kMax = 31;
  if (suffix.size() + ext.size() + 1 > kMax) {
    ext = {};
    base = name;
  }
  size_t budget = kMax - suffix.size() - ext.size();
  std::string out;
  char32_t cp;
  for (size_t i = 0; i < base.size() && out.size() < budget;) {
    size_t n = DecodeUtf8At(base, i, &cp);
    int b = n ? UnicodeToMacRoman(cp) : -1;
    out.push_back(b > 0 ? static_cast<char>(b) : '_');
    i += n ? n : 1;
  }
  out.append(suffix);
  out.append(ext);
  return out;
}

void MakeSpecNamed(uint32_t parent, std::string_view macRomanName, FSSpec* out) {
  std::memset(out, 0, sizeof *out);
  out->vRefNum = -1;
  out->parID = static_cast<int32_t>(parent);
  out->name[0] = static_cast<unsigned char>(macRomanName.size());
  std::memcpy(out->name + 1, macRomanName.data(), macRomanName.size());
}

void MakeSpec(uint32_t parent, std::string_view nameBytes, uint64_t inode, FSSpec* out) {
  MakeSpecNamed(parent, SpecNameFor(nameBytes, inode), out);
}

void MakeRootSpec(FSSpec* out) {
  std::memset(out, 0, sizeof *out);
  out->vRefNum = -1;
  out->parID = kRootParentId;
  out->name[0] = 1;
  out->name[1] = '/';
}

OSErr ResolveSpecName(uint32_t folderId, std::string_view mr, std::string* nameBytes) {
  if (mr.empty() || mr.size() > 63) return paramErr;
  std::string literal = MacRomanToUtf8(mr);
  if (!IsValidName(literal)) return paramErr;
  uint64_t inode;
  if (!ParseMangled(mr, &inode)) {
    *nameBytes = std::move(literal);
    return noErr;
  }
  const std::string* folder = FolderPath(folderId);
  if (!folder) return dirNFErr;
  // By inode: the item whose short name this is. A folder is remembered;
  // anything else is looked for in the folder.
  if (uint32_t child = FindChildFolder(folderId, inode)) {
    std::string spec;
    if (FolderSpecName(child, &spec) && spec == mr) {
      std::string_view parent, last;
      SplitPath(*FolderPath(child), &parent, &last);
      nameBytes->assign(last);
      return noErr;
    }
  }
  int fd = OpenFolderPath(*folder);
  if (fd >= 0) {
    DirReader reader(fd);
    DirEntry e;
    while (reader.Next(&e) > 0) {
      if (e.inode == inode && SpecNameFor(e.name, e.inode) == mr) {
        if (e.type == DT_DIR) RegisterChildFolder(folderId, e.name, e.inode);
        nameBytes->assign(e.name);
        return noErr;
      }
    }
  }
  // No item has it: a real name never looks like a short one.
  return fnfErr;
}

OSErr SpecPath(const FSSpec* spec, std::string* path) {
  if (!spec) return paramErr;
  size_t len = spec->name[0];
  if (len > 63) return paramErr;
  std::string_view mr(reinterpret_cast<const char*>(spec->name + 1), len);
  if (spec->parID == static_cast<int32_t>(kRootParentId)) {
    if (mr.empty() || mr == "/") {
      path->assign("/");
      return noErr;
    }
    return fnfErr;
  }
  if (spec->parID <= 0) return dirNFErr;
  auto folderId = static_cast<uint32_t>(spec->parID);
  const std::string* folder = FolderPath(folderId);
  if (!folder) return dirNFErr;
  if (mr.empty()) {
    *path = *folder;
    return noErr;
  }
  std::string name;
  OSErr err = ResolveSpecName(folderId, mr, &name);
  if (err != noErr) return err;
  *path = JoinPath(*folder, name);
  return noErr;
}

OSErr LocatePath(std::string_view input, PathInfo* info) {
  if (!NormalizePath(input, &info->path)) return paramErr;
  if (info->path == "/") {
    info->parentId = kRootParentId;
    info->name.clear();
    info->exists = true;
    info->isDirectory = true;
    info->inode = RootInode();
    return noErr;
  }
  std::string_view parent, name;
  SplitPath(info->path, &parent, &name);
  if (name.size() > 255) return paramErr;
  struct stat st;
  int err = StatPath(info->path, &st, false);
  if (err == 0) {
    info->exists = true;
    info->isDirectory = S_ISDIR(st.st_mode);
    info->inode = st.st_ino;
  } else {
    if (err != ENOENT) return err == ENOTDIR ? OSErr(dirNFErr) : ItemError(err);
    err = StatPath(parent, &st, true);
    if (err != 0) return (err == ENOENT || err == ENOTDIR) ? OSErr(dirNFErr) : ItemError(err);
    if (!S_ISDIR(st.st_mode)) return dirNFErr;
    info->exists = false;
    info->isDirectory = false;
    info->inode = 0;
  }
  info->name.assign(name);
  info->parentId = RegisterFolder(parent);
  if (info->isDirectory && NameNeedsLookup(name)) RegisterChildFolder(info->parentId, name, info->inode);
  return noErr;
}

}  // namespace platform

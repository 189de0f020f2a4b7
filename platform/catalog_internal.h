// Shared pieces of the catalog layer: folder table, item records, folder
// reading and item information. Not part of the layer's public interface.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "platform/catalog.h"

namespace platform {

// Runs an entry point's body; no exception leaves the layer.
template <class F>
auto Guard(F&& body, decltype(body()) onFailure) noexcept -> decltype(body()) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return onFailure;
  } catch (...) {
    return onFailure;
  }
}

// ---- Folder table (folder_table.cpp) ----------------------------------------
// Process-wide and never shrinking: folder id -> absolute path. Id 1 is the
// parent of the root (path ""), id 2 the root "/".

constexpr uint32_t kRootParentId = fsRtParID;
constexpr uint32_t kRootFolderId = fsRtDirID;

// Id of an absolute, normalised folder path, registering it when new.
uint32_t RegisterFolder(std::string_view path);
// The id of a folder already in the table, else 0.
uint32_t FindFolder(std::string_view path);
// Registers the subfolder `name` of a folder in the table, with its inode,
// so that it can be found again by FindChildFolder. Folders only: memory
// grows with the folders remembered, never with files. 0 for a parent id
// that names no folder.
uint32_t RegisterChildFolder(uint32_t parentId, std::string_view name, uint64_t inode);
// The subfolder of parentId last seen with this inode, else 0.
uint32_t FindChildFolder(uint32_t parentId, uint64_t inode);
// The spec name of a folder remembered with its inode (one that
// RegisterChildFolder or NoteFolderInode indexed); false for others.
bool FolderSpecName(uint32_t id, std::string* spec);
// Path of a folder id; null for an id that was never handed out. The string
// lives as long as the process.
const std::string* FolderPath(uint32_t id);
// Inode of a folder when known, else 0.
uint64_t FolderInode(uint32_t id);
void NoteFolderInode(uint32_t id, uint64_t inode);
uint32_t FolderTableCount();
// Inode of "/".
uint64_t RootInode();

// ---- Paths -----------------------------------------------------------------

// Makes a path absolute (against the working folder) and lexically clean:
// no "//", no trailing "/", "." dropped, ".." removes the previous part.
bool NormalizePath(std::string_view in, std::string* out);
std::string JoinPath(std::string_view folder, std::string_view name);
// Parent folder and last part of a normalised path other than "/".
void SplitPath(std::string_view path, std::string_view* parent, std::string_view* name);
// A single path part: not empty, no '/' or NUL, not "." or "..".
bool IsValidName(std::string_view name);

// ---- FSRef (item_ref.cpp) --------------------------------------------------

constexpr uint32_t kRefMagic = 0x534B5246;
constexpr size_t kRefNameBytes = 62;
constexpr uint8_t kRefNameTruncated = 0x01;

struct RefData {
  uint32_t magic;
  uint32_t parent;  // folder id; 1 for the root itself
  uint64_t inode;   // 0 when unknown
  uint8_t flags;
  uint8_t nameLength;  // full length of the name in bytes
  uint8_t name[kRefNameBytes];
};
static_assert(sizeof(RefData) == sizeof(FSRef), "FSRef layout");

// Copies and checks an FSRef; false for anything malformed.
bool DecodeRef(const FSRef* ref, RefData* out);
inline bool RefIsRoot(const RefData& d) { return d.parent == kRootParentId; }
void EncodeRef(uint32_t parent, uint64_t inode, std::string_view name, FSRef* out);
void MakeRootRef(FSRef* out);
// Full name bytes; a truncated name is looked up in its folder.
OSErr RefName(const RefData& d, std::string* name);
OSErr RefPath(const RefData& d, std::string* path);
// Node ID reported for an item: 2 for the root, else the inode's low bits
// (never 0, 1 or 2).
uint32_t NodeIdFor(uint64_t inode);
// FSRef of a normalised path; registers its parent folder. A name too long
// to keep whole needs the inode.
OSErr RefFromPath(std::string_view path, uint64_t inode, FSRef* out);

// ---- FSSpec (item_ref.cpp) -------------------------------------------------

// Whether the spec name of an item needs its inode (the name has no Mac
// Roman form of 1 to 63 characters, or looks like a short name itself).
bool NeedsInodeForSpec(std::string_view name);
// Whether finding the item again from an FSRef or FSSpec needs its inode:
// a name too long to keep whole, or one with a short spec name.
bool NameNeedsLookup(std::string_view name);
// Str63 name (Mac Roman, no length byte) of an item: the name itself when it
// has an exact Mac Roman form of at most 63 characters that does not look
// like a short name, else a short "prefix#INODE.ext" form.
std::string SpecNameFor(std::string_view nameBytes, uint64_t inode);
void MakeSpec(uint32_t parent, std::string_view nameBytes, uint64_t inode, FSSpec* out);
// A spec of the item of that spec name (at most 63 bytes) in a folder.
void MakeSpecNamed(uint32_t parent, std::string_view macRomanName, FSSpec* out);
void MakeRootSpec(FSSpec* out);
// Path named by a spec. An empty name names the folder parID itself.
OSErr SpecPath(const FSSpec* spec, std::string* path);
// Resolves a Mac Roman name inside a folder to the name bytes on disk.
OSErr ResolveSpecName(uint32_t folderId, std::string_view macRomanName, std::string* nameBytes);

// Looks up a path: normalises it, checks that its parent folder exists and
// registers that folder. exists tells whether the item itself is there.
struct PathInfo {
  std::string path;
  uint32_t parentId = 0;
  std::string name;  // empty for "/"
  bool exists = false;
  bool isDirectory = false;
  uint64_t inode = 0;
};
OSErr LocatePath(std::string_view input, PathInfo* info);

// ---- Reading folders (dir_reader.cpp) -----------------------------------------

struct DirEntry {
  std::string_view name;  // valid until the next call
  uint64_t inode;
  uint8_t type;  // DT_*
};

// Buffered getdents64 reader of one open folder; skips "." and "..".
class DirReader {
 public:
  static constexpr size_t kBufferSize = 32 * 1024;
  // Takes ownership of fd.
  explicit DirReader(int fd);
  ~DirReader();
  DirReader(const DirReader&) = delete;
  DirReader& operator=(const DirReader&) = delete;
  // 1 with an entry, 0 at the end, -errno on failure.
  int Next(DirEntry* entry);
  int fd() const { return fd_; }
  bool ok() const { return buffer_ != nullptr; }

 private:
  int fd_;
  std::unique_ptr<char[]> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  int error_ = 0;
  bool eof_ = false;
};

// Opens a folder for reading (never through a symbolic link); -1 with errno.
int OpenFolder(int dirfd, const char* path);
// Maps errno of opening a folder or looking up an item.
OSErr FolderOpenError(int err);
OSErr ItemError(int err);

// ---- Item information (item_info.cpp) --------------------------------------

constexpr int64_t kUnixTo1904 = 2082844800;

UTCDateTime ToUTCDateTime(int64_t unixSeconds);
// Local time, seconds since 1904, clamped to 32 bits.
uint32_t ToLocal1904(int64_t unixSeconds);

// statx without following a final symbolic link; 0 or errno.
int StatItem(int dirfd, const char* name, struct statx* stx);
int64_t CreationSeconds(const struct statx& stx);

struct XattrInfo {
  bool hasFinderInfo = false;
  uint8_t finderInfo[32] = {};  // as stored (big-endian)
  uint64_t rsrcLength = 0;
};
// Reads the Finder information and resource fork length of an item. dirfd and
// name as for the *at calls (AT_FDCWD with a full path works); folderPath is
// used only to build a full path for the older calls. Answers 0, or ENOTSUP
// when the file system has no extended attributes.
int ReadXattrs(int dirfd, const char* name, std::string_view folderPath,
               bool wantFinderInfo, bool wantRsrcLength, XattrInfo* out);
// Makes the extended attribute calls use the path forms, as after an ENOSYS
// from the *at forms (tests only).
void SetXattrPathCallsForTesting(bool on);
// Converts the stored Finder information to machine order.
void FinderInfoToHost(const uint8_t stored[32], bool isFolder, uint8_t out[32]);
// Number of items in a folder (0 when it cannot be read).
uint32_t CountFolderItems(int dirfd, const char* path);

// Catalog bits that need statx.
constexpr FSCatalogInfoBitmap kStatInfo =
    kFSCatInfoCreateDate | kFSCatInfoContentMod | kFSCatInfoAttrMod |
    kFSCatInfoAccessDate | kFSCatInfoPermissions | kFSCatInfoDataSizes |
    kFSCatInfoRsrcSizes;
// Catalog bits that need to know whether the item is a folder.
constexpr FSCatalogInfoBitmap kKindInfo =
    kFSCatInfoNodeFlags | kFSCatInfoFinderInfo | kFSCatInfoFinderXInfo |
    kFSCatInfoValence | kFSCatInfoDataSizes | kFSCatInfoRsrcSizes;
constexpr FSCatalogInfoBitmap kXattrInfo =
    kFSCatInfoFinderInfo | kFSCatInfoFinderXInfo | kFSCatInfoRsrcSizes;

struct ItemFacts {
  bool isRoot = false;
  bool isFolder = false;
  uint32_t parentId = 0;
  uint64_t inode = 0;
  const struct statx* stx = nullptr;  // null when not read
  const XattrInfo* xattrs = nullptr;  // null when not read
  uint32_t valence = 0;
};
// Writes the requested fields of info.
void FillCatalogInfo(FSCatalogInfoBitmap which, const ItemFacts& facts, FSCatalogInfo* info);
void FillUniName(std::string_view nameBytes, HFSUniStr255* out);

}  // namespace platform

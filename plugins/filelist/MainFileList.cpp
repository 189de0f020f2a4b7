#include "plugins/filelist/MainFileList.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <utility>

#include "platform/launch_services.h"
#include "plugins/filelist/PluginMain.h"

namespace {

// Node flags, creation, content, attribute, access and backup dates,
// Finder information, data and resource fork sizes.
constexpr FSCatalogInfoBitmap kFillInfo = 0xCBE2;

FileListData* DataOf(REALobject instance) {
  if (!instance) return nullptr;
  return reinterpret_cast<FileListData*>(reinterpret_cast<char*>(instance) +
                                         FileListKVRClass()->forSystemUse);
}

// The entry at index, or null: outside 0..Count-1, after Close, or for a
// slot whose record could not be allocated.
const FileEntry* EntryAt(REALobject instance, int32_t index) {
  FileListData* d = DataOf(instance);
  if (!d || !d->entries || index < 0 || index >= d->Count ||
      index >= d->capacity)
    return nullptr;
  return d->entries[index];
}

double Seconds(const UTCDateTime& t) {
  return static_cast<double>(t.highSeconds) * 4294967296.0 +
         static_cast<double>(t.lowSeconds);
}

uint32_t Read32(const uint8_t* p) {
  uint32_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

uint16_t Read16(const uint8_t* p) {
  uint16_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

// Type (first) and creator (second) of an item: the first and the next
// four bytes of its Finder information, in stored order, for folders as
// for files. The information comes in machine order: a file's as two
// 32-bit codes, a folder's as 16-bit fields.
OSType CodeAt(const uint8_t* finderInfo, size_t offset, bool isFolder) {
  if (!isFolder) return Read32(finderInfo + offset);
  return (uint32_t{Read16(finderInfo + offset)} << 16) | Read16(finderInfo + offset + 2);
}

bool IsHiddenName(const unsigned char* bytes, size_t length) {
  return length > 0 && bytes[0] == '.';
}

// Frees every record and the pointer array; Count and capacity stay.
void FreeEntries(FileListData* d) {
  if (!d->entries) return;
  for (int32_t i = 0; i < d->capacity; ++i) free(d->entries[i]);
  free(d->entries);
  d->entries = nullptr;
}

// ---- Catalog iterator route ----------------------------------------------

OSErr CountEntriesFSRef(FileListData* d, const FSRef* folder) {
  FSIterator it = nullptr;
  OSErr err = FSOpenIterator(folder, kFSIterateFlat, &it);
  if (err != noErr) return err;
  for (;;) {
    ItemCount actual = 0;
    FSCatalogInfo info;
    FSRef ref;
    if (FSGetCatalogInfoBulk(it, 1, &actual, nullptr, kFSCatInfoNodeFlags,
                             &info, &ref, nullptr, nullptr) != noErr)
      break;
    if (actual == 1) ++d->capacity;
  }
  return FSCloseIterator(it);
}

OSErr AddEntriesFromFSRef(FileListData* d, const FSRef* folder) {
  FSIterator it = nullptr;
  OSErr err = FSOpenIterator(folder, kFSIterateFlat, &it);
  if (err != noErr) return err;
  for (;;) {
    ItemCount actual = 0;
    HFSUniStr255 name;
    FSCatalogInfo info;
    FSRef ref;
    memset(&name, 0, sizeof name);
    memset(&info, 0, sizeof info);
    if (FSGetCatalogInfoBulk(it, 1, &actual, nullptr, kFillInfo, &info, &ref,
                             nullptr, &name) != noErr)
      break;
    if (actual != 1) continue;

    uint16_t finderFlags = Read16(info.finderInfo + 8);
    bool hidden = (name.length > 0 && name.unicode[0] == 0x2E) ||
                  (finderFlags & kIsInvisible) != 0;

    if (d->Count >= d->capacity) continue;  // the folder grew after the count
    FileEntry* e = static_cast<FileEntry*>(calloc(1, sizeof(FileEntry)));
    d->entries[d->Count++] = e;
    if (!e) continue;

    e->visible = hidden ? 0 : 1;
    if (info.nodeFlags & kFSNodeIsDirectoryMask) {
      e->isDirectory = 1;
    } else {
      e->dataPhysicalSize = static_cast<double>(info.dataPhysicalSize);
      e->dataLogicalSize = static_cast<double>(info.dataLogicalSize);
      e->rsrcPhysicalSize = static_cast<double>(info.rsrcPhysicalSize);
      e->rsrcLogicalSize = static_cast<double>(info.rsrcLogicalSize);
    }
    e->creationDate = Seconds(info.createDate);
    e->modificationDate = Seconds(info.contentModDate);
    e->type = CodeAt(info.finderInfo, 0, e->isDirectory);
    e->creator = CodeAt(info.finderInfo, 4, e->isDirectory);
    e->finderFlags = finderFlags;
    e->name = name;
    e->fsref = ref;
    e->hasFSRef = 1;
  }
  return FSCloseIterator(it);
}

// ---- Older catalog route: by index within the folder's directory ID -------

// The end of the folder and a refused listing end a walk successfully.
OSErr WalkResult(OSErr err) {
  if (err == fnfErr || err == errFSNoMoreItems || err == afpAccessDenied)
    return noErr;
  return err;
}

// The volume and directory ID of the folder an FSSpec names.
OSErr FolderDirID(const FSSpec* spec, int16_t* vRefNum, int32_t* dirID) {
  *vRefNum = spec->vRefNum;
  if (spec->name[0] == 0) {  // the folder parID itself
    *dirID = spec->parID;
    return noErr;
  }
  if (spec->parID == fsRtParID) {  // the root folder of the volume
    *dirID = fsRtDirID;
    return noErr;
  }
  Str255 name;
  memset(name, 0, sizeof name);
  memcpy(name, spec->name, sizeof spec->name);
  if (name[0] > 63) name[0] = 63;
  CInfoPBRec pb;
  memset(&pb, 0, sizeof pb);
  pb.ioNamePtr = name;
  pb.ioVRefNum = spec->vRefNum;
  pb.ioFDirIndex = 0;
  pb.ioDirID = spec->parID;
  OSErr err = PBGetCatInfoSync(&pb);
  if (err != noErr) return err;
  if (!(pb.ioFlAttrib & kFSNodeIsDirectoryMask)) return errFSNotAFolder;
  *dirID = pb.ioDirID;
  return noErr;
}

// The index-th item (from 1) of a folder; ioDirID is input, so each call
// starts from a fresh block.
OSErr GetIndexed(int16_t vRefNum, int32_t dirID, int index, unsigned char* name,
                 CInfoPBRec* pb) {
  memset(pb, 0, sizeof *pb);
  memset(name, 0, sizeof(Str255));
  pb->ioNamePtr = name;
  pb->ioVRefNum = vRefNum;
  pb->ioFDirIndex = static_cast<int16_t>(index);
  pb->ioDirID = dirID;
  return PBGetCatInfoSync(pb);
}

// Indices are 16 bits wide: the older calls reach no further.
constexpr int kMaxIndex = 32767;

OSErr CountEntriesOld(FileListData* d, const FSSpec* folder) {
  int16_t vRefNum;
  int32_t dirID;
  OSErr err = FolderDirID(folder, &vRefNum, &dirID);
  if (err != noErr) return err;
  Str255 name;
  CInfoPBRec pb;
  for (int index = 1; index <= kMaxIndex; ++index) {
    err = GetIndexed(vRefNum, dirID, index, name, &pb);
    if (err != noErr) return WalkResult(err);
    ++d->capacity;
  }
  return noErr;
}

OSErr AddEntriesOld(FileListData* d, const FSSpec* folder) {
  int16_t vRefNum;
  int32_t dirID;
  OSErr err = FolderDirID(folder, &vRefNum, &dirID);
  if (err != noErr) return err;
  const double localOffset = PlatformLocalTimeOffset();
  Str255 name;
  CInfoPBRec pb;
  for (int index = 1; index <= kMaxIndex && d->Count < d->capacity; ++index) {
    err = GetIndexed(vRefNum, dirID, index, name, &pb);
    if (err != noErr) return WalkResult(err);

    FileEntry* e = static_cast<FileEntry*>(calloc(1, sizeof(FileEntry)));
    d->entries[d->Count++] = e;
    if (!e) continue;

    size_t nameLength = name[0] > 63 ? 63 : name[0];
    e->fsspec.vRefNum = vRefNum;
    e->fsspec.parID = dirID;
    e->fsspec.name[0] = static_cast<unsigned char>(nameLength);
    memcpy(e->fsspec.name + 1, name + 1, nameLength);
    e->hasFSSpec = 1;

    const FInfo& fi = pb.ioFlFndrInfo;
    bool hidden = IsHiddenName(name + 1, nameLength) ||
                  (fi.fdFlags & kIsInvisible) != 0;
    e->visible = hidden ? 0 : 1;
    if (pb.ioFlAttrib & kFSNodeIsDirectoryMask) {
      e->isDirectory = 1;
    } else {
      e->dataPhysicalSize = pb.ioFlPyLen;
      e->dataLogicalSize = pb.ioFlLgLen;
      e->rsrcPhysicalSize = pb.ioFlRPyLen;
      e->rsrcLogicalSize = pb.ioFlRLgLen;
    }
    // The older calls give local time.
    e->creationDate = static_cast<double>(pb.ioFlCrDat) - localOffset;
    e->modificationDate = static_cast<double>(pb.ioFlMdDat) - localOffset;
    uint8_t stored[sizeof fi];
    memcpy(stored, &fi, sizeof fi);
    e->type = CodeAt(stored, 0, e->isDirectory);
    e->creator = CodeAt(stored, 4, e->isDirectory);
    e->finderFlags = fi.fdFlags;
  }
  return noErr;
}

// ---- Listing ------------------------------------------------------------

// Counts, allocates and fills. Answers whether every step succeeded.
bool ListFolder(FileListData* d, const FSRef* ref, const FSSpec* spec,
                const FSRef* fillRef, const FSSpec* fillSpec) {
  OSErr err = ref ? CountEntriesFSRef(d, ref) : CountEntriesOld(d, spec);
  if (err != noErr) return false;
  if (d->capacity > 0) {
    d->entries = static_cast<FileEntry**>(
        calloc(static_cast<size_t>(d->capacity), sizeof(FileEntry*)));
    if (!d->entries) return false;
  }
  if (fillRef) return AddEntriesFromFSRef(d, fillRef) == noErr;
  if (fillSpec) return AddEntriesOld(d, fillSpec) == noErr;
  return false;
}

// ---- Members ------------------------------------------------------------

void Close(REALobject instance) {
  FileListData* d = DataOf(instance);
  if (!d) return;
  if (d->Folder) {
    REALobject folder = d->Folder;
    d->Folder = nullptr;
    REALUnlockObject(folder);
  }
  FreeEntries(d);
}

void ConstructEmpty(REALobject instance) {
  FileListData* d = DataOf(instance);
  if (d) d->OK = false;
}

void ConstructFromFolder(REALobject instance, REALfolderItem folder) {
  FileListData* d = DataOf(instance);
  if (!d) return;
  d->OK = false;
  if (folder) REALLockObject(folder);
  if (d->Folder) REALUnlockObject(d->Folder);
  d->Folder = folder;
  FreeEntries(d);  // a listing made before is not kept
  d->capacity = 0;
  d->Count = 0;

  FSSpec spec;
  memset(&spec, 0, sizeof spec);
  if (!folder || !REALFSSpecFromFolderItem(&spec, folder)) return;
  FSRef ref;
  bool haveRef = FSpMakeFSRef(&spec, &ref) == noErr;
  OSErr err = haveRef ? CountEntriesFSRef(d, &ref) : CountEntriesOld(d, &spec);
  if (err != noErr) return;
  if (d->capacity > 0) {
    d->entries = static_cast<FileEntry**>(
        calloc(static_cast<size_t>(d->capacity), sizeof(FileEntry*)));
    if (!d->entries) return;
  }

  // The filling pass converts the folder for itself.
  memset(&spec, 0, sizeof spec);
  if (!REALFSSpecFromFolderItem(&spec, folder)) return;
  haveRef = FSpMakeFSRef(&spec, &ref) == noErr;
  err = haveRef ? AddEntriesFromFSRef(d, &ref) : AddEntriesOld(d, &spec);
  if (err == noErr) d->OK = true;
}

void ConstructFromList(REALobject instance, REALobject list, int32_t index) {
  FileListData* d = DataOf(instance);
  if (!d) return;
  d->OK = false;
  if (!list) return;
  const FileEntry* source = EntryAt(list, index);
  if (!source) return;
  // A copy: the source list is read only here.
  FileEntry entry = *source;
  FreeEntries(d);
  d->capacity = 0;
  d->Count = 0;
  if (entry.hasFSRef) {
    d->OK = ListFolder(d, &entry.fsref, nullptr, &entry.fsref, nullptr);
  } else if (entry.hasFSSpec) {
    d->OK = ListFolder(d, nullptr, &entry.fsspec, nullptr, &entry.fsspec);
  }
}

RBBoolean IsBundle(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  if (!e || !e->hasFSRef) return false;
  LSItemInfoRecord info;
  memset(&info, 0, sizeof info);
  if (LSCopyItemInfoForRef(&e->fsref, kLSRequestAppTypeFlags, &info) != noErr)
    return false;
  if (info.extension) CFRelease(info.extension);
  return (info.flags & kLSItemInfoIsPackage) != 0;
}

int32_t FinderFlags(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  return e ? e->finderFlags : 0;
}

REALmemoryBlock FSSpecBlock(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  if (!e || !e->hasFSSpec) return nullptr;
  return REALBuildMemoryblock(&e->fsspec, sizeof(FSSpec));
}

REALmemoryBlock FSRefBlock(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  if (!e || !e->hasFSRef) return nullptr;
  return REALBuildMemoryblock(&e->fsref, sizeof(FSRef));
}

REALmemoryBlock HFSUniStr255Block(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  if (!e || !e->hasFSRef) return nullptr;
  return REALBuildMemoryblock(&e->name, sizeof(HFSUniStr255));
}

REALstring Creator(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  if (!e || e->creator == 0) return nullptr;
  return REALBuildOSTypeString(e->creator);
}

REALstring Type(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  if (!e || e->type == 0) return nullptr;
  return REALBuildOSTypeString(e->type);
}

REALstring EntryName(const FileEntry* e) {
  if (e->hasFSSpec) {
    int32_t length = e->fsspec.name[0] > 63 ? 63 : e->fsspec.name[0];
    return REALBuildUnicodeString(e->fsspec.name + 1, length,
                                  kEncodingMacRoman);
  }
  if (e->hasFSRef) {
    int32_t length = e->name.length > 255 ? 255 : e->name.length;
    return REALBuildUnicodeString(e->name.unicode, length * 2, kEncodingUTF16);
  }
  return nullptr;
}

REALstring Name(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  return e ? EntryName(e) : nullptr;
}

REALstring DisplayName(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  if (!e) return nullptr;
  if (e->hasFSRef) {
    CFStringRef display = nullptr;
    if (LSCopyDisplayNameForRef(&e->fsref, &display) == noErr && display) {
      REALstring s = CFString2RBString(display, false);
      CFRelease(display);
      return s;
    }
  }
  return EntryName(e);
}

RBBoolean Visible(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  return e ? e->visible != 0 : false;
}

RBBoolean Directory(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  return e ? e->isDirectory != 0 : false;
}

REALfolderItem Item(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  if (!e) return nullptr;
  if (e->hasFSSpec) return REALFolderItemFromFSSpec(&e->fsspec);
  if (e->hasFSRef) return REALFolderItemFromFSRef(&e->fsref);
  return nullptr;
}

template <double FileEntry::*Field>
double EntryDouble(REALobject instance, int32_t index) {
  const FileEntry* e = EntryAt(instance, index);
  return e ? e->*Field : 0.0;
}

int32_t WinFileAttributes(REALobject, int32_t) { return 0; }

// ---- Sorting ------------------------------------------------------------

// A slot without a record sorts first.
template <double FileEntry::*Key>
double KeyOf(const FileEntry* e) {
  return e ? e->*Key : -HUGE_VAL;
}

// Quicksort of slots lo..hi by key, moving only the pointers. The smaller
// part recurses and the larger one loops, so the depth stays logarithmic.
template <double FileEntry::*Key>
void QuickSortRange(FileEntry** slots, int32_t lo, int32_t hi) {
  while (lo < hi) {
    const double p = KeyOf<Key>(slots[lo + (hi - lo) / 2]);
    int32_t i = lo;
    int32_t j = hi;
    do {
      while (KeyOf<Key>(slots[i]) < p) ++i;
      while (p < KeyOf<Key>(slots[j])) --j;
      if (i <= j) {
        std::swap(slots[i], slots[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) QuickSortRange<Key>(slots, lo, j);
      lo = i;
    } else {
      if (i < hi) QuickSortRange<Key>(slots, i, hi);
      hi = j;
    }
  }
}

void QuickSortCreationRange(FileEntry** slots, int32_t lo, int32_t hi) {
  QuickSortRange<&FileEntry::creationDate>(slots, lo, hi);
}

void QuickSortModificationRange(FileEntry** slots, int32_t lo, int32_t hi) {
  QuickSortRange<&FileEntry::modificationDate>(slots, lo, hi);
}

int32_t SortableCount(const FileListData* d) {
  if (!d || !d->entries) return 0;
  return d->Count < d->capacity ? d->Count : d->capacity;
}

void SortByCreationDate(REALobject instance) {
  FileListData* d = DataOf(instance);
  int32_t n = SortableCount(d);
  if (n > 1) QuickSortCreationRange(d->entries, 0, n - 1);
}

void SortByModificationDate(REALobject instance) {
  FileListData* d = DataOf(instance);
  int32_t n = SortableCount(d);
  if (n > 1) QuickSortModificationRange(d->entries, 0, n - 1);
}

// ---- Registration -------------------------------------------------------

template <class F>
void* Fn(F f) {
  return reinterpret_cast<void*>(f);
}

REALproperty gProperties[] = {
    {nullptr, "Folder", "Folderitem", 6, REALstandardGetter,
     REALstandardSetter, offsetof(FileListData, Folder), nullptr, 0, nullptr},
    {nullptr, "Count", "Integer", 6, REALstandardGetter, REALstandardSetter,
     offsetof(FileListData, Count), nullptr, 0, nullptr},
    {nullptr, "OK", "Boolean", 6, REALstandardGetter, REALstandardSetter,
     offsetof(FileListData, OK), nullptr, 0, nullptr},
};

REALmethodDefinition gMethods[] = {
    {Fn(IsBundle), nullptr, "IsBundle(index as integer) as Boolean", 4},
    {Fn(FinderFlags), nullptr, "FinderFlags(index as integer) as Integer", 4},
    {Fn(FSSpecBlock), nullptr, "FSSpec(index as integer) as memoryblock", 4},
    {Fn(FSRefBlock), nullptr, "FSRef(index as integer) as memoryblock", 4},
    {Fn(HFSUniStr255Block), nullptr,
     "HFSUniStr255(index as integer) as memoryblock", 4},
    {Fn(Creator), nullptr, "Creator(index as integer) as string", 4},
    {Fn(Type), nullptr, "Type(index as integer) as string", 4},
    {Fn(Name), nullptr, "Name(index as integer) as string", 4},
    {Fn(DisplayName), nullptr, "DisplayName(index as integer) as string", 4},
    {Fn(Visible), nullptr, "Visible(index as integer) as boolean", 4},
    {Fn(Directory), nullptr, "Directory(index as integer) as boolean", 4},
    {Fn(Item), nullptr, "Item(index as integer) as folderitem", 4},
    {Fn(EntryDouble<&FileEntry::dataPhysicalSize>), nullptr,
     "PhysicalDataLength(index as integer) as double", 4},
    {Fn(EntryDouble<&FileEntry::dataLogicalSize>), nullptr,
     "LogicalDataLength(index as integer) as double", 4},
    {Fn(EntryDouble<&FileEntry::rsrcPhysicalSize>), nullptr,
     "PhysicalResourceLength(index as integer) as double", 4},
    {Fn(EntryDouble<&FileEntry::rsrcLogicalSize>), nullptr,
     "LogicalResourceLength(index as integer) as double", 4},
    {Fn(Close), nullptr, "Close", 4},
    {Fn(ConstructFromList), nullptr,
     "FileListKVR(filelist as FileListKVR, index as integer)", 4},
    {Fn(ConstructFromFolder), nullptr, "FileListKVR(folder as folderitem)", 4},
    {Fn(ConstructEmpty), nullptr, "FileListKVR", 4},
    {Fn(EntryDouble<&FileEntry::creationDate>), nullptr,
     "CreationDate(index as integer) as double", 4},
    {Fn(EntryDouble<&FileEntry::modificationDate>), nullptr,
     "ModificationDate(index as integer) as double", 4},
    {Fn(SortByModificationDate), nullptr, "SortByModificationDate", 4},
    {Fn(SortByCreationDate), nullptr, "SortByCreationDate", 4},
    {Fn(WinFileAttributes), nullptr,
     "WinFileAttributes(index as integer) as integer", 4},
};

REALclassDefinition gFileListKVRClass = {
    kCurrentREALControlVersion,
    "FileListKVR",
    nullptr,
    sizeof(FileListData),
    0,
    nullptr,
    Fn(Close),
    gProperties,
    sizeof gProperties / sizeof gProperties[0],
    gMethods,
    sizeof gMethods / sizeof gMethods[0],
    nullptr,
    0,
    nullptr,
    0,
    nullptr,
    nullptr,
    0,
    nullptr,
    0,
    4,
};

}  // namespace

REALclassDefinition* FileListKVRClass() { return &gFileListKVRClass; }

void PluginEntry() { REALRegisterClass(&gFileListKVRClass); }

// ---- Builders -----------------------------------------------------------

REALstring REALBuildUnicodeString(const void* bytes, int32_t length,
                                  uint32_t encoding) {
  if (!bytes || length <= 0) return nullptr;
  REALstring s = REALBuildString(bytes, length);
  if (!s) return nullptr;
  // A string that cannot carry its encoding is not handed over.
  if (!REALSetStringEncoding(s, encoding)) {
    REALUnlockObject(s);
    return nullptr;
  }
  return s;
}

REALmemoryBlock REALBuildMemoryblock(const void* bytes, int32_t length) {
  if (!bytes || length <= 0) return nullptr;
  REALmemoryBlock block = REALNewMemoryBlock(length);
  if (!block) return nullptr;
  void* p = REALMemoryBlockGetPtr(block);
  if (!p) {
    REALUnlockObject(block);
    return nullptr;
  }
  memcpy(p, bytes, static_cast<size_t>(length));
  return block;
}

REALstring REALBuildOSTypeString(OSType code) {
  unsigned char bytes[4] = {
      static_cast<unsigned char>(code >> 24),
      static_cast<unsigned char>(code >> 16),
      static_cast<unsigned char>(code >> 8),
      static_cast<unsigned char>(code),
  };
  bool high = false;
  for (unsigned char b : bytes) high = high || b >= 0x80;
  return REALBuildUnicodeString(bytes, 4,
                                high ? kEncodingMacRoman : kEncodingASCII);
}

namespace {

REALstring EightBitString(CFStringRef str) {
  CFIndex length = CFStringGetLength(str);
  if (length <= 0) return nullptr;
  const CFIndex size = 6 * length;
  char* buffer = static_cast<char*>(calloc(static_cast<size_t>(size), 1));
  if (!buffer) return nullptr;
  static const CFStringEncoding kOrder[] = {
      kCFStringEncodingASCII, kCFStringEncodingUTF8, kCFStringEncodingMacRoman};
  REALstring result = nullptr;
  for (CFStringEncoding encoding : kOrder) {
    if (CFStringGetCString(str, buffer, size, encoding)) {
      size_t bytes = strnlen(buffer, static_cast<size_t>(size));
      result = REALBuildUnicodeString(buffer, static_cast<int32_t>(bytes),
                                      encoding);
      break;
    }
  }
  free(buffer);
  return result;
}

REALstring UTF16String(CFStringRef str) {
  CFIndex length = CFStringGetLength(str);
  if (length <= 0) return nullptr;
  UniChar* buffer =
      static_cast<UniChar*>(calloc(static_cast<size_t>(length), sizeof(UniChar)));
  if (!buffer) return nullptr;
  CFStringGetCharacters(str, CFRange{0, length}, buffer);
  REALstring result = REALBuildUnicodeString(
      buffer, static_cast<int32_t>(length * 2), kEncodingUTF16);
  free(buffer);
  return result;
}

}  // namespace

REALstring CFString2RBString(CFStringRef str, bool unicodeFirst) {
  if (!str) return nullptr;
  REALstring s = unicodeFirst ? UTF16String(str) : EightBitString(str);
  if (!s) s = unicodeFirst ? EightBitString(str) : UTF16String(str);
  return s;
}

REALfolderItem REALFolderItemFromFSRef(const FSRef* ref) {
  if (!ref) return nullptr;
  FSCatalogInfo info;
  FSRef parent;
  memset(&info, 0, sizeof info);
  memset(&parent, 0, sizeof parent);
  if (FSGetCatalogInfo(ref, kFSCatInfoNodeID, &info, nullptr, nullptr,
                       &parent) == noErr) {
    if (info.nodeID == fsRtDirID) memset(&parent, 0, sizeof parent);
    HFSUniStr255 name;
    memset(&name, 0, sizeof name);
    if (FSGetCatalogInfo(ref, kFSCatInfoNone, nullptr, &name, nullptr,
                         nullptr) == noErr &&
        FSGetCatalogInfo(&parent, kFSCatInfoNone, nullptr, nullptr, nullptr,
                         nullptr) == noErr)
      return REALFolderItemFromParentFSRef(&parent, &name);
  }
  FSSpec spec;
  memset(&spec, 0, sizeof spec);
  if (FSGetCatalogInfo(ref, kFSCatInfoNone, nullptr, nullptr, &spec,
                       nullptr) != noErr)
    return nullptr;
  return REALFolderItemFromFSSpec(&spec);
}

// Catalog file-system layer over POSIX.
//
// Items are addressed by FSRef (80 bytes) or FSSpec (70 bytes). Both name an
// item by its parent folder, which the layer remembers in a process-wide
// folder table, and the item's name; both stay valid for the life of the
// process. Names travel as UTF-16 in HFSUniStr255; bytes that are not valid
// UTF-8 are carried as the lone surrogates U+DC80..U+DCFF so that they come
// back to the very same bytes. Symbolic links are items of their own and are
// never followed.
#pragma once

#include "platform/types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct FSRef {
  uint8_t hidden[80];
} FSRef;

#pragma pack(push, 2)
typedef struct FSSpec {
  int16_t vRefNum;
  int32_t parID;
  Str63 name;  // Mac Roman, length byte first
} FSSpec;

typedef struct UTCDateTime {
  uint16_t highSeconds;
  uint32_t lowSeconds;
  uint16_t fraction;
} UTCDateTime;
#pragma pack(pop)

typedef struct HFSUniStr255 {
  uint16_t length;
  UniChar unicode[255];
} HFSUniStr255;

typedef struct FSCatalogInfo {
  uint16_t nodeFlags;
  int16_t volume;
  uint32_t parentDirID;
  uint32_t nodeID;
  uint8_t sharingFlags;
  uint8_t userPrivileges;
  uint8_t reserved1;
  uint8_t reserved2;
  UTCDateTime createDate;
  UTCDateTime contentModDate;
  UTCDateTime attributeModDate;
  UTCDateTime accessDate;
  UTCDateTime backupDate;
  uint32_t permissions[4];
  uint8_t finderInfo[16];     // type, creator, flags, ... in machine order
  uint8_t extFinderInfo[16];
  uint64_t dataLogicalSize;
  uint64_t dataPhysicalSize;
  uint64_t rsrcLogicalSize;
  uint64_t rsrcPhysicalSize;
  uint32_t valence;
  uint32_t textEncodingHint;
} FSCatalogInfo;

typedef uint32_t FSCatalogInfoBitmap;
enum {
  kFSCatInfoNone = 0x0000,
  kFSCatInfoTextEncoding = 0x0001,
  kFSCatInfoNodeFlags = 0x0002,
  kFSCatInfoVolume = 0x0004,
  kFSCatInfoParentDirID = 0x0008,
  kFSCatInfoNodeID = 0x0010,
  kFSCatInfoCreateDate = 0x0020,
  kFSCatInfoContentMod = 0x0040,
  kFSCatInfoAttrMod = 0x0080,
  kFSCatInfoAccessDate = 0x0100,
  kFSCatInfoBackupDate = 0x0200,
  kFSCatInfoPermissions = 0x0400,
  kFSCatInfoFinderInfo = 0x0800,
  kFSCatInfoFinderXInfo = 0x1000,
  kFSCatInfoValence = 0x2000,
  kFSCatInfoDataSizes = 0x4000,
  kFSCatInfoRsrcSizes = 0x8000
};

enum {
  kFSNodeLockedMask = 0x0001,
  kFSNodeIsDirectoryMask = 0x0010
};

enum { kIsInvisible = 0x4000 };

// The root folder of a volume always has node ID 2; its parent is 1.
enum { fsRtParID = 1, fsRtDirID = 2 };

typedef struct OpaqueFSIterator* FSIterator;
typedef uint32_t FSIteratorFlags;
enum { kFSIterateFlat = 0, kFSIterateSubtree = 1 };

OSErr FSOpenIterator(const FSRef* container, FSIteratorFlags flags,
                     FSIterator* iterator);
OSErr FSCloseIterator(FSIterator iterator);
// Returns at most maximumObjects items; errFSNoMoreItems at the end.
OSErr FSGetCatalogInfoBulk(FSIterator iterator, ItemCount maximumObjects,
                           ItemCount* actualObjects, Boolean* containerChanged,
                           FSCatalogInfoBitmap whichInfo,
                           FSCatalogInfo* catalogInfos, FSRef* refs,
                           FSSpec* specs, HFSUniStr255* names);
OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo,
                       FSCatalogInfo* catalogInfo, HFSUniStr255* outName,
                       FSSpec* fsSpec, FSRef* parentRef);
OSErr FSpMakeFSRef(const FSSpec* source, FSRef* newRef);
// FSRef of the existing item `name` (UTF-16, as in HFSUniStr255) inside the
// folder parentRef. The encoding hint is ignored.
OSErr FSMakeFSRefUnicode(const FSRef* parentRef, ItemCount nameLength,
                         const UniChar* name, uint32_t textEncodingHint,
                         FSRef* newRef);

// Path conversions (POSIX paths, bytes as on disk, zero-terminated).
OSStatus FSRefMakePath(const FSRef* ref, uint8_t* path, uint32_t maxPathSize);
// The item need not exist, but its parent folder must.
OSStatus FSPathMakeRef(const uint8_t* path, FSRef* ref, Boolean* isDirectory);
OSStatus FSSpecMakePath(const FSSpec* spec, uint8_t* path, uint32_t maxPathSize);
OSStatus FSPathMakeFSSpec(const uint8_t* path, FSSpec* spec);

// ---- Older catalog calls, by index within one folder -----------------------

typedef struct FInfo {
  OSType fdType;
  OSType fdCreator;
  uint16_t fdFlags;
  int16_t fdLocationV;
  int16_t fdLocationH;
  int16_t fdFldr;
} FInfo;

// Catalog parameter block for PBGetCatInfoSync. With ioFDirIndex > 0 the
// ioFDirIndex-th item (from 1) of folder ioDirID is returned and its name
// written to ioNamePtr (Str63 at least). With ioFDirIndex == 0 the item
// named by ioNamePtr inside ioDirID is returned; with ioFDirIndex < 0 the
// folder ioDirID itself.
typedef struct CInfoPBRec {
  OSErr ioResult;
  StringPtr ioNamePtr;
  int16_t ioVRefNum;
  int16_t ioFDirIndex;
  uint8_t ioFlAttrib;      // 0x10: folder
  FInfo ioFlFndrInfo;      // files; folders: the folder's Finder info
  int32_t ioDirID;         // in: folder to look in; out (folders): its own ID
  int32_t ioFlParID;       // out: parent folder ID
  int32_t ioFlLgLen;       // data fork logical length (clamped)
  int32_t ioFlPyLen;
  int32_t ioFlRLgLen;
  int32_t ioFlRPyLen;
  uint32_t ioFlCrDat;      // local time, seconds since 1904
  uint32_t ioFlMdDat;
  uint16_t ioDrNmFls;      // folders: number of items
} CInfoPBRec;
typedef CInfoPBRec* CInfoPBPtr;

// Parameter block for PBHGetFInfoSync and PBHGetVInfoSync.
typedef struct HParamBlockRec {
  OSErr ioResult;
  StringPtr ioNamePtr;
  int16_t ioVRefNum;
  int16_t ioFDirIndex;
  int32_t ioDirID;
  uint8_t ioFlAttrib;
  FInfo ioFlFndrInfo;
  int32_t ioFlLgLen;
  int32_t ioFlPyLen;
  int32_t ioFlRLgLen;
  int32_t ioFlRPyLen;
  uint32_t ioFlCrDat;
  uint32_t ioFlMdDat;
  // volume information (PBHGetVInfoSync)
  int16_t ioVolIndex;
  uint32_t ioVCrDate;
  uint16_t ioVNmFls;
  uint32_t ioVAlBlkSiz;
} HParamBlockRec;
typedef HParamBlockRec* HParmBlkPtr;

OSErr PBGetCatInfoSync(CInfoPBPtr paramBlock);
OSErr PBHGetFInfoSync(HParmBlkPtr paramBlock);
OSErr PBHGetVInfoSync(HParmBlkPtr paramBlock);

// Offset of local time from UTC in seconds, as the older calls use it.
int32_t PlatformLocalTimeOffset(void);

// Test hook: while set, FSpMakeFSRef fails with paramErr.
void PlatformSetFSpMakeFSRefFails(Boolean fails);
// Number of folders the layer remembers (ids handed out so far).
uint32_t PlatformFolderTableCount(void);

#ifdef __cplusplus
}
#endif

// Item information and display names.
#pragma once

#include "platform/catalog.h"
#include "platform/cf_string.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t LSRequestedInfo;
enum {
  kLSRequestExtension = 0x1,
  kLSRequestTypeCreator = 0x2,
  kLSRequestBasicFlagsOnly = 0x4,
  kLSRequestAppTypeFlags = 0x8,
  kLSRequestAllFlags = 0x10
};

typedef uint32_t LSItemInfoFlags;
enum {
  kLSItemInfoIsPlainFile = 0x1,
  kLSItemInfoIsPackage = 0x2,
  kLSItemInfoIsApplication = 0x4,
  kLSItemInfoIsContainer = 0x8,
  kLSItemInfoIsAliasFile = 0x10,
  kLSItemInfoIsSymlink = 0x20,
  kLSItemInfoIsInvisible = 0x40
};

typedef struct LSItemInfoRecord {
  LSItemInfoFlags flags;
  OSType filetype;
  OSType creator;
  CFStringRef extension;  // set only when requested; the caller releases it
} LSItemInfoRecord;

// A package is a folder whose name ends in .app, .bundle, .framework,
// .plugin or .kext.
OSStatus LSCopyItemInfoForRef(const FSRef* ref, LSRequestedInfo whichInfo,
                              LSItemInfoRecord* outInfo);
// The name as text; bytes that are not UTF-8 show as U+FFFD.
OSStatus LSCopyDisplayNameForRef(const FSRef* ref, CFStringRef* displayName);

#ifdef __cplusplus
}
#endif

// FileListKVR: one level of a folder's items with their catalog data.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "framework/plugin_api.h"
#include "platform/catalog.h"
#include "platform/cf_string.h"

// Text encodings of the strings the class hands over.
enum : uint32_t {
  kEncodingMacRoman = 0,
  kEncodingUTF16 = 0x100,
  kEncodingASCII = 0x600,
  kEncodingUTF8 = 0x08000100
};

// One listed item, owned by its list.
struct FileEntry {
  uint8_t visible;
  int32_t finderFlags;
  uint8_t isDirectory;
  double dataPhysicalSize;
  double dataLogicalSize;
  double rsrcPhysicalSize;
  double rsrcLogicalSize;
  double creationDate;      // seconds since 1904-01-01 00:00 UTC
  double modificationDate;
  OSType creator;
  OSType type;
  FSSpec fsspec;            // older catalog route only
  FSRef fsref;
  HFSUniStr255 name;
  uint8_t hasFSSpec;
  uint8_t hasFSRef;
};

// The per-object data block that the framework reserves in every object.
struct FileListData {
  int32_t capacity;         // items counted; never more entries than this
  RBBoolean OK;             // property OK
  int32_t Count;            // property Count
  FileEntry** entries;      // capacity slots, zero-filled
  REALobject Folder;        // property Folder, one reference while set
};

// The class as registered.
REALclassDefinition* FileListKVRClass();

// Builders. Each answers nil when the framework cannot make the object.
REALstring REALBuildUnicodeString(const void* bytes, int32_t length,
                                  uint32_t encoding);
REALmemoryBlock REALBuildMemoryblock(const void* bytes, int32_t length);
REALstring REALBuildOSTypeString(OSType code);
REALstring CFString2RBString(CFStringRef str, bool unicodeFirst);
REALfolderItem REALFolderItemFromFSRef(const FSRef* ref);

#include "plugins/filelist/PluginMain.h"

#include <string.h>

#include "platform/mem.h"

namespace {

REALResolver gResolver = nullptr;

enum HostEntry {
  kPluginRegisterClass,
  kGetRBVersion,
  kBuildString,
  kSetStringEncoding,
  kLockObject,
  kUnlockObject,
  kNewMemoryBlock,
  kMemoryBlockGetPtr,
  kFolderItemFromFSSpec,
  kFSSpecFromFolderItem,
  kFolderItemFromParentFSRef,
  kHostEntryCount
};

const char* const kHostEntryNames[kHostEntryCount] = {
    "PluginRegisterClass",   "REALGetRBVersion",
    "REALBuildString",       "REALSetStringEncoding",
    "REALLockObject",        "REALUnlockObject",
    "newMemoryBlock",        "memoryBlockGetPtr",
    "FolderItemFromFSSpec",  "REALFSSpecFromFolderItem",
    "REALFolderItemFromParentFSRef",
};

void* gHostEntries[kHostEntryCount] = {};

// The cached entry point, resolved now when still unknown.
template <class Proc>
Proc Host(HostEntry which) {
  if (!gHostEntries[which] && gResolver)
    gHostEntries[which] = gResolver(kHostEntryNames[which]);
  return reinterpret_cast<Proc>(gHostEntries[which]);
}

// A class as declared, and its short-record copy once one was made.
struct Registration {
  REALclassDefinition* def;
  REALmethodDefinition* declared;
  REALmethodDefinitionShort* shortRecords;
};
constexpr int kMaxClasses = 8;
Registration gRegistrations[kMaxClasses] = {};

// The short records live as long as the library.
struct ShortRecordsRelease {
  ~ShortRecordsRelease() {
    for (Registration& r : gRegistrations) {
      if (r.shortRecords) DisposePtr(reinterpret_cast<Ptr>(r.shortRecords));
      r = Registration{};
    }
  }
} gShortRecordsRelease;

Registration* RegistrationFor(REALclassDefinition* def) {
  for (Registration& r : gRegistrations) {
    if (r.def == def) return &r;
  }
  for (Registration& r : gRegistrations) {
    if (!r.def) {
      r.def = def;
      r.declared = def->methods;
      return &r;
    }
  }
  return nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void REALPluginMain(
    REALResolver resolver) {
  if (resolver != gResolver) {
    gResolver = resolver;
    memset(gHostEntries, 0, sizeof gHostEntries);
  }
  if (!gResolver) return;
  auto registerVersion = reinterpret_cast<RegisterPluginVersionProc>(
      gResolver("RegisterPluginVersion"));
  if (registerVersion) registerVersion(kCurrentREALControlVersion);
  PluginEntry();
}

void REALRegisterClass(REALclassDefinition* def) {
  if (!def) return;
  auto registerClass = Host<PluginRegisterClassProc>(kPluginRegisterClass);
  auto getVersion = Host<REALGetRBVersionProc>(kGetRBVersion);

  // Always start from the declared records, so that registering again
  // never copies a copy.
  Registration* reg = RegistrationFor(def);
  if (reg) def->methods = reg->declared;

  // A version that is not a number counts as new enough.
  bool shortRecords = !getVersion || getVersion() < 5.9;
  if (shortRecords && reg && def->methodCount > 0) {
    if (!reg->shortRecords) {
      reg->shortRecords = reinterpret_cast<REALmethodDefinitionShort*>(
          NewPtr(static_cast<Size>(sizeof(REALmethodDefinitionShort) *
                                   def->methodCount)));
    }
    // Without memory the declared records are registered as they are.
    if (reg->shortRecords) {
      for (uint32_t i = 0; i < def->methodCount; ++i) {
        reg->shortRecords[i].function = reg->declared[i].function;
        reg->shortRecords[i].setterFunction = reg->declared[i].setterFunction;
        reg->shortRecords[i].declaration = reg->declared[i].declaration;
      }
      def->methods = reinterpret_cast<REALmethodDefinition*>(reg->shortRecords);
    }
  }

  if (registerClass) registerClass(def);
}

REALstring REALBuildString(const void* bytes, int32_t length) {
  auto fn = Host<REALBuildStringProc>(kBuildString);
  return fn ? fn(bytes, length) : nullptr;
}

bool REALSetStringEncoding(REALstring str, uint32_t encoding) {
  auto fn = Host<REALSetStringEncodingProc>(kSetStringEncoding);
  if (!fn) return false;
  fn(str, encoding);
  return true;
}

void REALLockObject(REALobject obj) {
  auto fn = Host<REALLockObjectProc>(kLockObject);
  if (fn && obj) fn(obj);
}

void REALUnlockObject(REALobject obj) {
  auto fn = Host<REALUnlockObjectProc>(kUnlockObject);
  if (fn && obj) fn(obj);
}

REALmemoryBlock REALNewMemoryBlock(int32_t size) {
  auto fn = Host<newMemoryBlockProc>(kNewMemoryBlock);
  return fn ? fn(size) : nullptr;
}

void* REALMemoryBlockGetPtr(REALmemoryBlock block) {
  auto fn = Host<memoryBlockGetPtrProc>(kMemoryBlockGetPtr);
  return fn && block ? fn(block) : nullptr;
}

REALfolderItem REALFolderItemFromFSSpec(const FSSpec* spec) {
  auto fn = Host<FolderItemFromFSSpecProc>(kFolderItemFromFSSpec);
  return fn && spec ? fn(spec) : nullptr;
}

bool REALFSSpecFromFolderItem(FSSpec* spec, REALfolderItem item) {
  auto fn = Host<REALFSSpecFromFolderItemProc>(kFSSpecFromFolderItem);
  if (!fn || !spec || !item) return false;
  return (fn(spec, item) & 0xFF) != 0;
}

REALfolderItem REALFolderItemFromParentFSRef(const FSRef* parent,
                                             const HFSUniStr255* name) {
  auto fn = Host<REALFolderItemFromParentFSRefProc>(kFolderItemFromParentFSRef);
  return fn && parent && name ? fn(parent, name) : nullptr;
}

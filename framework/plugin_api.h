// The plugin boundary: what a plugin library and the framework share.
//
// A plugin exports only REALPluginMain. The framework calls it with a
// resolver that maps an entry-point name to a framework function; the plugin
// reaches every framework service through that resolver. Plain C: no
// exception crosses this boundary.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Every framework value that crosses the boundary is a reference-counted
// object: strings, memory blocks and folder items alike. Null means nil.
typedef struct REALobjectStruct* REALobject;
typedef REALobject REALstring;
typedef REALobject REALfolderItem;
typedef REALobject REALmemoryBlock;
typedef uint8_t RBBoolean;
typedef int32_t RBInteger;

typedef void* (*REALResolver)(const char* entryName);

// Standard property accessors: the framework reads and writes the field at
// `param` bytes into the object's data block itself.
#define REALstandardGetter ((void*)(intptr_t)-1)
#define REALstandardSetter ((void*)(intptr_t)-1)

enum {
  REALpropInvisible = 1,
  REALpropRuntimeOnly = 2,
  REALconsoleSafe = 4,
  REALScopeGlobal = 0
};

typedef struct REALproperty {
  const char* group;
  const char* name;
  const char* type;  // "Integer", "Boolean", "Double", "String", "Folderitem", ...
  uint32_t flags;
  void* getter;
  void* setter;
  intptr_t param;    // field position inside the data block
  void* editor;
  uint32_t enumCount;
  const char** enumEntries;
} REALproperty;

typedef struct REALmethodDefinition {
  void* function;
  void* setterFunction;
  const char* declaration;
  uint32_t mFlags;
} REALmethodDefinition;

// The record form of frameworks older than 5.9: without the flags word.
typedef struct REALmethodDefinitionShort {
  void* function;
  void* setterFunction;
  const char* declaration;
} REALmethodDefinitionShort;

typedef struct REALevent {
  const char* declaration;
  uint32_t forSystemUse;
} REALevent;

typedef struct REALeventInstance {
  const char* name;
  void* implementation;
} REALeventInstance;

typedef struct REALconstant {
  const char* declaration;
  uint32_t reserved;
} REALconstant;

enum { kCurrentREALControlVersion = 9 };

typedef struct REALclassDefinition {
  uint32_t version;
  const char* name;
  const char* superName;
  uint32_t dataSize;
  uint32_t forSystemUse;  // position of the data block; set by registration
  void* constructor;      // void (*)(REALobject)
  void* destructor;       // void (*)(REALobject)
  REALproperty* properties;
  uint32_t propertyCount;
  REALmethodDefinition* methods;  // or REALmethodDefinitionShort* (< 5.9)
  uint32_t methodCount;
  REALevent* events;
  uint32_t eventCount;
  REALeventInstance* eventInstances;
  uint32_t eventInstanceCount;
  const char* interfaces;
  void* bindings;
  uint32_t bindingCount;
  REALconstant* constants;
  uint32_t constantCount;
  uint32_t mFlags;
} REALclassDefinition;

// A method that a plugin adds to a framework class, such as folderitem.
typedef struct REALclassExtensionDefinition {
  uint32_t version;
  const char* className;  // lower-case framework class name, e.g. "folderitem"
  REALmethodDefinition* methods;
  uint32_t methodCount;
} REALclassExtensionDefinition;

// Entry points that the resolver answers, with the types the plugins call
// them with.
typedef void (*RegisterPluginVersionProc)(int32_t version);
typedef void (*PluginRegisterClassProc)(REALclassDefinition* def);
typedef void (*PluginRegisterClassExtensionProc)(
    REALclassExtensionDefinition* def);
typedef double (*REALGetRBVersionProc)(void);
typedef REALstring (*REALBuildStringProc)(const void* bytes, int32_t length);
typedef void (*REALSetStringEncodingProc)(REALstring str, uint32_t encoding);
typedef void (*REALLockObjectProc)(REALobject obj);
typedef void (*REALUnlockObjectProc)(REALobject obj);
typedef REALmemoryBlock (*newMemoryBlockProc)(int32_t size);
typedef void* (*memoryBlockGetPtrProc)(REALmemoryBlock block);
typedef REALfolderItem (*FolderItemFromFSSpecProc)(const void* fsspec);
typedef int32_t (*REALFSSpecFromFolderItemProc)(void* fsspec,
                                                REALfolderItem item);
typedef REALfolderItem (*REALFolderItemFromParentFSRefProc)(
    const void* parentRef, const void* hfsUniName);
// Whether a folder item is a file whose content a picture reader of the
// framework recognises and whose stated size is at least 1 x 1; width and
// height (either may be null) receive that size, or 0. Reads the file's
// header only, never the whole picture. Nil, a folder, a missing item and
// unknown content answer 0.
typedef RBBoolean (*REALFolderItemPictureSizeProc)(REALfolderItem item,
                                                    int32_t* width,
                                                    int32_t* height);

// The one export of a plugin library.
typedef void (*REALPluginMainProc)(REALResolver resolver);

#ifdef __cplusplus
}
#endif

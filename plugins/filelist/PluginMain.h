// Plugin entry, class registration and the framework entry points the
// library reaches through the resolver.
//
// Every wrapper resolves its entry point by name on first use and keeps the
// answer; while the framework does not know the name, the wrapper answers
// 0, false or nil and asks again on its next call.
#pragma once

#include <stdint.h>

#include "framework/plugin_api.h"
#include "platform/catalog.h"

extern "C" __attribute__((visibility("default"))) void REALPluginMain(
    REALResolver resolver);

// Registers a class definition with the framework. Frameworks older than
// 5.9 (or without "REALGetRBVersion") receive the short method records.
void REALRegisterClass(REALclassDefinition* def);

// Registers the library's classes (the plugin's own part of start-up).
void PluginEntry();

REALstring REALBuildString(const void* bytes, int32_t length);
// False when the framework cannot tag strings.
bool REALSetStringEncoding(REALstring str, uint32_t encoding);
void REALLockObject(REALobject obj);
void REALUnlockObject(REALobject obj);
REALmemoryBlock REALNewMemoryBlock(int32_t size);
void* REALMemoryBlockGetPtr(REALmemoryBlock block);
REALfolderItem REALFolderItemFromFSSpec(const FSSpec* spec);
bool REALFSSpecFromFolderItem(FSSpec* spec, REALfolderItem item);
REALfolderItem REALFolderItemFromParentFSRef(const FSRef* parent,
                                             const HFSUniStr255* name);

// The program's table of plugin entry points, bound by key at start-up.
#pragma once

namespace PluginEntrypoints {

// Slot indices, in key order.
enum Slot : int {
  kControlsFirst = 0,  // "_", the BevelButton keys, Placard, DisclosureTriangle, ImageWell
  kControlsCount = 26,
  kFileListKVR_Exit = 26,
  kFileListKVR_IsBundle,
  kFileListKVR_FinderFlags,
  kFileListKVR_FSSpec,
  kFileListKVR_FSRef,
  kFileListKVR_HFSUniStr255,
  kFileListKVR_Creator,
  kFileListKVR_Type,
  kFileListKVR_Name,
  kFileListKVR_DisplayName,
  kFileListKVR_Visible,
  kFileListKVR_Directory,
  kFileListKVR_Item,
  kFileListKVR_PhysicalDataLength,
  kFileListKVR_LogicalDataLength,
  kFileListKVR_PhysicalResourceLength,
  kFileListKVR_LogicalResourceLength,
  kFileListKVR_Close,
  kFileListKVR_ConstructFromList,
  kFileListKVR_ConstructFromFolder,
  kFileListKVR_Construct,
  kFileListKVR_CreationDate,
  kFileListKVR_ModificationDate,
  kFileListKVR_SortByModificationDate,
  kFileListKVR_SortByCreationDate,
  kFileListKVR_WinFileAttributes,
  kFolderItem_IsPictureFileKVR,
  kCount  // 53
};

static_assert(kFolderItem_IsPictureFileKVR == 52 && kCount == 53);

// The key of every slot, in slot order.
extern const char* const kKeys[kCount];

// The bound table (null before _InitPluginEntrypoints).
void** Table();

// The entry bound in a slot; null when nothing is bound.
inline void* Entry(Slot slot) {
  void** t = Table();
  return t ? t[slot] : nullptr;
}

}  // namespace PluginEntrypoints

// Allocates the table and fills every slot with the framework's answer for
// its key. Binding checks nothing: an unknown key leaves its slot null.
void _InitPluginEntrypoints();

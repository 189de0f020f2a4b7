// The program's side of the plugin class FileListKVR: every member calls
// through its bound entry point (see PluginEntrypoints.h).
#pragma once

#include <cstdint>

#include "framework/folder_item.h"
#include "framework/memory_block.h"
#include "framework/object.h"
#include "framework/rbstring.h"
#include "framework/runtime.h"

class FileListKVR final : public rb::PluginObject {
 public:
  explicit FileListKVR(const rb::PluginClass* cls) : rb::PluginObject(cls) {}
  // Calls the plugin's destructor through its slot.
  ~FileListKVR() override;

  // New lists, never nil: raises NilObjectException when the class is not
  // registered or the constructor's entry point is not bound.
  static rb::Ref<FileListKVR> New();
  static rb::Ref<FileListKVR> New(const rb::Ref<rb::FolderItem>& folder);
  static rb::Ref<FileListKVR> New(const rb::Ref<FileListKVR>& list, int index);

  bool IsBundle(int index);
  int32_t FinderFlags(int index);
  rb::Ref<rb::MemoryBlock> FSSpec(int index);
  rb::Ref<rb::MemoryBlock> FSRef(int index);
  rb::Ref<rb::MemoryBlock> HFSUniStr255(int index);
  rb::String Creator(int index);
  rb::String Type(int index);
  rb::String Name(int index);
  rb::String DisplayName(int index);
  bool Visible(int index);
  bool Directory(int index);
  rb::Ref<rb::FolderItem> Item(int index);
  double PhysicalDataLength(int index);
  double LogicalDataLength(int index);
  double PhysicalResourceLength(int index);
  double LogicalResourceLength(int index);
  void Close();
  double CreationDate(int index);
  double ModificationDate(int index);
  void SortByModificationDate();
  void SortByCreationDate();
  int32_t WinFileAttributes(int index);

  // Plain field properties.
  rb::Ref<rb::FolderItem> Folder();
  void SetFolder(const rb::Ref<rb::FolderItem>& folder);
  int32_t Count();
  void SetCount(int32_t count);
  bool OK();
  void SetOK(bool ok);

};

// Whether the folder item is a picture the preview can open, through the
// entry point another plugin adds to folder items. Raises
// NilObjectException for a nil item or when that entry point is not bound.
bool IsPictureFileKVR(const rb::Ref<rb::FolderItem>& item);

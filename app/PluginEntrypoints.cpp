#include "app/PluginEntrypoints.h"

#include "framework/runtime.h"

namespace PluginEntrypoints {

namespace {
void** gTable = nullptr;
}

const char* const kKeys[kCount] = {
    "_",
    "BevelButton.AddRow(text As String)",
    "BevelButton.AddSeparator",
    "BevelButton.DeleteAllRows",
    "BevelButton.List(index As Integer) As String",
    "BevelButton.ListCount As Integer",
    "BevelButton.Caption.Get",
    "BevelButton.Caption.Set",
    "BevelButton.CaptionAlign.Get",
    "BevelButton.CaptionAlign.Set",
    "BevelButton.CaptionDelta.Get",
    "BevelButton.CaptionDelta.Set",
    "BevelButton.Icon.Get",
    "BevelButton.Icon.Set",
    "BevelButton.IconAlign.Get",
    "BevelButton.IconAlign.Set",
    "BevelButton.MenuValue.Get",
    "BevelButton.MenuValue.Set",
    "BevelButton.Value.Get",
    "BevelButton.Value.Set",
    "BevelButton.TextColor.Get",
    "BevelButton.TextColor.Set",
    "BevelButton.Bold.Set",
    "Placard.Value.Set",
    "DisclosureTriangle.Value.Set",
    "ImageWell.Image.Set",
    "FileListKVR.__exit",
    "FileListKVR.IsBundle(index as integer) as Boolean",
    "FileListKVR.FinderFlags(index as integer) as Integer",
    "FileListKVR.FSSpec(index as integer) as memoryblock",
    "FileListKVR.FSRef(index as integer) as memoryblock",
    "FileListKVR.HFSUniStr255(index as integer) as memoryblock",
    "FileListKVR.Creator(index as integer) as string",
    "FileListKVR.Type(index as integer) as string",
    "FileListKVR.Name(index as integer) as string",
    "FileListKVR.DisplayName(index as integer) as string",
    "FileListKVR.Visible(index as integer) as boolean",
    "FileListKVR.Directory(index as integer) as boolean",
    "FileListKVR.Item(index as integer) as folderitem",
    "FileListKVR.PhysicalDataLength(index as integer) as double",
    "FileListKVR.LogicalDataLength(index as integer) as double",
    "FileListKVR.PhysicalResourceLength(index as integer) as double",
    "FileListKVR.LogicalResourceLength(index as integer) as double",
    "FileListKVR.Close",
    "FileListKVR.FileListKVR(filelist as FileListKVR, index as integer)",
    "FileListKVR.FileListKVR(folder as folderitem)",
    "FileListKVR.FileListKVR",
    "FileListKVR.CreationDate(index as integer) as double",
    "FileListKVR.ModificationDate(index as integer) as double",
    "FileListKVR.SortByModificationDate",
    "FileListKVR.SortByCreationDate",
    "FileListKVR.WinFileAttributes(index as integer) as integer",
    "folderitem.IsPictureFileKVR as boolean",
};

void** Table() { return gTable; }

}  // namespace PluginEntrypoints

void _InitPluginEntrypoints() {
  using namespace PluginEntrypoints;
  // The table lives until the process ends; binding again refills it.
  if (!gTable) gTable = rb::RuntimeAllocatePluginEntrypointsTable(kCount);
  if (!gTable) return;
  for (int i = 0; i < kCount; ++i) gTable[i] = rb::RuntimeLookupPluginEntrypoint(kKeys[i]);
}

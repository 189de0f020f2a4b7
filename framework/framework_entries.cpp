// The framework functions that plugins reach by name through the resolver,
// and the entries the framework registers for its own custom controls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImageIOHandler>
#include <QImageReader>
#include <QSize>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "framework/application.h"
#include "framework/folder_item.h"
#include "framework/memory_block.h"
#include "framework/rbstring.h"
#include "framework/runtime.h"
#include "platform/at_path.h"
#include "platform/catalog.h"
#include "platform/name_codec.h"

namespace rb {

void NotePluginVersion(int32_t version);                             // runtime.cpp
void RegisterClassExtensionEntry(REALclassExtensionDefinition* def);  // runtime.cpp

namespace {

Object* AsObject(REALobject o) { return Object::FromREAL(o); }

extern "C" {

static void HostRegisterPluginVersion(int32_t version) { NotePluginVersion(version); }

static void HostRegisterClass(REALclassDefinition* def) { RegisterPluginClass(def); }

static void HostRegisterClassExtension(REALclassExtensionDefinition* def) {
  RegisterClassExtensionEntry(def);
}

static double HostGetRBVersion() { return 6.0; }

static REALstring HostBuildString(const void* bytes, int32_t length) {
  if (length < 0 || (!bytes && length > 0)) return nullptr;
  std::string data(static_cast<const char*>(bytes), static_cast<size_t>(length));
  return (new StringObject(std::move(data), Encodings::Unknown))->AsREAL();
}

static void HostSetStringEncoding(REALstring str, uint32_t encoding) {
  if (auto* s = dynamic_cast<StringObject*>(AsObject(str))) s->encoding = encoding;
}

static void HostLockObject(REALobject obj) {
  if (obj) AsObject(obj)->Lock();
}

static void HostUnlockObject(REALobject obj) {
  if (obj) AsObject(obj)->Unlock();
}

static REALmemoryBlock HostNewMemoryBlock(int32_t size) {
  if (size < 0) return nullptr;
  return (new MemoryBlock(static_cast<size_t>(size)))->AsREAL();
}

static void* HostMemoryBlockGetPtr(REALmemoryBlock block) {
  auto* mb = dynamic_cast<MemoryBlock*>(AsObject(block));
  return mb ? mb->Data() : nullptr;
}

static REALfolderItem NewFolderItem(std::string path) {
  return (new FolderItem(std::move(path)))->AsREAL();
}

static REALfolderItem HostFolderItemFromFSSpec(const void* spec) {
  if (!spec) return nullptr;
  std::string path;
  if (platform::PathOfSpec(static_cast<const FSSpec*>(spec), &path) != noErr) return nullptr;
  return NewFolderItem(std::move(path));
}

static int32_t HostFSSpecFromFolderItem(void* spec, REALfolderItem item) {
  auto* f = dynamic_cast<FolderItem*>(AsObject(item));
  if (!spec || !f) return 0;
  return FSPathMakeFSSpec(reinterpret_cast<const uint8_t*>(f->Path().c_str()),
                          static_cast<FSSpec*>(spec)) == noErr;
}

static REALfolderItem HostFolderItemFromParentFSRef(const void* parentRef, const void* name) {
  if (!parentRef || !name) return nullptr;
  const auto* uni = static_cast<const HFSUniStr255*>(name);
  if (uni->length == 0 || uni->length > 255) return nullptr;
  std::string path;
  if (platform::PathOfRef(static_cast<const FSRef*>(parentRef), &path) != noErr) return nullptr;
  std::string leaf = platform::Utf16ToNameBytes(
      std::u16string_view(reinterpret_cast<const char16_t*>(uni->unicode), uni->length));
  if (leaf.empty() || leaf.find('/') != std::string::npos) return nullptr;
  if (path.empty() || path.back() != '/') path += '/';
  return NewFolderItem(path + leaf);
}

// Pictures whose reader states no size are decoded to learn it, up to this
// many bytes of file.
constexpr off_t kMaxDecodeForSize = 64 << 20;

static RBBoolean HostFolderItemPictureSize(REALfolderItem item, int32_t* width, int32_t* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  auto* f = dynamic_cast<FolderItem*>(AsObject(item));
  if (!f) return 0;
  // Opened by its bytes (a name need not be UTF-8); never blocks on a pipe.
  platform::AtPath at(f->Path());
  int fd = openat(at.dir(), at.name(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
    close(fd);
    return 0;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  EnsureGuiApplication();
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    close(fd);
    return 0;
  }
  // By content alone: the name plays no part.
  QImageReader reader(&file);
  reader.setDecideFormatFromContent(true);
  if (!reader.canRead()) return 0;
  QSize size = reader.size();
  if (!size.isValid()) {
    if (st.st_size > kMaxDecodeForSize) return 0;
    size = reader.read().size();
  } else if (reader.transformation() & QImageIOHandler::TransformationRotate90) {
    size.transpose();  // shown upright, as the picture opener turns it
  }
  if (size.width() <= 0 || size.height() <= 0) return 0;
  if (width) *width = size.width();
  if (height) *height = size.height();
  return 1;
}

// Members of the framework's own custom controls; nothing in the program
// calls them.
static void ControlEntryStub() {}

}  // extern "C"

const std::unordered_map<std::string_view, void*>& EntryTable() {
  static const std::unordered_map<std::string_view, void*> table = {
      {"RegisterPluginVersion", reinterpret_cast<void*>(&HostRegisterPluginVersion)},
      {"PluginRegisterClass", reinterpret_cast<void*>(&HostRegisterClass)},
      {"PluginRegisterClassExtension", reinterpret_cast<void*>(&HostRegisterClassExtension)},
      {"REALGetRBVersion", reinterpret_cast<void*>(&HostGetRBVersion)},
      {"REALBuildString", reinterpret_cast<void*>(&HostBuildString)},
      {"REALSetStringEncoding", reinterpret_cast<void*>(&HostSetStringEncoding)},
      {"REALLockObject", reinterpret_cast<void*>(&HostLockObject)},
      {"REALUnlockObject", reinterpret_cast<void*>(&HostUnlockObject)},
      {"newMemoryBlock", reinterpret_cast<void*>(&HostNewMemoryBlock)},
      {"memoryBlockGetPtr", reinterpret_cast<void*>(&HostMemoryBlockGetPtr)},
      {"FolderItemFromFSSpec", reinterpret_cast<void*>(&HostFolderItemFromFSSpec)},
      {"REALFSSpecFromFolderItem", reinterpret_cast<void*>(&HostFSSpecFromFolderItem)},
      {"REALFolderItemFromParentFSRef", reinterpret_cast<void*>(&HostFolderItemFromParentFSRef)},
      {"REALFolderItemPictureSize", reinterpret_cast<void*>(&HostFolderItemPictureSize)},
  };
  return table;
}

const char* const kControlEntryKeys[] = {
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
};

}  // namespace

void* ResolveFrameworkEntry(const char* name) {
  if (!name) return nullptr;
  const auto& table = EntryTable();
  auto it = table.find(name);
  return it == table.end() ? nullptr : it->second;
}

void RegisterPluginEntry(const std::string& key, void* function);  // runtime.cpp

void RegisterFrameworkEntries() {
  for (const char* key : kControlEntryKeys) {
    RegisterPluginEntry(key, reinterpret_cast<void*>(&ControlEntryStub));
  }
}

}  // namespace rb

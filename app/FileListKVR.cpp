#include "app/FileListKVR.h"

#include <string>

#include "app/PluginEntrypoints.h"

using PluginEntrypoints::Slot;

namespace {

using IndexBoolProc = RBBoolean (*)(REALobject, int32_t);
using IndexIntProc = int32_t (*)(REALobject, int32_t);
using IndexDoubleProc = double (*)(REALobject, int32_t);
using IndexObjectProc = REALobject (*)(REALobject, int32_t);
using VoidProc = void (*)(REALobject);
using FolderCtorProc = void (*)(REALobject, REALobject);
using ListCtorProc = void (*)(REALobject, REALobject, int32_t);
using ItemBoolProc = RBBoolean (*)(REALobject);

// The entry point bound in a slot; an unbound slot raises instead of being
// called.
template <class Proc>
Proc Bound(Slot slot) {
  void* entry = PluginEntrypoints::Entry(slot);
  if (!entry) {
    throw rb::NilObjectException(std::string("plugin entry point not bound: ") +
                                 PluginEntrypoints::kKeys[slot]);
  }
  return reinterpret_cast<Proc>(entry);
}

// Holds a reference to the object and to an object argument for the length
// of a call; released also when the call raises.
class CallRefs {
 public:
  explicit CallRefs(rb::Object* self, rb::Object* arg = nullptr) : self_(self), arg_(arg) {
    if (self_) self_->Lock();
    if (arg_) arg_->Lock();
  }
  ~CallRefs() {
    if (arg_) arg_->Unlock();
    if (self_) self_->Unlock();
  }
  CallRefs(const CallRefs&) = delete;
  CallRefs& operator=(const CallRefs&) = delete;

 private:
  rb::Object* self_;
  rb::Object* arg_;
};

// Takes over the reference a returned object holds.
template <class T>
rb::Ref<T> Adopt(REALobject o) {
  auto owned = rb::Ref<rb::Object>::Adopt(rb::Object::FromREAL(o));
  return rb::DynamicCast<T>(owned);
}

rb::String AdoptString(REALstring s) {
  auto owned = rb::Ref<rb::Object>::Adopt(rb::Object::FromREAL(s));
  return rb::String::FromREAL(s);
}

}  // namespace

// ---- Construction -----------------------------------------------------------

static rb::Ref<FileListKVR> CreateList() {
  auto list = rb::PluginObject::Create<FileListKVR>("FileListKVR");
  if (!list) throw rb::NilObjectException("class FileListKVR is not registered");
  return list;
}

rb::Ref<FileListKVR> FileListKVR::New() {
  auto construct = Bound<VoidProc>(PluginEntrypoints::kFileListKVR_Construct);
  auto list = CreateList();
  CallRefs refs(list.get());
  construct(list->AsREAL());
  return list;
}

rb::Ref<FileListKVR> FileListKVR::New(const rb::Ref<rb::FolderItem>& folder) {
  auto construct = Bound<FolderCtorProc>(PluginEntrypoints::kFileListKVR_ConstructFromFolder);
  auto list = CreateList();
  CallRefs refs(list.get(), folder.get());
  construct(list->AsREAL(), folder.AsREAL());
  return list;
}

rb::Ref<FileListKVR> FileListKVR::New(const rb::Ref<FileListKVR>& source, int index) {
  auto construct = Bound<ListCtorProc>(PluginEntrypoints::kFileListKVR_ConstructFromList);
  auto list = CreateList();
  CallRefs refs(list.get(), source.get());
  construct(list->AsREAL(), source.AsREAL(), index);
  return list;
}

FileListKVR::~FileListKVR() {
  // No references are taken here: the object is already going away.
  if (void* exit = PluginEntrypoints::Entry(PluginEntrypoints::kFileListKVR_Exit)) {
    reinterpret_cast<VoidProc>(exit)(AsREAL());
    MarkDestructed();
  }
}

// ---- Members ------------------------------------------------------------------

namespace {

template <class R, class Proc>
R CallIndex(FileListKVR* self, Slot slot, int index) {
  auto fn = Bound<Proc>(slot);
  CallRefs refs(self);
  return static_cast<R>(fn(self->AsREAL(), index));
}

template <class T>
rb::Ref<T> CallIndexObject(FileListKVR* self, Slot slot, int index) {
  auto fn = Bound<IndexObjectProc>(slot);
  CallRefs refs(self);
  return Adopt<T>(fn(self->AsREAL(), index));
}

rb::String CallIndexString(FileListKVR* self, Slot slot, int index) {
  auto fn = Bound<IndexObjectProc>(slot);
  CallRefs refs(self);
  return AdoptString(fn(self->AsREAL(), index));
}

void CallVoid(FileListKVR* self, Slot slot) {
  auto fn = Bound<VoidProc>(slot);
  CallRefs refs(self);
  fn(self->AsREAL());
}

}  // namespace

bool FileListKVR::IsBundle(int index) {
  return CallIndex<RBBoolean, IndexBoolProc>(this, PluginEntrypoints::kFileListKVR_IsBundle, index) != 0;
}

int32_t FileListKVR::FinderFlags(int index) {
  return CallIndex<int32_t, IndexIntProc>(this, PluginEntrypoints::kFileListKVR_FinderFlags, index);
}

rb::Ref<rb::MemoryBlock> FileListKVR::FSSpec(int index) {
  return CallIndexObject<rb::MemoryBlock>(this, PluginEntrypoints::kFileListKVR_FSSpec, index);
}

rb::Ref<rb::MemoryBlock> FileListKVR::FSRef(int index) {
  return CallIndexObject<rb::MemoryBlock>(this, PluginEntrypoints::kFileListKVR_FSRef, index);
}

rb::Ref<rb::MemoryBlock> FileListKVR::HFSUniStr255(int index) {
  return CallIndexObject<rb::MemoryBlock>(this, PluginEntrypoints::kFileListKVR_HFSUniStr255, index);
}

rb::String FileListKVR::Creator(int index) {
  return CallIndexString(this, PluginEntrypoints::kFileListKVR_Creator, index);
}

rb::String FileListKVR::Type(int index) {
  return CallIndexString(this, PluginEntrypoints::kFileListKVR_Type, index);
}

rb::String FileListKVR::Name(int index) {
  return CallIndexString(this, PluginEntrypoints::kFileListKVR_Name, index);
}

rb::String FileListKVR::DisplayName(int index) {
  return CallIndexString(this, PluginEntrypoints::kFileListKVR_DisplayName, index);
}

bool FileListKVR::Visible(int index) {
  return CallIndex<RBBoolean, IndexBoolProc>(this, PluginEntrypoints::kFileListKVR_Visible, index) != 0;
}

bool FileListKVR::Directory(int index) {
  return CallIndex<RBBoolean, IndexBoolProc>(this, PluginEntrypoints::kFileListKVR_Directory, index) != 0;
}

rb::Ref<rb::FolderItem> FileListKVR::Item(int index) {
  return CallIndexObject<rb::FolderItem>(this, PluginEntrypoints::kFileListKVR_Item, index);
}

double FileListKVR::PhysicalDataLength(int index) {
  return CallIndex<double, IndexDoubleProc>(this, PluginEntrypoints::kFileListKVR_PhysicalDataLength, index);
}

double FileListKVR::LogicalDataLength(int index) {
  return CallIndex<double, IndexDoubleProc>(this, PluginEntrypoints::kFileListKVR_LogicalDataLength, index);
}

double FileListKVR::PhysicalResourceLength(int index) {
  return CallIndex<double, IndexDoubleProc>(this, PluginEntrypoints::kFileListKVR_PhysicalResourceLength,
                                            index);
}

double FileListKVR::LogicalResourceLength(int index) {
  return CallIndex<double, IndexDoubleProc>(this, PluginEntrypoints::kFileListKVR_LogicalResourceLength,
                                            index);
}

void FileListKVR::Close() { CallVoid(this, PluginEntrypoints::kFileListKVR_Close); }

double FileListKVR::CreationDate(int index) {
  return CallIndex<double, IndexDoubleProc>(this, PluginEntrypoints::kFileListKVR_CreationDate, index);
}

double FileListKVR::ModificationDate(int index) {
  return CallIndex<double, IndexDoubleProc>(this, PluginEntrypoints::kFileListKVR_ModificationDate, index);
}

void FileListKVR::SortByModificationDate() {
  CallVoid(this, PluginEntrypoints::kFileListKVR_SortByModificationDate);
}

void FileListKVR::SortByCreationDate() { CallVoid(this, PluginEntrypoints::kFileListKVR_SortByCreationDate); }

int32_t FileListKVR::WinFileAttributes(int index) {
  return CallIndex<int32_t, IndexIntProc>(this, PluginEntrypoints::kFileListKVR_WinFileAttributes, index);
}

// ---- Properties ---------------------------------------------------------------

rb::Ref<rb::FolderItem> FileListKVR::Folder() {
  return rb::DynamicCast<rb::FolderItem>(ObjectProperty("Folder"));
}

void FileListKVR::SetFolder(const rb::Ref<rb::FolderItem>& folder) {
  SetObjectProperty("Folder", rb::Ref<rb::Object>(folder));
}

int32_t FileListKVR::Count() { return IntegerProperty("Count"); }

void FileListKVR::SetCount(int32_t count) { SetIntegerProperty("Count", count); }

bool FileListKVR::OK() { return BooleanProperty("OK"); }

void FileListKVR::SetOK(bool ok) { SetBooleanProperty("OK", ok); }

// ---- Folder item extension --------------------------------------------------

bool IsPictureFileKVR(const rb::Ref<rb::FolderItem>& item) {
  auto fn = Bound<ItemBoolProc>(PluginEntrypoints::kFolderItem_IsPictureFileKVR);
  if (!item) throw rb::NilObjectException();
  CallRefs refs(item.get());
  return fn(item.AsREAL()) != 0;
}

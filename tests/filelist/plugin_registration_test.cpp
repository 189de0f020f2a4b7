// The plugin library against a host of the test's own: registration records,
// the short records of older hosts, entry points resolved on first use, and
// the references and objects the members make through the host.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/plugin_api.h"
#include "platform/catalog.h"
#include "support/test_support.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

static_assert(sizeof(void*) == 8, "the expected layout is the 64-bit one");

const char* const kDeclarations[25] = {
    "IsBundle(index as integer) as Boolean",
    "FinderFlags(index as integer) as Integer",
    "FSSpec(index as integer) as memoryblock",
    "FSRef(index as integer) as memoryblock",
    "HFSUniStr255(index as integer) as memoryblock",
    "Creator(index as integer) as string",
    "Type(index as integer) as string",
    "Name(index as integer) as string",
    "DisplayName(index as integer) as string",
    "Visible(index as integer) as boolean",
    "Directory(index as integer) as boolean",
    "Item(index as integer) as folderitem",
    "PhysicalDataLength(index as integer) as double",
    "LogicalDataLength(index as integer) as double",
    "PhysicalResourceLength(index as integer) as double",
    "LogicalResourceLength(index as integer) as double",
    "Close",
    "FileListKVR(filelist as FileListKVR, index as integer)",
    "FileListKVR(folder as folderitem)",
    "FileListKVR",
    "CreationDate(index as integer) as double",
    "ModificationDate(index as integer) as double",
    "SortByModificationDate",
    "SortByCreationDate",
    "WinFileAttributes(index as integer) as integer",
};

enum Method {
  kName = 7,
  kItem = 11,
  kFSRef = 3,
  kType = 6,
  kClose = 16,
  kFromFolder = 18,
};

// Objects of the fake host. A REALobject is a FakeObject*.
struct FakeObject {
  enum Kind { kString, kMemoryBlock, kFolderItem } kind = kString;
  int refs = 1;
  std::string bytes;     // string bytes, block bytes or folder path
  uint32_t encoding = 0xFFFF;
};

// What the host saw.
struct Registered {
  std::string name;
  const char* superName = nullptr;
  uint32_t version = 0, dataSize = 0, flags = 0;
  void* destructor = nullptr;
  void* constructor = nullptr;
  struct Property {
    std::string name, type;
    uint32_t flags;
    void* getter;
    void* setter;
    intptr_t param;
  };
  std::vector<Property> properties;
  struct MethodRecord {
    void* function;
    void* setter;
    std::string declaration;
    uint32_t flags;  // not present in short records
  };
  std::vector<MethodRecord> methods;
  const void* methodList = nullptr;
};

constexpr uint32_t kDataOffset = 48;

struct FakeHost {
  std::set<std::string> missing;   // names the resolver does not know
  double version = 6.0;
  bool blockWithoutBytes = false;  // memoryBlockGetPtr answers null
  std::vector<int32_t> pluginVersions;
  std::vector<Registered> classes;
  REALclassDefinition* definition = nullptr;
  std::map<std::string, int> asked;
  std::set<FakeObject*> live;

  FakeObject* New(FakeObject::Kind kind, std::string bytes) {
    auto* o = new FakeObject;
    o->kind = kind;
    o->bytes = std::move(bytes);
    live.insert(o);
    return o;
  }
  ~FakeHost() {
    for (FakeObject* o : live) delete o;
  }
};

FakeHost* gHost = nullptr;

FakeObject* Obj(REALobject o) { return reinterpret_cast<FakeObject*>(o); }
REALobject Real(FakeObject* o) { return reinterpret_cast<REALobject>(o); }

extern "C" {

static void FakeRegisterPluginVersion(int32_t v) { gHost->pluginVersions.push_back(v); }

// Reads records in the form the host announced by its version.
static void FakeRegisterClass(REALclassDefinition* def) {
  Registered r;
  r.name = def->name ? def->name : "";
  r.superName = def->superName;
  r.version = def->version;
  r.dataSize = def->dataSize;
  r.flags = def->mFlags;
  r.destructor = def->destructor;
  r.constructor = def->constructor;
  for (uint32_t i = 0; i < def->propertyCount; ++i) {
    const REALproperty& p = def->properties[i];
    r.properties.push_back({p.name, p.type, p.flags, p.getter, p.setter, p.param});
  }
  bool shortRecords = gHost->missing.count("REALGetRBVersion") || gHost->version < 5.9;
  for (uint32_t i = 0; i < def->methodCount; ++i) {
    if (shortRecords) {
      const auto& m = reinterpret_cast<const REALmethodDefinitionShort*>(def->methods)[i];
      r.methods.push_back({m.function, m.setterFunction, m.declaration, 0});
    } else {
      const REALmethodDefinition& m = def->methods[i];
      r.methods.push_back({m.function, m.setterFunction, m.declaration, m.mFlags});
    }
  }
  r.methodList = def->methods;
  def->forSystemUse = kDataOffset;
  gHost->definition = def;
  gHost->classes.push_back(std::move(r));
}

static double FakeGetRBVersion() { return gHost->version; }

static REALstring FakeBuildString(const void* bytes, int32_t length) {
  return Real(gHost->New(FakeObject::kString,
                         std::string(static_cast<const char*>(bytes), static_cast<size_t>(length))));
}

static void FakeSetStringEncoding(REALstring s, uint32_t encoding) { Obj(s)->encoding = encoding; }

static void FakeLock(REALobject o) { ++Obj(o)->refs; }

static void FakeUnlock(REALobject o) {
  FakeObject* f = Obj(o);
  if (--f->refs == 0) {
    gHost->live.erase(f);
    delete f;
  }
}

static REALmemoryBlock FakeNewMemoryBlock(int32_t size) {
  return Real(gHost->New(FakeObject::kMemoryBlock, std::string(static_cast<size_t>(size), '\0')));
}

static void* FakeMemoryBlockGetPtr(REALmemoryBlock b) {
  return gHost->blockWithoutBytes ? nullptr : Obj(b)->bytes.data();
}

static REALfolderItem FakeFolderItemFromFSSpec(const void* spec) {
  uint8_t path[4096];
  if (FSSpecMakePath(static_cast<const FSSpec*>(spec), path, sizeof path) != noErr) return nullptr;
  return Real(gHost->New(FakeObject::kFolderItem, reinterpret_cast<char*>(path)));
}

static int32_t FakeFSSpecFromFolderItem(void* spec, REALfolderItem item) {
  // Only the low byte counts.
  if (FSPathMakeFSSpec(reinterpret_cast<const uint8_t*>(Obj(item)->bytes.c_str()),
                       static_cast<FSSpec*>(spec)) != noErr)
    return 0x100;
  return 0x7F01;
}

static REALfolderItem FakeFolderItemFromParentFSRef(const void* parent, const void* name) {
  uint8_t path[4096];
  if (FSRefMakePath(static_cast<const FSRef*>(parent), path, sizeof path) != noErr) return nullptr;
  const auto* uni = static_cast<const HFSUniStr255*>(name);
  std::string leaf;
  for (int i = 0; i < uni->length; ++i) leaf += static_cast<char>(uni->unicode[i]);  // ASCII names
  std::string p = reinterpret_cast<char*>(path);
  if (p.empty() || p.back() != '/') p += '/';
  return Real(gHost->New(FakeObject::kFolderItem, p + leaf));
}

static void* FakeResolve(const char* name) {
  std::string key = name;
  ++gHost->asked[key];
  if (gHost->missing.count(key)) return nullptr;
  static const std::map<std::string, void*> table = {
      {"RegisterPluginVersion", reinterpret_cast<void*>(&FakeRegisterPluginVersion)},
      {"PluginRegisterClass", reinterpret_cast<void*>(&FakeRegisterClass)},
      {"REALGetRBVersion", reinterpret_cast<void*>(&FakeGetRBVersion)},
      {"REALBuildString", reinterpret_cast<void*>(&FakeBuildString)},
      {"REALSetStringEncoding", reinterpret_cast<void*>(&FakeSetStringEncoding)},
      {"REALLockObject", reinterpret_cast<void*>(&FakeLock)},
      {"REALUnlockObject", reinterpret_cast<void*>(&FakeUnlock)},
      {"newMemoryBlock", reinterpret_cast<void*>(&FakeNewMemoryBlock)},
      {"memoryBlockGetPtr", reinterpret_cast<void*>(&FakeMemoryBlockGetPtr)},
      {"FolderItemFromFSSpec", reinterpret_cast<void*>(&FakeFolderItemFromFSSpec)},
      {"REALFSSpecFromFolderItem", reinterpret_cast<void*>(&FakeFSSpecFromFolderItem)},
      {"REALFolderItemFromParentFSRef", reinterpret_cast<void*>(&FakeFolderItemFromParentFSRef)},
  };
  auto it = table.find(key);
  return it == table.end() ? nullptr : it->second;
}

}  // extern "C"

// A private copy of the plugin library: it caches the entry points it has
// resolved, so every test starts from a library that has resolved nothing.
class FreshPlugin {
 public:
  FreshPlugin() {
    static int serial = 0;
    path_ = dir_ / ("libDirlode-" + std::to_string(getpid()) + "-" + std::to_string(++serial) + ".so");
    std::filesystem::copy_file(SKERROW_PLUGIN_DIR "/libDirlode.so", path_);
    handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) throw std::runtime_error(dlerror());
    main_ = reinterpret_cast<REALPluginMainProc>(dlsym(handle_, "REALPluginMain"));
  }
  ~FreshPlugin() {
    if (handle_) dlclose(handle_);
  }
  void Main() { main_(&FakeResolve); }
  bool HasMain() const { return main_ != nullptr; }

 private:
  TempDir dir_;
  std::string path_;
  void* handle_ = nullptr;
  REALPluginMainProc main_ = nullptr;
};

class PluginRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { gHost = &host_; }
  void TearDown() override { gHost = nullptr; }

  const Registered& Only() {
    EXPECT_EQ(host_.classes.size(), 1u);
    return host_.classes.front();
  }

  FakeHost host_;
};

void ExpectDeclaredMethods(const Registered& r, bool flags) {
  ASSERT_EQ(r.methods.size(), 25u);
  std::set<void*> functions;
  for (size_t i = 0; i < 25; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(r.methods[i].declaration, kDeclarations[i]);
    EXPECT_NE(r.methods[i].function, nullptr);
    EXPECT_EQ(r.methods[i].setter, nullptr);
    if (flags) {
      EXPECT_EQ(r.methods[i].flags, 4u);
    }
    functions.insert(r.methods[i].function);
  }
  // The four double accessors each read their own field.
  EXPECT_EQ(functions.size(), 25u);
  EXPECT_EQ(r.destructor, r.methods[kClose].function);
}

TEST_F(PluginRegistrationTest, CurrentHostReceivesTheDeclaredClass) {
  FreshPlugin plugin;
  ASSERT_TRUE(plugin.HasMain());
  plugin.Main();

  EXPECT_EQ(host_.pluginVersions, std::vector<int32_t>{9});
  const Registered& r = Only();
  EXPECT_EQ(r.name, "FileListKVR");
  EXPECT_EQ(r.superName, nullptr);
  EXPECT_EQ(r.version, 9u);
  EXPECT_EQ(r.flags, 4u);
  EXPECT_EQ(r.constructor, nullptr);
  // capacity, OK, Count, entries, Folder on a 64-bit machine.
  EXPECT_EQ(r.dataSize, 32u);
  ASSERT_EQ(r.properties.size(), 3u);
  const struct {
    const char* name;
    const char* type;
    intptr_t position;
  } expected[3] = {{"Folder", "Folderitem", 24}, {"Count", "Integer", 8}, {"OK", "Boolean", 4}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(r.properties[i].name, expected[i].name);
    EXPECT_EQ(r.properties[i].type, expected[i].type);
    EXPECT_EQ(r.properties[i].param, expected[i].position);
    EXPECT_EQ(r.properties[i].flags, 6u);
    EXPECT_EQ(r.properties[i].getter, REALstandardGetter);
    EXPECT_EQ(r.properties[i].setter, REALstandardSetter);
  }
  ExpectDeclaredMethods(r, true);
}

TEST_F(PluginRegistrationTest, OlderHostsReceiveShortRecords) {
  for (bool withoutVersion : {false, true}) {
    SCOPED_TRACE(withoutVersion ? "no REALGetRBVersion" : "version 5.5");
    FakeHost host;
    gHost = &host;
    if (withoutVersion) host.missing.insert("REALGetRBVersion");
    host.version = 5.5;
    FreshPlugin plugin;
    plugin.Main();
    ASSERT_EQ(host.classes.size(), 1u);
    ExpectDeclaredMethods(host.classes[0], false);
    EXPECT_NE(host.classes[0].methodList, nullptr);
    gHost = &host_;
  }
}

TEST_F(PluginRegistrationTest, RegisteringAgainStartsFromTheDeclaredRecords) {
  FreshPlugin plugin;
  host_.version = 5.5;
  plugin.Main();
  host_.version = 6.0;
  plugin.Main();
  host_.version = 5.0;
  plugin.Main();
  ASSERT_EQ(host_.classes.size(), 3u);
  for (const Registered& r : host_.classes) ExpectDeclaredMethods(r, false);
  ExpectDeclaredMethods(host_.classes[1], true);
  EXPECT_NE(host_.classes[0].methodList, host_.classes[1].methodList);
}

TEST_F(PluginRegistrationTest, MissingHostEntriesRegisterNothingAndDoNotCrash) {
  {
    host_.missing = {"PluginRegisterClass"};
    FreshPlugin plugin;
    plugin.Main();
    EXPECT_TRUE(host_.classes.empty());
    EXPECT_EQ(host_.pluginVersions, std::vector<int32_t>{9});
  }
  {
    host_.missing = {"RegisterPluginVersion"};
    FreshPlugin plugin;
    plugin.Main();
    EXPECT_EQ(host_.classes.size(), 1u);
  }
}

// ---- Members through the fake host ------------------------------------------

// A zeroed object of the registered class.
class FakeList {
 public:
  explicit FakeList(uint32_t dataSize) : bytes_(kDataOffset + dataSize + 16, 0) {}
  REALobject Real() {
    auto p = reinterpret_cast<uintptr_t>(bytes_.data());
    return reinterpret_cast<REALobject>((p + 15) & ~uintptr_t(15));
  }
  // Count and Folder at their registered positions.
  int32_t Count() {
    int32_t v;
    std::memcpy(&v, Field(8), sizeof v);
    return v;
  }
  REALobject Folder() {
    REALobject v;
    std::memcpy(&v, Field(24), sizeof v);
    return v;
  }
  bool OK() { return *Field(4) != 0; }

 private:
  char* Field(size_t position) { return reinterpret_cast<char*>(Real()) + kDataOffset + position; }
  std::vector<char> bytes_;
};

class PluginMembersTest : public PluginRegistrationTest {
 protected:
  void SetUp() override {
    PluginRegistrationTest::SetUp();
    WriteFile(dir_ / "only.txt", "12345");
    folder_ = host_.New(FakeObject::kFolderItem, dir_.path());
  }
  template <class Proc>
  Proc Method(int index) {
    return reinterpret_cast<Proc>(host_.classes.at(0).methods.at(index).function);
  }
  TempDir dir_;
  FakeObject* folder_ = nullptr;
};

using IndexObjectProc = REALobject (*)(REALobject, int32_t);
using FolderCtorProc = void (*)(REALobject, REALobject);
using VoidProc = void (*)(REALobject);

TEST_F(PluginMembersTest, EntryPointsUnknownAtFirstAreAskedForAgain) {
  host_.missing = {"REALBuildString"};
  FreshPlugin plugin;
  plugin.Main();
  FakeList list(Only().dataSize);
  Method<FolderCtorProc>(kFromFolder)(list.Real(), Real(folder_));
  ASSERT_TRUE(list.OK());
  ASSERT_EQ(list.Count(), 1);

  auto name = Method<IndexObjectProc>(kName);
  EXPECT_EQ(name(list.Real(), 0), nullptr);
  int askedBefore = host_.asked["REALBuildString"];
  EXPECT_GE(askedBefore, 1);

  host_.missing.clear();
  REALobject s = name(list.Real(), 0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(Obj(s)->encoding, 0x100u);
  EXPECT_EQ(Obj(s)->bytes, std::string("o\0n\0l\0y\0.\0t\0x\0t\0", 16));
  FakeUnlock(s);
  // Once known, the answer is kept.
  name(list.Real(), 0);
  EXPECT_EQ(host_.asked["REALBuildString"], askedBefore + 1);
  Method<VoidProc>(kClose)(list.Real());
}

TEST_F(PluginMembersTest, FolderReferenceIsHeldOnceAndReleasedOnce) {
  FreshPlugin plugin;
  plugin.Main();
  FakeObject* other = host_.New(FakeObject::kFolderItem, dir_.path());
  FakeList list(Only().dataSize);
  auto construct = Method<FolderCtorProc>(kFromFolder);
  auto close = Method<VoidProc>(kClose);

  construct(list.Real(), Real(folder_));
  EXPECT_EQ(folder_->refs, 2);
  // Constructing again lets go of the first folder.
  construct(list.Real(), Real(other));
  EXPECT_EQ(folder_->refs, 1);
  EXPECT_EQ(other->refs, 2);
  EXPECT_EQ(list.Folder(), Real(other));
  close(list.Real());
  EXPECT_EQ(other->refs, 1);
  EXPECT_EQ(list.Folder(), nullptr);
  EXPECT_EQ(list.Count(), 1);
  close(list.Real());
  EXPECT_EQ(other->refs, 1);
  // After Close the entries are gone.
  EXPECT_EQ(Method<IndexObjectProc>(kName)(list.Real(), 0), nullptr);

  // A nil folder lists nothing; the host is not asked about it.
  construct(list.Real(), nullptr);
  EXPECT_FALSE(list.OK());
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Folder(), nullptr);
}

TEST_F(PluginMembersTest, ObjectsTheHostCannotCompleteAreReleased) {
  FreshPlugin plugin;
  plugin.Main();
  FakeList list(Only().dataSize);
  Method<FolderCtorProc>(kFromFolder)(list.Real(), Real(folder_));
  ASSERT_EQ(list.Count(), 1);
  size_t liveBefore = host_.live.size();

  // A memory block without bytes is dropped again.
  host_.blockWithoutBytes = true;
  EXPECT_EQ(Method<IndexObjectProc>(kFSRef)(list.Real(), 0), nullptr);
  EXPECT_EQ(host_.live.size(), liveBefore);
  host_.blockWithoutBytes = false;
  REALobject block = Method<IndexObjectProc>(kFSRef)(list.Real(), 0);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(Obj(block)->bytes.size(), 80u);
  FakeUnlock(block);
  Method<VoidProc>(kClose)(list.Real());

  // A string that cannot be tagged with its encoding is not handed over.
  FreshPlugin second;
  host_.classes.clear();
  host_.missing = {"REALSetStringEncoding"};
  second.Main();
  FakeList other(Only().dataSize);
  Method<FolderCtorProc>(kFromFolder)(other.Real(), Real(folder_));
  EXPECT_EQ(Method<IndexObjectProc>(kName)(other.Real(), 0), nullptr);
  EXPECT_EQ(host_.live.size(), liveBefore);
  Method<VoidProc>(kClose)(other.Real());
}

TEST_F(PluginMembersTest, ItemComesFromTheParentAndName) {
  FreshPlugin plugin;
  plugin.Main();
  FakeList list(Only().dataSize);
  Method<FolderCtorProc>(kFromFolder)(list.Real(), Real(folder_));
  REALobject item = Method<IndexObjectProc>(kItem)(list.Real(), 0);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(Obj(item)->bytes, dir_ / "only.txt");
  FakeUnlock(item);
  // No Finder information: no type.
  EXPECT_EQ(Method<IndexObjectProc>(kType)(list.Real(), 0), nullptr);
  Method<VoidProc>(kClose)(list.Real());
}

}  // namespace

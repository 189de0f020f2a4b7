#include "framework/runtime.h"

#include "framework/application.h"

#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace rb {

namespace {

struct Registry {
  // Key -> function, for every registered member.
  std::unordered_map<std::string, void*> entries;
  std::map<std::string, PluginClass> classes;
  std::set<std::string> loadedLibraries;
  std::vector<void*> handles;
  std::vector<int32_t> pluginVersions;
  bool initialised = false;
  std::string applicationFolder;
};

Registry& registry() {
  static Registry* r = new Registry;  // lives until the process ends
  return *r;
}

std::string ExecutableFolder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

void RegisterPluginEntry(const std::string& key, void* function) {
  registry().entries[key] = function;
}

std::string ApplicationFolderPath() {
  Registry& r = registry();
  if (r.applicationFolder.empty()) r.applicationFolder = ExecutableFolder();
  return r.applicationFolder;
}

void SetApplicationFolderPathForTesting(const std::string& path) {
  registry().applicationFolder = path;
}

// ---- Class registry ---------------------------------------------------------

void RegisterFrameworkEntries();  // framework_entries.cpp

void RegisterPluginClass(REALclassDefinition* def) {
  if (!def || !def->name) return;
  Registry& r = registry();
  def->forSystemUse = kPluginDataOffset;
  PluginClass cls;
  cls.name = def->name;
  cls.definition = def;
  cls.dataSize = def->dataSize;
  cls.dataOffset = kPluginDataOffset;
  r.classes[cls.name] = cls;

  const std::string prefix = cls.name + ".";
  if (def->destructor) RegisterPluginEntry(prefix + "__exit", def->destructor);
  for (uint32_t i = 0; i < def->methodCount; ++i) {
    const REALmethodDefinition& m = def->methods[i];
    if (m.declaration && m.function) RegisterPluginEntry(prefix + m.declaration, m.function);
  }
}

static void RegisterClassExtension(REALclassExtensionDefinition* def) {
  if (!def || !def->className) return;
  const std::string prefix = std::string(def->className) + ".";
  for (uint32_t i = 0; i < def->methodCount; ++i) {
    const REALmethodDefinition& m = def->methods[i];
    if (m.declaration && m.function) RegisterPluginEntry(prefix + m.declaration, m.function);
  }
}

const PluginClass* FindPluginClass(const std::string& name) {
  auto& classes = registry().classes;
  auto it = classes.find(name);
  return it == classes.end() ? nullptr : &it->second;
}

void ResetPluginRegistryForTesting() {
  Registry& r = registry();
  r.entries.clear();
  r.classes.clear();
  r.pluginVersions.clear();
  RegisterFrameworkEntries();
}

std::vector<int32_t> RegisteredPluginVersions() { return registry().pluginVersions; }

void* RuntimeLookupPluginEntrypoint(const char* key) {
  if (!key) return nullptr;
  auto& entries = registry().entries;
  auto it = entries.find(key);
  return it == entries.end() ? nullptr : it->second;
}

void** RuntimeAllocatePluginEntrypointsTable(int count) {
  if (count <= 0) return nullptr;
  // Lives until the process ends.
  return new void*[static_cast<size_t>(count)]();
}

// ---- Plugin objects -------------------------------------------------------------

void* PluginObject::AllocateStorage(const PluginClass& cls) {
  size_t size = cls.dataOffset + cls.dataSize;
  void* mem = ::operator new(size, std::align_val_t(16));
  std::memset(mem, 0, size);
  return mem;
}

void PluginObject::operator delete(void* p) { ::operator delete(p, std::align_val_t(16)); }

PluginObject::~PluginObject() {
  if (destructed_) return;
  destructed_ = true;
  if (auto dtor = reinterpret_cast<void (*)(REALobject)>(class_->definition->destructor)) {
    dtor(AsREAL());
  }
}

const REALproperty* PluginObject::FindProperty(const char* name) const {
  const REALclassDefinition* def = class_->definition;
  for (uint32_t i = 0; i < def->propertyCount; ++i) {
    const REALproperty& p = def->properties[i];
    if (p.name && strcasecmp(p.name, name) == 0) {
      if (p.getter != REALstandardGetter) break;
      return &p;
    }
  }
  throw RuntimeException(std::string("no plain property ") + name + " in " + class_->name);
}

int32_t PluginObject::IntegerProperty(const char* name) {
  int32_t v;
  std::memcpy(&v, Field(FindProperty(name)), sizeof v);
  return v;
}

void PluginObject::SetIntegerProperty(const char* name, int32_t value) {
  std::memcpy(Field(FindProperty(name)), &value, sizeof value);
}

bool PluginObject::BooleanProperty(const char* name) {
  return *static_cast<uint8_t*>(Field(FindProperty(name))) != 0;
}

void PluginObject::SetBooleanProperty(const char* name, bool value) {
  *static_cast<uint8_t*>(Field(FindProperty(name))) = value ? 1 : 0;
}

double PluginObject::DoubleProperty(const char* name) {
  double v;
  std::memcpy(&v, Field(FindProperty(name)), sizeof v);
  return v;
}

void PluginObject::SetDoubleProperty(const char* name, double value) {
  std::memcpy(Field(FindProperty(name)), &value, sizeof value);
}

Ref<Object> PluginObject::ObjectProperty(const char* name) {
  REALobject o;
  std::memcpy(&o, Field(FindProperty(name)), sizeof o);
  return Ref<Object>(Object::FromREAL(o));
}

void PluginObject::SetObjectProperty(const char* name, const Ref<Object>& value) {
  void* field = Field(FindProperty(name));
  REALobject old;
  std::memcpy(&old, field, sizeof old);
  REALobject now = value.AsREAL();
  if (now) Object::FromREAL(now)->Lock();
  std::memcpy(field, &now, sizeof now);
  if (old) Object::FromREAL(old)->Unlock();
}

// ---- Plugin loading ---------------------------------------------------------------

bool LoadPlugin(const std::string& path) {
  Registry& r = registry();
  if (r.loadedLibraries.count(path)) return true;
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    std::fprintf(stderr, "Skerrow: cannot load plugin %s: %s\n", path.c_str(), dlerror());
    return false;
  }
  auto main = reinterpret_cast<REALPluginMainProc>(dlsym(handle, "REALPluginMain"));
  if (!main) {
    std::fprintf(stderr, "Skerrow: %s has no REALPluginMain\n", path.c_str());
    dlclose(handle);
    return false;
  }
  r.loadedLibraries.insert(path);
  r.handles.push_back(handle);
  main(&ResolveFrameworkEntry);
  return true;
}

int LoadPluginsFrom(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return 0;
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  int loaded = 0;
  for (const std::string& name : names) {
    std::string path = folder + "/" + name;
    if (registry().loadedLibraries.count(path)) continue;
    if (LoadPlugin(path)) ++loaded;
  }
  return loaded;
}

void RuntimeInit(int, char**) {
  Registry& r = registry();
  if (r.initialised) return;
  r.initialised = true;
  RegisterFrameworkEntries();
  LoadPluginsFrom(ApplicationFolderPath() + "/Plugins");
}

int RuntimeExit() { return ApplicationExitCode(); }

// Called by plugins through the resolver.
void NotePluginVersion(int32_t version) { registry().pluginVersions.push_back(version); }
void RegisterClassExtensionEntry(REALclassExtensionDefinition* def) { RegisterClassExtension(def); }

}  // namespace rb

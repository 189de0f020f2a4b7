// Start-up and shut-down of the framework, the program folder, plugin
// loading and the plugin entry-point table.
#pragma once

#include <string>
#include <vector>

#include "framework/object.h"
#include "framework/plugin_api.h"

namespace rb {

// The folder that holds the running program (from /proc/self/exe), without
// a trailing slash. Tests may point it elsewhere.
std::string ApplicationFolderPath();
void SetApplicationFolderPathForTesting(const std::string& path);

// Initialises the framework: registers its own entries and loads every
// plugin library in <application folder>/Plugins, calling REALPluginMain.
// Safe to call more than once; plugins are loaded once.
void RuntimeInit(int argc = 0, char** argv = nullptr);
// Loads every library of one folder (sorted by name). Answers how many
// libraries were loaded; libraries already loaded are skipped.
int LoadPluginsFrom(const std::string& folder);
// Loads one plugin library; false (with a message on stderr) when it cannot
// be loaded or has no REALPluginMain.
bool LoadPlugin(const std::string& path);
// The framework's exit routine; its answer is the process's exit code.
int RuntimeExit();

// Entry points registered by plugins (and by the framework itself), keyed
// "ClassName.declaration", "ClassName.__exit" for a destructor, and
// "classname.declaration" for a method added to a framework class.
void* RuntimeLookupPluginEntrypoint(const char* key);
// A table of `count` empty slots that lives until the process ends.
void** RuntimeAllocatePluginEntrypointsTable(int count);

// The resolver handed to REALPluginMain.
void* ResolveFrameworkEntry(const char* name);

// A registered plugin class.
struct PluginClass {
  std::string name;
  const REALclassDefinition* definition = nullptr;
  uint32_t dataSize = 0;
  uint32_t dataOffset = 0;
};
const PluginClass* FindPluginClass(const std::string& name);

// Object of a plugin class: the framework header, then the class's data
// block at PluginClass::dataOffset, zero-filled when created.
class PluginObject : public Object {
 public:
  // Creates an instance of a registered plugin class, as T (PluginObject or
  // a program-side class that adds methods but no fields); nil when the
  // class is unknown. The new object holds one reference.
  template <class T = PluginObject>
  static Ref<T> Create(const std::string& className);

  explicit PluginObject(const PluginClass* cls) : class_(cls) {}
  // Runs the class's destructor unless a subclass already did.
  ~PluginObject() override;

  const PluginClass& Class() const { return *class_; }
  void* Data() { return reinterpret_cast<char*>(this) + class_->dataOffset; }

  // Plain field properties, by name, at the positions the class registered.
  // An unknown name raises RuntimeException.
  int32_t IntegerProperty(const char* name);
  void SetIntegerProperty(const char* name, int32_t value);
  bool BooleanProperty(const char* name);
  void SetBooleanProperty(const char* name, bool value);
  double DoubleProperty(const char* name);
  void SetDoubleProperty(const char* name, double value);
  // Object fields hold one reference while set.
  Ref<Object> ObjectProperty(const char* name);
  void SetObjectProperty(const char* name, const Ref<Object>& value);

  static void operator delete(void* p);

 protected:
  // A subclass whose destructor already released the plugin's data.
  void MarkDestructed() { destructed_ = true; }

 private:
  static void* AllocateStorage(const PluginClass& cls);
  const REALproperty* FindProperty(const char* name) const;
  void* Field(const REALproperty* p) { return static_cast<char*>(Data()) + p->param; }
  const PluginClass* class_;
  bool destructed_ = false;
};

// Position of every plugin object's data block.
constexpr uint32_t kPluginDataOffset = 32;

// Forgets every entry and class that plugins registered (tests only; loaded
// libraries stay loaded, so their registration must be repeated by hand).
void ResetPluginRegistryForTesting();
// The interface versions plugins announced, in load order.
std::vector<int32_t> RegisteredPluginVersions();
// Registers a class definition as PluginRegisterClass does.
void RegisterPluginClass(REALclassDefinition* def);

template <class T>
Ref<T> PluginObject::Create(const std::string& className) {
  static_assert(sizeof(T) <= kPluginDataOffset, "plugin objects add no fields");
  const PluginClass* cls = FindPluginClass(className);
  if (!cls) return nullptr;
  return Ref<T>::Adopt(new (AllocateStorage(*cls)) T(cls));
}

}  // namespace rb

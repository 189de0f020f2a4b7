#include "app/Startup.h"

#include <utility>

#include "app/App.h"
#include "app/FileTypes.h"
#include "app/PluginEntrypoints.h"
#include "framework/application.h"
#include "framework/runtime.h"
#include "ui/MenuBar1.h"
#include "ui/SplashWindow.h"

namespace {

std::function<void(const char*)>& Observer() {
  static std::function<void(const char*)> observer;
  return observer;
}

void Step(const char* name) {
  if (Observer()) Observer()(name);
}

}  // namespace

void SetStartupObserverForTesting(std::function<void(const char* step)> observer) {
  Observer() = std::move(observer);
}

void _RuntimeInitExternalClasses() {
  // Plugin classes register while the framework loads their libraries;
  // this makes sure it has (it loads each library once).
  rb::RuntimeInit();
}

void _NewAppInstance() {
  rb::Ref<AppClass> app = rb::Ref<AppClass>::New();
  if (!app) throw rb::NilObjectException();
  app->SetMenuBar(MenuBar1());
  rb::_RuntimeRegisterAppObject(app);
}

void _ApplicationAddMenuHandlers() {}

void _MakeDefaultView() { SplashWindow(); }

void _UnhandledException(const std::exception& e) { rb::_UnhandledException(e); }

void _Main() {
  try {
    Step("_RuntimeInitExternalClasses");
    _RuntimeInitExternalClasses();
    Step("_InitPluginEntrypoints");
    _InitPluginEntrypoints();
    Step("_InitFileTypes");
    _InitFileTypes();
    Step("_NewAppInstance");
    _NewAppInstance();
    Step("_ApplicationAddMenuHandlers");
    _ApplicationAddMenuHandlers();
    Step("_MakeDefaultView");
    _MakeDefaultView();
    Step("_RuntimeRun");
    rb::_RuntimeRun();
  } catch (const std::exception& e) {
    _UnhandledException(e);
  } catch (...) {
    rb::_UnhandledException("unknown exception");
  }
}

// The application object.
#pragma once

#include "framework/application.h"
#include "framework/object.h"

// The program's application object: one instance, created at start-up with
// MenuBar1 as its menu bar. Its events and methods do nothing, but for one:
// when the user closes the last window on screen, the search window comes
// back.
class AppClass : public rb::Application {
 public:
  AppClass() = default;

  int mutex = 0;

  void Event_Open() override {}
  void Event_Activate() override {}
  void Event_Close() override {}
  // Shows the search window, as the results window's Cancel does.
  void Event_LastWindowClosed() override;

  void TestMutex() {}
  void CloseMutex() {}
};

// The application object the framework holds, as AppClass; nil before
// start-up has registered it.
rb::Ref<AppClass> App();

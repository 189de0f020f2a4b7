// The first window of every run: the title picture for two seconds, then
// the search window.
#pragma once

#include "framework/window.h"

class SplashWindowClass : public rb::Window {
 public:
  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();
  void AddMenuHandlers() override;

  // Starts the timer.
  void Event_Open() override;
  // Closes the splash and opens the search window centred on screen 0.
  void SplashTimer_Action();
  // The user closes the splash before the timer fired: the timer's action
  // runs at once instead, so the search window comes up all the same.
  bool Event_CancelClose(bool appQuitting) override;
};

// The splash window, created (and shown) on first use.
rb::Ref<SplashWindowClass> SplashWindow();

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
};

// The splash window, created (and shown) on first use.
rb::Ref<SplashWindowClass> SplashWindow();

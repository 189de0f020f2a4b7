// The about window: title picture, tagline, version and credits; a click
// closes it.
#pragma once

#include "framework/window.h"

class AboutWindowClass : public rb::Window {
 public:
  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();
  void AddMenuHandlers() override;

  // Closes the window.
  bool Event_MouseDown(int x, int y) override;
};

// The about window, created (and shown) on first use.
rb::Ref<AboutWindowClass> AboutWindow();

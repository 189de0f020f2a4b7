// The help window: a header picture above the help document, which the
// help loader renders into the styled field EditField1.
#pragma once

#include "framework/window.h"

class HelpWindowClass : public rb::Window {
 public:
  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();
  void EditField1_Open();
  void AddMenuHandlers() override;
};

// The help window, created (and shown) on first use.
rb::Ref<HelpWindowClass> HelpWindow();

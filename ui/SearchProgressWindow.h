// The small window in front while a search or an archive run works: a
// status line, a bar and a Cancel button that only brings the search
// window back.
#pragma once

#include "framework/window.h"

class SearchProgressWindowClass : public rb::Window {
 public:
  // Creation steps.
  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();
  void AddMenuHandlers() override;

  // Shows the search window; the running search or archive run goes on.
  void PushButton1_Action();
  // Centres the window on the main screen.
  void Event_Activate() override;
};

// The progress window, created (and shown) on first use.
rb::Ref<SearchProgressWindowClass> SearchProgressWindow();

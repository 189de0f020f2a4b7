// The statistics of the last searches: the engine writes them into
// statfield, using TempField (never seen) as its scratch buffer.
#pragma once

#include "framework/graphics.h"
#include "framework/menu.h"
#include "framework/window.h"
#include "ui/MenuNodes.h"

class StatisticsWindowClass : public rb::Window,
                              public menunodes::MenuItemAccessors<StatisticsWindowClass> {
 public:
  // Creation steps.
  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();
  void AddMenuHandlers() override;

  // Sets the View item's caption to "Hide Statistics".
  void statfield_GotFocus();

  // Places the window at the top right of the main screen.
  void Event_Open() override;
  // "Show Statistics" once the window is closed.
  void Event_Close() override;
  // "Hide Statistics" while the window is visible.
  void Event_Paint(rb::Graphics& g) override;
};

// The statistics window, created (and shown) on first use.
rb::Ref<StatisticsWindowClass> StatisticsWindow();
// Whether the statistics window is open and shown. Asking builds no window:
// a closed one stays closed.
bool StatisticsWindowShown();

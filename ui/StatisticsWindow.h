// The statistics of the last searches: the engine writes them into
// statfield, using TempField (never seen) as its scratch buffer.
#pragma once

#include "framework/graphics.h"
#include "framework/menu.h"
#include "framework/window.h"

class StatisticsWindowClass : public rb::Window {
 public:
  // Creation steps.
  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();
  void AddMenuHandlers() override;

  // Sets the View item's caption to "Hide Statistics".
  void statfield_GotFocus();

  // Menu-item accessors: the item of that name in the window's menu bar
  // (MenuBar2), nil when the bar has none.
  rb::Ref<rb::MenuItem> HelpMenu() const;
  rb::Ref<rb::MenuItem> Help() const;
  rb::Ref<rb::AppleMenuItem> EditAbout() const;
  rb::Ref<rb::MenuItem> EditMenu() const;
  rb::Ref<rb::MenuItem> EditClear() const;
  rb::Ref<rb::MenuItem> EditSelectAll() const;
  rb::Ref<rb::MenuItem> EditPaste() const;
  rb::Ref<rb::MenuItem> EditCopy() const;
  rb::Ref<rb::MenuItem> EditCut() const;
  rb::Ref<rb::MenuItem> UntitledMenu0() const;
  rb::Ref<rb::MenuItem> EditUndo() const;
  rb::Ref<rb::MenuItem> UntitledMenu1() const;
  rb::Ref<rb::MenuItem> FileMenu() const;
  rb::Ref<rb::QuitMenuItem> FileQuit() const;
  rb::Ref<rb::MenuItem> FileDesination() const;
  rb::Ref<rb::MenuItem> FileOpenSearch() const;

  // Places the window at the top right of the main screen.
  void Event_Open() override;
  // "Show Statistics" once the window is closed.
  void Event_Close() override;
  // "Hide Statistics" while the window is visible.
  void Event_Paint(rb::Graphics& g) override;
};

// The statistics window, created (and shown) on first use.
rb::Ref<StatisticsWindowClass> StatisticsWindow();

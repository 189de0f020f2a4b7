// What a search found: one row per file in SearchList (a check box, the
// name, the absolute path), "Archive Files" and "Cancel".
#pragma once

#include "framework/folder_item.h"
#include "framework/graphics.h"
#include "framework/menu.h"
#include "framework/window.h"
#include "ui/MenuNodes.h"

class ResultsWindowClass : public rb::Window,
                           public menunodes::MenuItemAccessors<ResultsWindowClass>,
                           public menunodes::ViewMenuAccessors<ResultsWindowClass> {
 public:
  // Creation steps.
  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();
  void AddMenuHandlers() override;

  // Even rows light blue-grey, odd rows white, across all columns.
  bool SearchList_CellBackgroundPaint(rb::Graphics& g, int row, int column);
  // Previews the double-clicked row's file when it is a picture; says so
  // otherwise. A double-click below the last row does nothing.
  void SearchList_DoubleClick();
  // Does nothing.
  void SearchList_CellGotFocus(int row, int column);
  // Copies the ticked rows. "Archive Files" is disabled, and refuses, while
  // a search runs.
  void ArchiveBtn_Action();
  // Hides this and the statistics window, clears the statistics text and
  // brings the search window back; the rows stay.
  void cancelbtn_Action();

  // Closing runs no code of its own.
  void Event_Close() override;
  // Enables the View item and sets its caption from the statistics
  // window's visibility.
  void Event_Activate() override;

  // Menu handlers; each answers false.
  // Shows the help document.
  bool _Help_Action();
  bool _EditAbout_Action();
  // Shows or hides the statistics window and sets the caption to match.
  bool _ViewStatisticsWindow_Action();
  // Renders the help file into the help window.
  void parseRTF(const rb::Ref<rb::FolderItem>& file);
};

// The results window, created (and shown) on first use.
rb::Ref<ResultsWindowClass> ResultsWindow();

// What a search found: one row per file in SearchList (a check box, the
// name, the absolute path), "Archive Files" and "Cancel".
#pragma once

#include "framework/folder_item.h"
#include "framework/graphics.h"
#include "framework/menu.h"
#include "framework/window.h"

class ResultsWindowClass : public rb::Window {
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
  // Copies the ticked rows.
  void ArchiveBtn_Action();
  // Hides this and the statistics window, clears the statistics text and
  // brings the search window back; the rows stay.
  void cancelbtn_Action();

  // Menu-item accessors: the item of that name in the window's menu bar
  // (MenuBar1), nil when the bar has none.
  rb::Ref<rb::MenuItem> HelpMenu() const;
  rb::Ref<rb::MenuItem> Help() const;
  rb::Ref<rb::AppleMenuItem> EditAbout() const;
  rb::Ref<rb::MenuItem> ViewMenu() const;
  rb::Ref<rb::MenuItem> ViewStatisticsWindow() const;
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

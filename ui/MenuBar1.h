// The application's menu bar, also installed by the search and results
// windows.
#pragma once

#include "framework/menu.h"

class MenuBar1Class : public rb::MenuBar {
 public:
  // Builds File, Edit, View and Help with their items.
  MenuBar1Class();
};

// The one MenuBar1, created on first use and kept for the rest of the run.
rb::Ref<MenuBar1Class> MenuBar1();

// The View menu's item in the application's menu bar, whichever window is
// in front. Raises NilObjectException without an application object or bar.
rb::Ref<rb::MenuItem> ViewStatisticsWindow();

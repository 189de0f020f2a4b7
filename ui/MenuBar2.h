// The statistics window's menu bar: MenuBar1 without the View menu.
#pragma once

#include "framework/menu.h"

class MenuBar2Class : public rb::MenuBar {
 public:
  // Builds File, Edit and Help with their items.
  MenuBar2Class();
};

// The one MenuBar2, created on first use and kept for the rest of the run.
rb::Ref<MenuBar2Class> MenuBar2();

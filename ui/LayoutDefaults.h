// Design-time values that every window layout of the program shares.
#pragma once

#include "framework/window.h"

namespace layout {

// No layout sets a position or limits growth, every window is shown when
// created and shows its menu bar, and none is full-screen, composited or
// resized live.
inline void ApplyEveryWindowDefaults(rb::Window& w) {
  w._ApplyProperties({{"MaxWidth", 32000},
                      {"MaxHeight", 32000},
                      {"Placement", 0},
                      {"Visible", true},
                      {"MenuBarVisible", true},
                      {"FullScreen", false},
                      {"Composite", false},
                      {"LiveResize", false},
                      {"BalloonHelp", ""},
                      {"MacProcId", 0}});
}

}  // namespace layout

// Quit chosen as the user chooses it while work runs in the program's
// event loop (for the GUI test programs).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>

#include "framework/application.h"
#include "framework/background_task.h"
#include "framework/gui_testing.h"
#include "framework/menu.h"
#include "framework/window.h"

namespace testsupport {

// The exit code of a run whose work ended without Quit.
constexpr int kRunNotQuit = 7;

// Runs the work in the program's event loop, as a button's handler runs
// there; answers the run's exit code: Quit's, or kRunNotQuit when the work
// ended without it.
inline int RunUntilQuit(void (*work)()) {
  return rb::RunProgramLoopForTesting([work] {
    work();
    if (!rb::Quitting()) rb::Quit(kRunNotQuit);
  });
}

// The same, with every yield of the work due and running atYield in place
// of the event loop's pass (where a test chooses Quit and notes what the
// program holds); the yield goes back to normal afterwards.
inline int RunUntilQuitAtYields(void (*work)(), void (*atYield)()) {
  rb::SetBackgroundClockForTesting([] {
    // 10 ms on at every reading, never back, across runs.
    static int64_t t = 0;
    const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    t = std::max(t, now) + 10'000'000;
    return t;
  });
  rb::SetEventProcessorForTesting(atYield);
  const int code = RunUntilQuit(work);
  rb::SetEventProcessorForTesting(nullptr);
  rb::SetBackgroundClockForTesting(nullptr);
  rb::NoteEventLoopRan();
  return code;
}

// Chooses Quit by Ctrl+Q in the active window (answers the window's class
// name) or by File > Quit of the application's bar.
inline std::string ChooseQuit(bool byKey) {
  if (!byKey) {
    rb::ApplicationObject()->MenuBar()->_Lookup("FileQuit")->_Choose();
    return "File > Quit";
  }
  rb::Ref<rb::Window> active;
  if (!rb::RunEventLoopUntil([&] { return (active = rb::FrontWindow()) && active->_IsActive(); }, 2000))
    return "(no active window)";
  rb::KeyClickForTesting(active, "Ctrl+Q");
  return active->_ClassName().Bytes();
}

}  // namespace testsupport

// The program's entry point.
#include <cstdio>
#include <cstdlib>

#include "app/Startup.h"
#include "framework/runtime.h"

int main(int argc, char** argv) {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  if ((!display || !*display) && (!wayland || !*wayland) && (!qpa || !*qpa)) {
    std::fprintf(stderr,
                 "Skerrow needs a graphical display, and none is set (DISPLAY and "
                 "WAYLAND_DISPLAY are empty).\nStart it from a desktop session, or "
                 "under a virtual display: xvfb-run build/Skerrow/Skerrow\n");
    return 2;
  }
  rb::RuntimeInit(argc, argv);
  _Main();
  return rb::RuntimeExit();
}

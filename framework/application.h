// The application object, the event loop and the unhandled-exception
// handler.
#pragma once

#include <exception>
#include <functional>
#include <memory>

#include "framework/gui_types.h"

namespace rb {

class MenuBar;

class Application : public Object {
 public:
  Application();
  ~Application() override;

  Ref<rb::MenuBar> MenuBar() const;
  void SetMenuBar(const Ref<rb::MenuBar>& bar);

  // Menu handlers of the application, asked when the front window has
  // none for the item (or its handler answers false).
  void _AddMenuHandler(const String& itemName, std::function<bool()> handler);
  bool _HasMenuHandler(const String& itemName) const;
  bool _HandleMenu(const String& itemName);

  virtual void Event_Open() {}
  virtual void Event_Close() {}
  virtual void Event_Activate() {}
  // The user closed a window (its close box, the window manager's close,
  // or a click the window answered by closing itself) and no window of the
  // program is shown any more. Not raised by the program's own Close
  // calls, nor once the program is quitting.
  virtual void Event_LastWindowClosed() {}

 private:
  Ref<rb::MenuBar> menuBar_;
  struct Private;
  std::unique_ptr<Private> d_;
};

// Registers the application object (nil raises NilObjectException).
void _RuntimeRegisterAppObject(const Ref<Application>& app);
// The registered application object, or nil.
Ref<Application> ApplicationObject();

// Creates the toolkit's application object once; every GUI class calls it.
void EnsureGuiApplication();
// The same, for tests (which set QT_QPA_PLATFORM=offscreen).
void EnsureApplicationForTesting();

// Runs the event loop until Quit. Raises the application's Open event
// first and its Close event at the end. Answers the exit code.
int _RuntimeRun();
// Ends the event loop (at once when none runs: the next _RuntimeRun
// returns immediately).
void Quit(int exitCode = 0);
// Whether Quit has been called. Work that yields to the event loop runs
// nested inside a handler, and the loop can only end once it returns: such
// work checks this after each yield and, when it answers true, stops at
// once, adding, writing and showing nothing more.
bool Quitting();
// The exit code the run ended with: the one given to Quit, or 1 after an
// unhandled exception.
int ApplicationExitCode();

// The unhandled-exception handler: shows which exception went unhandled
// in a caution box, then ends the run with a nonzero exit code.
void _UnhandledException(const std::exception& e);
void _UnhandledException(const char* what);
// How many exceptions went unhandled (tests).
int UnhandledExceptionCount();

// Whether the user asked to stop the work under way: Escape or Ctrl+.
// pressed (in any window) since ResetUserCancelled, or Quit called (the
// work would only hold up the end of the program). Long work that can stop
// early polls it while it yields to the event loop.
bool UserCancelled();
// Forgets earlier cancel keys (not a Quit); called when such work begins.
void ResetUserCancelled();

// Lets the event loop run until done() answers true or the time is up;
// answers done()'s last answer.
bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs);
// Processes pending events for about ms milliseconds.
void RunEventLoopFor(int ms);

// Tests: closes every window, forgets the application object, the
// answerers, the shown dialogs, the exit code and the screen and keyboard
// overrides.
void ResetGuiForTesting();

}  // namespace rb

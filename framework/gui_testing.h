// Test hooks that stand in for a person: drops, clicks and key presses
// delivered through the toolkit as real input would be.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/control.h"

namespace rb {

class Window;
class Listbox;
class Picture;

// Drags a text/uri-list (one URI per line) onto a control and drops it
// with the action code (1 copy, 2 move, 3 link). Answers whether the
// control took the drop.
bool DropUriListForTesting(const Ref<RectControl>& target, const std::string& uriList, int action = 1);
// Clicks at a point of the window's content area (the control under it
// gets the click first).
void ClickForTesting(const Ref<Window>& window, int x, int y);
// Clicks the middle of a control.
void ClickControlForTesting(const Ref<RectControl>& control);
// Double-clicks a row of a list.
void DoubleClickRowForTesting(const Ref<Listbox>& list, int row);
// Types text into a control, one key press per character.
void TypeTextForTesting(const Ref<RectControl>& control, const String& text);
// Resizes a window as a person dragging its corner would, to the given
// content size (the window's limits apply), and lets the events run.
void ResizeWindowForTesting(const Ref<Window>& window, int width, int height);
// Presses and releases a key by virtual key code (0x24 Return, 0x4C
// keypad Enter, 0x30 Tab, 0x35 Escape) in a control.
void PressKeyForTesting(const Ref<RectControl>& control, int keyCode);
// Presses and releases keys as the platform delivers them to a window:
// menu shortcuts are matched first, the rest goes to the focused control.
// Keys in the toolkit's portable form: "Ctrl+Q", "Ctrl+A", "Escape",
// "Ctrl+.", "1".
void KeyClickForTesting(const Ref<Window>& window, const String& keys);
// The same, delivered to the active window (else a shown one) when the
// event loop runs after the delay, for instance inside a yield of running
// code.
void PostKeyClickForTesting(const String& keys, int delayMs = 0);

// A control as the toolkit draws it, and the colour of one of its pixels.
Ref<Picture> GrabControlForTesting(const Ref<RectControl>& control);
Color PixelForTesting(const Ref<Picture>& picture, int x, int y);

// What the toolkit shows for one menu of a window's bar (by position):
// each entry with its label, its shortcut and whether it is a separator
// and enabled.
struct MenuEntryForTesting {
  bool separator = false;
  std::string label;
  std::string shortcut;
  bool enabled = true;
};
std::vector<MenuEntryForTesting> MenuEntriesForTesting(const Ref<Window>& window, int menuIndex);

// Runs the program's event loop (_RuntimeRun) and, once it runs, the
// action; answers the run's exit code, or -1 when nothing ended the run
// within the time.
int RunProgramLoopForTesting(const std::function<void()>& action, int timeoutMs = 5000);

// Starts a fresh record of the windows the toolkit puts on screen; the
// record answers their class names, in the order they were shown.
void RecordToolkitShowsForTesting();
std::vector<String> ToolkitShowsForTesting();

// The clipboard's text.
String ClipboardTextForTesting();
void SetClipboardTextForTesting(const String& text);

}  // namespace rb

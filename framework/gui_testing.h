// Test hooks that stand in for a person: drops, clicks and key presses
// delivered through the toolkit as real input would be.
#pragma once

#include <functional>
#include <string>
#include <utility>
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
// Data as a paste or a drop offers it: no data at all, data without any
// format (an empty selection, a clipboard whose owner has quit), URLs
// only (of the local path given as text), a picture only, or plain text.
enum class OfferedData { None, Empty, Urls, Picture, Text };
// Drags such data onto the middle of a control and drops it there with the
// copy action, as the toolkit delivers a drag (enter, move, drop while
// each is accepted). Answers whether the control took the drop.
bool DropDataForTesting(const Ref<RectControl>& target, OfferedData kind, const String& text = String());
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

// What a folder dialog of the toolkit showed: its title, its folder and
// the folders of its look-in list.
struct ToolkitFolderDialogForTesting {
  std::string title;
  std::string directory;
  std::vector<std::string> history;
};
// Answers the next folder dialog that the toolkit shows (when no folder
// dialog answerer is set) as a person would, once it is on screen: the
// path that `answer` gives is typed into its name field and its action
// button pressed; an empty path presses Cancel.
void AnswerToolkitFolderDialogForTesting(std::function<std::string(const ToolkitFolderDialogForTesting&)> answer);
// Starts a fresh record of the windows the toolkit puts on screen; the
// record answers their class names, in the order they were shown.
void RecordToolkitShowsForTesting();
std::vector<String> ToolkitShowsForTesting();
// The class name of the program's active window; "message box" for a
// modal dialog of the framework, "other" for another window of the
// toolkit's, "" when none is active.
String ActiveWindowForTesting();
// Asks for the window's activation as the window manager does for a click.
void ActivateForTesting(const Ref<Window>& window);
// Moves the toolkit window as a window manager does by itself (as some do
// with a window they let go of when it is hidden).
void MoveByWindowManagerForTesting(const Ref<Window>& window, int x, int y);
// Where the window's content stands on screen, as the toolkit has it.
void ToolkitPlaceForTesting(const Ref<Window>& window, int* x, int* y);
// Closes the innermost modal dialog that is open, as its close box would;
// false when none is open.
bool DismissModalDialogForTesting();
// Runs the action when the event loop runs after the delay, also inside a
// modal dialog's loop.
void RunLaterForTesting(std::function<void()> action, int delayMs = 0);

// The clipboard's text.
String ClipboardTextForTesting();
void SetClipboardTextForTesting(const String& text);
// Puts data of that kind on the clipboard.
void SetClipboardDataForTesting(OfferedData kind, const String& text = String());
// The clipboard's data as another program reads it: each format offered,
// with its bytes.
std::vector<std::pair<std::string, std::string>> ClipboardDataForTesting();

// What assistive technology reads of a control through the toolkit's
// accessibility interface (offsets in UTF-16 units).
struct AccessibleTextForTesting {
  String value;  // the control's value
  String text;   // all of its text, by offsets
  int count = 0, cursor = 0, selectionStart = 0, selectionEnd = 0;
  // At each offset asked for, one line: the text at, before and after it
  // by character, word, sentence, paragraph and line (long ones by their
  // ends), with their offsets;
  // the character's attributes and box (from the control's corner); the
  // offset found at the middle of the box.
  std::vector<std::string> answers;
};
AccessibleTextForTesting AccessibleTextOfForTesting(const Ref<RectControl>& control, const std::vector<int>& offsets);
// Selects through that interface.
void AccessibleSelectForTesting(const Ref<RectControl>& control, int start, int end);

}  // namespace rb

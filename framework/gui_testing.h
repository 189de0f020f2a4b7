// Test hooks that stand in for a person: drops, clicks and key presses
// delivered through the toolkit as real input would be.
#pragma once

#include <string>
#include <vector>

#include "framework/control.h"

namespace rb {

class Window;
class Listbox;

// Drags a text/uri-list (one URI per line) onto a control and drops it
// with the action code (1 copy, 2 move, 3 link). Answers whether the
// control took the drop.
bool DropUriListForTesting(const Ref<RectControl>& target, const std::string& uriList, int action = 1);
// Clicks at a point of the window's content area (the control under it
// gets the click first).
void ClickForTesting(const Ref<Window>& window, int x, int y);
// Clicks the middle of a control.
void ClickControlForTesting(const Ref<RectControl>& control);
// The control as it draws itself now: its pixels row by row.
std::vector<Color> GrabForTesting(const Ref<RectControl>& control, int* width = nullptr);
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

}  // namespace rb

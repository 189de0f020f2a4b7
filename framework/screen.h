// Screens, the mouse position and the keyboard state.
#pragma once

#include "framework/gui_types.h"

namespace rb {

class ScreenInfo : public Object {
 public:
  ScreenInfo(int left, int top, int width, int height, int availLeft, int availTop, int availWidth,
             int availHeight);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int AvailableLeft() const { return availLeft_; }
  int AvailableTop() const { return availTop_; }
  int AvailableWidth() const { return availWidth_; }
  int AvailableHeight() const { return availHeight_; }

 private:
  int left_, top_, width_, height_;
  int availLeft_, availTop_, availWidth_, availHeight_;
};

// Screen 0 is the primary screen; nil for an index with no screen.
Ref<ScreenInfo> Screen(int index);
int ScreenCount();

// Tests: the size screen 0 reports (0 x 0 restores the real screen).
void SetScreenSizeForTesting(int width, int height);

namespace System {
// Mouse position on the screen.
int MouseX();
int MouseY();
}  // namespace System
void SetMousePositionForTesting(int x, int y);
void ClearMousePositionForTesting();

namespace Keyboard {
// Virtual key codes: 0x24 Return, 0x4C keypad Enter, 0x30 Tab, 0x35 Escape,
// 0x31 Space, 0x33 Delete (backspace), 0x7B..0x7E arrows.
bool AsyncKeyDown(int keyCode);
bool AsyncShiftKey();
bool AsyncControlKey();
bool AsyncOptionKey();
}  // namespace Keyboard
void SetKeyDownForTesting(int keyCode, bool down);
void ResetKeyboardForTesting();

// Framework-internal: a key went down or up (virtual key code).
void _NoteKey(int keyCode, bool down);
// Framework-internal: forgets every key noted down, when its release may
// have gone elsewhere (activation moved, a modal dialog closed).
void _ForgetKeysDown();

}  // namespace rb

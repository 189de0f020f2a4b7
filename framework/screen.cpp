#include "framework/screen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <set>

#include "framework/gui_private.h"

namespace rb {

namespace {
struct Overrides {
  int screenWidth = 0, screenHeight = 0;
  bool mouseSet = false;
  int mouseX = 0, mouseY = 0;
  std::set<int> keysDown;
};
Overrides& overrides() {
  static Overrides o;
  return o;
}
}  // namespace

ScreenInfo::ScreenInfo(int left, int top, int width, int height, int availLeft, int availTop, int availWidth,
                       int availHeight)
    : left_(left),
      top_(top),
      width_(width),
      height_(height),
      availLeft_(availLeft),
      availTop_(availTop),
      availWidth_(availWidth),
      availHeight_(availHeight) {}

Ref<ScreenInfo> Screen(int index) {
  EnsureGuiApplication();
  const Overrides& o = overrides();
  if (index == 0 && o.screenWidth > 0 && o.screenHeight > 0)
    return Ref<ScreenInfo>::New(0, 0, o.screenWidth, o.screenHeight, 0, 0, o.screenWidth, o.screenHeight);
  QList<QScreen*> screens = QGuiApplication::screens();
  QScreen* s = nullptr;
  if (index == 0) s = QGuiApplication::primaryScreen();
  else if (index > 0 && index < screens.size()) {
    // The others in the toolkit's order, the primary one left out.
    int n = 0;
    for (QScreen* x : screens) {
      if (x == QGuiApplication::primaryScreen()) continue;
      if (++n == index) {
        s = x;
        break;
      }
    }
  }
  if (!s) return nullptr;
  QRect g = s->geometry(), a = s->availableGeometry();
  return Ref<ScreenInfo>::New(g.x(), g.y(), g.width(), g.height(), a.x(), a.y(), a.width(), a.height());
}

int ScreenCount() {
  EnsureGuiApplication();
  return static_cast<int>(QGuiApplication::screens().size());
}

void SetScreenSizeForTesting(int width, int height) {
  overrides().screenWidth = width;
  overrides().screenHeight = height;
}

int System::MouseX() {
  if (overrides().mouseSet) return overrides().mouseX;
  EnsureGuiApplication();
  return QCursor::pos().x();
}

int System::MouseY() {
  if (overrides().mouseSet) return overrides().mouseY;
  EnsureGuiApplication();
  return QCursor::pos().y();
}

void SetMousePositionForTesting(int x, int y) {
  overrides().mouseSet = true;
  overrides().mouseX = x;
  overrides().mouseY = y;
}

void ClearMousePositionForTesting() { overrides().mouseSet = false; }

bool Keyboard::AsyncKeyDown(int keyCode) { return overrides().keysDown.count(keyCode) != 0; }

bool Keyboard::AsyncShiftKey() {
  return QGuiApplication::instance() && (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier);
}
bool Keyboard::AsyncControlKey() {
  return QGuiApplication::instance() && (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier);
}
bool Keyboard::AsyncOptionKey() {
  return QGuiApplication::instance() && (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier);
}

void SetKeyDownForTesting(int keyCode, bool down) { _NoteKey(keyCode, down); }

void ResetKeyboardForTesting() { _ForgetKeysDown(); }

void _ForgetKeysDown() { overrides().keysDown.clear(); }

void _NoteKey(int keyCode, bool down) {
  if (down) overrides().keysDown.insert(keyCode);
  else overrides().keysDown.erase(keyCode);
}

}  // namespace rb

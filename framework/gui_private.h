// Toolkit glue shared by the GUI sources of the framework. Not for
// program code: it includes Qt headers.
#pragma once

#include <QColor>
#include <QFont>
#include <QKeyEvent>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <exception>
#include <string>

#include "framework/control.h"
#include "framework/gui_types.h"
#include "framework/rbstring.h"

namespace rb {

inline QString ToQ(const String& s) {
  const std::string u = s.Utf8();
  return QString::fromUtf8(u.data(), static_cast<qsizetype>(u.size()));
}
inline String FromQ(const QString& q) {
  QByteArray b = q.toUtf8();
  return String(std::string(b.constData(), static_cast<size_t>(b.size())));
}
inline QColor ToQColor(Color c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }
inline Color FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// The toolkit font for a control's font settings ("System", size 0: the
// platform's own; other sizes in pixels).
QFont MakeFont(const String& family, int size, bool bold, bool italic, bool underline);
bool IsSystemFont(const String& family);

void _UnhandledException(const std::exception& e);
void _UnhandledException(const char* what);

// Runs program code called from the toolkit; an exception escaping it
// goes to the unhandled-exception handler (never through the toolkit).
template <class F>
void GuardedCall(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    _UnhandledException(e);
  } catch (...) {
    _UnhandledException("unknown exception");
  }
}
// The same for code run while painting: the handler runs once the paint
// is over, since a message box cannot open inside a paint.
void _UnhandledExceptionLater(const std::string& what);
template <class F>
void GuardedPaintCall(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    _UnhandledExceptionLater(e.what());
  } catch (...) {
    _UnhandledExceptionLater("unknown exception");
  }
}

// Widgets that know the control they show. The control clears `owner`
// when it lets go of the widget.
struct OwnerSlot {
  virtual ~OwnerSlot() = default;
  RectControl* owner = nullptr;
};
template <class Base>
class OwnedWidget : public Base, public OwnerSlot {
 public:
  using Base::Base;
};

// Before a key with a modifier is matched against the shortcuts: the
// items of the bar that acts in the front window are enabled as before a
// menu shows.
void _PrepareMenusForKey();
// Whether an enabled item of the bar acting in the widget's window has the
// key as its shortcut; such a key goes to the item, not to the widget.
bool _MenuTakesKey(const QWidget* widget, const QKeyEvent* e);

// After a window has closed at the user's request: when no window of the
// program is shown any more and it is not quitting, the application's
// Event_LastWindowClosed runs.
void _UserClosedWindow();

// Held while a modal dialog of the framework (a message box, a folder
// dialog) runs. The windows the program showed before it go on screen
// beneath it, and the activation due to one of them is the dialog's. A
// dialog modal for the whole program stays its active and topmost window
// until it closes: a window of the program activated meanwhile hands the
// activation back to it, and windows shown meanwhile wait until it has
// closed. Then the window the user was in is active again.
class ModalDialogScope {
 public:
  explicit ModalDialogScope(QWidget* dialog);
  ~ModalDialogScope();
  ModalDialogScope(const ModalDialogScope&) = delete;
  ModalDialogScope& operator=(const ModalDialogScope&) = delete;

 private:
  QPointer<QWidget> dialog_;
  // The program's window that was active, or due to be, when it opened.
  QPointer<QWidget> before_;
};
// The innermost open dialog of the framework that is modal for the whole
// program; nil when none is.
QWidget* _OpenModalDialog();

void EnsureGuiApplication();
// A new widget, once the toolkit's application exists.
template <class W>
W* NewWidget() {
  EnsureGuiApplication();
  return new W;
}

}  // namespace rb

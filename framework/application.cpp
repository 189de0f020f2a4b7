#include "framework/application.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QThread>
#include <QWindow>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/background_task.h"
#include "framework/dialogs.h"
#include "framework/gui_private.h"
#include "framework/menu.h"
#include "framework/screen.h"
#include "framework/window.h"

namespace rb {

namespace {

struct AppState {
  Ref<Application> app;
  bool cancelRequested = false;
  int exitCode = 0;
  bool quitRequested = false;
  int unhandled = 0;
  bool inUnhandled = false;
  bool running = false;  // inside _RuntimeRun's loop
};

AppState& state() {
  static AppState* s = new AppState;
  return *s;
}

int KeyCodeOf(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Return: return 0x24;
    case Qt::Key_Enter: return 0x4C;
    case Qt::Key_Tab: return 0x30;
    case Qt::Key_Space: return 0x31;
    case Qt::Key_Backspace: return 0x33;
    case Qt::Key_Escape: return 0x35;
    case Qt::Key_Left: return 0x7B;
    case Qt::Key_Right: return 0x7C;
    case Qt::Key_Down: return 0x7D;
    case Qt::Key_Up: return 0x7E;
    default: return -1;
  }
}

bool IsCancelKey(const QKeyEvent* k) {
  return k->key() == Qt::Key_Escape ||
         (k->key() == Qt::Key_Period && (k->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)));
}

// Tracks the keyboard state from key events, for Keyboard.AsyncKeyDown,
// the user's cancel requests, and readies the menus before a shortcut.
class KeyTracker : public QObject {
 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    QEvent::Type t = e->type();
    if (t == QEvent::KeyPress || t == QEvent::KeyRelease) {
      auto* k = static_cast<QKeyEvent*>(e);
      int code = KeyCodeOf(k->key());
      if (code >= 0 && !(t == QEvent::KeyRelease && k->isAutoRepeat())) _NoteKey(code, t == QEvent::KeyPress);
      if (t == QEvent::KeyPress && IsCancelKey(k)) state().cancelRequested = true;
    } else if (t == QEvent::ShortcutOverride) {
      // Comes before the shortcuts are matched.
      auto* k = static_cast<QKeyEvent*>(e);
      if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        GuardedCall([] { _PrepareMenusForKey(); });
    } else if (t == QEvent::ApplicationDeactivate) {
      _ForgetKeysDown();
    }
    return QObject::eventFilter(o, e);
  }
};

std::vector<std::string>& Arguments() {
  static std::vector<std::string>* args = [] {
    auto* v = new std::vector<std::string>;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t start = 0;
    while (start < all.size()) {
      size_t end = all.find('\0', start);
      if (end == std::string::npos) end = all.size();
      v->push_back(all.substr(start, end - start));
      start = end + 1;
    }
    if (v->empty()) v->push_back("Skerrow");
    return v;
  }();
  return *args;
}

// The layouts were drawn for a narrow sans-serif system face; the first of
// these that is installed stands in for it.
void UseSystemFace() {
  const QStringList installed = QFontDatabase::families();
  for (const char* family : {"Liberation Sans", "Arimo", "Nimbus Sans", "DejaVu Sans Condensed"}) {
    if (installed.contains(QLatin1String(family))) {
      QFont f = QApplication::font();
      f.setFamily(QLatin1String(family));
      QApplication::setFont(f);
      return;
    }
  }
}

}  // namespace

void EnsureGuiApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 0;
  static std::vector<char*> argv;
  for (std::string& a : Arguments()) argv.push_back(a.data());
  argc = static_cast<int>(argv.size());
  argv.push_back(nullptr);
  auto* app = new QApplication(argc, argv.data());
  app->setQuitOnLastWindowClosed(false);
  UseSystemFace();
  QObject::connect(app, &QGuiApplication::applicationStateChanged, [](Qt::ApplicationState s) {
    Ref<Application> a = state().app;
    if (a && s == Qt::ApplicationActive) GuardedCall([&] { a->Event_Activate(); });
  });
  app->installEventFilter(new KeyTracker);
  // A key released while another window (or none of ours) was active is
  // never seen: what is down is learnt afresh.
  QObject::connect(app, &QGuiApplication::focusWindowChanged, [] { _ForgetKeysDown(); });
  if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance()) {
    QObject::connect(d, &QAbstractEventDispatcher::awake, [] {
      NoteEventLoopRan();
    });
  }
}

namespace {
QtMessageHandler gDefaultHandler = nullptr;
void QuietHandler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
  // The offscreen platform reports every window call it ignores.
  if (msg.startsWith(QLatin1String("This plugin does not support"))) return;
  if (gDefaultHandler) gDefaultHandler(type, ctx, msg);
}
}  // namespace

void EnsureApplicationForTesting() {
  EnsureGuiApplication();
  static bool quiet = false;
  if (!quiet) {
    quiet = true;
    gDefaultHandler = qInstallMessageHandler(QuietHandler);
  }
}

// ---- Application object -------------------------------------------------------------

struct Application::Private {
  std::vector<std::pair<String, std::function<bool()>>> handlers;
};

Application::Application() : d_(std::make_unique<Private>()) {}
Application::~Application() = default;

Ref<rb::MenuBar> Application::MenuBar() const { return menuBar_; }
void Application::SetMenuBar(const Ref<rb::MenuBar>& bar) {
  menuBar_ = bar;
  // Windows without a bar of their own take this bar's shortcuts.
  for (const Ref<Window>& w : OpenWindows()) {
    if (!w->MenuBar()) w->_RebuildMenuBar();
  }
}

void Application::_AddMenuHandler(const String& itemName, std::function<bool()> handler) {
  d_->handlers.emplace_back(itemName, std::move(handler));
}

bool Application::_HasMenuHandler(const String& itemName) const {
  for (const auto& h : d_->handlers) {
    if (h.first == itemName && h.second) return true;
  }
  return false;
}

bool Application::_HandleMenu(const String& itemName) {
  for (const auto& h : d_->handlers) {
    if (h.first == itemName && h.second) {
      std::function<bool()> f = h.second;
      return f();
    }
  }
  return false;
}

void _RuntimeRegisterAppObject(const Ref<Application>& app) {
  if (!app) throw NilObjectException();
  state().app = app;
}

Ref<Application> ApplicationObject() { return state().app; }

// ---- Event loop -------------------------------------------------------------------------

int _RuntimeRun() {
  EnsureGuiApplication();
  AppState& s = state();
  Ref<Application> app = s.app;
  if (app && !s.quitRequested) GuardedCall([&] { app->Event_Open(); });
  if (!s.quitRequested) {
    s.running = true;
    int code = QApplication::exec();
    s.running = false;
    if (!s.quitRequested) s.exitCode = code;
  }
  if (app) GuardedCall([&] { app->Event_Close(); });
  return s.exitCode;
}

void Quit(int exitCode) {
  AppState& s = state();
  if (!s.quitRequested || exitCode != 0) s.exitCode = exitCode;
  s.quitRequested = true;
  // Only a running loop is told: exit() outside one would make every later
  // modal loop return at once.
  if (s.running && QCoreApplication::instance()) QCoreApplication::exit(s.exitCode);
}

bool Quitting() { return state().quitRequested; }

int ApplicationExitCode() { return state().exitCode; }

void _UserClosedWindow() {
  AppState& s = state();
  Ref<Application> app = s.app;
  if (!app || s.quitRequested) return;
  // Shown as the program sees it: a window shown since the event loop last
  // ran counts, though the toolkit has yet to put it on screen.
  for (const Ref<Window>& w : OpenWindows()) {
    if (w->_IsOpen() && w->Visible()) return;
  }
  app->Event_LastWindowClosed();
}

static bool LooksLikeClassName(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (!(isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':')) return false;
  }
  return true;
}

void _UnhandledException(const char* what) {
  AppState& s = state();
  ++s.unhandled;
  std::string w = what && *what ? what : "unknown exception";
  std::fprintf(stderr, "Skerrow: unhandled exception: %s\n", w.c_str());
  if (!s.inUnhandled && QCoreApplication::instance()) {
    s.inUnhandled = true;
    std::string text = LooksLikeClassName(w)
                           ? "An exception of class " + w + " was not handled. The application must shut down."
                           : "An unhandled exception occurred (" + w + "). The application must shut down.";
    try {
      MsgBox(String(text), 48, String(""));
    } catch (...) {
    }
    s.inUnhandled = false;
  }
  Quit(1);
}

void _UnhandledException(const std::exception& e) { _UnhandledException(e.what()); }

void _UnhandledExceptionLater(const std::string& what) {
  QTimer::singleShot(0, [what] { _UnhandledException(what.c_str()); });
}

int UnhandledExceptionCount() { return state().unhandled; }

bool UserCancelled() { return state().cancelRequested || state().quitRequested; }

void ResetUserCancelled() { state().cancelRequested = false; }

bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs) {
  EnsureGuiApplication();
  QElapsedTimer t;
  t.start();
  for (;;) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (done && done()) return true;
    if (t.elapsed() >= timeoutMs) return done ? done() : true;
    QThread::msleep(1);
  }
}

void RunEventLoopFor(int ms) { RunEventLoopUntil(nullptr, ms); }

void ResetGuiForTesting() {
  EnsureGuiApplication();
  for (const Ref<Window>& w : OpenWindows()) w->Close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  AppState& s = state();
  s.app = nullptr;
  s.exitCode = 0;
  s.quitRequested = false;
  s.unhandled = 0;
  s.cancelRequested = false;
  SetMessageBoxAnswerer(nullptr);
  SetFolderDialogAnswerer(nullptr);
  ClearShownDialogs();
  SetScreenSizeForTesting(0, 0);
  ClearMousePositionForTesting();
  ResetKeyboardForTesting();
}

}  // namespace rb

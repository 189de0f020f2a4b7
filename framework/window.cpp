#include "framework/window.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "framework/application.h"
#include "framework/controls.h"
#include "framework/graphics.h"
#include "framework/gui_private.h"
#include "framework/menu.h"
#include "framework/screen.h"

namespace rb {

namespace {

struct WindowRegistry {
  std::vector<Ref<Window>> open;  // held while open
  Window* lastActive = nullptr;
  // Windows in the order they were last active, the most recent last.
  std::vector<Window*> activated;
  // Windows the program has shown since the event loop last ran, the most
  // recent last; the toolkit shows them when the loop runs.
  std::vector<Window*> shown;
  bool showPosted = false;
  // The window shown last, activated once the windows put on screen with
  // it are mapped (so after any activation the window manager gives a
  // window it maps), or once mapping has taken too long.
  Window* toActivate = nullptr;
  std::vector<Window*> mapping;
  QElapsedTimer mappingFor;
  QTimer* mappingCheck = nullptr;
  // The framework's modal dialogs that are open, the innermost last.
  std::vector<QPointer<QWidget>> modals;
};

WindowRegistry& registry() {
  static WindowRegistry* r = new WindowRegistry;
  return *r;
}

void NoteActivated(Window* w) {
  WindowRegistry& r = registry();
  r.lastActive = w;
  std::erase(r.activated, w);
  r.activated.push_back(w);
}

void Forget(Window* w) {
  WindowRegistry& r = registry();
  if (r.lastActive == w) r.lastActive = nullptr;
  std::erase(r.activated, w);
  std::erase(r.shown, w);
  std::erase(r.mapping, w);
  if (r.toActivate == w) r.toActivate = nullptr;
  auto it = std::find_if(r.open.begin(), r.open.end(), [w](const Ref<Window>& x) { return x.get() == w; });
  if (it != r.open.end()) {
    Ref<Window> keep = *it;  // released after the vector no longer holds it
    r.open.erase(it);
  }
}

// Gives the activation to the open modal dialog, raised; false when none
// is open.
bool ActivateModalDialog() {
  QWidget* dialog = _OpenModalDialog();
  if (!dialog) return false;
  if (dialog->isVisible() && !dialog->isActiveWindow()) {
    dialog->raise();
    dialog->activateWindow();
  }
  return true;
}

// Activates the window the user was in before `from`: the most recently
// active one that is still shown (or the modal dialog that is open).
void HandActivationBack(Window* from) {
  if (ActivateModalDialog()) return;
  const std::vector<Window*> order = registry().activated;
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    Window* w = *it;
    QWidget* top = w->_TopWidget();
    if (w == from || !w->_IsOpen() || !top || !top->isVisible()) continue;
    top->activateWindow();
    return;
  }
}

xcb_connection_t* X11Connection() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(r);
  return a;
}

xcb_window_t RootOf(xcb_connection_t* c, QWidget* top) {
  xcb_query_tree_reply_t* tree =
      xcb_query_tree_reply(c, xcb_query_tree(c, static_cast<xcb_window_t>(top->winId())), nullptr);
  if (!tree) return XCB_WINDOW_NONE;
  const xcb_window_t root = tree->root;
  std::free(tree);
  return root;
}

// A window's property of one 32-bit window or atom value; XCB_NONE when
// it has none.
uint32_t Property32(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type) {
  xcb_get_property_reply_t* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 1), nullptr);
  uint32_t value = XCB_NONE;
  if (r && r->format == 32 && xcb_get_property_value_length(r) >= 4) {
    value = *static_cast<const uint32_t*>(xcb_get_property_value(r));
  }
  std::free(r);
  return value;
}

// The name the running window manager gives itself; empty when none says.
std::string WindowManagerName(xcb_connection_t* c, xcb_window_t root) {
  static const xcb_atom_t supportingCheck = Atom(c, "_NET_SUPPORTING_WM_CHECK");
  static const xcb_atom_t wmName = Atom(c, "_NET_WM_NAME");
  static const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
  const xcb_window_t check = Property32(c, root, supportingCheck, XCB_ATOM_WINDOW);
  if (check == XCB_NONE) return "";
  xcb_get_property_reply_t* r =
      xcb_get_property_reply(c, xcb_get_property(c, 0, check, wmName, utf8, 0, 64), nullptr);
  std::string name;
  if (r && r->format == 8) {
    name.assign(static_cast<const char*>(xcb_get_property_value(r)),
                static_cast<size_t>(xcb_get_property_value_length(r)));
  }
  std::free(r);
  return name;
}

// Whether KWin manages the screen of `root`. The answer is kept once the
// window manager has given its name; one replaced later is not noticed.
bool UnderKWin(xcb_connection_t* c, xcb_window_t root) {
  static std::map<xcb_window_t, bool> kwin;
  if (root == XCB_WINDOW_NONE) return false;
  if (auto it = kwin.find(root); it != kwin.end()) return it->second;
  const std::string name = WindowManagerName(c, root);
  if (!name.empty()) kwin[root] = name == "KWin";
  return name == "KWin";
}

// What a floating window is transient for: the program's window group.
// Under X11 that is the root window of the window's screen, which window
// managers read as "transient for its group": kept above every window of
// the program, and with them below other programs' windows. Nil where the
// platform has no such convention.
QWindow* GroupWindowFor(QWidget* top) {
  xcb_connection_t* c = X11Connection();
  if (!c) return nullptr;
  static QPointer<QWindow> group;
  static WId groupRoot = 0;
  const xcb_window_t root = RootOf(c, top);
  if (root == XCB_WINDOW_NONE) return nullptr;
  if (!group || groupRoot != root) {
    delete group;
    group = QWindow::fromWinId(root);
    if (group) static_cast<QObject*>(group.data())->setParent(qApp);
    groupRoot = root;
  }
  return group;
}

// The toolkit makes a floating window a utility window. KWin hides the
// utility windows of a program while another program is active (so that
// a click where one stood lands in the window beneath), and of the
// non-modal windows transient for a group it keeps only normal ones above
// the group: under KWin a floating window is a normal window. The other
// window managers keep a utility window transient for the group above it,
// and some of them not a normal one.
void DescribeFloatingWindow(QWidget* top) {
  xcb_connection_t* c = X11Connection();
  if (!c) return;
  if (!UnderKWin(c, RootOf(c, top))) return;
  const xcb_atom_t type = Atom(c, "_NET_WM_WINDOW_TYPE");
  const xcb_atom_t normal = Atom(c, "_NET_WM_WINDOW_TYPE_NORMAL");
  if (type == XCB_ATOM_NONE || normal == XCB_ATOM_NONE) return;
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(top->winId()), type, XCB_ATOM_ATOM, 32, 1,
                      &normal);
  xcb_flush(c);
}

// KWin keeps a window transient for the group above only the group's
// windows mapped before it: a window shown later, or shown again, comes
// above the floating windows when it is activated. They are raised over
// it again, in the order they were last active; a modal dialog stays on
// top of them all.
void KeepFloatingWindowsAbove(Window* activated) {
  if (activated->Frame() == Window::FrameFloating || _OpenModalDialog()) return;
  xcb_connection_t* c = X11Connection();
  QWidget* top = activated->_TopWidget();
  if (!c || !top) return;
  if (!UnderKWin(c, RootOf(c, top))) return;
  const std::vector<Window*> order = registry().activated;
  for (Window* w : order) {
    QWidget* t = w->_TopWidget();
    if (w->Frame() == Window::FrameFloating && w->_IsOpen() && t && t->isVisible()) t->raise();
  }
}

// Activation passed on from a window the user clicked to the dialog that
// blocks it. KWin declines a program's request while the toolkit counts
// the dialog active with its parent (so it never asks again): there the
// request is made on the user's behalf.
void ActivateForUser(QWidget* dialog) {
  xcb_connection_t* c = X11Connection();
  const xcb_window_t root = c ? RootOf(c, dialog) : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
  const xcb_atom_t active = UnderKWin(c, root) ? Atom(c, "_NET_ACTIVE_WINDOW") : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  if (active == XCB_ATOM_NONE) {
    dialog->activateWindow();
    return;
  }
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = static_cast<xcb_window_t>(dialog->winId());
  event.type = active;
  event.data.data32[0] = 2;  // on the user's behalf
  event.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(c);
}

bool Mapped(Window* w) {
  QWidget* top = w->_TopWidget();
  if (!w->_IsOpen() || !top || !top->isVisible()) return true;  // nothing to wait for
  QWindow* handle = top->windowHandle();
  return handle && handle->isExposed();
}

void CancelActivation() {
  WindowRegistry& r = registry();
  if (r.mappingCheck) r.mappingCheck->stop();
  r.mapping.clear();
  r.toActivate = nullptr;
}

void ActivateOnceMapped() {
  constexpr int kMostWaitMs = 1000;
  WindowRegistry& r = registry();
  if (_OpenModalDialog()) {
    CancelActivation();
    return;
  }
  if (!std::all_of(r.mapping.begin(), r.mapping.end(), Mapped) && r.mappingFor.elapsed() < kMostWaitMs) return;
  r.mappingCheck->stop();
  r.mapping.clear();
  Window* w = std::exchange(r.toActivate, nullptr);
  QWidget* top = w ? w->_TopWidget() : nullptr;
  if (top && w->_IsOpen() && w->Visible() && top->isVisible()) top->activateWindow();
}

}  // namespace

// A window hidden again before the loop runs never reaches the screen (nor
// the window manager), and of several windows shown by one piece of code
// the one shown last is active, whatever order they are mapped in.
void _ShowPendingWindows() {
  WindowRegistry& r = registry();
  r.showPosted = false;
  // They come once the modal dialog has closed (ModalDialogScope).
  if (_OpenModalDialog()) return;
  std::vector<Ref<Window>> pending;
  for (Window* w : r.shown) pending.emplace_back(w);
  r.shown.clear();
  Window* last = nullptr;
  for (const Ref<Window>& w : pending) {
    if (!w->_IsOpen() || !w->Visible()) continue;
    w->_ShowTop();
    std::erase(r.mapping, w.get());
    r.mapping.push_back(w.get());
    last = w.get();
  }
  if (!last) return;
  r.toActivate = last;
  r.mappingFor.start();
  if (!r.mappingCheck) {
    r.mappingCheck = new QTimer(qApp);
    r.mappingCheck->setInterval(10);
    QObject::connect(r.mappingCheck, &QTimer::timeout, [] { GuardedCall(ActivateOnceMapped); });
  }
  r.mappingCheck->start();
  ActivateOnceMapped();
}

namespace {

void PostShowPending() {
  WindowRegistry& r = registry();
  if (r.showPosted || r.shown.empty()) return;
  r.showPosted = true;
  QTimer::singleShot(0, qApp, [] { GuardedCall(_ShowPendingWindows); });
}

void NoteShown(Window* w) {
  WindowRegistry& r = registry();
  std::erase(r.shown, w);
  r.shown.push_back(w);
  PostShowPending();
}

}  // namespace

QWidget* _OpenModalDialog() {
  std::vector<QPointer<QWidget>>& modals = registry().modals;
  while (!modals.empty() && !modals.back()) modals.pop_back();
  return modals.empty() ? nullptr : modals.back().data();
}

ModalDialogScope::ModalDialogScope(QWidget* dialog) : dialog_(dialog) {
  WindowRegistry& r = registry();
  // What the program showed before the dialog is on screen beneath it, and
  // the activation that was due to one of those windows is the dialog's.
  if (!_OpenModalDialog()) _ShowPendingWindows();
  Window* before = r.toActivate ? r.toActivate : FrontWindow().get();
  if (before) before_ = before->_TopWidget();
  CancelActivation();
  if (!dialog) return;
  // A dialog modal for one window only (a folder dialog attached to its
  // window) leaves the others to the user; the toolkit keeps it above its
  // window.
  if (dialog->windowModality() == Qt::WindowModal && dialog->parentWidget()) return;
  r.modals.emplace_back(dialog);
  // Activated once it is on screen, whatever the window manager does with
  // a new window.
  auto* check = new QTimer(dialog);
  check->setInterval(10);
  auto waited = std::make_shared<QElapsedTimer>();
  waited->start();
  QObject::connect(check, &QTimer::timeout, dialog, [dialog, check, waited] {
    QWindow* handle = dialog->windowHandle();
    const bool exposed = dialog->isVisible() && handle && handle->isExposed();
    if (!exposed && waited->elapsed() < 1000) return;
    check->stop();
    if (exposed && !dialog->isActiveWindow()) dialog->activateWindow();
  });
  check->start();
}

ModalDialogScope::~ModalDialogScope() {
  WindowRegistry& r = registry();
  std::erase_if(r.modals, [this](const QPointer<QWidget>& m) { return !m || m == dialog_; });
  if (_OpenModalDialog()) return;
  PostShowPending();
  // The window the user was in gets the activation back (window managers
  // differ in which window they give it to), unless the program has shown
  // or activated another one by the time the loop runs.
  QPointer<QWidget> before = before_;
  if (!before) return;
  QTimer::singleShot(0, qApp, [before] {
    WindowRegistry& r = registry();
    if (!before || _OpenModalDialog() || !r.shown.empty() || r.toActivate) return;
    for (const Ref<Window>& w : r.open) {
      if (w->_TopWidget() != before) continue;
      if (w->_IsOpen() && w->Visible() && before->isVisible() && !before->isActiveWindow()) before->activateWindow();
      return;
    }
  });
}

namespace {

class ContentWidget : public QWidget {
 public:
  Window* owner = nullptr;

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!owner) return;
    Ref<Window> keep(owner);
    QPainter p(this);
    if (owner->HasBackColor()) p.fillRect(rect(), ToQColor(owner->BackColor()));
    Graphics g(&p, width(), height());
    GuardedPaintCall([&] { owner->_Paint(g); });
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (!owner) return;
    Ref<Window> keep(owner);
    QPoint pos = e->position().toPoint();
    GuardedCall([&] { owner->_MouseDown(pos.x(), pos.y()); });
    e->accept();
  }
  void resizeEvent(QResizeEvent*) override {
    if (!owner) return;
    Ref<Window> keep(owner);
    GuardedCall([&] { owner->_ContentResized(width(), height()); });
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (owner) {
      Ref<Window> keep(owner);
      bool done = false;
      if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        GuardedCall([&] { done = owner->_DefaultKey(false); });
      } else if (e->key() == Qt::Key_Escape) {
        GuardedCall([&] { done = owner->_DefaultKey(true); });
      }
      if (done) {
        e->accept();
        return;
      }
    }
    QWidget::keyPressEvent(e);
  }
};

class TopWidget : public QMainWindow {
 public:
  Window* owner = nullptr;

  TopWidget() {
    focusWatch_ = QObject::connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
      if (now && now->window() == this) FocusCameTo(now);
    });
  }
  ~TopWidget() override { QObject::disconnect(focusWatch_); }

 protected:
  bool event(QEvent* e) override {
    if (owner && (e->type() == QEvent::WindowActivate || e->type() == QEvent::WindowDeactivate)) {
      Ref<Window> keep(owner);
      bool activate = e->type() == QEvent::WindowActivate;
      // A window beneath an open modal dialog (clicked, or activated by the
      // window manager) is not the program's active window: the dialog is.
      if (activate && ActivateModalDialog()) return QMainWindow::event(e);
      // The same for a window under a dialog modal for it alone (a folder
      // dialog attached to it): keys typed there would go nowhere.
      if (activate && ActivateOwnDialog()) return QMainWindow::event(e);
      if (activate && !isVisible()) {
        // A late activation of a window hidden meanwhile (the window
        // manager's or the toolkit's): it goes back where the user was.
        HandActivationBack(owner);
        return QMainWindow::event(e);
      }
      GuardedCall([&] {
        if (activate) owner->_Activated();
        else owner->Event_Deactivate();
      });
      if (activate && owner && owner->_IsOpen()) KeepFloatingWindowsAbove(owner);
    }
    return QMainWindow::event(e);
  }
  void closeEvent(QCloseEvent* e) override {
    bool closed = true;
    if (owner) {
      Ref<Window> keep(owner);
      GuardedCall([&] { closed = owner->_UserClose(); });
    }
    if (closed) e->accept();
    else e->ignore();
  }
  void moveEvent(QMoveEvent* e) override {
    QMainWindow::moveEvent(e);
    if (owner && isVisible()) owner->_Moved();
  }
  bool ActivateOwnDialog() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == this || !modal->isVisible() || modal->windowModality() != Qt::WindowModal) return false;
    QWidget* parent = modal->parentWidget();
    if (!parent || parent->window() != this) return false;
    ActivateForUser(modal);
    return true;
  }
  // Tab and Shift+Tab pass over a control that lies wholly outside the
  // window's content, where no one sees it (nor what is typed into it).
  bool focusNextPrevChild(bool next) override {
    const bool wasStepping = stepping_;
    stepping_ = true;
    QWidget* start = focusWidget();
    bool moved = true;
    for (int step = 0; step < 256; ++step) {
      moved = QMainWindow::focusNextPrevChild(next);
      QWidget* now = focusWidget();
      if (!moved || !now || now == start || !OutOfSight(now)) break;
    }
    stepping_ = wasStepping;
    return moved;
  }

 private:
  // Whether a control of this window lies wholly outside its content.
  bool OutOfSight(QWidget* w) const {
    QWidget* content = centralWidget();
    if (!w || !content || w == content || !content->isAncestorOf(w)) return false;
    return !QRect(w->mapTo(content, QPoint(0, 0)), w->size()).intersects(content->rect());
  }
  // Such a control never keeps the focus, however it came to it (the
  // toolkit gives an activated window's last or first control the focus
  // without asking where it lies): the next control in sight takes it, or
  // the content itself.
  void FocusCameTo(QWidget* now) {
    if (stepping_ || !OutOfSight(now)) return;
    focusNextPrevChild(true);
    if (OutOfSight(focusWidget())) centralWidget()->setFocus(Qt::OtherFocusReason);
  }

  QMetaObject::Connection focusWatch_;
  bool stepping_ = false;
};

}  // namespace

struct Window::Private {
  QPointer<TopWidget> top;
  QPointer<ContentWidget> content;
  QPointer<QMenuBar> bar;
  // The application bar's items whose shortcuts act in a window without a
  // bar of its own.
  std::vector<QPointer<QAction>> appShortcuts;
  bool ignoreMoves = false;
};

Window::Window() : d_(std::make_unique<Private>()) {
  EnsureGuiApplication();
  CreateWidget();
}

Window::~Window() {
  DetachAll();
  if (TopWidget* t = d_->top) {
    t->owner = nullptr;
    if (d_->content) d_->content->owner = nullptr;
    t->hide();
    t->deleteLater();
  }
}

void Window::CreateWidget() {
  auto* top = new TopWidget;
  top->owner = this;
  top->setAttribute(Qt::WA_DeleteOnClose, false);
  auto* content = new ContentWidget;
  content->owner = this;
  content->setFocusPolicy(Qt::ClickFocus);
  top->setCentralWidget(content);
  d_->top = top;
  d_->content = content;
  ApplyFlags();
  ApplySize();
}

QWidget* Window::_TopWidget() const { return d_->top; }
QWidget* Window::_ContentWidget() const { return d_->content; }

void Window::DetachAll() {
  for (const Ref<rb::Control>& c : controls_) c->_Detach();
}

void Window::_Construct(const char* className) {
  if (open_ || !d_->top) return;  // built once
  className_ = className ? className : "";
  open_ = true;
  constructing_ = true;
  registry().open.push_back(Ref<Window>(this));
  try {
    Layout();
    // A bar of its own was built when Layout set it; without one the
    // application bar's shortcuts are added here.
    if (!menuBar_) BuildMenuBar();
    CreateControls();
    FixTabOrder();
    AddMenuHandlers();
    for (size_t i = 0; i < controls_.size(); ++i) {
      Ref<rb::Control> c = controls_[i];
      if (open_) c->_RaiseOpen();
    }
    if (open_) Event_Open();
  } catch (...) {
    constructing_ = false;
    if (open_) {
      open_ = false;
      DetachAll();
      controls_.clear();
      if (d_->top) d_->top->hide();
      Forget(this);
    }
    throw;
  }
  constructing_ = false;
  if (open_ && visible_) Show();
}

// ---- Properties -----------------------------------------------------------------

void Window::SetTitle(const String& t) {
  title_ = t;
  if (d_->top) d_->top->setWindowTitle(ToQ(t));
}

static int MenuOffsetOf(QWidget* top, QWidget* content, QMenuBar* bar, int width) {
  if (!bar || bar->isHidden()) return 0;
  if (top && top->isVisible() && content) return content->y();
  int h = bar->heightForWidth(width);
  return h > 0 ? h : bar->sizeHint().height();
}

int Window::Left() const { return left_; }
int Window::Top() const { return top_; }

void Window::SetLeft(int v) {
  left_ = v;
  placed_ = true;
  ApplyPosition();
}

void Window::SetTop(int v) {
  top_ = v;
  placed_ = true;
  ApplyPosition();
}

// Puts the toolkit window where Left and Top say.
void Window::ApplyPosition() {
  TopWidget* t = d_->top;
  if (!t) return;
  QRect g = t->geometry();
  g.moveTo(left_, top_ - MenuOffsetOf(t, d_->content, d_->bar, width_));
  d_->ignoreMoves = true;
  t->setGeometry(g);
  d_->ignoreMoves = false;
}

void Window::_Moved() {
  TopWidget* t = d_->top;
  if (!t || !t->isVisible() || d_->ignoreMoves || !d_->content) return;
  QPoint p = d_->content->mapToGlobal(QPoint(0, 0));
  left_ = p.x();
  top_ = p.y();
}

void Window::SetWidth(int v) {
  if (v == width_) return;
  int dx = v - width_;
  width_ = v;
  for (const Ref<rb::Control>& c : controls_) {
    if (auto* rc = dynamic_cast<RectControl*>(c.get())) rc->_WindowResized(dx, 0);
  }
  for (const Ref<rb::Control>& c : controls_) {
    if (auto* rc = dynamic_cast<RectControl*>(c.get())) rc->_ApplyGeometry();
  }
  ApplySize();
}

void Window::SetHeight(int v) {
  if (v == height_) return;
  int dy = v - height_;
  height_ = v;
  for (const Ref<rb::Control>& c : controls_) {
    if (auto* rc = dynamic_cast<RectControl*>(c.get())) rc->_WindowResized(0, dy);
  }
  for (const Ref<rb::Control>& c : controls_) {
    if (auto* rc = dynamic_cast<RectControl*>(c.get())) rc->_ApplyGeometry();
  }
  ApplySize();
}

void Window::_ContentResized(int w, int h) {
  if (w == width_ && h == height_) return;
  int dx = w - width_, dy = h - height_;
  width_ = w;
  height_ = h;
  for (const Ref<rb::Control>& c : controls_) {
    if (auto* rc = dynamic_cast<RectControl*>(c.get())) rc->_WindowResized(dx, dy);
  }
  for (const Ref<rb::Control>& c : controls_) {
    if (auto* rc = dynamic_cast<RectControl*>(c.get())) rc->_ApplyGeometry();
  }
  if (!constructing_) Event_Resized();
}

void Window::SetMinWidth(int v) {
  minWidth_ = v;
  ApplySize();
}
void Window::SetMinHeight(int v) {
  minHeight_ = v;
  ApplySize();
}
void Window::SetMaxWidth(int v) {
  maxWidth_ = v;
  ApplySize();
}
void Window::SetMaxHeight(int v) {
  maxHeight_ = v;
  ApplySize();
}

void Window::ApplySize() {
  TopWidget* t = d_->top;
  ContentWidget* c = d_->content;
  if (!t || !c) return;
  constexpr int kMax = QWIDGETSIZE_MAX;
  if (resizeable_) {
    c->setMinimumSize(std::max(0, std::min(minWidth_, width_)), std::max(0, std::min(minHeight_, height_)));
    c->setMaximumSize(std::min(kMax, std::max(maxWidth_, width_)), std::min(kMax, std::max(maxHeight_, height_)));
  } else {
    c->setMinimumSize(std::max(0, width_), std::max(0, height_));
    c->setMaximumSize(std::max(0, width_), std::max(0, height_));
  }
  int mb = MenuOffsetOf(t, c, d_->bar, width_);
  d_->ignoreMoves = true;
  t->setMinimumSize(0, 0);
  t->setMaximumSize(kMax, kMax);
  t->resize(width_, height_ + mb);
  c->resize(width_, height_);
  if (!resizeable_) t->setFixedSize(width_, height_ + mb);
  d_->ignoreMoves = false;
}

void Window::ApplyFlags() {
  TopWidget* t = d_->top;
  if (!t) return;
  bool wasVisible = t->isVisible();
  Qt::WindowFlags f;
  switch (frame_) {
    case FrameMovableModal:
    case FrameModalDialog:
      f = Qt::Dialog;
      break;
    case FrameFloating:
      f = Qt::Tool;
      break;
    default:
      f = Qt::Window;
      break;
  }
  f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
  if (closeButton_) f |= Qt::WindowCloseButtonHint;
  if (minimizeButton_) f |= Qt::WindowMinimizeButtonHint;
  if (maximizeButton_ && resizeable_) f |= Qt::WindowMaximizeButtonHint;
  Qt::WindowModality m =
      (frame_ == FrameMovableModal || frame_ == FrameModalDialog) ? Qt::ApplicationModal : Qt::NonModal;
  if (t->windowFlags() == f && t->windowModality() == m) return;
  QRect g = t->geometry();
  if (wasVisible) t->hide();
  t->setWindowFlags(f);
  t->setWindowModality(m);
  t->setGeometry(g);
  if (wasVisible) {
    ApplyGroup();
    t->show();
  }
}

// A floating window stays in front of the program's other windows: the
// toolkit window is made transient for the program's group before it is
// mapped (window managers read it then). Other frames keep the toolkit's
// own choice.
void Window::ApplyGroup() {
  TopWidget* t = d_->top;
  if (!t) return;
  const bool floating = frame_ == FrameFloating;
  if (!floating && !t->windowHandle()) return;
  QWindow* group = floating ? GroupWindowFor(t) : nullptr;
  QWindow* handle = t->windowHandle();
  if (handle && handle->transientParent() != group) handle->setTransientParent(group);
  if (group) DescribeFloatingWindow(t);
}

void Window::SetFrame(int f) {
  frame_ = f;
  ApplyFlags();
}

void Window::SetResizeable(bool v) {
  resizeable_ = v;
  ApplyFlags();
  ApplySize();
}
void Window::SetCloseButton(bool v) {
  closeButton_ = v;
  ApplyFlags();
}
void Window::SetMinimizeButton(bool v) {
  minimizeButton_ = v;
  ApplyFlags();
}
void Window::SetMaximizeButton(bool v) {
  maximizeButton_ = v;
  ApplyFlags();
}

void Window::SetMenuBarVisible(bool v) {
  menuBarVisible_ = v;
  BuildMenuBar();
}

void Window::SetHasBackColor(bool v) {
  hasBackColor_ = v;
  ApplyBackground();
}
void Window::SetBackColor(Color c) {
  backColor_ = c;
  ApplyBackground();
}
void Window::ApplyBackground() {
  if (d_->content) d_->content->update();
}

void Window::SetVisible(bool v) {
  if (v) Show();
  else Hide();
}

Ref<rb::MenuBar> Window::MenuBar() const { return menuBar_; }

void Window::SetMenuBar(const Ref<rb::MenuBar>& bar) {
  menuBar_ = bar;
  BuildMenuBar();
}

static void AddShortcutsBelow(MenuItem* node, QWidget* top, std::vector<QPointer<QAction>>& added) {
  for (const Ref<MenuItem>& c : node->_Children()) {
    if (!c->_Children().empty()) {
      AddShortcutsBelow(c.get(), top, added);
    } else if (QAction* a = c->_Action(); a && !a->shortcut().isEmpty()) {
      top->addAction(a);
      added.emplace_back(a);
    }
  }
}

void Window::BuildMenuBar() {
  TopWidget* t = d_->top;
  if (!t) return;
  for (const QPointer<QAction>& a : d_->appShortcuts) {
    if (a) t->removeAction(a);
  }
  d_->appShortcuts.clear();
  if (!menuBar_) {
    // No bar of its own: the application's bar acts through its shortcuts
    // (there is no global bar to show it in).
    Ref<Application> app = ApplicationObject();
    if (Ref<rb::MenuBar> appBar = app ? app->MenuBar() : nullptr) AddShortcutsBelow(appBar.get(), t, d_->appShortcuts);
  }
  if (!menuBar_ || !menuBarVisible_) {
    if (d_->bar) {
      d_->bar->clear();
      d_->bar->hide();
    }
    ApplySize();
    return;
  }
  QMenuBar* bar = d_->bar;
  if (!bar) {
    bar = new QMenuBar;
    t->setMenuBar(bar);
    d_->bar = bar;
  }
  bar->clear();
  for (const Ref<MenuItem>& menu : menuBar_->_Children()) {
    if (QAction* a = menu->_Action()) bar->addAction(a);
  }
  bar->show();
  ApplySize();
}

// ---- Showing and closing ------------------------------------------------------

void Window::PlaceDefault() {
  if (placed_) return;
  Ref<ScreenInfo> s = rb::Screen(0);
  int sw = s ? s->AvailableWidth() : 1024, sh = s ? s->AvailableHeight() : 768;
  int sl = s ? s->AvailableLeft() : 0, st = s ? s->AvailableTop() : 0;
  left_ = sl + static_cast<int>(sw / 2.0 - width_ / 2.0);
  top_ = st + static_cast<int>(sh / 2.0 - height_ / 2.0);
  if (top_ < st) top_ = st;
  SetLeft(left_);
  SetTop(top_);
}

// The window is shown from now on as far as the program is concerned; the
// toolkit shows it when the event loop runs (ShowPendingWindows).
void Window::Show() {
  if (!open_) return;
  visible_ = true;
  if (constructing_) return;
  if (!d_->top) return;
  PlaceDefault();
  NoteShown(this);
}

void Window::_ShowTop() {
  TopWidget* t = d_->top;
  if (!t) return;
  if (!t->isVisible()) {
    ApplyGroup();
    // A window comes back where it stood: while it was hidden the window
    // manager may have moved it (some put a window they let go of at
    // their frame's corner), and the toolkit took that move as its own.
    if (placed_) ApplyPosition();
    d_->ignoreMoves = true;
    t->show();
    d_->ignoreMoves = false;
  }
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) t->raise();
}

void Window::Hide() {
  visible_ = false;
  std::erase(registry().shown, this);
  HideTop();
}

void Window::HideTop() {
  TopWidget* t = d_->top;
  if (!t) return;
  bool wasActive = t->isActiveWindow();
  t->hide();
  if (wasActive) HandActivationBack(this);
}

void Window::Close() {
  if (!open_ || closing_) return;
  Ref<Window> keep(this);
  closing_ = true;
  try {
    Event_Close();
  } catch (...) {
    closing_ = false;
    throw;
  }
  closing_ = false;
  if (!open_) return;
  open_ = false;
  DetachAll();
  controls_.clear();
  menuHandlers_.clear();
  if (TopWidget* t = d_->top) {
    t->owner = nullptr;
    if (d_->content) d_->content->owner = nullptr;
  }
  HideTop();
  if (TopWidget* t = d_->top) t->deleteLater();
  d_->top = nullptr;
  d_->content = nullptr;
  d_->bar = nullptr;
  Forget(this);
}

bool Window::_UserClose() {
  Ref<Window> keep(this);
  if (!Event_CancelClose(false)) Close();
  if (open_) return false;
  _UserClosedWindow();
  return true;
}

void Window::Refresh(bool) {
  if (d_->content) d_->content->update();
}

bool Window::_IsActive() const { return d_->top && d_->top->isActiveWindow(); }

void Window::_Activated() {
  NoteActivated(this);
  _EnableMenuItems();
  Event_Activate();
}

void Window::_Paint(Graphics& g) { Event_Paint(g); }

bool Window::_MouseDown(int x, int y) {
  const bool handled = Event_MouseDown(x, y);
  // A window that a click closes was closed by the user.
  if (!open_) _UserClosedWindow();
  return handled;
}

bool Window::_DefaultKey(bool cancel) {
  for (const Ref<rb::Control>& c : controls_) {
    auto* b = dynamic_cast<PushButton*>(c.get());
    if (!b || !b->Visible() || !b->Enabled()) continue;
    if (cancel ? b->Cancel() : b->Default()) {
      Ref<rb::Control> keep = c;
      b->Push();
      return true;
    }
  }
  return false;
}

// ---- Layout tables ---------------------------------------------------------------

void Window::_ApplyProperties(PropertyList props) {
  for (const Property& p : props) {
    if (!_SetProperty(p.name, p.value))
      throw RuntimeException(std::string("unknown window property ") + p.name);
  }
}

bool Window::_SetProperty(const char* name, const PropertyValue& v) {
  if (NameIs(name, "Title")) SetTitle(v.AsText());
  else if (NameIs(name, "Width")) SetWidth(v.AsInteger());
  else if (NameIs(name, "Height")) SetHeight(v.AsInteger());
  else if (NameIs(name, "Left")) SetLeft(v.AsInteger());
  else if (NameIs(name, "Top")) SetTop(v.AsInteger());
  else if (NameIs(name, "MinWidth")) SetMinWidth(v.AsInteger());
  else if (NameIs(name, "MinHeight")) SetMinHeight(v.AsInteger());
  else if (NameIs(name, "MaxWidth")) SetMaxWidth(v.AsInteger());
  else if (NameIs(name, "MaxHeight")) SetMaxHeight(v.AsInteger());
  else if (NameIs(name, "Frame")) SetFrame(v.AsInteger());
  else if (NameIs(name, "Placement")) SetPlacement(v.AsInteger());
  else if (NameIs(name, "Visible")) visible_ = v.AsBoolean();
  else if (NameIs(name, "Resizeable")) SetResizeable(v.AsBoolean());
  else if (NameIs(name, "CloseButton")) SetCloseButton(v.AsBoolean());
  else if (NameIs(name, "MinimizeButton")) SetMinimizeButton(v.AsBoolean());
  else if (NameIs(name, "MaximizeButton")) SetMaximizeButton(v.AsBoolean());
  else if (NameIs(name, "MenuBarVisible")) SetMenuBarVisible(v.AsBoolean());
  else if (NameIs(name, "HasBackColor")) SetHasBackColor(v.AsBoolean());
  else if (NameIs(name, "BackColor")) SetBackColor(static_cast<Color>(v.AsInteger()));
  else if (NameIs(name, "FullScreen") || NameIs(name, "Composite") || NameIs(name, "LiveResize") ||
           NameIs(name, "BalloonHelp") || NameIs(name, "MacProcId")) {
    // Accepted; nothing to do on this platform.
  } else {
    return false;
  }
  return true;
}

// ---- Controls -------------------------------------------------------------------------

void Window::_AddControl(const Ref<rb::Control>& control, const String& name) {
  if (!control) throw NilObjectException();
  control->_Attach(this, name);
  controls_.push_back(control);
  if (!constructing_) FixTabOrder();
}

Ref<rb::Control> Window::FindControl(const String& name) const {
  for (const Ref<rb::Control>& c : controls_) {
    if (c->Name() == name) return c;
  }
  return nullptr;
}

Ref<rb::Control> Window::ControlAt(int index) const {
  if (index < 0 || index >= ControlCount()) throw OutOfBoundsException();
  return controls_[static_cast<size_t>(index)];
}

void Window::FixTabOrder() {
  QWidget* prev = nullptr;
  for (const Ref<rb::Control>& c : controls_) {
    auto* rc = dynamic_cast<RectControl*>(c.get());
    QWidget* w = rc ? rc->_Widget() : nullptr;
    if (!w || !(w->focusPolicy() & Qt::TabFocus)) continue;
    if (prev) QWidget::setTabOrder(prev, w);
    prev = w;
  }
}

std::vector<String> Window::_FocusChain() const {
  std::vector<String> names;
  QWidget* first = nullptr;
  for (const Ref<rb::Control>& c : controls_) {
    auto* rc = dynamic_cast<RectControl*>(c.get());
    QWidget* w = rc ? rc->_Widget() : nullptr;
    if (w && (w->focusPolicy() & Qt::TabFocus)) {
      first = w;
      break;
    }
  }
  if (!first) return names;
  QWidget* w = first;
  do {
    for (const Ref<rb::Control>& c : controls_) {
      auto* rc = dynamic_cast<RectControl*>(c.get());
      if (rc && rc->_Widget() == w && (w->focusPolicy() & Qt::TabFocus)) names.push_back(rc->Name());
    }
    w = w->nextInFocusChain();
  } while (w && w != first);
  return names;
}

// ---- Menu handlers ---------------------------------------------------------------------

void Window::_AddMenuHandler(const String& itemName, std::function<bool()> handler) {
  for (auto& h : menuHandlers_) {
    if (h.first == itemName) {
      h.second = std::move(handler);
      return;
    }
  }
  menuHandlers_.emplace_back(itemName, std::move(handler));
}

bool Window::_HasMenuHandler(const String& itemName) const {
  for (const auto& h : menuHandlers_) {
    if (h.first == itemName && h.second) return true;
  }
  return false;
}

bool Window::_HandleMenu(const String& itemName) {
  Ref<Window> keep(this);
  for (const auto& h : menuHandlers_) {
    if (h.first == itemName && h.second) {
      std::function<bool()> f = h.second;
      return f();
    }
  }
  return false;
}

void Window::_EnableMenuItems() {
  if (menuBar_) menuBar_->_EnableFor(this);
}

// ---- Registry ------------------------------------------------------------------------------

Ref<Window> _GetImplicitWindow(const String& className) {
  for (const Ref<Window>& w : registry().open) {
    if (w->_IsOpen() && Identical(w->_ClassName(), className)) return w;
  }
  return nullptr;
}

std::vector<Ref<Window>> OpenWindows() { return registry().open; }

Ref<Window> FrontWindow() {
  WindowRegistry& r = registry();
  QWidget* active = QApplication::activeWindow();
  for (const Ref<Window>& w : r.open) {
    if (active && w->_TopWidget() == active && w->Visible()) return w;
  }
  if (r.lastActive && r.lastActive->_IsOpen() && r.lastActive->Visible()) return Ref<Window>(r.lastActive);
  for (auto it = r.open.rbegin(); it != r.open.rend(); ++it) {
    if ((*it)->Visible()) return *it;
  }
  return nullptr;
}

}  // namespace rb

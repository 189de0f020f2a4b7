#include "framework/menu.h"

#include <strings.h>

#include <QAction>
#include <QKeySequence>
#include <QMenu>

#include "framework/application.h"
#include "framework/gui_private.h"
#include "framework/window.h"

namespace rb {

struct MenuItem::Private {
  QAction* action = nullptr;  // owned
  QMenu* menu = nullptr;      // owned; made when the item gets children
};

namespace {

void EnableForFront(MenuItem* node, const Window* front) {
  for (const Ref<MenuItem>& c : node->_Children()) {
    if (c->AutoEnable() || (front && front->_HasMenuHandler(c->Name()))) c->SetEnabled(true);
    EnableForFront(c.get(), front);
  }
}

void Chosen(MenuItem* item) {
  Ref<MenuItem> keep(item);
  GuardedCall([item] {
    String name = item->Name();
    bool handled = false;
    Ref<Window> front = FrontWindow();
    if (front && front->_HasMenuHandler(name)) handled = front->_HandleMenu(name);
    if (!handled) {
      Ref<Application> app = ApplicationObject();
      if (app && app->_HasMenuHandler(name)) handled = app->_HandleMenu(name);
    }
    if (!handled) item->Action();
  });
}

}  // namespace

MenuItem::MenuItem() : d_(std::make_unique<Private>()) {
  EnsureGuiApplication();
  d_->action = new QAction;
  MenuItem* self = this;
  QObject::connect(d_->action, &QAction::triggered, [self] { Chosen(self); });
}

MenuItem::MenuItem(const String& text) : MenuItem() { SetText(text); }

MenuItem::~MenuItem() {
  // Bars often live in globals that outlast the event loop: let the
  // toolkit dispose of its objects when (and if) the loop runs again.
  if (d_->menu) {
    QObject::disconnect(d_->menu, nullptr, nullptr, nullptr);
    d_->menu->deleteLater();
  }
  QObject::disconnect(d_->action, nullptr, nullptr, nullptr);
  d_->action->deleteLater();
}

QAction* MenuItem::_Action() const { return d_->menu ? d_->menu->menuAction() : d_->action; }

bool MenuItem::_IsSeparator() const { return text_.Bytes() == "-"; }

void MenuItem::SetText(const String& t) {
  bool wasSeparator = _IsSeparator();
  text_ = t;
  d_->action->setText(ToQ(t));
  d_->action->setSeparator(_IsSeparator());
  if (d_->menu) d_->menu->setTitle(ToQ(t));
  if (wasSeparator != _IsSeparator()) _TreeChanged();
}

void MenuItem::SetKeyboardShortcut(const String& s) {
  shortcut_ = s;
  d_->action->setShortcut(QKeySequence::fromString(ToQ(_ShortcutKeys()), QKeySequence::PortableText));
}

String MenuItem::_ShortcutKeys() const {
  std::string t = shortcut_.Utf8();
  while (!t.empty() && t.front() == ' ') t.erase(t.begin());
  while (!t.empty() && t.back() == ' ') t.pop_back();
  bool ctrl = false, shift = false, alt = false, meta = false;
  static const struct {
    const char* word;
    int which;
  } kMods[] = {{"command", 0}, {"cmd", 0}, {"control", 0}, {"ctrl", 0}, {"shift", 1},
               {"option", 2},  {"opt", 2}, {"alt", 2},     {"meta", 3}};
  for (bool more = true; more;) {
    more = false;
    for (const auto& m : kMods) {
      size_t n = strlen(m.word);
      if (t.size() > n + 1 && strncasecmp(t.c_str(), m.word, n) == 0 && (t[n] == '+' || t[n] == '-')) {
        (m.which == 0 ? ctrl : m.which == 1 ? shift : m.which == 2 ? alt : meta) = true;
        t.erase(0, n + 1);
        more = true;
        break;
      }
    }
  }
  if (t.empty()) return String();
  if (t.size() == 1 && t[0] >= 'a' && t[0] <= 'z') t[0] = static_cast<char>(t[0] - 'a' + 'A');
  std::string keys;
  if (ctrl) keys += "Ctrl+";
  if (shift) keys += "Shift+";
  if (alt) keys += "Alt+";
  if (meta) keys += "Meta+";
  return String(keys + t);
}

void MenuItem::SetEnabled(bool v) {
  enabled_ = v;
  _Action()->setEnabled(v);
}

void MenuItem::SetChecked(bool v) {
  checked_ = v;
  d_->action->setCheckable(v);
  d_->action->setChecked(v);
}

void MenuItem::SetVisible(bool v) {
  visible_ = v;
  _Action()->setVisible(v);
}

void MenuItem::Append(const Ref<MenuItem>& item) {
  if (!item) throw NilObjectException();
  if (!d_->menu) {
    QAction* old = d_->action;
    d_->menu = new QMenu(ToQ(text_));
    d_->menu->menuAction()->setEnabled(enabled_);
    d_->menu->menuAction()->setVisible(visible_);
    MenuItem* self = this;
    QObject::connect(d_->menu, &QMenu::aboutToShow, [self] {
      Ref<Window> front = FrontWindow();
      EnableForFront(self, front.get());
    });
    if (parent_ && parent_->d_->menu) {
      parent_->d_->menu->insertAction(old, d_->menu->menuAction());
      parent_->d_->menu->removeAction(old);
    }
  }
  item->parent_ = this;
  children_.push_back(item);
  d_->menu->addAction(item->_Action());
  _TreeChanged();
}

Ref<MenuItem> MenuItem::Item(int index) const {
  if (index < 0 || index >= Count()) throw OutOfBoundsException();
  return children_[static_cast<size_t>(index)];
}

Ref<MenuItem> MenuItem::Child(const String& name) const {
  for (const Ref<MenuItem>& c : children_) {
    if (c->name_ == name) return c;
  }
  return nullptr;
}

Ref<MenuItem> MenuItem::_Lookup(const String& name) const {
  for (const Ref<MenuItem>& c : children_) {
    if (c->name_ == name) return c;
    if (Ref<MenuItem> found = c->_Lookup(name)) return found;
  }
  return nullptr;
}

void MenuItem::_TreeChanged() {
  if (parent_) parent_->_TreeChanged();
}

void MenuItem::_Choose() { d_->action->trigger(); }

void MenuItem::_PrepareToShow() {
  Ref<Window> front = FrontWindow();
  EnableForFront(this, front.get());
}

void QuitMenuItem::Action() { Quit(0); }

void MenuBar::_TreeChanged() {
  for (const Ref<Window>& w : OpenWindows()) {
    if (w->MenuBar().get() == this) w->_RebuildMenuBar();
  }
}

}  // namespace rb

#include "framework/menu.h"

#include <strings.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "framework/application.h"
#include "framework/gui_private.h"
#include "framework/window.h"

namespace rb {

struct MenuItem::Private {
  QAction* action = nullptr;  // owned
  QMenu* menu = nullptr;      // owned; made when the item gets children
};

namespace {

// The Edit items the framework carries out itself on the focused text
// field, by item name, when no handler takes them.
enum class EditCommand { None, Undo, Cut, Copy, Paste, SelectAll, Clear };

EditCommand EditCommandOf(const String& name) {
  static const struct {
    const char* name;
    EditCommand command;
  } kCommands[] = {{"EditUndo", EditCommand::Undo},   {"EditCut", EditCommand::Cut},
                   {"EditCopy", EditCommand::Copy},   {"EditPaste", EditCommand::Paste},
                   {"EditSelectAll", EditCommand::SelectAll}, {"EditClear", EditCommand::Clear}};
  for (const auto& c : kCommands) {
    if (name == String(c.name)) return c.command;
  }
  return EditCommand::None;
}

bool HasHandler(const Window* front, const String& name) {
  if (front && front->_HasMenuHandler(name)) return true;
  Ref<Application> app = ApplicationObject();
  return app && app->_HasMenuHandler(name);
}

// The text field of the front window that has the keyboard focus, or nil.
QTextEdit* FocusedTextField(const Window* front) {
  auto* field = qobject_cast<QTextEdit*>(QApplication::focusWidget());
  if (!field || !front || !front->_TopWidget() || field->window() != front->_TopWidget()) return nullptr;
  return field->isEnabled() ? field : nullptr;
}

bool CanDo(EditCommand command, QTextEdit* field) {
  if (!field) return false;
  const bool editable = !field->isReadOnly();
  const bool selection = field->textCursor().hasSelection();
  switch (command) {
    case EditCommand::Undo: return editable && field->document()->isUndoAvailable();
    case EditCommand::Cut:
    case EditCommand::Clear: return editable && selection;
    case EditCommand::Copy: return selection;
    case EditCommand::Paste: return editable && field->canPaste();
    case EditCommand::SelectAll: return !field->document()->isEmpty();
    case EditCommand::None: break;
  }
  return false;
}

void Do(EditCommand command, QTextEdit* field) {
  switch (command) {
    case EditCommand::Undo: field->undo(); break;
    case EditCommand::Cut: field->cut(); break;
    case EditCommand::Copy: field->copy(); break;
    case EditCommand::Paste: field->paste(); break;
    case EditCommand::SelectAll: field->selectAll(); break;
    case EditCommand::Clear: {
      QTextCursor c = field->textCursor();
      c.removeSelectedText();
      field->setTextCursor(c);
      break;
    }
    case EditCommand::None: break;
  }
}

void EnableForFront(MenuItem* node, const Window* front) {
  for (const Ref<MenuItem>& c : node->_Children()) {
    EditCommand command = EditCommandOf(c->Name());
    if (command != EditCommand::None && !HasHandler(front, c->Name())) {
      c->SetEnabled(CanDo(command, FocusedTextField(front)));
    } else if (c->AutoEnable() || (front && front->_HasMenuHandler(c->Name()))) {
      c->SetEnabled(true);
    }
    EnableForFront(c.get(), front);
  }
}

void Chosen(MenuItem* item) {
  Ref<MenuItem> keep(item);
  GuardedCall([item] {
    String name = item->Name();
    Ref<Window> front = FrontWindow();
    if (!HasHandler(front.get(), name)) {
      if (EditCommand command = EditCommandOf(name); command != EditCommand::None) {
        if (QTextEdit* field = FocusedTextField(front.get()); CanDo(command, field)) Do(command, field);
        return;
      }
    }
    bool handled = false;
    if (front && front->_HasMenuHandler(name)) handled = front->_HandleMenu(name);
    if (!handled) {
      Ref<Application> app = ApplicationObject();
      if (app && app->_HasMenuHandler(name)) handled = app->_HandleMenu(name);
    }
    if (!handled) item->Action();
  });
}

// The bar whose items act while the window is in front: its own, else the
// application's.
Ref<MenuBar> BarActingIn(const Window* w) {
  if (w && w->MenuBar()) return w->MenuBar();
  Ref<Application> app = ApplicationObject();
  return app ? app->MenuBar() : nullptr;
}

bool EnabledItemHasKey(const MenuItem* node, QKeyCombination key) {
  for (const Ref<MenuItem>& c : node->_Children()) {
    if (!c->_Children().empty()) {
      if (c->Enabled() && EnabledItemHasKey(c.get(), key)) return true;
      continue;
    }
    QKeySequence keys = c->_Action()->shortcut();
    if (c->Enabled() && c->Visible() && !keys.isEmpty() && keys[0] == key) return true;
  }
  return false;
}

Window* WindowOfWidget(const QWidget* widget) {
  const QWidget* top = widget ? widget->window() : nullptr;
  for (const Ref<Window>& w : OpenWindows()) {
    if (top && w->_TopWidget() == top) return w.get();
  }
  return nullptr;
}

}  // namespace

void _PrepareMenusForKey() {
  Ref<Window> front = FrontWindow();
  if (Ref<MenuBar> bar = BarActingIn(front.get())) EnableForFront(bar.get(), front.get());
}

bool _MenuTakesKey(const QWidget* widget, const QKeyEvent* e) {
  Window* w = WindowOfWidget(widget);
  Ref<MenuBar> bar = w ? BarActingIn(w) : nullptr;
  if (!bar) return false;
  return EnabledItemHasKey(bar.get(), QKeyCombination(e->modifiers() & ~Qt::KeypadModifier, Qt::Key(e->key())));
}

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
  // A separator shows no caption: the style would draw it as a label.
  d_->action->setText(_IsSeparator() ? QString() : ToQ(t));
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

void MenuItem::_EnableFor(const Window* front) { EnableForFront(this, front); }

void MenuItem::_PrepareToShow() {
  Ref<Window> front = FrontWindow();
  EnableForFront(this, front.get());
}

void QuitMenuItem::Action() { Quit(0); }

void MenuBar::_TreeChanged() {
  Ref<Application> app = ApplicationObject();
  bool appBar = app && app->MenuBar().get() == this;
  for (const Ref<Window>& w : OpenWindows()) {
    if (w->MenuBar().get() == this || (appBar && !w->MenuBar())) w->_RebuildMenuBar();
  }
}

}  // namespace rb

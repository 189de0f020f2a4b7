#include "framework/control.h"

#include <strings.h>

#include <QApplication>
#include <QFont>
#include <QWidget>
#include <cmath>
#include <cstdlib>

#include "framework/application.h"
#include "framework/dragitem.h"
#include "framework/graphics.h"
#include "framework/gui_private.h"
#include "framework/window.h"

namespace rb {

// ---- Property values --------------------------------------------------------

int PropertyValue::AsInteger() const {
  switch (kind_) {
    case Kind::Integer:
    case Kind::Boolean:
      return static_cast<int>(i_);
    case Kind::Double:
      return static_cast<int>(d_);
    case Kind::Text:
      return static_cast<int>(Val(s_));
  }
  return 0;
}

double PropertyValue::AsDouble() const {
  switch (kind_) {
    case Kind::Integer:
    case Kind::Boolean:
      return static_cast<double>(i_);
    case Kind::Double:
      return d_;
    case Kind::Text:
      return Val(s_);
  }
  return 0;
}

bool PropertyValue::AsBoolean() const {
  switch (kind_) {
    case Kind::Integer:
    case Kind::Boolean:
      return i_ != 0;
    case Kind::Double:
      return d_ != 0;
    case Kind::Text:
      return s_ == String("true");
  }
  return false;
}

String PropertyValue::AsText() const {
  switch (kind_) {
    case Kind::Integer:
      return String(std::to_string(i_));
    case Kind::Boolean:
      return String(i_ ? "true" : "false");
    case Kind::Double:
      return Str(d_);
    case Kind::Text:
      return s_;
  }
  return String();
}

bool NameIs(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

bool IsSystemFont(const String& family) { return family.Empty() || family == String("System"); }

QFont MakeFont(const String& family, int size, bool bold, bool italic, bool underline) {
  QFont f = QApplication::font();
  if (!IsSystemFont(family)) f.setFamily(ToQ(family));
  if (size > 0) f.setPixelSize(size);
  f.setBold(bold);
  f.setItalic(italic);
  f.setUnderline(underline);
  return f;
}

// ---- Control ------------------------------------------------------------------

Control::Control() = default;
Control::~Control() = default;

Ref<rb::Window> Control::Window() const { return Ref<rb::Window>(window_); }

void Control::_ApplyProperties(PropertyList props) {
  for (const Property& p : props) {
    if (!_SetProperty(p.name, p.value))
      throw RuntimeException(std::string("unknown property ") + p.name + " of control " + name_.Utf8());
  }
}

bool Control::_SetProperty(const char* name, const PropertyValue& value) {
  if (NameIs(name, "Name")) return true;  // registered by the window
  if (NameIs(name, "Index")) {
    index_ = value.AsInteger();
    return true;
  }
  return false;
}

namespace {
// Which handler kinds each event takes (variant indices of EventHandler).
bool HandlerFits(const char* event, const EventHandler& h) {
  size_t k = h.index();
  if (k == 0) return true;  // unbinding
  static const struct {
    const char* event;
    size_t kind1, kind2;
  } kEvents[] = {{"Action", 1, 1},     {"Open", 1, 1},        {"GotFocus", 1, 1},
                 {"LostFocus", 1, 1},  {"DoubleClick", 1, 1}, {"Close", 1, 1},
                 {"KeyDown", 2, 2},    {"DropObject", 3, 3},  {"CellBackgroundPaint", 4, 4},
                 {"CellGotFocus", 5, 6}, {"CellAction", 5, 6}, {"MouseDown", 6, 5},
                 {"Paint", 7, 7}};
  for (const auto& e : kEvents) {
    if (NameIs(e.event, event)) return k == e.kind1 || k == e.kind2;
  }
  return false;
}
}  // namespace

void Control::_SetEventHandler(const char* event, EventHandler handler) {
  if (!HandlerFits(event, handler))
    throw RuntimeException(std::string("no event ") + event + " taking those arguments on " + name_.Utf8());
  for (auto& h : handlers_) {
    if (NameIs(h.first.c_str(), event)) {
      h.second = std::move(handler);
      return;
    }
  }
  handlers_.emplace_back(event, std::move(handler));
}

bool Control::_HasEventHandler(const char* event) const { return FindHandler(event) != nullptr; }

const EventHandler* Control::FindHandler(const char* event) const {
  for (const auto& h : handlers_) {
    if (NameIs(h.first.c_str(), event) && !std::holds_alternative<std::monostate>(h.second)) return &h.second;
  }
  return nullptr;
}

void Control::_Attach(rb::Window* window, const String& name) {
  window_ = window;
  name_ = name;
}

void Control::_Detach() { window_ = nullptr; }

void Control::_RaiseOpen() { RaiseAction("Open"); }

void Control::RaiseAction(const char* event) {
  Ref<Control> keep(this);
  if (const EventHandler* h = FindHandler(event)) {
    if (auto* f = std::get_if<ActionHandler>(h)) (*f)();
  }
}

bool Control::RaiseKey(const char* event, const String& key) {
  Ref<Control> keep(this);
  if (const EventHandler* h = FindHandler(event)) {
    if (auto* f = std::get_if<KeyHandler>(h)) return (*f)(key);
  }
  return false;
}

void Control::RaiseDrop(const char* event, const Ref<DragItem>& item, int action) {
  Ref<Control> keep(this);
  if (const EventHandler* h = FindHandler(event)) {
    if (auto* f = std::get_if<DropHandler>(h)) (*f)(item, action);
  }
}

bool Control::RaiseCellPaint(const char* event, Graphics& g, int row, int column) {
  Ref<Control> keep(this);
  if (const EventHandler* h = FindHandler(event)) {
    if (auto* f = std::get_if<CellPaintHandler>(h)) return (*f)(g, row, column);
  }
  return false;
}

void Control::RaiseCell(const char* event, int row, int column) {
  Ref<Control> keep(this);
  if (const EventHandler* h = FindHandler(event)) {
    if (auto* f = std::get_if<CellHandler>(h)) (*f)(row, column);
    else if (auto* m = std::get_if<MouseHandler>(h)) (*m)(row, column);
  }
}

bool Control::RaiseMouse(const char* event, int x, int y) {
  Ref<Control> keep(this);
  if (const EventHandler* h = FindHandler(event)) {
    if (auto* f = std::get_if<MouseHandler>(h)) return (*f)(x, y);
    if (auto* c = std::get_if<CellHandler>(h)) {
      (*c)(x, y);
      return false;
    }
  }
  return false;
}

void Control::RaisePaint(const char* event, Graphics& g) {
  Ref<Control> keep(this);
  if (const EventHandler* h = FindHandler(event)) {
    if (auto* f = std::get_if<PaintHandler>(h)) (*f)(g);
  }
}

// ---- RectControl ------------------------------------------------------------------

struct RectControl::Private {
  QPointer<QWidget> widget;
  OwnerSlot* slot = nullptr;
};

RectControl::RectControl(QWidget* widget) : p_(std::make_unique<Private>()) {
  p_->widget = widget;
  p_->slot = dynamic_cast<OwnerSlot*>(widget);
  if (p_->slot) p_->slot->owner = this;
  widget->hide();
}

RectControl::~RectControl() {
  ReleaseWidgetOwner();
  if (QWidget* w = p_->widget) {
    if (!w->parentWidget()) delete w;
  }
}

void RectControl::ReleaseWidgetOwner() {
  if (p_->widget && p_->slot && p_->slot->owner == this) p_->slot->owner = nullptr;
}

QWidget* RectControl::_Widget() const { return p_->widget; }

void RectControl::_Attach(rb::Window* window, const String& name) {
  Control::_Attach(window, name);
  if (QWidget* w = p_->widget) {
    w->setParent(window ? window->_ContentWidget() : nullptr);
    _ApplyGeometry();
    w->setVisible(visible_);
  }
}

void RectControl::_Detach() {
  Control::_Detach();
  ReleaseWidgetOwner();
  parentControl_ = nullptr;
}

void RectControl::_ApplyGeometry() {
  QWidget* w = p_->widget;
  if (!w) return;
  int px = 0, py = 0;
  if (parentControl_) {
    px = parentControl_->left_;
    py = parentControl_->top_;
  }
  w->setGeometry(left_ - px, top_ - py, width_ < 0 ? 0 : width_, height_ < 0 ? 0 : height_);
}

void RectControl::_WindowResized(int dx, int dy) {
  if (lockLeft_ && lockRight_) width_ += dx;
  else if (lockRight_) left_ += dx;
  if (lockTop_ && lockBottom_) height_ += dy;
  else if (lockBottom_) top_ += dy;
}

void RectControl::SetLeft(int v) {
  left_ = v;
  _ApplyGeometry();
}
void RectControl::SetTop(int v) {
  top_ = v;
  _ApplyGeometry();
}
void RectControl::SetWidth(int v) {
  width_ = v;
  _ApplyGeometry();
}
void RectControl::SetHeight(int v) {
  height_ = v;
  _ApplyGeometry();
}

void RectControl::SetVisible(bool v) {
  visible_ = v;
  if (QWidget* w = p_->widget) {
    if (w->parentWidget()) w->setVisible(v);
  }
}

void RectControl::SetEnabled(bool v) {
  enabled_ = v;
  if (QWidget* w = p_->widget) w->setEnabled(v);
}

void RectControl::SetHelpTag(const String& s) {
  helpTag_ = s;
  if (QWidget* w = p_->widget) w->setToolTip(ToQ(s));
}

void RectControl::SetTextFont(const String& f) {
  textFont_ = f;
  FontChanged();
}
void RectControl::SetTextSize(int s) {
  textSize_ = s;
  FontChanged();
}
void RectControl::SetBold(bool b) {
  bold_ = b;
  FontChanged();
}
void RectControl::SetItalic(bool b) {
  italic_ = b;
  FontChanged();
}
void RectControl::SetUnderline(bool b) {
  underline_ = b;
  FontChanged();
}

void RectControl::FontChanged() {
  if (QWidget* w = p_->widget) w->setFont(MakeFont(textFont_, textSize_, bold_, italic_, underline_));
}

Ref<RectControl> RectControl::Parent() const { return Ref<RectControl>(parentControl_); }

void RectControl::SetParentControl(const Ref<RectControl>& parent) {
  QWidget* w = p_->widget;
  RectControl* pc = parent.get();
  if (pc == this) return;
  parentControl_ = pc;
  if (w) {
    QWidget* target = pc && pc->_Widget() ? pc->_Widget() : (_WindowPtr() ? _WindowPtr()->_ContentWidget() : nullptr);
    if (target && w->parentWidget() != target) {
      w->setParent(target);
      w->setVisible(visible_);
    }
    _ApplyGeometry();
  }
}

void RectControl::SetFocus() {
  if (QWidget* w = p_->widget) w->setFocus(Qt::OtherFocusReason);
}

bool RectControl::HasFocus() const {
  QWidget* w = p_->widget;
  return w && (w->hasFocus() || (QApplication::focusWidget() && w->isAncestorOf(QApplication::focusWidget())));
}

void RectControl::Refresh() {
  if (QWidget* w = p_->widget) w->update();
}

bool RectControl::_SetProperty(const char* name, const PropertyValue& v) {
  if (NameIs(name, "Left")) SetLeft(v.AsInteger());
  else if (NameIs(name, "Top")) SetTop(v.AsInteger());
  else if (NameIs(name, "Width")) SetWidth(v.AsInteger());
  else if (NameIs(name, "Height")) SetHeight(v.AsInteger());
  else if (NameIs(name, "LockLeft")) lockLeft_ = v.AsBoolean();
  else if (NameIs(name, "LockTop")) lockTop_ = v.AsBoolean();
  else if (NameIs(name, "LockRight")) lockRight_ = v.AsBoolean();
  else if (NameIs(name, "LockBottom")) lockBottom_ = v.AsBoolean();
  else if (NameIs(name, "Visible")) SetVisible(v.AsBoolean());
  else if (NameIs(name, "Enabled")) SetEnabled(v.AsBoolean());
  else if (NameIs(name, "HelpTag")) SetHelpTag(v.AsText());
  else if (NameIs(name, "TextFont")) SetTextFont(v.AsText());
  else if (NameIs(name, "TextSize")) SetTextSize(v.AsInteger());
  else if (NameIs(name, "Bold")) SetBold(v.AsBoolean());
  else if (NameIs(name, "Italic")) SetItalic(v.AsBoolean());
  else if (NameIs(name, "Underline")) SetUnderline(v.AsBoolean());
  else if (NameIs(name, "InitialParent")) {
    String parentName = v.AsText();
    if (parentName.Empty()) return true;
    rb::Window* w = _WindowPtr();
    Ref<RectControl> parent = w ? w->Control<RectControl>(parentName) : Ref<RectControl>();
    if (!parent) throw NilObjectException("no control " + parentName.Utf8() + " to hold " + Name().Utf8());
    SetParentControl(parent);
  } else if (NameIs(name, "AutoDeactivate") || NameIs(name, "TabPanelIndex") ||
             NameIs(name, "UseFocusRing") || NameIs(name, "TabStop")) {
    // Accepted; the toolkit decides these.
  } else {
    return Control::_SetProperty(name, v);
  }
  return true;
}

}  // namespace rb

// Base classes of the controls a window holds.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/gui_types.h"

class QWidget;

namespace rb {

class Window;

// A control of a window: registered under a name, raising events to the
// handlers the window installs. Timer derives from it directly; controls
// that occupy a rectangle derive from RectControl.
class Control : public Object {
 public:
  Control();
  ~Control() override;

  String Name() const { return name_; }
  int Index() const { return index_; }
  void SetIndex(int i) { index_ = i; }
  // The window that holds the control; nil once the window is closed.
  Ref<rb::Window> Window() const;

  // Applies design-time properties in order. An unknown name raises
  // RuntimeException.
  void _ApplyProperties(PropertyList props);
  // One property; false when the class has none of that name.
  virtual bool _SetProperty(const char* name, const PropertyValue& value);

  // Binds an event by name ("Action", "KeyDown", ...).
  void _SetEventHandler(const char* event, EventHandler handler);
  bool _HasEventHandler(const char* event) const;

  // Raised by the window's Open step.
  void _RaiseOpen();

  // Framework-internal: the window takes and releases the control.
  virtual void _Attach(rb::Window* window, const String& name);
  virtual void _Detach();
  rb::Window* _WindowPtr() const { return window_; }

 protected:
  const EventHandler* FindHandler(const char* event) const;
  // Raise an event; without a handler they do nothing and answer false.
  void RaiseAction(const char* event);
  bool RaiseKey(const char* event, const String& key);
  void RaiseDrop(const char* event, const Ref<DragItem>& item, int action);
  bool RaiseCellPaint(const char* event, Graphics& g, int row, int column);
  void RaiseCell(const char* event, int row, int column);
  bool RaiseMouse(const char* event, int x, int y);
  void RaisePaint(const char* event, Graphics& g);

 private:
  String name_;
  int index_ = -1;
  rb::Window* window_ = nullptr;
  std::vector<std::pair<std::string, EventHandler>> handlers_;
};

// A control that is a widget occupying a rectangle of its window.
// Coordinates are in window content coordinates.
class RectControl : public Control {
 public:
  ~RectControl() override;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v);
  void SetTop(int v);
  void SetWidth(int v);
  void SetHeight(int v);

  bool LockLeft() const { return lockLeft_; }
  bool LockTop() const { return lockTop_; }
  bool LockRight() const { return lockRight_; }
  bool LockBottom() const { return lockBottom_; }
  void SetLockLeft(bool v) { lockLeft_ = v; }
  void SetLockTop(bool v) { lockTop_ = v; }
  void SetLockRight(bool v) { lockRight_ = v; }
  void SetLockBottom(bool v) { lockBottom_ = v; }

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  String HelpTag() const { return helpTag_; }
  void SetHelpTag(const String& s);

  // Font of the control's text; "System" is the platform's font and a size
  // of 0 its default size. Sizes are in pixels (one point at 72 dpi).
  String TextFont() const { return textFont_; }
  void SetTextFont(const String& f);
  int TextSize() const { return textSize_; }
  void SetTextSize(int s);
  bool Bold() const { return bold_; }
  void SetBold(bool b);
  bool Italic() const { return italic_; }
  void SetItalic(bool b);
  bool Underline() const { return underline_; }
  void SetUnderline(bool b);

  // The control that contains this one (a group box or canvas), or nil.
  Ref<RectControl> Parent() const;
  void SetParentControl(const Ref<RectControl>& parent);

  void SetFocus();
  bool HasFocus() const;
  void Refresh();

  bool _SetProperty(const char* name, const PropertyValue& value) override;
  void _Attach(rb::Window* window, const String& name) override;
  void _Detach() override;

  // Framework-internal.
  QWidget* _Widget() const;
  void _ApplyGeometry();
  void _WindowResized(int dx, int dy);

 protected:
  // Takes ownership of the widget (an OwnedWidget) until a window holds it.
  explicit RectControl(QWidget* widget);
  // The widget's owner slot points here while the control holds it.
  void ReleaseWidgetOwner();
  virtual void FontChanged();

 private:
  struct Private;
  std::unique_ptr<Private> p_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool lockLeft_ = false, lockTop_ = false, lockRight_ = false, lockBottom_ = false;
  bool visible_ = true, enabled_ = true;
  String helpTag_;
  String textFont_ = "System";
  int textSize_ = 0;
  bool bold_ = false, italic_ = false, underline_ = false;
  RectControl* parentControl_ = nullptr;
};

}  // namespace rb

// Windows. A program window derives from Window, declares its layout in
// Layout and CreateControls, binds menu handlers in AddMenuHandlers and
// overrides the Event_ methods it handles. One implicit instance per
// window class: ImplicitWindow<W>("W") answers the open one or builds it.
//
//   class FindWindow : public rb::Window {
//     void Layout() override {
//       SetMenuBar(TheMenuBar());
//       _ApplyProperties({{"Title", "Find"}, {"Width", 400}, {"Height", 300}});
//     }
//     void CreateControls() override {
//       _NewControl<rb::PushButton>("FindBtn", {{"Left", 320}, {"Top", 270}, {"Width", 69},
//                                               {"Height", 20}, {"Caption", "Find"}, {"Default", true}});
//       _InstallInstanceEventHandler(Control("FindBtn"), "Action", [this] { FindBtn_Action(); });
//     }
//     void AddMenuHandlers() override { _AddMenuHandler("EditClear", [this] { return false; }); }
//     void FindBtn_Action();
//   };
//   rb::Ref<FindWindow> TheFindWindow() { return rb::ImplicitWindow<FindWindow>("FindWindow"); }
//
// Inside a class derived from Window the member template Control<T>(name)
// hides the class name Control: write rb::Control for the class.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/control.h"
#include "framework/graphics.h"

class QWidget;

namespace rb {

class Graphics;
class MenuBar;

class Window : public Object {
 public:
  enum Frames { FrameDocument = 0, FrameMovableModal = 1, FrameModalDialog = 2, FrameFloating = 3 };

  Window();
  ~Window() override;

  // Runs the creation steps (Layout, CreateControls, AddMenuHandlers, the
  // Open events), then shows the window when Visible. The window is held
  // by the framework (and found by _GetImplicitWindow under the class name)
  // from the first step until Close.
  void _Construct(const char* className);
  String _ClassName() const { return className_; }
  bool _IsOpen() const { return open_; }

  // Creation steps; the defaults do nothing.
  virtual void Layout() {}
  virtual void CreateControls() {}
  virtual void AddMenuHandlers() {}

  // Window events.
  virtual void Event_Open() {}
  virtual void Event_Close() {}
  // The user asks to close the window (close box, the window manager's
  // close); true keeps it open. Not raised by Close.
  virtual bool Event_CancelClose(bool appQuitting) { return false; }
  virtual void Event_Activate() {}
  virtual void Event_Deactivate() {}
  virtual void Event_Paint(Graphics& g) {}
  virtual bool Event_MouseDown(int x, int y) { return false; }
  virtual void Event_Resized() {}

  // Properties. Width and Height are the content size; Left and Top the
  // content area's position on the screen.
  String Title() const { return title_; }
  void SetTitle(const String& t);
  int Left() const;
  void SetLeft(int v);
  int Top() const;
  void SetTop(int v);
  int Width() const { return width_; }
  void SetWidth(int v);
  int Height() const { return height_; }
  void SetHeight(int v);
  int MinWidth() const { return minWidth_; }
  void SetMinWidth(int v);
  int MinHeight() const { return minHeight_; }
  void SetMinHeight(int v);
  int MaxWidth() const { return maxWidth_; }
  void SetMaxWidth(int v);
  int MaxHeight() const { return maxHeight_; }
  void SetMaxHeight(int v);
  // 0 document, 1 movable modal, 2 modal dialog, 3 floating. A change
  // applies to an open window at once.
  int Frame() const { return frame_; }
  void SetFrame(int f);
  int Placement() const { return placement_; }
  void SetPlacement(int p) { placement_ = p; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Resizeable() const { return resizeable_; }
  void SetResizeable(bool v);
  bool CloseButton() const { return closeButton_; }
  void SetCloseButton(bool v);
  bool MinimizeButton() const { return minimizeButton_; }
  void SetMinimizeButton(bool v);
  bool MaximizeButton() const { return maximizeButton_; }
  void SetMaximizeButton(bool v);
  bool MenuBarVisible() const { return menuBarVisible_; }
  void SetMenuBarVisible(bool v);
  bool HasBackColor() const { return hasBackColor_; }
  void SetHasBackColor(bool v);
  Color BackColor() const { return backColor_; }
  void SetBackColor(Color c);
  Ref<rb::MenuBar> MenuBar() const;
  void SetMenuBar(const Ref<rb::MenuBar>& bar);

  void Show();
  void Hide();
  // Raises Close, then destroys the window: its controls go with it and
  // the framework forgets it, so the accessor builds a new one.
  void Close();
  void Refresh(bool eraseBackground = false);
  bool _IsActive() const;

  // Layout tables: applies window properties in order. Unknown names
  // raise RuntimeException.
  void _ApplyProperties(PropertyList props);
  virtual bool _SetProperty(const char* name, const PropertyValue& value);

  // Controls, in creation order (which is the keyboard focus order).
  void _AddControl(const Ref<rb::Control>& control, const String& name);
  // Creates a control, registers it, applies its properties: the
  // control's whole creation step.
  template <class T>
  Ref<T> _NewControl(const char* name, PropertyList props = {}) {
    Ref<T> c = Ref<T>::New();
    _AddControl(c, name);
    Control<T>(name)->_ApplyProperties(props);
    return c;
  }
  // The control of that name and class; nil when there is none, so that
  // its first use raises NilObjectException.
  template <class T = rb::Control>
  Ref<T> Control(const String& name) const {
    return DynamicCast<T>(FindControl(name));
  }
  Ref<rb::Control> FindControl(const String& name) const;
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  Ref<rb::Control> ControlAt(int index) const;

  // Binds a control's event ("Action", "KeyDown", "DropObject", ...).
  template <class F>
  void _InstallInstanceEventHandler(const Ref<rb::Control>& control, const char* event, F&& handler) {
    if (!control) throw NilObjectException();
    control->_SetEventHandler(event, MakeEventHandler(std::forward<F>(handler)));
  }

  // Binds a menu item name to a handler that answers whether it handled
  // the command.
  void _AddMenuHandler(const String& itemName, std::function<bool()> handler);
  bool _HasMenuHandler(const String& itemName) const;
  // Runs the handler for the item; false when there is none.
  bool _HandleMenu(const String& itemName);
  // Enables every item of the window's bar it has a handler for, and every
  // auto-enabled one (done before a menu shows).
  void _EnableMenuItems();

  // The names of the controls in the order the keyboard focus visits them.
  std::vector<String> _FocusChain() const;

  // Framework-internal.
  QWidget* _TopWidget() const;
  QWidget* _ContentWidget() const;
  void _ContentResized(int w, int h);
  void _Moved();
  void _Activated();
  // Puts the window on screen and raises it.
  void _ShowTop();
  void _Paint(Graphics& g);
  bool _MouseDown(int x, int y);
  // A close asked for by the user: CancelClose, then Close. Answers
  // whether the window is closed.
  bool _UserClose();
  bool _DefaultKey(bool cancel);
  void _RebuildMenuBar() { BuildMenuBar(); }

 private:
  void CreateWidget();
  void ApplyFlags();
  void ApplyGroup();
  void ApplySize();
  void ApplyPosition();
  void ApplyBackground();
  void BuildMenuBar();
  void FixTabOrder();
  void PlaceDefault();
  void DetachAll();
  // Hides the toolkit window; when it was the active one, the window the
  // user was in before gets activation back.
  void HideTop();

  struct Private;
  std::unique_ptr<Private> d_;
  String className_;
  bool open_ = false;
  bool constructing_ = false;
  bool closing_ = false;
  String title_;
  int left_ = 0, top_ = 0;
  bool placed_ = false;
  int width_ = 300, height_ = 300;
  int minWidth_ = 64, minHeight_ = 64, maxWidth_ = 32000, maxHeight_ = 32000;
  int frame_ = FrameDocument;
  int placement_ = 0;
  bool visible_ = true;
  bool resizeable_ = true, closeButton_ = true, minimizeButton_ = true, maximizeButton_ = true;
  bool menuBarVisible_ = true;
  bool hasBackColor_ = false;
  Color backColor_ = 0xFFFFFF;
  Ref<rb::MenuBar> menuBar_;
  std::vector<Ref<rb::Control>> controls_;
  std::vector<std::pair<String, std::function<bool()>>> menuHandlers_;
};

// The open window of a class (shown or hidden), or nil.
Ref<Window> _GetImplicitWindow(const String& className);
// Every open window, in the order they were created.
std::vector<Ref<Window>> OpenWindows();
// The front window (the active one, else the last activated), or nil.
Ref<Window> FrontWindow();
// Puts on screen, in order, the windows shown since the event loop last
// ran and still shown, and activates the last of them. Runs by itself
// when the loop runs; a window hidden before then never reaches the screen.
void _ShowPendingWindows();

// The implicit instance of a window class: the open one, or a new one
// built by the creation steps. For an accessor in one line:
//   Ref<SearchWindowClass> SearchWindow() { return rb::ImplicitWindow<SearchWindowClass>("SearchWindow"); }
template <class W>
Ref<W> ImplicitWindow(const char* className) {
  Ref<W> w = DynamicCast<W>(_GetImplicitWindow(className));
  if (!w) {
    w = Ref<W>::New();
    w->_Construct(className);
  }
  return w;
}

}  // namespace rb

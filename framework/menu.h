// Menu items and menu bars. A bar is one tree, shared by the application
// and every window that installs it: a change of an item shows everywhere.
#pragma once

#include <memory>
#include <vector>

#include "framework/gui_types.h"

class QAction;

namespace rb {

class MenuBar;
class Window;

class MenuItem : public Object {
 public:
  MenuItem();
  explicit MenuItem(const String& text);
  ~MenuItem() override;

  String Name() const { return name_; }
  void SetName(const String& n) { name_ = n; }
  // The caption; "-" makes the item a separator; "&" marks the mnemonic.
  String Text() const { return text_; }
  void SetText(const String& t);
  // Shortcut text such as "Cmd+O", "Cmd+Shift+O" or "Cmd-X"; Cmd is Ctrl.
  String KeyboardShortcut() const { return shortcut_; }
  void SetKeyboardShortcut(const String& s);
  // The shortcut as the toolkit understands it ("Ctrl+Shift+O"), empty
  // when the text gives none.
  String _ShortcutKeys() const;
  // An auto-enabled item is enabled whenever its menu is about to show.
  bool AutoEnable() const { return autoEnable_; }
  void SetAutoEnable(bool v) { autoEnable_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  void Enable() { SetEnabled(true); }
  void Disable() { SetEnabled(false); }
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);

  void Append(const Ref<MenuItem>& item);
  int Count() const { return static_cast<int>(children_.size()); }
  // The child at index; out of range raises OutOfBoundsException.
  Ref<MenuItem> Item(int index) const;
  // The direct child with the name (ignoring case), or nil.
  Ref<MenuItem> Child(const String& name) const;
  // The node with the name anywhere below this one, or nil.
  Ref<MenuItem> _Lookup(const String& name) const;
  MenuItem* _Parent() const { return parent_; }

  // What the item does when chosen and no handler takes it.
  virtual void Action() {}

  // As if the user chose the item: the front window's handler runs, else
  // the application's, else the item's own Action.
  void _Choose();
  // What happens before the item's menu shows: every item below that is
  // auto-enabled or that the front window has a handler for is enabled.
  // The Edit items (EditUndo, EditCut, EditCopy, EditPaste, EditSelectAll,
  // EditClear) that no handler takes act on the focused text field and
  // are enabled only when they can act there.
  void _PrepareToShow();
  void _EnableFor(const Window* front);

  // Framework-internal.
  QAction* _Action() const;
  bool _IsSeparator() const;
  const std::vector<Ref<MenuItem>>& _Children() const { return children_; }
  // Builds the bar's menus into toolkit menu bars; called when the tree
  // or a caption changes.
  virtual void _TreeChanged();

 private:
  String name_;
  String text_;
  String shortcut_;
  bool autoEnable_ = false;
  bool enabled_ = true;
  bool checked_ = false;
  bool visible_ = true;
  std::vector<Ref<MenuItem>> children_;
  MenuItem* parent_ = nullptr;
  struct Private;
  std::unique_ptr<Private> d_;
};

// The quit item: chosen without a handler that takes it, it quits.
class QuitMenuItem : public MenuItem {
 public:
  QuitMenuItem() = default;
  void Action() override;
};

// The item the platform shows as the application's "About" item.
class AppleMenuItem : public MenuItem {
 public:
  AppleMenuItem() = default;
};

// The root of a menu tree; its children are the menus.
class MenuBar : public MenuItem {
 public:
  MenuBar() = default;
  void _TreeChanged() override;
};

}  // namespace rb

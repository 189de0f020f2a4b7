// Helpers shared by the menu bars and by the windows' menu-item accessors.
#pragma once

#include "framework/menu.h"
#include "framework/window.h"

namespace menunodes {

// A new node of class T with its name, auto-enabled, its caption and its
// shortcut text (none for a separator, which gets no shortcut call).
template <class T>
rb::Ref<T> Make(const char* name, const char* text, const char* shortcut) {
  rb::Ref<T> node = rb::Ref<T>::New();
  node->SetName(name);
  node->SetAutoEnable(true);
  node->SetText(text);
  if (shortcut) node->SetKeyboardShortcut(shortcut);
  return node;
}

// Appends a menu to the bar.
template <class T>
void AddMenu(rb::MenuBar& bar, const char* name, const char* text) {
  bar.Append(Make<T>(name, text, ""));
}

// Appends an item to the bar's menu of that name.
template <class T>
void AddItem(rb::MenuBar& bar, const char* menu, const char* name, const char* text, const char* shortcut) {
  rb::Ref<T> item = Make<T>(name, text, shortcut);
  bar.Child(menu)->Append(item);
}

// A window's menu-item accessor: the node of that name in the window's
// menu bar, as T; nil when no node bears the name or it is of another
// class. A window without a menu bar raises NilObjectException.
template <class T = rb::MenuItem>
rb::Ref<T> ItemOf(const rb::Window& window, const char* name) {
  rb::Ref<rb::MenuBar> bar = window.MenuBar();
  return rb::DynamicCast<T>(bar->_Lookup(name));
}


// The program's menu tree, node by node in display order: File, Edit,
// View (MenuBar1 only) and Help.
inline void BuildBar(rb::MenuBar& bar, bool withViewMenu) {
  AddMenu<rb::MenuItem>(bar, "FileMenu", "&File");
  AddItem<rb::MenuItem>(bar, "FileMenu", "FileOpenSearch", "Select Search...", "Cmd+O");
  AddItem<rb::MenuItem>(bar, "FileMenu", "FileDesination", "Select Destination...", "Cmd+Shift+O");
  AddItem<rb::QuitMenuItem>(bar, "FileMenu", "FileQuit", "Quit", "Cmd+Q");
  AddMenu<rb::MenuItem>(bar, "EditMenu", "&Edit");
  AddItem<rb::MenuItem>(bar, "EditMenu", "EditUndo", "&Undo", "Cmd+Z");
  AddItem<rb::MenuItem>(bar, "EditMenu", "UntitledMenu0", "-", nullptr);
  AddItem<rb::MenuItem>(bar, "EditMenu", "EditCut", "Cu&t", "Cmd+X");
  AddItem<rb::MenuItem>(bar, "EditMenu", "EditCopy", "&Copy", "Cmd+C");
  AddItem<rb::MenuItem>(bar, "EditMenu", "EditPaste", "&Paste", "Cmd+V");
  AddItem<rb::MenuItem>(bar, "EditMenu", "EditSelectAll", "Select All", "Cmd+A");
  AddItem<rb::MenuItem>(bar, "EditMenu", "EditClear", "Clear", "Cmd+D");
  if (withViewMenu) {
    AddMenu<rb::MenuItem>(bar, "ViewMenu", "View");
    AddItem<rb::MenuItem>(bar, "ViewMenu", "ViewStatisticsWindow", "Hide Statistics", "");
  }
  AddMenu<rb::MenuItem>(bar, "HelpMenu", "Help");
  AddItem<rb::AppleMenuItem>(bar, "HelpMenu", "EditAbout", "About Skerrow!!...", "");
  AddItem<rb::MenuItem>(bar, "HelpMenu", "Help", "Skerrow!! Help...", "Cmd+?");
}

// The menu-item accessors of a window that installs MenuBar1 or MenuBar2:
// each looks its own name up in the window's menu bar (ItemOf).
template <class W>
class MenuItemAccessors {
 public:
  rb::Ref<rb::MenuItem> HelpMenu() const { return Item("HelpMenu"); }
  rb::Ref<rb::MenuItem> Help() const { return Item("Help"); }
  rb::Ref<rb::AppleMenuItem> EditAbout() const { return Item<rb::AppleMenuItem>("EditAbout"); }
  rb::Ref<rb::MenuItem> EditMenu() const { return Item("EditMenu"); }
  rb::Ref<rb::MenuItem> EditClear() const { return Item("EditClear"); }
  rb::Ref<rb::MenuItem> EditSelectAll() const { return Item("EditSelectAll"); }
  rb::Ref<rb::MenuItem> EditPaste() const { return Item("EditPaste"); }
  rb::Ref<rb::MenuItem> EditCopy() const { return Item("EditCopy"); }
  rb::Ref<rb::MenuItem> EditCut() const { return Item("EditCut"); }
  rb::Ref<rb::MenuItem> UntitledMenu0() const { return Item("UntitledMenu0"); }
  rb::Ref<rb::MenuItem> EditUndo() const { return Item("EditUndo"); }
  // No bar builds this node: always nil.
  rb::Ref<rb::MenuItem> UntitledMenu1() const { return Item("UntitledMenu1"); }
  rb::Ref<rb::MenuItem> FileMenu() const { return Item("FileMenu"); }
  rb::Ref<rb::QuitMenuItem> FileQuit() const { return Item<rb::QuitMenuItem>("FileQuit"); }
  rb::Ref<rb::MenuItem> FileDesination() const { return Item("FileDesination"); }
  rb::Ref<rb::MenuItem> FileOpenSearch() const { return Item("FileOpenSearch"); }

 protected:
  template <class T = rb::MenuItem>
  rb::Ref<T> Item(const char* name) const {
    return ItemOf<T>(static_cast<const W&>(*this), name);
  }
};

// The accessors of the View menu, for the windows whose bar has one.
template <class W>
class ViewMenuAccessors {
 public:
  rb::Ref<rb::MenuItem> ViewMenu() const { return ItemOf(static_cast<const W&>(*this), "ViewMenu"); }
  rb::Ref<rb::MenuItem> ViewStatisticsWindow() const {
    return ItemOf(static_cast<const W&>(*this), "ViewStatisticsWindow");
  }
};

}  // namespace menunodes

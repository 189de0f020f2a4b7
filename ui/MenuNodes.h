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

}  // namespace menunodes

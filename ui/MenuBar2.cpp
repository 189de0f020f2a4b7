#include "ui/MenuBar2.h"

#include "ui/MenuNodes.h"

using menunodes::AddItem;
using menunodes::AddMenu;

MenuBar2Class::MenuBar2Class() {
  AddMenu<rb::MenuItem>(*this, "FileMenu", "&File");
  AddItem<rb::MenuItem>(*this, "FileMenu", "FileOpenSearch", "Select Search...", "Cmd+O");
  AddItem<rb::MenuItem>(*this, "FileMenu", "FileDesination", "Select Destination...", "Cmd+Shift+O");
  AddItem<rb::QuitMenuItem>(*this, "FileMenu", "FileQuit", "Quit", "Cmd+Q");
  AddMenu<rb::MenuItem>(*this, "EditMenu", "&Edit");
  AddItem<rb::MenuItem>(*this, "EditMenu", "EditUndo", "&Undo", "Cmd+Z");
  AddItem<rb::MenuItem>(*this, "EditMenu", "UntitledMenu0", "-", nullptr);
  AddItem<rb::MenuItem>(*this, "EditMenu", "EditCut", "Cu&t", "Cmd+X");
  AddItem<rb::MenuItem>(*this, "EditMenu", "EditCopy", "&Copy", "Cmd+C");
  AddItem<rb::MenuItem>(*this, "EditMenu", "EditPaste", "&Paste", "Cmd+V");
  AddItem<rb::MenuItem>(*this, "EditMenu", "EditSelectAll", "Select All", "Cmd+A");
  AddItem<rb::MenuItem>(*this, "EditMenu", "EditClear", "Clear", "Cmd+D");
  AddMenu<rb::MenuItem>(*this, "HelpMenu", "Help");
  AddItem<rb::AppleMenuItem>(*this, "HelpMenu", "EditAbout", "About Skerrow!!...", "");
  AddItem<rb::MenuItem>(*this, "HelpMenu", "Help", "Skerrow!! Help...", "Cmd+?");
}

rb::Ref<MenuBar2Class> MenuBar2() {
  static rb::Ref<MenuBar2Class>* bar = new rb::Ref<MenuBar2Class>();
  if (!*bar) *bar = rb::Ref<MenuBar2Class>::New();
  return *bar;
}

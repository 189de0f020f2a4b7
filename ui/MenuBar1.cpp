#include "ui/MenuBar1.h"

#include "app/App.h"
#include "ui/MenuNodes.h"

using menunodes::AddItem;
using menunodes::AddMenu;

MenuBar1Class::MenuBar1Class() {
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
  AddMenu<rb::MenuItem>(*this, "ViewMenu", "View");
  AddItem<rb::MenuItem>(*this, "ViewMenu", "ViewStatisticsWindow", "Hide Statistics", "");
  AddMenu<rb::MenuItem>(*this, "HelpMenu", "Help");
  AddItem<rb::AppleMenuItem>(*this, "HelpMenu", "EditAbout", "About Skerrow!!...", "");
  AddItem<rb::MenuItem>(*this, "HelpMenu", "Help", "Skerrow!! Help...", "Cmd+?");
}

rb::Ref<MenuBar1Class> MenuBar1() {
  static rb::Ref<MenuBar1Class>* bar = new rb::Ref<MenuBar1Class>();
  if (!*bar) *bar = rb::Ref<MenuBar1Class>::New();
  return *bar;
}

rb::Ref<rb::MenuItem> ViewStatisticsWindow() {
  rb::Ref<rb::MenuBar> bar = App()->MenuBar();
  return rb::DynamicCast<rb::MenuItem>(bar->_Lookup("ViewStatisticsWindow"));
}

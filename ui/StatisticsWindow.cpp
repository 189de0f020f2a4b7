#include "ui/StatisticsWindow.h"

#include "framework/application.h"
#include "framework/editfield.h"
#include "framework/screen.h"
#include "ui/LayoutDefaults.h"
#include "ui/MenuBar1.h"
#include "ui/MenuBar2.h"
#include "ui/MenuNodes.h"

rb::Ref<StatisticsWindowClass> StatisticsWindow() {
  return rb::ImplicitWindow<StatisticsWindowClass>("StatisticsWindow");
}

void StatisticsWindowClass::Layout() {
  SetMenuBar(MenuBar2());
  layout::ApplyEveryWindowDefaults(*this);
  _ApplyProperties({{"Title", "Statistics"},
                    {"Width", 300},
                    {"Height", 300},
                    {"MinWidth", 64},
                    {"MinHeight", 64},
                    {"Frame", rb::Window::FrameDocument},
                    {"Resizeable", false},
                    {"CloseButton", true},
                    {"MaximizeButton", false},
                    {"MinimizeButton", true},
                    {"HasBackColor", false},
                    {"BackColor", 0xFFFFFF}});
}

void StatisticsWindowClass::CreateControls() { _CreateControls0(); }

void StatisticsWindowClass::_CreateControls0() {
  _NewControl<rb::EditField>("statfield", {{"Left", 4},
                                           {"Top", 0},
                                           {"Width", 296},
                                           {"Height", 280},
                                           {"LockLeft", false},
                                           {"LockTop", false},
                                           {"LockRight", false},
                                           {"LockBottom", false},
                                           {"Visible", true},
                                           {"Enabled", true},
                                           {"ReadOnly", true},
                                           {"MultiLine", true},
                                           {"ScrollBarVertical", true},
                                           {"ScrollBarHorizontal", false},
                                           {"Border", true},
                                           {"Styled", false},
                                           {"AcceptTabs", false},
                                           {"UseFocusRing", true},
                                           {"TextColor", 0x000000},
                                           {"BackColor", 0xFFFFFF},
                                           {"Alignment", 0},
                                           {"LimitText", 0},
                                           {"TextFont", "System"},
                                           {"TextSize", 0},
                                           {"Text", ""}});
  _InstallInstanceEventHandler(Control("statfield"), "GotFocus", [this] { statfield_GotFocus(); });
  _NewControl<rb::EditField>("TempField", {{"Left", 50},
                                           {"Top", 325},
                                           {"Width", 202},
                                           {"Height", 138},
                                           {"LockLeft", false},
                                           {"LockTop", false},
                                           {"LockRight", false},
                                           {"LockBottom", false},
                                           {"Visible", true},
                                           {"Enabled", true},
                                           {"ReadOnly", false},
                                           {"MultiLine", true},
                                           {"ScrollBarVertical", true},
                                           {"ScrollBarHorizontal", false},
                                           {"Border", true},
                                           {"Styled", false},
                                           {"AcceptTabs", false},
                                           {"UseFocusRing", true},
                                           {"TextColor", 0x000000},
                                           {"BackColor", 0xFFFFFF},
                                           {"Alignment", 0},
                                           {"LimitText", 0},
                                           {"TextFont", "System"},
                                           {"TextSize", 0},
                                           {"Text", ""}});
}

void StatisticsWindowClass::AddMenuHandlers() {}

namespace {

// The View item of the application's bar. Without an application object
// (before start-up has made it, or once it is gone) there is no item to set.
void SetViewCaption(const char* text) {
  if (rb::ApplicationObject()) ViewStatisticsWindow()->SetText(text);
}

}  // namespace

void StatisticsWindowClass::statfield_GotFocus() { SetViewCaption("Hide Statistics"); }

rb::Ref<rb::MenuItem> StatisticsWindowClass::HelpMenu() const { return menunodes::ItemOf(*this, "HelpMenu"); }
rb::Ref<rb::MenuItem> StatisticsWindowClass::Help() const { return menunodes::ItemOf(*this, "Help"); }
rb::Ref<rb::AppleMenuItem> StatisticsWindowClass::EditAbout() const {
  return menunodes::ItemOf<rb::AppleMenuItem>(*this, "EditAbout");
}
rb::Ref<rb::MenuItem> StatisticsWindowClass::EditMenu() const { return menunodes::ItemOf(*this, "EditMenu"); }
rb::Ref<rb::MenuItem> StatisticsWindowClass::EditClear() const { return menunodes::ItemOf(*this, "EditClear"); }
rb::Ref<rb::MenuItem> StatisticsWindowClass::EditSelectAll() const {
  return menunodes::ItemOf(*this, "EditSelectAll");
}
rb::Ref<rb::MenuItem> StatisticsWindowClass::EditPaste() const { return menunodes::ItemOf(*this, "EditPaste"); }
rb::Ref<rb::MenuItem> StatisticsWindowClass::EditCopy() const { return menunodes::ItemOf(*this, "EditCopy"); }
rb::Ref<rb::MenuItem> StatisticsWindowClass::EditCut() const { return menunodes::ItemOf(*this, "EditCut"); }
rb::Ref<rb::MenuItem> StatisticsWindowClass::UntitledMenu0() const {
  return menunodes::ItemOf(*this, "UntitledMenu0");
}
rb::Ref<rb::MenuItem> StatisticsWindowClass::EditUndo() const { return menunodes::ItemOf(*this, "EditUndo"); }
rb::Ref<rb::MenuItem> StatisticsWindowClass::UntitledMenu1() const {
  return menunodes::ItemOf(*this, "UntitledMenu1");
}
rb::Ref<rb::MenuItem> StatisticsWindowClass::FileMenu() const { return menunodes::ItemOf(*this, "FileMenu"); }
rb::Ref<rb::QuitMenuItem> StatisticsWindowClass::FileQuit() const {
  return menunodes::ItemOf<rb::QuitMenuItem>(*this, "FileQuit");
}
rb::Ref<rb::MenuItem> StatisticsWindowClass::FileDesination() const {
  return menunodes::ItemOf(*this, "FileDesination");
}
rb::Ref<rb::MenuItem> StatisticsWindowClass::FileOpenSearch() const {
  return menunodes::ItemOf(*this, "FileOpenSearch");
}

void StatisticsWindowClass::Event_Open() {
  StatisticsWindow()->SetTop(46);
  StatisticsWindow()->SetLeft(rb::Screen(0)->Width() - (StatisticsWindow()->Width() + 3));
}

void StatisticsWindowClass::Event_Close() { SetViewCaption("Show Statistics"); }

void StatisticsWindowClass::Event_Paint(rb::Graphics&) {
  if (Visible()) SetViewCaption("Hide Statistics");
}

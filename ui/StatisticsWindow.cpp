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

bool StatisticsWindowShown() {
  rb::Ref<rb::Window> w = rb::_GetImplicitWindow("StatisticsWindow");
  return w && w->Visible();
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


void StatisticsWindowClass::Event_Open() {
  StatisticsWindow()->SetTop(46);
  StatisticsWindow()->SetLeft(rb::Screen(0)->Width() - (StatisticsWindow()->Width() + 3));
}

void StatisticsWindowClass::Event_Close() { SetViewCaption("Show Statistics"); }

void StatisticsWindowClass::Event_Paint(rb::Graphics&) {
  if (Visible()) SetViewCaption("Hide Statistics");
}

#include "ui/SearchProgressWindow.h"

#include "framework/controls.h"
#include "framework/screen.h"
#include "ui/LayoutDefaults.h"
#include "ui/SearchWindow.h"

rb::Ref<SearchProgressWindowClass> SearchProgressWindow() {
  return rb::ImplicitWindow<SearchProgressWindowClass>("SearchProgressWindow");
}

void SearchProgressWindowClass::Layout() {
  layout::ApplyEveryWindowDefaults(*this);
  _ApplyProperties({{"Title", ""},
                    {"Width", 424},
                    {"Height", 92},
                    {"MinWidth", 64},
                    {"MinHeight", 64},
                    {"Frame", rb::Window::FrameMovableModal},
                    {"Resizeable", true},
                    {"CloseButton", true},
                    {"MaximizeButton", true},
                    {"MinimizeButton", true},
                    {"HasBackColor", false},
                    {"BackColor", 0xFFFFFF}});
}

void SearchProgressWindowClass::CreateControls() { _CreateControls0(); }

void SearchProgressWindowClass::_CreateControls0() {
  _NewControl<rb::ProgressBar>("ProgressBar", {{"Left", 20},
                                               {"Top", 18},
                                               {"Width", 384},
                                               {"Height", 24},
                                               {"LockLeft", false},
                                               {"LockTop", false},
                                               {"LockRight", false},
                                               {"LockBottom", false},
                                               {"Visible", true},
                                               {"Enabled", true},
                                               {"Maximum", 0},
                                               {"Value", 0}});
  _NewControl<rb::PushButton>("PushButton1", {{"Left", 335},
                                              {"Top", 55},
                                              {"Width", 69},
                                              {"Height", 20},
                                              {"LockLeft", false},
                                              {"LockTop", false},
                                              {"LockRight", false},
                                              {"LockBottom", false},
                                              {"Visible", true},
                                              {"Enabled", true},
                                              {"Caption", "Cancel"},
                                              {"Default", false},
                                              {"Cancel", true},
                                              {"TextFont", "System"},
                                              {"TextSize", 12},
                                              {"Bold", false},
                                              {"Italic", false},
                                              {"Underline", false}});
  _InstallInstanceEventHandler(Control("PushButton1"), "Action", [this] { PushButton1_Action(); });
  _NewControl<rb::StaticText>("searchstatic", {{"Left", 20},
                                               {"Top", 55},
                                               {"Width", 303},
                                               {"Height", 20},
                                               {"LockLeft", false},
                                               {"LockTop", false},
                                               {"LockRight", false},
                                               {"LockBottom", false},
                                               {"Visible", true},
                                               {"Enabled", true},
                                               {"Text", "                   "},
                                               {"TextAlign", 1},
                                               {"TextColor", 0x000000},
                                               {"MultiLine", false},
                                               {"TextFont", "System"},
                                               {"TextSize", 12},
                                               {"Bold", false},
                                               {"Italic", false},
                                               {"Underline", false}});
}

void SearchProgressWindowClass::AddMenuHandlers() {}

void SearchProgressWindowClass::PushButton1_Action() { SearchWindow()->Show(); }

void SearchProgressWindowClass::Event_Activate() {
  // Truncated toward zero, as every window that places itself does.
  int left = static_cast<int>(rb::Screen(0)->Width() / 2.0 - SearchProgressWindow()->Width() / 2.0);
  int top = static_cast<int>(rb::Screen(0)->Height() / 2.0 - SearchProgressWindow()->Height() / 2.0);
  SearchProgressWindow()->SetTop(top);
  SearchProgressWindow()->SetLeft(left);
}

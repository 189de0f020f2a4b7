#include "ui/HelpWindow.h"

#include "framework/controls.h"
#include "framework/editfield.h"
#include "rtf/RtfEditField.h"
#include "ui/LayoutDefaults.h"
#include "ui/Pictures.h"

rb::Ref<HelpWindowClass> HelpWindow() { return rb::ImplicitWindow<HelpWindowClass>("HelpWindow"); }

void HelpWindowClass::Layout() {
  layout::ApplyEveryWindowDefaults(*this);
  _ApplyProperties({{"Title", ""},
                    {"Width", 653},
                    {"Height", 462},
                    {"MinWidth", 653},
                    {"MinHeight", 333},
                    {"Frame", 3},
                    {"Resizeable", false},
                    {"CloseButton", true},
                    {"MaximizeButton", false},
                    {"MinimizeButton", true},
                    {"HasBackColor", false},
                    {"BackColor", 0xFFFFFF}});
}

void HelpWindowClass::CreateControls() { _CreateControls0(); }

void HelpWindowClass::_CreateControls0() {
  rb::Ref<rb::Canvas> header = rb::Ref<rb::Canvas>::New();
  header->SetBackdrop(helpfileheader());
  _AddControl(header, "HelpHeader");
  Control<rb::Canvas>("HelpHeader")->_ApplyProperties(
      {{"Left", 0}, {"Top", 0}, {"Width", 653}, {"Height", 230},
       {"LockLeft", false}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
       {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
       {"InitialParent", ""}, {"TabPanelIndex", 0},
       {"EraseBackground", true}, {"AcceptFocus", false}, {"AcceptTabs", false}, {"UseFocusRing", true}});

  _NewControl<RtfEditField>("EditField1",
                            {{"Left", 0}, {"Top", 230}, {"Width", 653}, {"Height", 212},
                             {"LockLeft", true}, {"LockTop", false}, {"LockRight", true}, {"LockBottom", true},
                             {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                             {"InitialParent", ""}, {"TabPanelIndex", 0},
                             {"MultiLine", true}, {"ReadOnly", true}, {"Styled", true}, {"Password", false},
                             {"AcceptTabs", false}, {"Border", true},
                             {"ScrollBarVertical", true}, {"ScrollBarHorizontal", false},
                             {"LimitText", 0}, {"Alignment", 0}, {"UseFocusRing", true},
                             {"TextColor", 0x000000}, {"BackColor", 0xFFFFFF}, {"Format", ""}, {"Mask", ""},
                             {"TextFont", "System"}, {"TextSize", 0},
                             {"Bold", false}, {"Italic", false}, {"Underline", false}, {"Text", ""}});
  _InstallInstanceEventHandler(Control("EditField1"), "Open", [this] { EditField1_Open(); });

  _NewControl<rb::EditField>("rtffeld",
                             {{"Left", 0}, {"Top", 472}, {"Width", 653}, {"Height", 40},
                              {"LockLeft", false}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                              {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                              {"InitialParent", ""}, {"TabPanelIndex", 0},
                              {"MultiLine", false}, {"ReadOnly", false}, {"Styled", false}, {"Password", false},
                              {"AcceptTabs", false}, {"Border", true},
                              {"ScrollBarVertical", true}, {"ScrollBarHorizontal", true},
                              {"LimitText", 0}, {"Alignment", 0}, {"UseFocusRing", true},
                              {"TextColor", 0x000000}, {"BackColor", 0xFFFFFF}, {"Format", ""}, {"Mask", ""},
                              {"TextFont", "System"}, {"TextSize", 0},
                              {"Bold", false}, {"Italic", false}, {"Underline", false}, {"Text", ""}});
}

void HelpWindowClass::EditField1_Open() { HelpWindow()->Control<RtfEditField>("EditField1")->SetScrollPosition(1); }

void HelpWindowClass::AddMenuHandlers() {}

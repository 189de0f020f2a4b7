#include "ui/AboutWindow.h"

#include "framework/controls.h"
#include "ui/LayoutDefaults.h"
#include "ui/Pictures.h"
#include "ui/TitleTexts.h"

rb::Ref<AboutWindowClass> AboutWindow() { return rb::ImplicitWindow<AboutWindowClass>("AboutWindow"); }

void AboutWindowClass::Layout() {
  layout::ApplyEveryWindowDefaults(*this);
  _ApplyProperties({{"Title", "Skerrow!!"},
                    {"Width", 467},
                    {"Height", 299},
                    {"MinWidth", 64},
                    {"MinHeight", 64},
                    {"Frame", 2},
                    {"Resizeable", false},
                    {"CloseButton", true},
                    {"MaximizeButton", false},
                    {"MinimizeButton", true},
                    {"HasBackColor", false},
                    {"BackColor", 0xDADADA}});
}

void AboutWindowClass::CreateControls() { _CreateControls0(); }

void AboutWindowClass::_CreateControls0() {
  rb::Ref<rb::Canvas> canvas = rb::Ref<rb::Canvas>::New();
  canvas->SetBackdrop(TandrelTitle());
  _AddControl(canvas, "Canvas1");
  Control<rb::Canvas>("Canvas1")->_ApplyProperties(
      {{"Left", 0}, {"Top", 0}, {"Width", 467}, {"Height", 299},
       {"LockLeft", false}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
       {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
       {"InitialParent", ""}, {"TabPanelIndex", 0},
       {"EraseBackground", true}, {"AcceptFocus", false}, {"AcceptTabs", false}, {"UseFocusRing", true}});

  _NewControl<rb::StaticText>("StaticText1",
                              {{"Left", 0}, {"Top", 180}, {"Width", 467}, {"Height", 32},
                               {"LockLeft", false}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", "Canvas1"}, {"TabPanelIndex", 0},
                               {"Text", titletexts::kTagline}, {"TextAlign", 1}, {"MultiLine", false},
                               {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 15},
                               {"Bold", true}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::StaticText>("StaticText2",
                              {{"Left", 0}, {"Top", 267}, {"Width", 317}, {"Height", 32},
                               {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", true},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", "Canvas1"}, {"TabPanelIndex", 0},
                               {"Text", titletexts::kRightsNotice}, {"TextAlign", 1}, {"MultiLine", false},
                               {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 10},
                               {"Bold", true}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::StaticText>("VersionStaticText",
                              {{"Left", 329}, {"Top", 267}, {"Width", 138}, {"Height", 32},
                               {"LockLeft", false}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", true},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", "Canvas1"}, {"TabPanelIndex", 0},
                               {"Text", titletexts::kVersion}, {"TextAlign", 1}, {"MultiLine", false},
                               {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 10},
                               {"Bold", true}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::StaticText>("StaticText4",
                              {{"Left", 20}, {"Top", 206}, {"Width", 427}, {"Height", 34},
                               {"LockLeft", false}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", "Canvas1"}, {"TabPanelIndex", 0},
                               {"Text", titletexts::kThanks}, {"TextAlign", 1}, {"MultiLine", true},
                               {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 11},
                               {"Bold", false}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::StaticText>("StaticText5",
                              {{"Left", 20}, {"Top", 232}, {"Width", 427}, {"Height", 34},
                               {"LockLeft", false}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", "Canvas1"}, {"TabPanelIndex", 0},
                               {"Text", titletexts::kContact}, {"TextAlign", 1}, {"MultiLine", true},
                               {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 12},
                               {"Bold", false}, {"Italic", false}, {"Underline", false}});
}

void AboutWindowClass::AddMenuHandlers() {}

bool AboutWindowClass::Event_MouseDown(int, int) {
  AboutWindow()->Close();
  return false;
}

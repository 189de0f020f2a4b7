#include "ui/SplashWindow.h"

#include "framework/controls.h"
#include "framework/screen.h"
#include "ui/LayoutDefaults.h"
#include "ui/Pictures.h"
#include "ui/SearchWindow.h"
#include "ui/SplashTimer.h"
#include "ui/TitleTexts.h"

rb::Ref<SplashWindowClass> SplashWindow() { return rb::ImplicitWindow<SplashWindowClass>("SplashWindow"); }

void SplashWindowClass::Layout() {
  layout::ApplyEveryWindowDefaults(*this);
  _ApplyProperties({{"Title", "Skerrow!!"},
                    {"Width", 467},
                    {"Height", 238},
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

void SplashWindowClass::CreateControls() { _CreateControls0(); }

void SplashWindowClass::_CreateControls0() {
  rb::Ref<rb::Canvas> canvas = rb::Ref<rb::Canvas>::New();
  canvas->SetBackdrop(TandrelTitle());
  _AddControl(canvas, "Canvas1");
  Control<rb::Canvas>("Canvas1")->_ApplyProperties(
      {{"Left", 0}, {"Top", 0}, {"Width", 467}, {"Height", 298},
       {"LockLeft", false}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
       {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
       {"InitialParent", ""}, {"TabPanelIndex", 0},
       {"EraseBackground", true}, {"AcceptFocus", false}, {"AcceptTabs", false}, {"UseFocusRing", true}});

  _NewControl<rb::StaticText>("StaticText1",
                              {{"Left", 0}, {"Top", 182}, {"Width", 467}, {"Height", 32},
                               {"LockLeft", false}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", "Canvas1"}, {"TabPanelIndex", 0},
                               {"Text", titletexts::kTagline}, {"TextAlign", 1}, {"MultiLine", false},
                               {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 15},
                               {"Bold", true}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::StaticText>("StaticText2",
                              {{"Left", 0}, {"Top", 205}, {"Width", 317}, {"Height", 32},
                               {"LockLeft", false}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", "Canvas1"}, {"TabPanelIndex", 0},
                               {"Text", titletexts::kRightsNotice}, {"TextAlign", 1}, {"MultiLine", false},
                               {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 10},
                               {"Bold", true}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::StaticText>("VersionStaticText1",
                              {{"Left", 329}, {"Top", 205}, {"Width", 138}, {"Height", 32},
                               {"LockLeft", false}, {"LockTop", false}, {"LockRight", true}, {"LockBottom", true},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", "Canvas1"}, {"TabPanelIndex", 0},
                               {"Text", titletexts::kVersion}, {"TextAlign", 1}, {"MultiLine", false},
                               {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 10},
                               {"Bold", true}, {"Italic", false}, {"Underline", false}});

  _NewControl<SplashTimer>("SplashTimer", {{"Mode", 1}, {"Period", 2000}});
  _InstallInstanceEventHandler(Control("SplashTimer"), "Action", [this] { SplashTimer_Action(); });
}

void SplashWindowClass::AddMenuHandlers() {}

void SplashWindowClass::Event_Open() { Control<SplashTimer>("SplashTimer")->SetEnabled(true); }

bool SplashWindowClass::Event_CancelClose(bool appQuitting) {
  rb::Ref<SplashTimer> timer = Control<SplashTimer>("SplashTimer");
  if (appQuitting || !timer || timer->Mode() == rb::Timer::ModeOff) return false;
  timer->SetMode(rb::Timer::ModeOff);
  SplashTimer_Action();
  return true;
}

void SplashWindowClass::SplashTimer_Action() {
  SplashWindow()->Close();
  // Whole pixels by truncation toward zero; SearchWindow() builds and shows
  // the window on its first use.
  int x = static_cast<int>(rb::Screen(0)->Width() / 2.0 - SearchWindow()->Width() / 2.0);
  int y = static_cast<int>(rb::Screen(0)->Height() / 2.0 - SearchWindow()->Height() / 2.0);
  SearchWindow()->SetTop(y);
  SearchWindow()->SetLeft(x);
}

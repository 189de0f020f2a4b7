// Windows: creation steps, the implicit instance, controls by name, focus
// order, locks, placement, mouse clicks and the unhandled-exception path.
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/dialogs.h"
#include "framework/editfield.h"
#include "framework/gui_testing.h"
#include "framework/listbox.h"
#include "framework/screen.h"
#include "framework/timer.h"
#include "framework/window.h"
#include "gui_fixture.h"

namespace {

std::vector<std::string> gSteps;

class FormWindow : public rb::Window {
 public:
  rb::Ref<rb::Object> someProperty;  // a window-level property

  void Layout() override {
    gSteps.push_back("Layout");
    _ApplyProperties({{"Title", "Form"},
                      {"Width", 400},
                      {"Height", 300},
                      {"MinWidth", 200},
                      {"MinHeight", 150},
                      {"MaxWidth", 32000},
                      {"MaxHeight", 32000},
                      {"Frame", 0},
                      {"Placement", 0},
                      {"Visible", true},
                      {"Resizeable", true},
                      {"CloseButton", true},
                      {"MaximizeButton", false},
                      {"MinimizeButton", true},
                      {"MenuBarVisible", true},
                      {"FullScreen", false},
                      {"Composite", false},
                      {"LiveResize", false},
                      {"HasBackColor", false},
                      {"BackColor", 0xFFFFFF},
                      {"BalloonHelp", ""},
                      {"MacProcId", 0}});
  }
  void CreateControls() override {
    gSteps.push_back("CreateControls");
    // Created below the field on screen but first in layout order.
    _NewControl<rb::PushButton>("OkButton", {{"Left", 320},
                                             {"Top", 260},
                                             {"Width", 69},
                                             {"Height", 20},
                                             {"Caption", "OK"},
                                             {"Default", true},
                                             {"LockRight", true},
                                             {"LockBottom", true}});
    _InstallInstanceEventHandler(Control("OkButton"), "Action", [this] { ++okPressed; });
    _NewControl<rb::GroupBox>("Box", {{"Left", 10}, {"Top", 10}, {"Width", 380}, {"Height", 40}, {"Caption", ""},
                                      {"LockLeft", true}, {"LockRight", true}});
    _NewControl<rb::StaticText>("Label", {{"Left", 15}, {"Top", 15}, {"Width", 300}, {"Height", 20},
                                          {"Text", "Drop here"}, {"InitialParent", "Box"}});
    _NewControl<rb::EditField>("Field", {{"Left", 10}, {"Top", 60}, {"Width", 200}, {"Height", 22},
                                         {"Text", "design"}, {"LimitText", 10}, {"LockLeft", true}});
    _InstallInstanceEventHandler(Control("Field"), "Open", [] { gSteps.push_back("Field.Open"); });
    _NewControl<rb::CheckBox>("Tick", {{"Left", 10}, {"Top", 90}, {"Width", 100}, {"Height", 20},
                                       {"Caption", "Tick"}, {"Value", true}});
    _NewControl<rb::Listbox>("List", {{"Left", 10}, {"Top", 120}, {"Width", 380}, {"Height", 130},
                                      {"LockLeft", true}, {"LockTop", true}, {"LockRight", true},
                                      {"LockBottom", true}, {"ColumnCount", 3}});
    _NewControl<rb::Separator>("Rule", {{"Left", 10}, {"Top", 255}, {"Width", 380}, {"Height", 4}});
  }
  void AddMenuHandlers() override { gSteps.push_back("AddMenuHandlers"); }
  void Event_Open() override { gSteps.push_back("Open"); }
  void Event_Close() override { gSteps.push_back("Close"); }

  int okPressed = 0;
};

rb::Ref<FormWindow> Form() { return rb::ImplicitWindow<FormWindow>("FormWindow"); }

class WindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    gSteps.clear();
  }
};

TEST_F(WindowTest, CreationRunsTheStepsInOrderAndShowsTheWindow) {
  rb::Ref<FormWindow> w = Form();
  EXPECT_EQ(gSteps, (std::vector<std::string>{"Layout", "CreateControls", "AddMenuHandlers", "Field.Open", "Open"}));
  EXPECT_TRUE(w->Visible());
  EXPECT_EQ(w->Title().Utf8(), "Form");
  EXPECT_EQ(w->Width(), 400);
  EXPECT_EQ(w->Height(), 300);
  EXPECT_EQ(w->Control<rb::StaticText>("Label")->Parent().get(), w->Control<rb::GroupBox>("Box").get());
}

TEST_F(WindowTest, OneInstancePerClassHideKeepsItCloseBuildsAFreshOne) {
  rb::Ref<FormWindow> first = Form();
  EXPECT_EQ(Form().get(), first.get());
  EXPECT_EQ(rb::_GetImplicitWindow("FormWindow").get(), first.get());
  EXPECT_EQ(gSteps.size(), 5u);  // built once

  first->Control<rb::EditField>("Field")->SetText("typed");
  first->Control<rb::CheckBox>("Tick")->SetValue(false);
  first->someProperty = rb::Ref<rb::Object>::New();
  first->Hide();
  EXPECT_FALSE(first->Visible());
  rb::Ref<FormWindow> again = Form();
  EXPECT_EQ(again.get(), first.get());
  EXPECT_EQ(again->Control<rb::EditField>("Field")->Text().Utf8(), "typed");
  EXPECT_FALSE(again->Control<rb::CheckBox>("Tick")->Value());
  again->Show();
  EXPECT_TRUE(again->Visible());

  gSteps.clear();
  first->Close();
  EXPECT_EQ(gSteps, (std::vector<std::string>{"Close"}));
  EXPECT_FALSE(first->_IsOpen());
  EXPECT_FALSE(rb::_GetImplicitWindow("FormWindow"));
  EXPECT_EQ(first->ControlCount(), 0);  // controls go with the window

  rb::Ref<FormWindow> fresh = Form();
  EXPECT_NE(fresh.get(), first.get());
  EXPECT_EQ(fresh->Control<rb::EditField>("Field")->Text().Utf8(), "design");
  EXPECT_TRUE(fresh->Control<rb::CheckBox>("Tick")->Value());
  EXPECT_FALSE(fresh->someProperty);
}

TEST_F(WindowTest, ControlsAreFoundByNameAndClassAndMissingOnesAreNil) {
  rb::Ref<FormWindow> w = Form();
  EXPECT_TRUE(w->Control<rb::EditField>("Field"));
  EXPECT_TRUE(w->Control<rb::EditField>("FIELD"));  // names ignore case
  EXPECT_TRUE(w->Control<rb::RectControl>("Field"));
  EXPECT_FALSE(w->Control<rb::EditField>("Nothing"));
  EXPECT_FALSE(w->Control<rb::PushButton>("Field"));  // another class
  EXPECT_THROW(w->Control<rb::EditField>("Nothing")->Text(), rb::NilObjectException);
  EXPECT_THROW(w->Control<rb::PushButton>("Field")->Push(), rb::NilObjectException);
  EXPECT_EQ(w->Control("Tick")->Window().get(), w.get());
  EXPECT_THROW(w->_ApplyProperties({{"NoSuchProperty", 1}}), rb::RuntimeException);
  // A handler must take what its event passes.
  EXPECT_THROW(w->_InstallInstanceEventHandler(w->Control("OkButton"), "Action", [](int, int) { return true; }),
               rb::RuntimeException);
  EXPECT_THROW(w->_InstallInstanceEventHandler(w->Control("OkButton"), "Clicked", [] {}), rb::RuntimeException);
}

TEST_F(WindowTest, KeyboardFocusFollowsLayoutOrder) {
  rb::Ref<FormWindow> w = Form();
  std::vector<std::string> chain;
  for (const rb::String& s : w->_FocusChain()) chain.push_back(s.Utf8());
  // Labels, group boxes and rules take no focus.
  EXPECT_EQ(chain, (std::vector<std::string>{"OkButton", "Field", "Tick", "List"}));
}

TEST_F(WindowTest, LockedControlsKeepTheirDistanceToLockedEdges) {
  rb::Ref<FormWindow> w = Form();
  w->SetWidth(500);
  w->SetHeight(350);
  auto ok = w->Control<rb::PushButton>("OkButton");
  EXPECT_EQ(ok->Left(), 420);  // right and bottom: moves
  EXPECT_EQ(ok->Top(), 310);
  EXPECT_EQ(ok->Width(), 69);
  auto box = w->Control<rb::GroupBox>("Box");
  EXPECT_EQ(box->Left(), 10);  // left and right: stretches
  EXPECT_EQ(box->Width(), 480);
  auto list = w->Control<rb::Listbox>("List");
  EXPECT_EQ(list->Width(), 480);  // all four: grows both ways
  EXPECT_EQ(list->Height(), 180);
  auto field = w->Control<rb::EditField>("Field");
  EXPECT_EQ(field->Left(), 10);  // left only: stays
  EXPECT_EQ(field->Width(), 200);
  auto rule = w->Control<rb::Separator>("Rule");
  EXPECT_EQ(rule->Top(), 255);  // no locks: stays
}

TEST_F(WindowTest, PositionIsTheContentAreaOnTheScreenAndFrameChangesApply) {
  rb::Ref<FormWindow> w = Form();
  w->SetTop(46);
  w->SetLeft(289);
  rb::RunEventLoopFor(50);
  EXPECT_EQ(w->Left(), 289);
  EXPECT_EQ(w->Top(), 46);
  w->SetFrame(rb::Window::FrameFloating);
  rb::RunEventLoopFor(20);
  EXPECT_EQ(w->Frame(), 3);
  EXPECT_TRUE(w->Visible());
  EXPECT_EQ(w->Width(), 400);
}

TEST_F(WindowTest, DefaultPlacementCentresOnScreenZero) {
  rb::SetScreenSizeForTesting(1280, 1024);
  rb::Ref<FormWindow> w = Form();
  EXPECT_EQ(w->Left(), 440);  // 640 - 200
  EXPECT_EQ(w->Top(), 362);   // 512 - 150
}

TEST_F(WindowTest, ReturnInAOneLineFieldPushesTheDefaultButton) {
  rb::Ref<FormWindow> w = Form();
  rb::PressKeyForTesting(w->Control<rb::EditField>("Field"), 0x24);
  EXPECT_EQ(w->okPressed, 1);
  EXPECT_EQ(w->Control<rb::EditField>("Field")->Text().Utf8(), "design");
  rb::ClickControlForTesting(w->Control<rb::PushButton>("OkButton"));
  EXPECT_EQ(w->okPressed, 2);
}

class ClickAwayWindow : public rb::Window {
 public:
  void Layout() override { _ApplyProperties({{"Width", 200}, {"Height", 100}, {"Frame", 2}, {"Resizeable", false}}); }
  void CreateControls() override {
    _NewControl<rb::Canvas>("Canvas1", {{"Left", 0}, {"Top", 0}, {"Width", 200}, {"Height", 100}});
    _NewControl<rb::StaticText>("Text", {{"Left", 0}, {"Top", 40}, {"Width", 200}, {"Height", 20},
                                         {"Text", "click me"}, {"InitialParent", "Canvas1"}});
  }
  bool Event_MouseDown(int, int) override {
    rb::ImplicitWindow<ClickAwayWindow>("ClickAwayWindow")->Close();
    return false;
  }
};

TEST_F(WindowTest, AClickOnControlsThatTakeNoClicksReachesTheWindow) {
  rb::Ref<ClickAwayWindow> w = rb::ImplicitWindow<ClickAwayWindow>("ClickAwayWindow");
  rb::ClickForTesting(w, 100, 50);  // on the static text over the canvas
  EXPECT_FALSE(w->_IsOpen());
  EXPECT_FALSE(rb::_GetImplicitWindow("ClickAwayWindow"));
  rb::Ref<ClickAwayWindow> again = rb::ImplicitWindow<ClickAwayWindow>("ClickAwayWindow");
  EXPECT_TRUE(again->_IsOpen());
  EXPECT_NE(again.get(), w.get());
}

class FailingWindow : public rb::Window {
 public:
  void CreateControls() override {
    _NewControl<rb::Timer>("Boom", {{"Mode", 1}, {"Period", 10}});
    _InstallInstanceEventHandler(Control("Boom"), "Action", [this] {
      Control<rb::EditField>("Missing")->SetText("x");  // nil: raises
    });
    _NewControl<rb::Timer>("Guard", {{"Mode", 1}, {"Period", 5000}});
    _InstallInstanceEventHandler(Control("Guard"), "Action", [] { rb::Quit(99); });
  }
};

TEST_F(WindowTest, AnExceptionEscapingAHandlerEndsTheRunWithACautionBoxAndNonzeroCode) {
  rb::SetMessageBoxAnswerer([](const rb::MessageBoxRecord&) { return 1; });
  rb::ImplicitWindow<FailingWindow>("FailingWindow");
  int code = rb::_RuntimeRun();
  EXPECT_EQ(code, 1);
  EXPECT_EQ(rb::ApplicationExitCode(), 1);
  EXPECT_EQ(rb::UnhandledExceptionCount(), 1);
  ASSERT_EQ(rb::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(rb::ShownMessageBoxes()[0].buttons, 48);
  EXPECT_NE(rb::ShownMessageBoxes()[0].text.Utf8().find("NilObjectException"), std::string::npos);
}

TEST_F(WindowTest, QuitBeforeTheLoopRunsEndsItAtOnce) {
  rb::Quit(3);
  EXPECT_EQ(rb::_RuntimeRun(), 3);
}

class BrokenLayoutWindow : public rb::Window {
 public:
  void CreateControls() override { _NewControl<rb::StaticText>("T", {{"InitialParent", "NoSuchBox"}}); }
};

TEST_F(WindowTest, AFailedConstructionLeavesNoHalfBuiltWindowBehind) {
  EXPECT_THROW(rb::ImplicitWindow<BrokenLayoutWindow>("BrokenLayoutWindow"), rb::NilObjectException);
  EXPECT_FALSE(rb::_GetImplicitWindow("BrokenLayoutWindow"));
}

}  // namespace

namespace {

TEST_F(WindowTest, AUserResizeMovesLockedControlsAndStopsAtTheMinimum) {
  rb::Ref<FormWindow> w = Form();
  rb::RunEventLoopFor(20);
  rb::ResizeWindowForTesting(w, 450, 320);
  EXPECT_EQ(w->Width(), 450);
  EXPECT_EQ(w->Height(), 320);
  EXPECT_EQ(w->Control<rb::PushButton>("OkButton")->Left(), 370);
  EXPECT_EQ(w->Control<rb::PushButton>("OkButton")->Top(), 280);
  EXPECT_EQ(w->Control<rb::Listbox>("List")->Height(), 150);
  rb::ResizeWindowForTesting(w, 100, 100);  // below MinWidth x MinHeight
  EXPECT_EQ(w->Width(), 200);
  EXPECT_EQ(w->Height(), 150);
  EXPECT_EQ(w->Control<rb::PushButton>("OkButton")->Left(), 120);
}

class FixedWindow : public rb::Window {
 public:
  void Layout() override { _ApplyProperties({{"Width", 300}, {"Height", 200}, {"Resizeable", false}}); }
};

TEST_F(WindowTest, AWindowThatIsNotResizeableKeepsItsSize) {
  auto w = rb::ImplicitWindow<FixedWindow>("FixedWindow");
  rb::ResizeWindowForTesting(w, 500, 400);
  EXPECT_EQ(w->Width(), 300);
  EXPECT_EQ(w->Height(), 200);
  w->SetWidth(400);  // the program still may
  rb::RunEventLoopFor(20);
  EXPECT_EQ(w->Width(), 400);
}

class ActiveWindow : public rb::Window {
 public:
  int activations = 0;
  bool throwOnPaint = false;
  void Event_Activate() override { ++activations; }
  void Event_Paint(rb::Graphics& g) override {
    g.SetForeColor(rb::RGB(1, 2, 3));
    g.FillRect(0, 0, g.Width(), g.Height());
    if (throwOnPaint) throw rb::NilObjectException();
  }
};

TEST_F(WindowTest, ActivationIsReportedAndTheFrontWindowFollowsIt) {
  auto w = rb::ImplicitWindow<ActiveWindow>("ActiveWindow");
  rb::RunEventLoopUntil([&] { return w->activations > 0; }, 2000);
  EXPECT_GE(w->activations, 1);
  EXPECT_EQ(rb::FrontWindow().get(), w.get());
}

TEST_F(WindowTest, AnExceptionWhilePaintingIsHandledAfterThePaint) {
  rb::SetMessageBoxAnswerer([](const rb::MessageBoxRecord&) { return 1; });
  auto w = rb::ImplicitWindow<ActiveWindow>("ActiveWindow");
  w->throwOnPaint = true;
  w->Refresh();
  rb::RunEventLoopUntil([] { return rb::UnhandledExceptionCount() > 0; }, 2000);
  w->throwOnPaint = false;
  EXPECT_GE(rb::UnhandledExceptionCount(), 1);
  ASSERT_FALSE(rb::ShownMessageBoxes().empty());
  EXPECT_EQ(rb::ShownMessageBoxes()[0].buttons, 48);
  EXPECT_EQ(rb::ApplicationExitCode(), 1);
}

// Like the search window: its activation makes another window through
// that window's accessor and hides it at once.
class SideWindow : public ActiveWindow {
 public:
  void Layout() override { _ApplyProperties({{"Width", 200}, {"Height", 100}}); }
};
class MainWindow : public ActiveWindow {
 public:
  void Layout() override { _ApplyProperties({{"Width", 300}, {"Height", 200}}); }
  void Event_Activate() override {
    ActiveWindow::Event_Activate();
    rb::ImplicitWindow<SideWindow>("SideWindow")->Hide();
  }
};

TEST_F(WindowTest, AWindowMadeAndHiddenWhileAnotherActivatesNeverTakesActivation) {
  auto main = rb::ImplicitWindow<MainWindow>("MainWindow");
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return main->activations > 0; }, 2000));
  auto side = rb::DynamicCast<SideWindow>(rb::_GetImplicitWindow("SideWindow"));
  ASSERT_TRUE(side);
  rb::RunEventLoopFor(100);
  EXPECT_FALSE(side->Visible());
  EXPECT_EQ(side->activations, 0);
  EXPECT_TRUE(main->_IsActive());
  EXPECT_EQ(rb::FrontWindow().get(), main.get());
}

TEST_F(WindowTest, HidingOrClosingTheActiveWindowHandsActivationBack) {
  auto first = rb::ImplicitWindow<MainWindow>("MainWindow");
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return first->_IsActive(); }, 2000));
  auto second = rb::ImplicitWindow<ActiveWindow>("ActiveWindow");
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return second->_IsActive(); }, 2000));
  second->Hide();
  EXPECT_TRUE(rb::RunEventLoopUntil([&] { return first->_IsActive(); }, 2000));
  second->Show();
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return second->_IsActive(); }, 2000));
  second->Close();
  EXPECT_TRUE(rb::RunEventLoopUntil([&] { return first->_IsActive(); }, 2000));
  EXPECT_EQ(rb::FrontWindow().get(), first.get());
}

std::vector<std::string> ToolkitShows() {
  std::vector<std::string> names;
  for (const rb::String& s : rb::ToolkitShowsForTesting()) names.push_back(s.Utf8());
  return names;
}

TEST_F(WindowTest, AWindowHiddenAgainBeforeTheLoopRunsNeverReachesTheScreen) {
  rb::RecordToolkitShowsForTesting();
  auto main = rb::ImplicitWindow<MainWindow>("MainWindow");
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return main->activations > 0; }, 2000));
  rb::RunEventLoopFor(50);
  // The side window, made by its accessor (which shows it) and hidden in
  // the same handler, was never put on screen.
  EXPECT_EQ(ToolkitShows(), std::vector<std::string>{"MainWindow"});
  auto side = rb::DynamicCast<SideWindow>(rb::_GetImplicitWindow("SideWindow"));
  ASSERT_TRUE(side);

  rb::RecordToolkitShowsForTesting();
  side->Show();
  EXPECT_TRUE(side->Visible());  // shown as far as the program is concerned
  side->SetLeft(120);
  side->SetTop(90);
  side->Hide();
  rb::RunEventLoopFor(50);
  EXPECT_TRUE(ToolkitShows().empty());

  // Left shown: on screen once the loop runs, where it was placed first.
  side->Show();
  rb::RunEventLoopFor(50);
  EXPECT_EQ(ToolkitShows(), std::vector<std::string>{"SideWindow"});
  EXPECT_TRUE(side->Visible());
  EXPECT_EQ(side->Left(), 120);
  EXPECT_EQ(side->Top(), 90);
}

TEST_F(WindowTest, OfWindowsShownTogetherTheOneShownLastIsActivated) {
  // As a search ends: the results window is shown and active, the hidden
  // statistics window is shown, then the results window again.
  auto results = rb::ImplicitWindow<ActiveWindow>("ActiveWindow");
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return results->_IsActive(); }, 2000));
  auto statistics = rb::ImplicitWindow<SideWindow>("SideWindow");
  statistics->Hide();
  rb::RunEventLoopFor(50);
  ASSERT_TRUE(results->_IsActive());
  statistics->Show();
  results->Show();
  rb::RunEventLoopFor(100);
  EXPECT_TRUE(statistics->Visible());
  EXPECT_TRUE(results->_IsActive());
  EXPECT_EQ(rb::FrontWindow().get(), results.get());

  // The last one still shown when the loop runs is the one.
  results->Hide();
  statistics->Hide();
  rb::RunEventLoopFor(50);
  const int activations = statistics->activations;
  results->Show();
  statistics->Show();
  statistics->Hide();
  rb::RunEventLoopFor(100);
  EXPECT_TRUE(results->_IsActive());
  EXPECT_EQ(statistics->activations, activations);
}

TEST_F(WindowTest, AWindowShownAgainStandsWhereItStoodWhenItWasHidden) {
  auto w = rb::ImplicitWindow<SideWindow>("SideWindow");
  w->SetLeft(200);
  w->SetTop(150);
  rb::RunEventLoopFor(50);
  for (int round = 0; round < 3; ++round) {
    w->Hide();
    // Where a window manager that puts a window it lets go of at its
    // frame's corner leaves it: a title bar higher.
    rb::MoveByWindowManagerForTesting(w, 200, 113);
    rb::RunEventLoopFor(50);
    EXPECT_EQ(w->Left(), 200);
    EXPECT_EQ(w->Top(), 150);
    w->Show();
    rb::RunEventLoopFor(50);
    int x = 0, y = 0;
    rb::ToolkitPlaceForTesting(w, &x, &y);
    EXPECT_EQ(x, 200) << "round " << round;
    EXPECT_EQ(y, 150) << "round " << round;
  }
}

class ThirdWindow : public ActiveWindow {
 public:
  void Layout() override { _ApplyProperties({{"Width", 250}, {"Height", 150}}); }
};

TEST_F(WindowTest, AMessageBoxIsTheActiveWindowFromItsShowUntilItCloses) {
  // As an archive run ends: the results window was active, the progress
  // window has been shown (its activation still due), then the closing
  // message opens.
  auto results = rb::ImplicitWindow<ActiveWindow>("ActiveWindow");
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return results->_IsActive(); }, 2000));
  rb::RecordToolkitShowsForTesting();
  auto progress = rb::ImplicitWindow<SideWindow>("SideWindow");
  rb::Ref<ThirdWindow> third;
  std::vector<std::string> active;
  std::vector<std::string> shows;
  auto look = [&] {
    active.push_back(rb::ActiveWindowForTesting().Utf8());
    shows.clear();
    for (const rb::String& s : rb::ToolkitShowsForTesting()) shows.push_back(s.Utf8());
  };
  rb::RunLaterForTesting(look, 300);
  // A window shown and one activated (as a click does) while it is open.
  rb::RunLaterForTesting([&] {
    third = rb::ImplicitWindow<ThirdWindow>("ThirdWindow");
    rb::ActivateForTesting(progress);
  }, 350);
  rb::RunLaterForTesting(look, 600);
  rb::PostKeyClickForTesting("Return", 700);
  // Should Return go elsewhere, the box is closed all the same.
  bool leftOpen = false;
  rb::RunLaterForTesting([&] { leftOpen = rb::DismissModalDialogForTesting(); }, 1500);
  EXPECT_EQ(rb::MsgBox("2 files have been copied to dest"), 1);
  EXPECT_FALSE(leftOpen) << "Return did not close the box";
  ASSERT_EQ(active.size(), 2u);
  EXPECT_EQ(active[0], "message box");
  EXPECT_EQ(active[1], "message box");
  // The progress window went on screen beneath it and never took the
  // activation; the window shown meanwhile waited for the box to close.
  EXPECT_EQ(shows, std::vector<std::string>{"SideWindow"});
  EXPECT_EQ(progress->activations, 0);
  ASSERT_TRUE(third);
  EXPECT_TRUE(rb::RunEventLoopUntil([&] { return third->_IsActive(); }, 2000));
  EXPECT_EQ(ToolkitShows(), (std::vector<std::string>{"SideWindow", "ThirdWindow"}));

  // With nothing shown meanwhile, the window the user was in is active again.
  rb::PostKeyClickForTesting("Return", 200);
  rb::RunLaterForTesting([&] { leftOpen = rb::DismissModalDialogForTesting(); }, 1000);
  EXPECT_EQ(rb::MsgBox("No items found!", 48, ""), 1);
  EXPECT_FALSE(leftOpen) << "Return did not close the box";
  EXPECT_TRUE(rb::RunEventLoopUntil([&] { return third->_IsActive(); }, 2000));
}

// A scratch field below the window's bottom edge, first in the focus chain,
// and a field in sight.
class ScratchWindow : public ActiveWindow {
 public:
  void Layout() override { _ApplyProperties({{"Width", 300}, {"Height", 200}}); }
  void CreateControls() override {
    _NewControl<rb::EditField>("Scratch", {{"Left", 10}, {"Top", 230}, {"Width", 200}, {"Height", 60},
                                           {"MultiLine", true}});
    _NewControl<rb::EditField>("Field", {{"Left", 10}, {"Top", 10}, {"Width", 200}, {"Height", 22}});
  }
};

TEST_F(WindowTest, NoKeyLandsInAControlOutsideTheWindowHoweverTheFocusWentThere) {
  auto w = rb::ImplicitWindow<ScratchWindow>("ScratchWindow");
  auto other = rb::ImplicitWindow<SideWindow>("SideWindow");
  rb::Ref<rb::EditField> scratch = w->Control<rb::EditField>("Scratch");
  rb::Ref<rb::EditField> field = w->Control<rb::EditField>("Field");
  scratch->SetText("kept\r\n");
  auto activate = [](const rb::Ref<rb::Window>& window) {
    rb::ActivateForTesting(window);
    return rb::RunEventLoopUntil([&] { return window->_IsActive(); }, 2000);
  };
  // The window shown last is activated once it is on screen (or after a
  // second at most): that comes first.
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return other->_IsActive(); }, 3000));
  rb::RunEventLoopFor(1100);
  // Activation gives the focus to a control in sight, also when the
  // scratch field had it last (given while the window was inactive).
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(activate(other));
    if (round == 1) scratch->SetFocus();
    ASSERT_TRUE(activate(w));
    EXPECT_FALSE(scratch->HasFocus()) << "round " << round;
    rb::KeyClickForTesting(w, "Return");
    rb::KeyClickForTesting(w, "x");
  }
  EXPECT_EQ(scratch->Text().Bytes(), "kept\r\n");
  EXPECT_EQ(field->Text().Bytes(), "xx");
}

class GuardedWindow : public rb::Window {
 public:
  bool keepOpen = true;
  std::vector<std::string> events;
  bool Event_CancelClose(bool appQuitting) override {
    events.push_back("CancelClose");
    return keepOpen;
  }
  void Event_Close() override { events.push_back("Close"); }
};

TEST_F(WindowTest, AUsersCloseAsksCancelCloseFirstAndTheProgramsDoesNot) {
  auto w = rb::ImplicitWindow<GuardedWindow>("GuardedWindow");
  EXPECT_FALSE(w->_UserClose());
  EXPECT_TRUE(w->_IsOpen());
  EXPECT_EQ(w->events, std::vector<std::string>{"CancelClose"});
  w->keepOpen = false;
  EXPECT_TRUE(w->_UserClose());
  EXPECT_FALSE(w->_IsOpen());
  EXPECT_EQ(w->events, (std::vector<std::string>{"CancelClose", "CancelClose", "Close"}));

  auto again = rb::ImplicitWindow<GuardedWindow>("GuardedWindow");
  again->Close();
  EXPECT_EQ(again->events, std::vector<std::string>{"Close"});
}

}  // namespace

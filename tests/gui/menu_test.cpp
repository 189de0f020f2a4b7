// Menus: the tree, lookups, one bar shared by several windows, enabling
// before a menu shows, handlers of the front window, shortcut texts.
#include <string>

#include "framework/menu.h"
#include "framework/timer.h"
#include "framework/window.h"
#include "gui_fixture.h"

namespace {

rb::Ref<rb::MenuItem> Node(rb::Ref<rb::MenuItem> item, const char* name, const char* text, const char* keys) {
  item->SetName(name);
  item->SetAutoEnable(true);
  item->SetText(text);
  if (keys) item->SetKeyboardShortcut(keys);
  return item;
}

// A bar built the way program bars are: a menu is appended to the bar,
// then its items to the child the bar answers for the menu's name.
rb::Ref<rb::MenuBar> BuildBar() {
  auto bar = rb::Ref<rb::MenuBar>::New();
  bar->SetName("TestBar");
  bar->Append(Node(rb::Ref<rb::MenuItem>::New(), "FileMenu", "&File", ""));
  bar->Child("FileMenu")->Append(Node(rb::Ref<rb::MenuItem>::New(), "FileOpenSearch", "Select Search...", "Cmd+O"));
  bar->Child("FileMenu")->Append(
      Node(rb::Ref<rb::MenuItem>::New(), "FileDesination", "Select Destination...", "Cmd+Shift+O"));
  bar->Child("FileMenu")->Append(Node(rb::Ref<rb::QuitMenuItem>::New(), "FileQuit", "Quit", "Cmd+Q"));
  bar->Append(Node(rb::Ref<rb::MenuItem>::New(), "EditMenu", "&Edit", ""));
  auto sep = rb::Ref<rb::MenuItem>::New();
  sep->SetName("UntitledMenu0");
  sep->SetAutoEnable(true);
  sep->SetText("-");
  bar->Child("EditMenu")->Append(sep);
  bar->Child("EditMenu")->Append(Node(rb::Ref<rb::MenuItem>::New(), "EditCut", "Cu&t", "Cmd-X"));
  bar->Append(Node(rb::Ref<rb::MenuItem>::New(), "HelpMenu", "Help", ""));
  bar->Child("HelpMenu")->Append(Node(rb::Ref<rb::AppleMenuItem>::New(), "EditAbout", "About...", ""));
  bar->Child("HelpMenu")->Append(Node(rb::Ref<rb::MenuItem>::New(), "Help", "Program Help...", "Cmd+?"));
  return bar;
}

class BarWindow : public rb::Window {
 public:
  static rb::Ref<rb::MenuBar>* sharedBar;
  int opened = 0;
  void Layout() override {
    SetMenuBar(*sharedBar);
    _ApplyProperties({{"Width", 300}, {"Height", 200}});
  }
  void AddMenuHandlers() override {
    _AddMenuHandler("FileOpenSearch", [this] {
      ++opened;
      return false;
    });
  }
};
rb::Ref<rb::MenuBar>* BarWindow::sharedBar = nullptr;

class OtherBarWindow : public rb::Window {
 public:
  void Layout() override {
    SetMenuBar(*BarWindow::sharedBar);
    _ApplyProperties({{"Width", 300}, {"Height", 200}});
  }
};

class MenuTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    bar = BuildBar();
    BarWindow::sharedBar = &bar;
  }
  rb::Ref<rb::MenuBar> bar;
};

TEST_F(MenuTest, LookupFindsNodesAnywhereAndChildOnlyDirectOnes) {
  EXPECT_EQ(bar->Count(), 3);
  EXPECT_EQ(bar->Item(0)->Name().Utf8(), "FileMenu");
  EXPECT_EQ(bar->Child("FileMenu")->Count(), 3);
  EXPECT_FALSE(bar->Child("FileOpenSearch"));  // not a direct child
  EXPECT_EQ(bar->_Lookup("FileOpenSearch")->Text().Utf8(), "Select Search...");
  EXPECT_EQ(bar->_Lookup("fileopensearch")->Text().Utf8(), "Select Search...");
  EXPECT_EQ(bar->_Lookup("Help")->Text().Utf8(), "Program Help...");  // the item, not HelpMenu
  EXPECT_TRUE(rb::DynamicCast<rb::QuitMenuItem>(bar->_Lookup("FileQuit")));
  EXPECT_TRUE(rb::DynamicCast<rb::AppleMenuItem>(bar->_Lookup("EditAbout")));
  EXPECT_FALSE(rb::DynamicCast<rb::AppleMenuItem>(bar->_Lookup("Help")));
  EXPECT_FALSE(bar->_Lookup("UntitledMenu1"));
  EXPECT_THROW(bar->_Lookup("UntitledMenu1")->Enable(), rb::NilObjectException);
  EXPECT_THROW(bar->Item(3), rb::OutOfBoundsException);
}

TEST_F(MenuTest, ShortcutTextsMapCmdOntoCtrl) {
  EXPECT_EQ(bar->_Lookup("FileOpenSearch")->KeyboardShortcut().Utf8(), "Cmd+O");
  EXPECT_EQ(bar->_Lookup("FileOpenSearch")->_ShortcutKeys().Utf8(), "Ctrl+O");
  EXPECT_EQ(bar->_Lookup("FileDesination")->_ShortcutKeys().Utf8(), "Ctrl+Shift+O");
  EXPECT_EQ(bar->_Lookup("Help")->_ShortcutKeys().Utf8(), "Ctrl+?");
  EXPECT_EQ(bar->_Lookup("EditCut")->_ShortcutKeys().Utf8(), "Ctrl+X");
  EXPECT_EQ(bar->_Lookup("FileMenu")->_ShortcutKeys().Utf8(), "");
  EXPECT_EQ(bar->_Lookup("UntitledMenu0")->_ShortcutKeys().Utf8(), "");
  EXPECT_TRUE(bar->_Lookup("UntitledMenu0")->_IsSeparator());
}

TEST_F(MenuTest, OneBarIsSharedSoAChangeShowsThroughEveryWindow) {
  auto a = rb::ImplicitWindow<BarWindow>("BarWindow");
  auto b = rb::ImplicitWindow<OtherBarWindow>("OtherBarWindow");
  EXPECT_EQ(a->MenuBar().get(), bar.get());
  EXPECT_EQ(b->MenuBar().get(), a->MenuBar().get());
  a->MenuBar()->_Lookup("FileOpenSearch")->SetText("Changed");
  EXPECT_EQ(b->MenuBar()->_Lookup("FileOpenSearch")->Text().Utf8(), "Changed");
  b->MenuBar()->_Lookup("EditCut")->Disable();
  EXPECT_FALSE(a->MenuBar()->_Lookup("EditCut")->Enabled());
}

TEST_F(MenuTest, ItemsTheFrontWindowHandlesAreEnabledBeforeTheMenuShows) {
  auto open = bar->_Lookup("FileOpenSearch");
  auto dest = bar->_Lookup("FileDesination");
  open->SetAutoEnable(false);
  dest->SetAutoEnable(false);
  open->Disable();
  dest->Disable();

  auto other = rb::ImplicitWindow<OtherBarWindow>("OtherBarWindow");
  other->_EnableMenuItems();  // no handler there
  EXPECT_FALSE(open->Enabled());

  auto w = rb::ImplicitWindow<BarWindow>("BarWindow");
  other->Hide();
  ASSERT_EQ(rb::FrontWindow().get(), w.get());
  bar->Child("FileMenu")->_PrepareToShow();
  EXPECT_TRUE(open->Enabled());   // the front window has a handler
  EXPECT_FALSE(dest->Enabled());  // no handler, not auto-enabled
  EXPECT_TRUE(bar->_Lookup("FileQuit")->Enabled());
}

TEST_F(MenuTest, ChoosingAnItemRunsTheFrontWindowsHandler) {
  auto w = rb::ImplicitWindow<BarWindow>("BarWindow");
  bar->_Lookup("FileOpenSearch")->_Choose();
  EXPECT_EQ(w->opened, 1);
  bar->_Lookup("FileDesination")->_Choose();  // no handler: nothing happens
  EXPECT_EQ(w->opened, 1);
}

TEST_F(MenuTest, TheQuitItemQuitsWhenNothingHandlesIt) {
  rb::ImplicitWindow<BarWindow>("BarWindow");
  auto guard = rb::Ref<rb::Timer>::New();
  guard->SetPeriod(3000);
  guard->SetMode(rb::Timer::ModeSingle);
  guard->_SetEventHandler("Action", rb::MakeEventHandler([] { rb::Quit(42); }));
  auto chooser = rb::Ref<rb::Timer>::New();
  chooser->SetPeriod(5);
  chooser->SetMode(rb::Timer::ModeSingle);
  rb::Ref<rb::MenuBar> b = bar;
  chooser->_SetEventHandler("Action", rb::MakeEventHandler([b] { b->_Lookup("FileQuit")->_Choose(); }));
  EXPECT_EQ(rb::_RuntimeRun(), 0);
}

}  // namespace

namespace {

TEST_F(MenuTest, AWindowWithABarKeepsItsContentSizeAndPosition) {
  auto w = rb::ImplicitWindow<BarWindow>("BarWindow");
  w->SetTop(100);
  w->SetLeft(50);
  rb::RunEventLoopFor(50);
  EXPECT_EQ(w->Width(), 300);  // the bar comes on top of the content
  EXPECT_EQ(w->Height(), 200);
  EXPECT_EQ(w->Left(), 50);
  EXPECT_EQ(w->Top(), 100);
}

}  // namespace

// The two menu bars: the trees, one shared MenuBar1, the View item.
#include <string>
#include <vector>

#include "app/App.h"
#include "app/Startup.h"
#include "app_gui_fixture.h"
#include "framework/menu.h"
#include "ui/MenuBar1.h"
#include "ui/MenuBar2.h"
#include "ui/ResultsWindow.h"
#include "ui/SearchWindow.h"

namespace {

enum class Kind { Plain, Quit, About };

struct Node {
  std::string menu;  // the menu's name for an item, empty for a menu
  std::string name, text, shortcut;
  Kind kind = Kind::Plain;
};

Kind KindOf(const rb::Ref<rb::MenuItem>& n) {
  if (rb::DynamicCast<rb::QuitMenuItem>(n)) return Kind::Quit;
  if (rb::DynamicCast<rb::AppleMenuItem>(n)) return Kind::About;
  return Kind::Plain;
}

// The whole tree in display order: each menu, then its items.
std::vector<Node> Flatten(const rb::Ref<rb::MenuBar>& bar) {
  std::vector<Node> out;
  for (int i = 0; i < bar->Count(); ++i) {
    rb::Ref<rb::MenuItem> menu = bar->Item(i);
    out.push_back({"", menu->Name().Utf8(), menu->Text().Utf8(), menu->KeyboardShortcut().Utf8(), KindOf(menu)});
    for (int j = 0; j < menu->Count(); ++j) {
      rb::Ref<rb::MenuItem> item = menu->Item(j);
      out.push_back({menu->Name().Utf8(), item->Name().Utf8(), item->Text().Utf8(),
                     item->KeyboardShortcut().Utf8(), KindOf(item)});
      EXPECT_EQ(item->Count(), 0) << item->Name().Utf8();
    }
  }
  return out;
}

std::vector<Node> ExpectedTree(bool withView) {
  std::vector<Node> t = {
      {"", "FileMenu", "&File", "", Kind::Plain},
      {"FileMenu", "FileOpenSearch", "Select Search...", "Cmd+O", Kind::Plain},
      {"FileMenu", "FileDesination", "Select Destination...", "Cmd+Shift+O", Kind::Plain},
      {"FileMenu", "FileQuit", "Quit", "Cmd+Q", Kind::Quit},
      {"", "EditMenu", "&Edit", "", Kind::Plain},
      {"EditMenu", "EditUndo", "&Undo", "Cmd+Z", Kind::Plain},
      {"EditMenu", "UntitledMenu0", "-", "", Kind::Plain},
      {"EditMenu", "EditCut", "Cu&t", "Cmd+X", Kind::Plain},
      {"EditMenu", "EditCopy", "&Copy", "Cmd+C", Kind::Plain},
      {"EditMenu", "EditPaste", "&Paste", "Cmd+V", Kind::Plain},
      {"EditMenu", "EditSelectAll", "Select All", "Cmd+A", Kind::Plain},
      {"EditMenu", "EditClear", "Clear", "Cmd+D", Kind::Plain},
      {"", "ViewMenu", "View", "", Kind::Plain},
      {"ViewMenu", "ViewStatisticsWindow", "Hide Statistics", "", Kind::Plain},
      {"", "HelpMenu", "Help", "", Kind::Plain},
      {"HelpMenu", "EditAbout", "About Skerrow!!...", "", Kind::About},
      {"HelpMenu", "Help", "Skerrow!! Help...", "Cmd+?", Kind::Plain},
  };
  if (!withView) {
    std::vector<Node> without;
    for (const Node& n : t) {
      if (n.name != "ViewMenu" && n.menu != "ViewMenu") without.push_back(n);
    }
    return without;
  }
  return t;
}

void ExpectTree(const rb::Ref<rb::MenuBar>& bar, bool withView) {
  std::vector<Node> got = Flatten(bar);
  std::vector<Node> want = ExpectedTree(withView);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(want[i].name);
    EXPECT_EQ(got[i].menu, want[i].menu);
    EXPECT_EQ(got[i].name, want[i].name);
    EXPECT_EQ(got[i].text, want[i].text);  // exact bytes, case included
    EXPECT_EQ(got[i].shortcut, want[i].shortcut);
    EXPECT_EQ(got[i].kind, want[i].kind);
    EXPECT_TRUE(bar->_Lookup(want[i].name)->AutoEnable());
  }
}

using MenuBarsTest = AppGuiTest;

TEST_F(MenuBarsTest, MenuBar1IsBuiltExactly) {
  auto bar = rb::Ref<MenuBar1Class>::New();
  ExpectTree(bar, true);
  EXPECT_TRUE(bar->_Lookup("UntitledMenu0")->_IsSeparator());
  // The name Help finds the item, not the Help menu.
  EXPECT_EQ(bar->_Lookup("Help")->Text().Utf8(), "Skerrow!! Help...");
  EXPECT_EQ(bar->_Lookup("FileDesination")->_ShortcutKeys().Utf8(), "Ctrl+Shift+O");
  EXPECT_EQ(bar->_Lookup("Help")->_ShortcutKeys().Utf8(), "Ctrl+?");
  EXPECT_FALSE(bar->_Lookup("UntitledMenu1"));
  EXPECT_FALSE(bar->_Lookup("NoSuchItem"));
}

TEST_F(MenuBarsTest, MenuBar2IsMenuBar1WithoutTheViewMenu) {
  auto bar = rb::Ref<MenuBar2Class>::New();
  ExpectTree(bar, false);
  EXPECT_FALSE(bar->_Lookup("ViewMenu"));
  EXPECT_FALSE(bar->_Lookup("ViewStatisticsWindow"));
  EXPECT_FALSE(bar->_Lookup("UntitledMenu1"));
  EXPECT_EQ(MenuBar2().get(), MenuBar2().get());
  EXPECT_NE(rb::Ref<rb::MenuBar>(MenuBar2()).get(), rb::Ref<rb::MenuBar>(MenuBar1()).get());
}

TEST_F(MenuBarsTest, OneMenuBar1IsSharedByTheApplicationAndBothWindows) {
  _NewAppInstance();
  rb::Ref<SearchWindowClass> w = SearchWindow();
  ASSERT_TRUE(MenuBar1());
  EXPECT_EQ(MenuBar1().get(), MenuBar1().get());
  EXPECT_EQ(App()->MenuBar().get(), MenuBar1().get());
  EXPECT_EQ(w->MenuBar().get(), MenuBar1().get());
  EXPECT_EQ(ResultsWindow()->MenuBar().get(), MenuBar1().get());
  ResultsWindow()->Close();

  // A change made through the window is seen through the application's bar.
  rb::String before = w->EditClear()->Text();
  w->EditClear()->SetText("Clear Query");
  EXPECT_EQ(App()->MenuBar()->_Lookup("EditClear")->Text().Utf8(), "Clear Query");
  w->EditClear()->SetText(before);

  // The window rebuilt after Close installs the same bar again.
  w->Close();
  rb::ResetGuiForTesting();  // Close quit the (not running) loop
  _NewAppInstance();
  EXPECT_EQ(SearchWindow()->MenuBar().get(), MenuBar1().get());
}

TEST_F(MenuBarsTest, TheViewItemIsFoundInTheApplicationsBarAndReadsHideStatisticsAtFirst) {
  EXPECT_THROW(ViewStatisticsWindow(), rb::NilObjectException);  // no application object yet
  _NewAppInstance();
  rb::Ref<rb::MenuItem> item = ViewStatisticsWindow();
  ASSERT_TRUE(item);
  EXPECT_EQ(item.get(), MenuBar1()->_Lookup("ViewStatisticsWindow").get());
  EXPECT_EQ(rb::Ref<MenuBar1Class>::New()->_Lookup("ViewStatisticsWindow")->Text().Utf8(), "Hide Statistics");

  rb::String before = item->Text();
  item->SetText("Show Statistics");
  EXPECT_EQ(SearchWindow()->ViewStatisticsWindow()->Text().Utf8(), "Show Statistics");
  item->SetText(before);
}

TEST_F(MenuBarsTest, TheSearchWindowsItemAccessorsAnswerTheirItemsOrNil) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  EXPECT_FALSE(w->UntitledMenu1());
  EXPECT_THROW(w->UntitledMenu1()->Enable(), rb::NilObjectException);
  ASSERT_TRUE(w->EditAbout());
  EXPECT_EQ(w->EditAbout()->Text().Utf8(), "About Skerrow!!...");
  ASSERT_TRUE(w->FileQuit());
  EXPECT_EQ(w->FileQuit()->Text().Utf8(), "Quit");
  EXPECT_EQ(w->Help()->Text().Utf8(), "Skerrow!! Help...");
  EXPECT_EQ(w->HelpMenu()->Text().Utf8(), "Help");
  EXPECT_EQ(w->FileDesination()->Text().Utf8(), "Select Destination...");
  const char* names[] = {"HelpMenu", "Help",      "EditAbout",     "ViewMenu",  "ViewStatisticsWindow",
                         "EditMenu", "EditClear", "EditSelectAll", "EditPaste", "EditCopy",
                         "EditCut",  "UntitledMenu0", "EditUndo",  "FileMenu",  "FileQuit",
                         "FileDesination", "FileOpenSearch"};
  rb::Ref<rb::MenuItem> got[] = {w->HelpMenu(), w->Help(), w->EditAbout(), w->ViewMenu(),
                                 w->ViewStatisticsWindow(), w->EditMenu(), w->EditClear(),
                                 w->EditSelectAll(), w->EditPaste(), w->EditCopy(), w->EditCut(),
                                 w->UntitledMenu0(), w->EditUndo(), w->FileMenu(), w->FileQuit(),
                                 w->FileDesination(), w->FileOpenSearch()};
  for (size_t i = 0; i < std::size(names); ++i) {
    SCOPED_TRACE(names[i]);
    ASSERT_TRUE(got[i]);
    EXPECT_EQ(got[i]->Name().Utf8(), names[i]);
  }
}

}  // namespace

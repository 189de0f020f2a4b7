// A user's close that leaves no window of the program on screen brings the
// search window back; closing the search window quits; the program's own
// Close calls bring nothing back.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "engine/Archive.h"
#include "engine_fixture.h"
#include "framework/gui_testing.h"
#include "support/test_support.h"
#include "ui/AboutWindow.h"
#include "ui/HelpWindow.h"
#include "ui/PreviewWindow.h"

namespace {

using testsupport::MakeDirs;
using testsupport::TempDir;
using testsupport::WriteFile;

class LastWindowTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    WriteFile(dir_ / "tree/0001.jpg", "one");
    WriteFile(dir_ / "tree/a/0002.jpg", "two");
    MakeDirs(dir_ / "save");
  }

  // A search with results: the results and statistics windows on screen,
  // the search window hidden.
  void SearchWithResults() {
    Inputs(dir_ / "tree", dir_ / "save", "0001,0002");
    SearchWindow()->Control<rb::PushButton>("SearchBtn")->Push();
    ASSERT_EQ(ShownWindows(), (std::set<std::string>{"ResultsWindow", "StatisticsWindow"}));
  }

  TempDir dir_;
};

// How the user closes a window: its close box (or the window manager's
// close), or a click into it for the windows that close on a click.
struct Closing {
  std::string window;
  bool click = false;
};

// Opens the help, about or preview window over the results.
void OpenBesideTheResults(const std::string& window) {
  if (window == "HelpWindow") HelpWindow();
  if (window == "AboutWindow") ResultsWindow()->_HandleMenu("EditAbout");
  if (window == "PreviewWindow") PreviewWindow()->Show();
}

void CloseAsTheUser(const Closing& c) {
  rb::Ref<rb::Window> w = rb::_GetImplicitWindow(rb::String(c.window));
  ASSERT_TRUE(w) << c.window;
  if (c.click) {
    rb::ClickForTesting(w, 5, 5);
  } else {
    w->_UserClose();
  }
  EXPECT_FALSE(w->_IsOpen()) << c.window;
}

TEST_F(LastWindowTest, TheUsersCloseOfTheLastShownWindowInAnyOrderBringsTheSearchWindowBack) {
  // After a search, with a third window or without one, every order of
  // closing what is on screen.
  const std::vector<std::vector<Closing>> sets = {
      {{"ResultsWindow"}, {"StatisticsWindow"}},
      {{"ResultsWindow"}, {"StatisticsWindow"}, {"HelpWindow"}},
      {{"ResultsWindow"}, {"StatisticsWindow"}, {"AboutWindow", true}},
      {{"ResultsWindow"}, {"StatisticsWindow"}, {"AboutWindow"}},
      {{"ResultsWindow"}, {"StatisticsWindow"}, {"PreviewWindow", true}},
      {{"ResultsWindow"}, {"StatisticsWindow"}, {"PreviewWindow"}},
  };
  for (std::vector<Closing> order : sets) {
    auto byName = [](const Closing& a, const Closing& b) { return a.window < b.window; };
    std::sort(order.begin(), order.end(), byName);
    do {
      std::string trace;
      for (const Closing& c : order) trace += c.window + (c.click ? " (click) " : " ");
      SCOPED_TRACE(trace);
      StartProgram();
      SearchWithResults();
      rb::Ref<SearchWindowClass> search = SearchWindow();
      for (const Closing& c : order) OpenBesideTheResults(c.window);
      ASSERT_EQ(ShownWindows().size(), order.size());
      const std::string statistics = StatText();

      for (size_t i = 0; i < order.size(); ++i) {
        CloseAsTheUser(order[i]);
        if (i + 1 < order.size()) {
          // Something is still on screen; what is left stays as it was.
          EXPECT_FALSE(search->Visible()) << "after closing " << order[i].window;
          if (rb::_GetImplicitWindow("StatisticsWindow")) {
            EXPECT_EQ(StatText(), statistics);
          }
        }
      }
      // The search window, as the user left it, and nothing else.
      EXPECT_EQ(ShownWindows(), std::set<std::string>{"SearchWindow"});
      EXPECT_EQ(SearchWindow().get(), search.get());
      EXPECT_EQ(Field("SearchField")->Text().Bytes(), "0001,0002");
      EXPECT_TRUE(rb::ShownMessageBoxes().empty());
    } while (std::next_permutation(order.begin(), order.end(), byName));
  }
}

TEST_F(LastWindowTest, TheProgressWindowClosedLastDuringASearchOrAnArchiveRunBringsTheSearchWindowBack) {
  // A second search, the results window hidden by the first one's Cancel:
  // at its first yield the progress window is the only window on screen,
  // and the user closes it. The search goes on and shows its results.
  SearchWithResults();
  ResultsWindow()->Control<rb::PushButton>("cancelbtn")->Push();
  static bool searchShown;
  searchShown = false;
  rb::SetBackgroundClockForTesting(SteppingClock);
  rb::SetEventProcessorForTesting([] {
    rb::Ref<rb::Window> progress = rb::_GetImplicitWindow("SearchProgressWindow");
    if (searchShown || !progress || EngineTest::ShownWindows() != std::set<std::string>{"SearchProgressWindow"})
      return;
    progress->_UserClose();
    searchShown = SearchWindow()->Visible();
  });
  SearchWindow()->Control<rb::PushButton>("SearchBtn")->Push();
  rb::SetEventProcessorForTesting(nullptr);
  EXPECT_TRUE(searchShown);
  EXPECT_EQ(ShownWindows(), (std::set<std::string>{"ResultsWindow", "SearchWindow", "StatisticsWindow"}));

  // An archive run, the statistics window closed first, then the progress
  // window.
  static std::vector<bool> shownAfterEach;
  shownAfterEach.clear();
  Archive::SetBeforeCopyHookForTesting([] {
    if (!shownAfterEach.empty()) return;
    SearchWindow()->Hide();
    for (const char* name : {"StatisticsWindow", "SearchProgressWindow"}) {
      rb::_GetImplicitWindow(name)->_UserClose();
      shownAfterEach.push_back(SearchWindow()->Visible());
    }
  });
  ResultsWindow()->Control<rb::PushButton>("ArchiveBtn")->Push();
  Archive::SetBeforeCopyHookForTesting(nullptr);
  EXPECT_EQ(shownAfterEach, (std::vector<bool>{false, true}));
}

TEST_F(LastWindowTest, ClosingTheSearchWindowStillQuitsAndBringsNothingBack) {
  rb::Ref<SearchWindowClass> search = SearchWindow();
  EXPECT_EQ(rb::RunProgramLoopForTesting([search] { search->_UserClose(); }), 0);
  EXPECT_FALSE(rb::_GetImplicitWindow("SearchWindow"));
  EXPECT_TRUE(ShownWindows().empty());
}

TEST_F(LastWindowTest, TheProgramsOwnClosesBringNothingBack) {
  // The search that finds nothing closes the progress and results windows
  // itself: the search window comes back only once the message is answered.
  static bool shownDuringMessage;
  shownDuringMessage = true;
  rb::SetMessageBoxAnswerer([](const rb::MessageBoxRecord&) {
    shownDuringMessage = SearchWindow()->Visible();
    return 1;
  });
  Inputs(dir_ / "tree", dir_ / "save", "0009");
  StatisticsWindow()->Hide();  // as the search window's activation leaves it
  SearchWindow()->Control<rb::PushButton>("SearchBtn")->Push();
  ASSERT_EQ(rb::ShownMessageBoxes().size(), 1u);
  EXPECT_FALSE(shownDuringMessage);
  EXPECT_TRUE(SearchWindow()->Visible());

  // Windows closed by code, down to none on screen.
  rb::SetMessageBoxAnswerer([](const rb::MessageBoxRecord&) { return 1; });
  SearchWithResults();
  ResultsWindow()->Close();
  StatisticsWindow()->Close();
  EXPECT_TRUE(ShownWindows().empty());
  EXPECT_FALSE(SearchWindow()->Visible());
}

}  // namespace

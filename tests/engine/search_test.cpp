// Whole searches through the real windows, offscreen, on real folder trees.
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "engine_fixture.h"
#include "platform/catalog.h"
#include "support/quit_support.h"
#include "support/test_support.h"

namespace {

using testsupport::MakeDirs;
using testsupport::TempDir;
using testsupport::WriteFile;

const std::string kCrLf = "\r\n";

// Presses Search, with inputs that pass its checks.
void StartSearch() { SearchWindow()->Control<rb::PushButton>("SearchBtn")->Push(); }

// A tree with hits at several depths, in a package, in another letter
// case, under a folder named like a hit and behind symbolic-link loops.
class SearchTreeTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    root_ = dir_ / "search";
    WriteFile(root_ + "/0001.jpg", "a");
    WriteFile(root_ + "/Photos.app/Contents/Resources/0001.jpg", "b");
    WriteFile(root_ + "/0001.jpg.d/x", "");
    MakeDirs(root_ + "/0002.jpg");  // a folder named like a hit
    WriteFile(root_ + "/0002.jpg/inner/0001.jpg", "c");
    WriteFile(root_ + "/a/b/c/0002.JPG", "d");
    WriteFile(root_ + "/0001.jpg.bak", "");
    WriteFile(root_ + "/X0001.jpg", "");
    WriteFile(root_ + "/a/0003.jpg", "");
    ASSERT_EQ(symlink(root_.c_str(), (root_ + "/a/b/loop").c_str()), 0);
    ASSERT_EQ(symlink("..", (root_ + "/a/up").c_str()), 0);
    ASSERT_EQ(symlink("a/b/c", (root_ + "/shortcut").c_str()), 0);
    MakeDirs(dir_ / "save");
  }

  TempDir dir_;
  std::string root_;
};

TEST_F(SearchTreeTest, FindsEveryHitOnceAndWritesTheStatisticsText) {
  Inputs(root_, dir_ / "save", "0001,0002,0009");
  StartSearch();

  // Before the filter: three files named 0001.jpg, then 0002.JPG; the
  // first 0001.jpg stays, the others are listed under its name.
  EXPECT_EQ(StringExtract::SearchedFor, 3);
  ASSERT_EQ(Names(), (std::vector<std::string>{"0001.jpg", "0002.JPG"}));
  std::set<std::string> all0001 = {root_ + "/0001.jpg", root_ + "/Photos.app/Contents/Resources/0001.jpg",
                                   root_ + "/0002.jpg/inner/0001.jpg"};
  EXPECT_TRUE(all0001.count(Paths()[0])) << Paths()[0];
  EXPECT_EQ(Paths()[1], root_ + "/a/b/c/0002.JPG");
  EXPECT_TRUE(Rows()->CellCheck(0, 0));
  EXPECT_TRUE(Rows()->CellCheck(1, 0));
  EXPECT_EQ(Rows()->ColumnType(0), rb::Listbox::TypeCheckbox);
  EXPECT_EQ(Rows()->ColumnWidths().Bytes(), "25,120,1*");
  for (const std::string& p : Paths()) EXPECT_TRUE(rb::GetFolderItem(rb::String(p))->Exists()) << p;

  EXPECT_EQ(StatText(), "3 Requested Files\r\n\r\n"
                        "2 Duplicate Files Found\r\n0001.jpg\r\n0001.jpg\r\n"
                        "\r\n\r\n"
                        "This search had 1 Missing file\r\n0009.jpg\r\n"
                        "\n\r\n"
                        "A total of  2 files have been found\r\n");
  EXPECT_EQ(StatisticsWindow()->Control<rb::EditField>("TempField")->Text().PathBytes(), "");
  EXPECT_EQ(Search::FoundFiles, 2);
  EXPECT_EQ(DuplicateCheck::CopyCounter, 2);
  EXPECT_EQ(MissingFiles::CompareCount, 1);
  EXPECT_EQ(MissingFiles::RealMisses, 1);

  // The outcome on screen: results and floating statistics shown, the
  // progress window gone, the search window hidden.
  EXPECT_TRUE(ResultsWindow()->Visible());
  EXPECT_TRUE(StatisticsWindow()->Visible());
  EXPECT_EQ(StatisticsWindow()->Frame(), rb::Window::FrameFloating);
  EXPECT_FALSE(rb::_GetImplicitWindow("SearchProgressWindow"));
  EXPECT_FALSE(SearchWindow()->Visible());
  EXPECT_TRUE(rb::ShownMessageBoxes().empty());
}

std::vector<std::string> gShown;  // the progress window's status line, as it changed

TEST_F(SearchTreeTest, DefaultQuerySearchesEachComposedNameInQueryOrder) {
  // At every yield, note what the progress window shows.
  gShown.clear();
  rb::SetBackgroundClockForTesting(SteppingClock);
  rb::SetEventProcessorForTesting([] {
    if (!rb::_GetImplicitWindow("SearchProgressWindow")) return;
    std::string text = SearchProgressWindow()->Control<rb::StaticText>("searchstatic")->Text().Utf8();
    if (gShown.empty() || gShown.back() != text) gShown.push_back(text);
  });
  Inputs(root_, dir_ / "save", "0001,0002");
  StartSearch();
  rb::SetEventProcessorForTesting(nullptr);
  EXPECT_EQ(gShown, (std::vector<std::string>{"0001.jpg", "0002.jpg"}));
  EXPECT_EQ(StringExtract::SearchedFor, 2);
  EXPECT_EQ(Extension::Filename.Bytes(), "0002.jpg");  // the last name composed
  EXPECT_EQ(Names(), (std::vector<std::string>{"0001.jpg", "0002.JPG"}));
  EXPECT_EQ(StatText(), "2 Requested Files\r\n\r\n"
                        "2 Duplicate Files Found\r\n0001.jpg\r\n0001.jpg\r\n"
                        "\r\n\r\n"
                        "This search had 0 Missing files\r\n"
                        "\n\r\n"
                        "A total of  2 files have been found\r\n");

  // The other way round, the rows follow the query.
  ResultsWindow()->Control<rb::PushButton>("cancelbtn")->Push();
  Field("SearchField")->SetText("0002,0001");
  StartSearch();
  EXPECT_EQ(Names(), (std::vector<std::string>{"0002.JPG", "0001.jpg"}));
}

TEST_F(SearchTreeTest, PrefixAndExtensionOptionsDecideTheSearchedNames) {
  WriteFile(root_ + "/deep/IMG_0007.jpg", "");
  WriteFile(root_ + "/deep/er/0008", "");
  WriteFile(root_ + "/pic.PNG", "");

  // Prefix on: IMG_0007.jpg; a name with its own extension keeps it, and
  // gets the prefix; a blank after a comma belongs to the name.
  Inputs(root_, dir_ / "save", "0007,pic.png, 0007");
  Box("PrefixCheckBox")->SetValue(true);
  StartSearch();
  EXPECT_EQ(Names(), (std::vector<std::string>{"IMG_0007.jpg"}));
  EXPECT_NE(StatText().find("This search had 2 Missing files\r\nIMG_pic.png\r\nIMG_ 0007.jpg\r\n"),
            std::string::npos)
      << StatText();

  // Extension off, prefix off: the literal names.
  ResultsWindow()->Control<rb::PushButton>("cancelbtn")->Push();
  Box("PrefixCheckBox")->SetValue(false);
  Box("ExtensionCheckBox")->SetValue(false);
  Field("SearchField")->SetText("0008,pic.png,0001");
  StartSearch();
  EXPECT_EQ(Names(), (std::vector<std::string>{"0008", "pic.PNG"}));
  EXPECT_NE(StatText().find("This search had 1 Missing file\r\n0001\r\n"), std::string::npos) << StatText();
}

TEST_F(SearchTreeTest, AFieldThatIsAPathSearchesItsLastComponentAnywhere) {
  MakeDirs(dir_ / "elsewhere");
  Inputs(root_, dir_ / "save", dir_ / "elsewhere/0002");
  StartSearch();
  EXPECT_EQ(StringExtract::SearchedFor, 1);
  EXPECT_EQ(Paths(), (std::vector<std::string>{root_ + "/a/b/c/0002.JPG"}));
  EXPECT_NE(StatText().find("1 file have been found\r\n"), std::string::npos);
  EXPECT_EQ(StatText().find("A total of"), std::string::npos);
}

TEST_F(SearchTreeTest, EmptyFieldsAndUnresolvableOnesAreSkipped) {
  Inputs(root_, dir_ / "save", ",0002,,/no/such/folder/0001,");
  StartSearch();
  EXPECT_EQ(StringExtract::SearchedFor, 1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"0002.JPG"}));
  EXPECT_EQ(StatText(), "1 Requested Files\r\n\r\n0 Duplicate Files Found\r\n\r\n\r\n"
                        "This search had 0 Missing files\r\n\n\r\n1 file have been found\r\n");
}

TEST_F(SearchTreeTest, NothingFoundShowsTheMessageAndTheSearchWindowAgain) {
  StatisticsWindow()->Control<rb::EditField>("statfield")->SetText("earlier\r\n");
  Inputs(root_, dir_ / "save", "0005,0006");
  StartSearch();
  ASSERT_EQ(rb::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(rb::ShownMessageBoxes()[0].text.Bytes(), "No items found!");
  EXPECT_EQ(rb::ShownMessageBoxes()[0].buttons, 48);
  EXPECT_EQ(rb::ShownMessageBoxes()[0].title.Bytes(), "");
  EXPECT_TRUE(SearchWindow()->Visible());
  EXPECT_FALSE(rb::_GetImplicitWindow("SearchProgressWindow"));
  EXPECT_FALSE(rb::_GetImplicitWindow("ResultsWindow"));
  EXPECT_EQ(StatText(), "earlier\r\n");  // untouched
  EXPECT_EQ(StringExtract::SearchedFor, 2);
}

TEST_F(SearchTreeTest, TwoSearchesAppendAndCancelClearsTheStatistics) {
  Inputs(root_, dir_ / "save", "0002");
  StartSearch();
  std::string first = StatText();
  Field("SearchField")->SetText("0003");
  StartSearch();
  EXPECT_EQ(Names(), (std::vector<std::string>{"0003.jpg"}));  // the list starts afresh
  EXPECT_EQ(StatText(), first + "1 Requested Files\r\n\r\n0 Duplicate Files Found\r\n\r\n\r\n"
                                "This search had 0 Missing files\r\n\n\r\n1 file have been found\r\n");

  ResultsWindow()->Control<rb::PushButton>("cancelbtn")->Push();
  EXPECT_FALSE(ResultsWindow()->Visible());
  EXPECT_FALSE(StatisticsWindow()->Visible());
  EXPECT_TRUE(SearchWindow()->Visible());
  EXPECT_EQ(StatText(), "");
  EXPECT_EQ(Names(), (std::vector<std::string>{"0003.jpg"}));  // the rows stay

  Field("SearchField")->SetText("0002");
  StartSearch();
  EXPECT_EQ(StatText().rfind("1 Requested Files", 0), 0u);
}

TEST_F(SearchTreeTest, ASecondSearchDuringARunningOneIsRefused) {
  Inputs(root_, dir_ / "save", "0001,0002");
  // Every yield runs the event loop, and in it a person starts a search
  // with other inputs.
  static int nested;
  nested = 0;
  rb::SetBackgroundClockForTesting(SteppingClock);
  rb::SetEventProcessorForTesting([] {
    ++nested;
    rb::Ref<SearchWindowClass> w = SearchWindow();
    w->Control<rb::EditField>("SearchField")->SetText("0003");
    StringExtract::Extract();
  });
  StartSearch();
  rb::SetEventProcessorForTesting(nullptr);
  EXPECT_GT(nested, 0);
  EXPECT_FALSE(StringExtract::Running());
  // The running search walked for its own names; only the missing-name
  // report reads the query again, as it always does.
  EXPECT_EQ(Names(), (std::vector<std::string>{"0001.jpg", "0002.JPG"}));
  EXPECT_EQ(StringExtract::SearchedFor, 2);
  EXPECT_EQ(DuplicateCheck::CopyCounter, 2);
}

// The walk itself: symbolic links are items, never followed; a folder that
// cannot be read adds nothing and the walk goes on.
TEST_F(SearchTreeTest, TheWalkGoesOnPastAFolderItCannotRead) {
  WriteFile(root_ + "/locked/0002.jpg", "");
  WriteFile(root_ + "/m/0002.jpg", "");
  for (std::string d : {dir_.path(), root_, root_ + "/a", root_ + "/a/b", root_ + "/a/b/c", root_ + "/m"})
    chmod(d.c_str(), 0755);
  chmod((root_ + "/locked").c_str(), 0);
  Extension::Filename = "0002.jpg";
  Rows()->DeleteAllRows();
  bool root = geteuid() == 0;
  if (root) setfsuid(65534);
  Search::Run(rb::GetFolderItem(rb::String(root_)));
  if (root) setfsuid(0);
  chmod((root_ + "/locked").c_str(), 0755);
  std::vector<std::string> paths = Paths();
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{root_ + "/a/b/c/0002.JPG", root_ + "/m/0002.jpg"}));
  EXPECT_EQ(Search::FoundFiles, 2);

  // An empty folder, and no folder at all, add nothing.
  MakeDirs(dir_ / "empty");
  Search::Run(rb::GetFolderItem(rb::String(dir_ / "empty")));
  Search::Run(nullptr);
  EXPECT_EQ(Search::FoundFiles, 2);
  EXPECT_EQ(Rows()->ListCount(), 2);
}

// ---- The results window closed at any yield; the archive during a search ----

enum class Pass { Walk, Duplicates, MissingNames };

// Which pass a yield belongs to: the missing-name report once the
// duplicate filter has written its lines, the filter once it has taken a
// name, else the walk.
Pass PassNow() {
  rb::Ref<rb::Window> stats = rb::_GetImplicitWindow("StatisticsWindow");
  if (stats && stats->Control<rb::EditField>("statfield")->Text().Bytes().find("Requested") != std::string::npos)
    return Pass::MissingNames;
  return DuplicateCheck::SearchDupeName.Empty() ? Pass::Walk : Pass::Duplicates;
}

struct CloseAtYield {
  int target = 0;  // close at this yield (from 1)
  int seen = 0;
  bool closed = false;
  Pass pass = Pass::Walk;
};
CloseAtYield gClose;

TEST_F(SearchTreeTest, ClosingTheResultsWindowAtAnyYieldEndsTheSearchWithWhatTheListHolds) {
  // Three names: three files of one of them (two duplicates to remove),
  // one found once, one missing; the results window is closed with its
  // close box at the first yield, then at the second, and so on, until a
  // search runs out of yields first.
  std::set<Pass> closedIn;
  rb::SetBackgroundClockForTesting(SteppingClock);
  for (int target = 1;; ++target) {
    SCOPED_TRACE("closed at yield " + std::to_string(target));
    if (rb::Ref<rb::Window> w = rb::_GetImplicitWindow("ResultsWindow")) w->Close();
    if (rb::Ref<rb::Window> w = rb::_GetImplicitWindow("StatisticsWindow")) w->Close();
    rb::ClearShownDialogs();
    DuplicateCheck::SearchDupeName = rb::String();
    gClose = CloseAtYield{target};
    rb::SetEventProcessorForTesting([] {
      if (++gClose.seen != gClose.target) return;
      if (rb::Ref<rb::Window> results = rb::_GetImplicitWindow("ResultsWindow")) {
        gClose.pass = PassNow();
        gClose.closed = true;
        results->_UserClose();  // as the close box does
      }
    });
    Inputs(root_, dir_ / "save", "0001,0002,0009");
    StartSearch();
    rb::SetEventProcessorForTesting(nullptr);
    if (gClose.seen < target) break;  // every yield has had its turn
    if (gClose.closed) closedIn.insert(gClose.pass);

    // The program goes on: no exception reached the user, the search is
    // over, and what it reports is what the list really holds.
    EXPECT_FALSE(StringExtract::Running());
    for (const rb::MessageBoxRecord& box : rb::ShownMessageBoxes())
      EXPECT_EQ(box.text.Bytes(), "No items found!");
    rb::Ref<rb::Listbox> list = Search::OpenResultsList();
    if (!rb::ShownMessageBoxes().empty()) {
      EXPECT_FALSE(list);
      EXPECT_TRUE(SearchWindow()->Visible());
      continue;
    }
    ASSERT_TRUE(list);
    EXPECT_TRUE(ResultsWindow()->Visible());
    const int rows = list->ListCount();
    EXPECT_EQ(Search::FoundFiles, rows);
    EXPECT_EQ(MissingFiles::CompareCount, rows - 1);
    const std::string found = rows == 1 ? "1 file have been found\r\n"
                                        : "A total of  " + std::to_string(rows) + " files have been found\r\n";
    EXPECT_EQ(StatText().substr(StatText().size() - std::min(StatText().size(), found.size())), found);
    std::set<std::string> names;
    for (const std::string& n : Names()) names.insert(rb::Lowercase(rb::String(n)).Bytes());
    EXPECT_EQ(names.size(), static_cast<size_t>(rows));  // no duplicate left
    for (const std::string& p : Paths()) EXPECT_TRUE(rb::GetFolderItem(rb::String(p))->Exists()) << p;
  }
  EXPECT_EQ(closedIn, (std::set<Pass>{Pass::Walk, Pass::Duplicates, Pass::MissingNames}));
}

struct ArchiveDuringSearch {
  int yields = 0;
  int seenEnabled = 0;
  int seenDisabled = 0;
  bool closedOnce = false;
};
ArchiveDuringSearch gArchive;

TEST_F(SearchTreeTest, ArchiveFilesIsRefusedUntilTheSearchHasEnded) {
  WriteFile(dir_ / "save/earlier.txt", "the user's own");
  StatisticsWindow()->Control<rb::EditField>("statfield")->SetText("earlier search\r\n");
  gArchive = ArchiveDuringSearch();
  rb::SetBackgroundClockForTesting(SteppingClock);
  // At every yield with the results on screen, a person presses "Archive
  // Files" (and once closes the window, so that a new one is built).
  rb::SetEventProcessorForTesting([] {
    ++gArchive.yields;
    rb::Ref<rb::Window> results = rb::_GetImplicitWindow("ResultsWindow");
    if (!results) return;
    rb::Ref<rb::PushButton> archive = results->Control<rb::PushButton>("ArchiveBtn");
    ++(archive->Enabled() ? gArchive.seenEnabled : gArchive.seenDisabled);
    archive->Push();
    ResultsWindow()->ArchiveBtn_Action();  // as the default button would, were it enabled
    if (!gArchive.closedOnce) {
      gArchive.closedOnce = true;
      results->_UserClose();
    }
  });
  Inputs(root_, dir_ / "save", "0001,0002,0003");
  StartSearch();
  rb::SetEventProcessorForTesting(nullptr);

  EXPECT_GT(gArchive.seenDisabled, 0);
  EXPECT_EQ(gArchive.seenEnabled, 0);
  // Nothing was copied, the statistics of the earlier search stay, and the
  // search window stayed hidden.
  std::set<std::string> saved;
  for (const char* n : {"earlier.txt", "0001.jpg", "0002.JPG", "0003.jpg", "Report.txt"})
    if (rb::GetFolderItem(rb::String(dir_ / "save/" + n))->Exists()) saved.insert(n);
  EXPECT_EQ(saved, std::set<std::string>{"earlier.txt"});
  EXPECT_EQ(StatText().rfind("earlier search\r\n", 0), 0u) << StatText();
  EXPECT_NE(StatText().find("3 Requested Files"), std::string::npos);
  EXPECT_TRUE(rb::ShownMessageBoxes().empty());
  EXPECT_FALSE(SearchWindow()->Visible());

  // Once the search is over the button works.
  rb::Ref<rb::PushButton> archive = ResultsWindow()->Control<rb::PushButton>("ArchiveBtn");
  EXPECT_TRUE(archive->Enabled());
  archive->Push();
  EXPECT_TRUE(rb::GetFolderItem(rb::String(dir_ / "save/Report.txt"))->Exists());
  ASSERT_EQ(rb::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(rb::ShownMessageBoxes()[0].text.Bytes().rfind(std::to_string(Rows()->ListCount()) +
                                                          " files have been copied to save", 0),
            0u);
}

// ---- Quit while a search runs ------------------------------------------------------

int ListedRows() {
  rb::Ref<rb::Listbox> list = Search::OpenResultsList();
  return list ? list->ListCount() : -1;
}

std::string StatisticsNow() {
  rb::Ref<rb::Window> stats = rb::_GetImplicitWindow("StatisticsWindow");
  return stats ? stats->Control<rb::EditField>("statfield")->Text().Bytes() : "(no window)";
}

struct QuitAtYield {
  int target = 0;          // quit at this yield (from 1)
  bool byKey = false;      // Ctrl+Q in the progress window, else File > Quit
  int seen = 0;
  bool quit = false;
  Pass pass = Pass::Walk;
  // What the program showed and held once Quit had been chosen.
  int rows = 0;
  std::string statistics;
  std::set<std::string> shown;
  int yieldsAfter = 0;
};
QuitAtYield gQuit;

TEST_F(SearchTreeTest, QuitAtAnyYieldEndsTheSearchThereAndTheProgram) {
  // The search runs in the program's event loop, as a press of Search runs
  // it. Quit is chosen at the first yield, then at the second, and so on,
  // until a search runs out of yields first: in turn by Ctrl+Q in the
  // progress window, alone on screen with the results window hidden by an
  // earlier search, and by File > Quit in the first search of a run, which
  // builds the results window.
  std::set<Pass> quitIn;
  for (int target = 1;; ++target) {
    SCOPED_TRACE("Quit at yield " + std::to_string(target));
    StartProgram();
    DuplicateCheck::SearchDupeName = rb::String();
    const bool byKey = target % 2 == 1;
    if (byKey) ResultsWindow()->Hide();
    gQuit = QuitAtYield();
    gQuit.target = target;
    gQuit.byKey = byKey;
    Inputs(root_, dir_ / "save", "0001,0002,0009");
    const int code = testsupport::RunUntilQuitAtYields(StartSearch, [] {
      if (gQuit.quit) ++gQuit.yieldsAfter;
      if (++gQuit.seen != gQuit.target) return;
      gQuit.pass = PassNow();
      const std::string where = testsupport::ChooseQuit(gQuit.byKey);
      if (gQuit.byKey) {
        EXPECT_EQ(where, "SearchProgressWindow");
      }
      gQuit.quit = rb::Quitting();
      gQuit.rows = ListedRows();
      gQuit.statistics = StatisticsNow();
      gQuit.shown = EngineTest::ShownWindows();
    });
    if (gQuit.seen < target) {
      EXPECT_EQ(code, testsupport::kRunNotQuit);
      break;
    }
    ASSERT_TRUE(gQuit.quit);
    quitIn.insert(gQuit.pass);

    // The run ended with code 0 at once: after Quit the search yielded no
    // more than once per folder level it was in (the walk goes 4 deep), and
    // it added, removed, wrote and showed nothing.
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(StringExtract::Running());
    EXPECT_LE(gQuit.yieldsAfter, 4);
    EXPECT_EQ(ListedRows(), gQuit.rows);
    EXPECT_EQ(StatisticsNow(), gQuit.statistics);
    EXPECT_EQ(ShownWindows(), gQuit.shown);
    EXPECT_TRUE(gQuit.shown.count("SearchProgressWindow"));
    EXPECT_TRUE(rb::ShownMessageBoxes().empty());
  }
  EXPECT_EQ(quitIn, (std::set<Pass>{Pass::Walk, Pass::Duplicates, Pass::MissingNames}));
}

// ---- Links, depth and short names ---------------------------------------------

TEST_F(SearchTreeTest, ASearchFolderThatIsALinkToAFolderIsWalkedInItsTarget) {
  // Absolute and relative links, and a link to a link; below the search
  // folder, links are still never followed (the tree holds loops and a
  // shortcut to a/b/c, which would find 0002.JPG more than once).
  ASSERT_EQ(symlink(root_.c_str(), (dir_ / "absolute").c_str()), 0);
  ASSERT_EQ(symlink("search", (dir_ / "relative").c_str()), 0);
  ASSERT_EQ(symlink("relative", (dir_ / "chained").c_str()), 0);
  for (const char* link : {"absolute", "relative", "chained"}) {
    SCOPED_TRACE(link);
    if (rb::Ref<rb::Window> w = rb::_GetImplicitWindow("ResultsWindow")) w->Close();
    rb::ClearShownDialogs();
    Inputs(dir_ / link, dir_ / "save", "0002,0003");
    StartSearch();
    EXPECT_TRUE(rb::ShownMessageBoxes().empty());
    EXPECT_EQ(Paths(), (std::vector<std::string>{root_ + "/a/b/c/0002.JPG", root_ + "/a/0003.jpg"}));
    EXPECT_EQ(DuplicateCheck::CopyCounter, 0);
  }
  // A link to a file, or one that leads nowhere, finds nothing.
  ASSERT_EQ(symlink((root_ + "/0001.jpg").c_str(), (dir_ / "tofile").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (dir_ / "dangling").c_str()), 0);
  for (const char* link : {"tofile", "dangling"}) {
    SCOPED_TRACE(link);
    rb::ClearShownDialogs();
    Inputs(dir_ / link, dir_ / "save", "0002");
    StartSearch();
    ASSERT_EQ(rb::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(rb::ShownMessageBoxes()[0].text.Bytes(), "No items found!");
  }
}

TEST_F(SearchTreeTest, AFileIsFoundAndCopiedBelowAPathOfMoreThan8000Bytes) {
  // 40 folders of 200-byte names, the hit at the bottom.
  std::string deep = root_ + "/deep";
  for (int level = 0; level < 40; ++level) deep += "/" + std::string(200, 'a' + level % 26);
  WriteFile(deep + "/0007.jpg", "found at the bottom");
  testsupport::SetMtime(deep + "/0007.jpg", 1300000000);
  Inputs(root_, dir_ / "save", "0007");
  StartSearch();
  ASSERT_EQ(Paths(), (std::vector<std::string>{deep + "/0007.jpg"}));
  EXPECT_GT(Paths()[0].size(), 8000u);
  EXPECT_NE(StatText().find("This search had 0 Missing files"), std::string::npos);

  ResultsWindow()->Control<rb::PushButton>("ArchiveBtn")->Push();
  EXPECT_EQ(testsupport::ReadFile(dir_ / "save/0007.jpg"), "found at the bottom");
  EXPECT_EQ(rb::GetFolderItem(rb::String(dir_ / "save/0007.jpg"))->ModificationDate(),
            1300000000.0 + 2082844800.0);
  ASSERT_EQ(rb::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(rb::ShownMessageBoxes()[0].text.Bytes(), "1 files have been copied to save");
}

TEST_F(SearchTreeTest, AFolderIsWalkedNeverTheFolderThatBearsItsShortName) {
  // Folders whose short names end in their inode (a long name, a name
  // with no Mac Roman form), each beside a folder that really bears that
  // short name; every folder holds a file of its own name.
  std::set<std::string> expected;
  int n = 5;
  auto file = [](int number) { return "/" + std::string(number < 10 ? "000" : "00") + std::to_string(number) + ".jpg"; };
  for (const std::string& name : {std::string(100, 'p'), std::string("\xE5\x86\x99\xE7\x9C\x9F") + "00001"}) {
    const std::string real = root_ + "/short/" + name;
    WriteFile(real + file(n), "real");
    expected.insert(real + file(n));
    FSSpec spec;
    ASSERT_EQ(FSPathMakeFSSpec(reinterpret_cast<const uint8_t*>(real.c_str()), &spec), noErr);
    const std::string shortName(reinterpret_cast<const char*>(spec.name + 1), spec.name[0]);
    ASSERT_NE(shortName.find('#'), std::string::npos);
    const std::string decoy = root_ + "/short/" + shortName;
    WriteFile(decoy + file(n + 1), "decoy");
    expected.insert(decoy + file(n + 1));
    n += 10;
  }
  Inputs(root_ + "/short", dir_ / "save", "0005,0006,0015,0016");
  StartSearch();
  // Each file once, under its own folder's path; none missing.
  std::vector<std::string> paths = Paths();
  EXPECT_EQ(std::set<std::string>(paths.begin(), paths.end()), expected);
  EXPECT_EQ(DuplicateCheck::CopyCounter, 0);
  EXPECT_EQ(MissingFiles::RealMisses, 0);
  for (const std::string& p : paths) EXPECT_TRUE(rb::GetFolderItem(rb::String(p))->Exists()) << p;
}

}  // namespace

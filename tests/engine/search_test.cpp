// Whole searches through the real windows, offscreen, on real folder trees.
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "engine_fixture.h"
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

}  // namespace

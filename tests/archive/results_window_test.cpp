// The results window's double-click preview and its "Archive Files"
// button, through the real windows.
#include <unistd.h>

#include <set>
#include <string>

#include "archive_fixture.h"
#include "engine/Archive.h"
#include "engine/Search.h"
#include "engine/StringExtract.h"
#include "framework/controls.h"
#include "framework/editfield.h"
#include "framework/folder_item.h"
#include "framework/gui_testing.h"
#include "framework/listbox.h"
#include "framework/menu.h"
#include "framework/screen.h"
#include "framework/window.h"
#include "support/test_support.h"
#include "ui/PreviewWindow.h"
#include "ui/ResultsWindow.h"
#include "ui/SearchWindow.h"
#include "ui/StatisticsWindow.h"

namespace {

using rb::Ref;
using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

class ResultsWindowTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    List()->DeleteAllRows();
    Search::FoundFiles = 0;
  }

  static Ref<rb::Listbox> List() { return ResultsWindow()->Control<rb::Listbox>("SearchList"); }

  std::string Found(const std::string& name, const std::string& bytes) {
    std::string path = dir_ / ("found/" + name);
    WriteFile(path, bytes);
    Ref<rb::Listbox> list = List();
    list->AddRow("");
    list->SetColumnType(0, rb::Listbox::TypeCheckbox);
    list->SetCellCheck(list->LastIndex(), 0, true);
    list->SetCell(list->LastIndex(), 1, rb::String(name));
    list->SetCell(list->LastIndex(), 2, rb::String(path));
    Search::FoundFiles = list->ListCount();
    return path;
  }
  std::string FoundPicture(const std::string& name, const std::string& sample) {
    return Found(name, ReadFile(SampleData(sample)));
  }

  // Puts the mouse over a row of the list (screen coordinates), or below
  // the last row for -1, and double-clicks there.
  static void DoubleClickAt(int row) {
    Ref<ResultsWindowClass> w = ResultsWindow();
    Ref<rb::Listbox> list = List();
    // The middle of the row, or the lowest point of the list for none.
    int first = -1, last = -1;
    for (int v = 0; v < list->Height(); ++v) {
      if (list->RowFromXY(40, v) != row) continue;
      if (first < 0) first = v;
      last = v;
    }
    ASSERT_GE(first, 0) << "no point of the list shows row " << row;
    const int y = row >= 0 ? (first + last) / 2 : last;
    rb::SetMousePositionForTesting(w->Left() + list->Left() + 40, w->Top() + list->Top() + y);
    rb::DoubleClickRowForTesting(list, row >= 0 ? row : 0);
  }

  static bool PreviewOpen() { return rb::_GetImplicitWindow("PreviewWindow") != nullptr; }

  TempDir dir_;
};

TEST_F(ResultsWindowTest, ADoubleClickOnAPictureRowPreviewsItTitledWithItsName) {
  const std::string one = FoundPicture("IMG_1.jpg", "picture-1600x1200.png");
  const std::string two = FoundPicture("IMG_2.gif", "sample.gif");

  DoubleClickAt(0);
  ASSERT_TRUE(PreviewOpen());
  Ref<PreviewWindowClass> preview = PreviewWindow();
  EXPECT_TRUE(preview->Visible());
  EXPECT_EQ(preview->Title().Utf8(), "IMG_1.jpg");
  ASSERT_NE(preview->SourceImage, nullptr);
  EXPECT_EQ(preview->SourceImage->Path(), one);
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return preview->NewHeight == 300; }, 5000));
  EXPECT_EQ(preview->Left(), 312);
  EXPECT_EQ(preview->Top(), 234);

  // Another picture row: the same window, the new picture and title.
  DoubleClickAt(1);
  EXPECT_EQ(PreviewWindow().get(), preview.get());
  EXPECT_EQ(preview->Title().Utf8(), "IMG_2.gif");
  EXPECT_EQ(preview->SourceImage->Path(), two);
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return preview->NewHeight == 266; }, 5000));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ResultsWindowTest, ANonPictureRowSaysSoAndHidesThePreview) {
  FoundPicture("IMG_1.png", "sample.png");
  Found("IMG_2.jpg", "text in a file named like a picture");
  const std::string gone = FoundPicture("IMG_3.jpg", "sample.jpg");
  ASSERT_EQ(unlink(gone.c_str()), 0);
  std::string noFolder = dir_ / "found/vanished/IMG_4.jpg";
  List()->AddRow("");
  List()->SetCellCheck(3, 0, true);
  List()->SetCell(3, 1, "IMG_4.jpg");
  List()->SetCell(3, 2, rb::String(noFolder));

  DoubleClickAt(0);
  ASSERT_TRUE(PreviewOpen());
  for (int row : {1, 2, 3}) {
    SCOPED_TRACE(row);
    rb::ClearShownDialogs();
    DoubleClickAt(row);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text.Utf8(), "You can only preview image files.");
    EXPECT_EQ(Boxes()[0].buttons, 48);
    EXPECT_EQ(Boxes()[0].title.Utf8(), "");
    EXPECT_FALSE(PreviewWindow()->Visible());
  }
  EXPECT_EQ(rb::UnhandledExceptionCount(), 0);
}

TEST_F(ResultsWindowTest, ADoubleClickBelowTheLastRowDoesNothing) {
  FoundPicture("IMG_1.png", "sample.png");
  DoubleClickAt(-1);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(PreviewOpen());
  EXPECT_EQ(rb::UnhandledExceptionCount(), 0);
}

TEST_F(ResultsWindowTest, AClickClosesThePreviewAndTheNextDoubleClickBuildsANewOne) {
  FoundPicture("IMG_1.png", "picture-640x480.png");
  FoundPicture("IMG_2.png", "picture-200x100.png");
  DoubleClickAt(0);
  Ref<PreviewWindowClass> first = PreviewWindow();
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return first->NewHeight == 300; }, 5000));
  rb::ClickForTesting(first, 50, 50);
  EXPECT_FALSE(PreviewOpen());

  DoubleClickAt(1);
  ASSERT_TRUE(PreviewOpen());
  Ref<PreviewWindowClass> second = PreviewWindow();
  EXPECT_NE(second.get(), first.get());
  EXPECT_TRUE(second->Visible());
  EXPECT_EQ(second->Title().Utf8(), "IMG_2.png");
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return second->NewHeight == 200; }, 5000));
}

TEST_F(ResultsWindowTest, ArchiveFilesRunsTheArchiveAndIsRefusedWhileItRuns) {
  Found("IMG_1.jpg", "one");
  Found("IMG_2.jpg", "two");
  const std::string dest = dir_ / "Backup";
  MakeDirs(dest);
  SearchWindow()->SaveFolder = Ref<rb::FolderItem>::New(dest);
  StatisticsWindow()->Control<rb::EditField>("statfield")->SetText("stats\r\n");
  int hooks = 0;
  Archive::SetBeforeCopyHookForTesting([&] {
    ++hooks;
    ResultsWindow()->Control<rb::PushButton>("ArchiveBtn")->Push();
  });
  ResultsWindow()->Control<rb::PushButton>("ArchiveBtn")->Push();
  Archive::SetBeforeCopyHookForTesting(nullptr);
  EXPECT_EQ(hooks, 2);
  EXPECT_EQ(ReadFile(dest + "/IMG_1.jpg"), "one");
  EXPECT_EQ(ReadFile(dest + "/IMG_2.jpg"), "two");
  EXPECT_EQ(ReadFile(dest + "/Report.txt"), "stats\r\n");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text.Utf8(), "2 files have been copied to Backup");
}

TEST_F(ResultsWindowTest, ASearchAndArchiveFilesGatherTheFilesAndTheReport) {
  const std::string tree = dir_ / "tree";
  WriteFile(tree + "/a/0001.jpg", "one");
  WriteFile(tree + "/b/c/0002.jpg", "two");
  WriteFile(tree + "/b/0002.txt", "not asked for");
  const std::string dest = dir_ / "Backup";
  MakeDirs(dest);
  SearchWindow()->SearchFolder = rb::GetFolderItem(rb::String(tree));
  SearchWindow()->SaveFolder = rb::GetFolderItem(rb::String(dest));
  SearchWindow()->Control<rb::EditField>("SearchField")->SetText("0001,0002,Caf\xC3\xA9");
  SearchWindow()->Control<rb::PushButton>("SearchBtn")->Push();
  ASSERT_EQ(List()->ListCount(), 2);
  const std::string stats =
      StatisticsWindow()->Control<rb::EditField>("statfield")->Text().PathBytes();
  const size_t cafe = stats.find("Caf\xC3\xA9.jpg\r\n");
  ASSERT_NE(cafe, std::string::npos) << stats;
  std::string expected = stats;
  expected.replace(cafe, 5, "Caf\xE9");

  rb::ClearShownDialogs();
  ResultsWindow()->Control<rb::PushButton>("ArchiveBtn")->Push();

  EXPECT_EQ(ReadFile(dest + "/0001.jpg"), "one");
  EXPECT_EQ(ReadFile(dest + "/0002.jpg"), "two");
  EXPECT_EQ(ReadFile(dest + "/Report.txt"), expected);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text.Utf8(), "2 files have been copied to Backup");
  EXPECT_EQ(StatisticsWindow()->Control<rb::EditField>("statfield")->Text().Utf8(), "");
  EXPECT_TRUE(SearchWindow()->Visible());
  EXPECT_FALSE(ResultsWindow()->Visible());
}

}  // namespace

// The progress, results and statistics windows: layouts, placement, the
// row colours, the View item's caption and the buttons.
#include "engine_fixture.h"
#include "framework/graphics.h"
#include "framework/gui_testing.h"
#include "ui/AboutWindow.h"
#include "ui/MenuBar1.h"
#include "ui/MenuBar2.h"

namespace {

using WindowsTest = EngineTest;

// The window's controls in creation order.
std::vector<std::string> ControlNames(const rb::Window& w) {
  std::vector<std::string> names;
  for (int i = 0; i < w.ControlCount(); ++i) names.push_back(w.ControlAt(i)->Name().Bytes());
  return names;
}

TEST_F(WindowsTest, ProgressWindowLayoutAndCentring) {
  rb::Ref<SearchProgressWindowClass> w = SearchProgressWindow();
  EXPECT_EQ(w->Title().Bytes(), "");
  EXPECT_EQ(w->Width(), 424);
  EXPECT_EQ(w->Height(), 92);
  EXPECT_EQ(w->Frame(), rb::Window::FrameMovableModal);
  EXPECT_FALSE(w->MenuBar());
  EXPECT_EQ(ControlNames(*w), (std::vector<std::string>{"ProgressBar", "PushButton1", "searchstatic"}));
  EXPECT_EQ(w->Control<rb::StaticText>("searchstatic")->Text().Bytes(), std::string(19, ' '));
  EXPECT_EQ(w->Control<rb::StaticText>("searchstatic")->TextAlign(), 1);
  EXPECT_EQ(w->Control<rb::ProgressBar>("ProgressBar")->Maximum(), 0);
  EXPECT_EQ(w->Control<rb::ProgressBar>("ProgressBar")->Value(), 0);
  EXPECT_TRUE(w->Control<rb::PushButton>("PushButton1")->Cancel());
  EXPECT_FALSE(w->Control<rb::PushButton>("PushButton1")->Default());
  EXPECT_EQ(w->Control<rb::PushButton>("PushButton1")->Caption().Bytes(), "Cancel");

  // Activation centres it, also when it comes to the front again.
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return w->Left() == 300 && w->Top() == 338; }, 3000))
      << w->Left() << "," << w->Top();
  // Half pixels are truncated toward zero, on either side of the screen.
  rb::SetScreenSizeForTesting(1281, 1025);
  w->Event_Activate();
  EXPECT_EQ(w->Left(), 428);  // 640.5 - 212
  EXPECT_EQ(w->Top(), 466);   // 512.5 - 46
  rb::SetScreenSizeForTesting(401, 61);
  w->Event_Activate();
  EXPECT_EQ(w->Left(), -11);  // -11.5
  EXPECT_EQ(w->Top(), -15);   // -15.5
}

TEST_F(WindowsTest, ProgressCancelOnlyBringsTheSearchWindowBack) {
  SearchWindow()->Hide();
  rb::Ref<SearchProgressWindowClass> w = SearchProgressWindow();
  w->Control<rb::PushButton>("PushButton1")->Push();
  EXPECT_TRUE(SearchWindow()->Visible());
  EXPECT_TRUE(w->_IsOpen());
  EXPECT_TRUE(w->Visible());
}

TEST_F(WindowsTest, ResultsWindowLayoutAndStripedRows) {
  rb::Ref<ResultsWindowClass> w = ResultsWindow();
  EXPECT_EQ(w->Title().Bytes(), "Search Results");
  EXPECT_EQ(w->MinWidth(), 702);
  EXPECT_EQ(w->MinHeight(), 412);
  EXPECT_TRUE(w->MenuBar() == MenuBar1());
  EXPECT_EQ(ControlNames(*w), (std::vector<std::string>{"SearchList", "ArchiveBtn", "cancelbtn", "BurnCheckBox"}));
  rb::Ref<rb::Listbox> list = w->Control<rb::Listbox>("SearchList");
  EXPECT_EQ(list->ColumnCount(), 3);
  EXPECT_EQ(list->SelectionType(), 1);
  EXPECT_TRUE(list->LockLeft() && list->LockTop() && list->LockRight() && list->LockBottom());
  EXPECT_TRUE(w->Control<rb::PushButton>("ArchiveBtn")->Default());
  EXPECT_EQ(w->Control<rb::PushButton>("ArchiveBtn")->Caption().Bytes(), "Archive Files");
  EXPECT_FALSE(w->Control<rb::PushButton>("cancelbtn")->Default());
  EXPECT_FALSE(w->Control<rb::PushButton>("cancelbtn")->Cancel());
  EXPECT_FALSE(w->Control<rb::CheckBox>("BurnCheckBox")->Visible());
  EXPECT_FALSE(w->Control<rb::CheckBox>("BurnCheckBox")->Enabled());
  EXPECT_TRUE(w->_HasMenuHandler("Help"));
  EXPECT_TRUE(w->_HasMenuHandler("EditAbout"));
  EXPECT_TRUE(w->_HasMenuHandler("ViewStatisticsWindow"));
  EXPECT_FALSE(w->_HasMenuHandler("EditClear"));
  EXPECT_FALSE(w->UntitledMenu1());
  EXPECT_TRUE(w->FileQuit());

  for (int r = 0; r < 5; ++r) list->AddRow({"", "n" + rb::Str(r), "/p"});
  for (int r = 0; r < 5; ++r) {
    for (int c = 0; c < 3; ++c) {
      rb::Graphics g(nullptr, 40, 18);
      EXPECT_FALSE(list->_PaintCellBackground(g, r, c));
      EXPECT_EQ(g.ForeColor(), r % 2 == 0 ? rb::RGB(236, 241, 249) : rb::RGB(255, 255, 255)) << r << "," << c;
    }
  }
  rb::RunEventLoopFor(30);  // real paints go through the same handler

  // Growing the window stretches the list and keeps the buttons in the corner.
  rb::ResizeWindowForTesting(w, 802, 512);
  EXPECT_EQ(list->Width(), 762);
  EXPECT_EQ(list->Height(), 453);
  EXPECT_EQ(w->Control<rb::PushButton>("ArchiveBtn")->Left(), 688);
  EXPECT_EQ(w->Control<rb::PushButton>("cancelbtn")->Top(), 480);
}

TEST_F(WindowsTest, ViewItemFollowsTheStatisticsWindow) {
  rb::Ref<rb::MenuItem> item = ViewStatisticsWindow();
  rb::Ref<StatisticsWindowClass> stats = StatisticsWindow();
  rb::Ref<ResultsWindowClass> results = ResultsWindow();

  item->SetEnabled(false);
  results->Event_Activate();
  EXPECT_TRUE(item->Enabled());
  EXPECT_EQ(item->Text().Bytes(), "Hide Statistics");
  stats->Hide();
  results->Event_Activate();
  EXPECT_EQ(item->Text().Bytes(), "Show Statistics");

  // The View command toggles it; the handler leaves the command unhandled.
  EXPECT_FALSE(results->_HandleMenu("ViewStatisticsWindow"));
  EXPECT_TRUE(stats->Visible());
  EXPECT_EQ(item->Text().Bytes(), "Hide Statistics");
  EXPECT_FALSE(results->_HandleMenu("ViewStatisticsWindow"));
  EXPECT_FALSE(stats->Visible());
  EXPECT_EQ(item->Text().Bytes(), "Show Statistics");

  // The statistics window's own events: paint while visible, a click into
  // the text, and closing.
  stats->Show();
  item->SetText("x");
  rb::RunEventLoopUntil([&] { return item->Text().Bytes() == "Hide Statistics"; }, 2000);
  EXPECT_EQ(item->Text().Bytes(), "Hide Statistics");
  item->SetText("x");
  stats->statfield_GotFocus();
  EXPECT_EQ(item->Text().Bytes(), "Hide Statistics");
  stats->Close();
  EXPECT_EQ(item->Text().Bytes(), "Show Statistics");

  EXPECT_FALSE(results->_HandleMenu("EditAbout"));
  EXPECT_TRUE(rb::_GetImplicitWindow("AboutWindow"));
}

// A statistics window the user closed stays closed when the results window
// becomes active again, and the View item brings a new one.
TEST_F(WindowsTest, ClosedStatisticsStayClosedUntilTheViewItemShowsThem) {
  rb::Ref<rb::MenuItem> item = ViewStatisticsWindow();
  rb::Ref<ResultsWindowClass> results = ResultsWindow();
  StatisticsWindow()->Close();
  results->Event_Activate();
  EXPECT_FALSE(rb::_GetImplicitWindow("StatisticsWindow"));
  EXPECT_EQ(item->Text().Bytes(), "Show Statistics");

  EXPECT_FALSE(results->_HandleMenu("ViewStatisticsWindow"));
  ASSERT_TRUE(rb::_GetImplicitWindow("StatisticsWindow"));
  EXPECT_TRUE(StatisticsWindow()->Visible());
  EXPECT_EQ(item->Text().Bytes(), "Hide Statistics");
}

TEST_F(WindowsTest, StatisticsWindowLayoutAndPlacement) {
  rb::Ref<StatisticsWindowClass> w = StatisticsWindow();
  EXPECT_EQ(w->Title().Bytes(), "Statistics");
  EXPECT_TRUE(w->MenuBar() == MenuBar2());
  EXPECT_FALSE(w->Resizeable());
  EXPECT_EQ(w->Frame(), rb::Window::FrameDocument);
  EXPECT_EQ(w->Top(), 46);
  EXPECT_EQ(w->Left(), 721);  // 1024 - (300 + 3)
  rb::Ref<rb::EditField> stat = w->Control<rb::EditField>("statfield");
  rb::Ref<rb::EditField> temp = w->Control<rb::EditField>("TempField");
  EXPECT_TRUE(stat->ReadOnly());
  EXPECT_TRUE(stat->MultiLine());
  EXPECT_FALSE(temp->ReadOnly());
  EXPECT_GE(temp->Top(), w->Height());  // below the content: never seen
  EXPECT_FALSE(w->UntitledMenu1());
  EXPECT_FALSE(w->_HasMenuHandler("Help"));

  // Text set by the program keeps its line ends exactly.
  stat->AppendText("1\r\n");
  temp->AppendText("2\r\n");
  EXPECT_EQ(stat->Text().Bytes(), "1\r\n");
  EXPECT_EQ(temp->Text().Bytes(), "2\r\n");

  // A closed window is built afresh, empty and placed again.
  w->Close();
  rb::SetScreenSizeForTesting(1280, 1024);
  w = StatisticsWindow();
  EXPECT_EQ(w->Left(), 977);
  EXPECT_EQ(w->Control<rb::EditField>("statfield")->Text().Bytes(), "");
}

// The scratch field below the statistics window's content is never seen:
// the keyboard never takes the user there, so nothing typed lands in the
// statistics text.
TEST_F(WindowsTest, TabNeverTakesTheUserIntoTheFieldNoOneSees) {
  rb::Ref<StatisticsWindowClass> w = StatisticsWindow();
  rb::Ref<rb::EditField> stat = w->Control<rb::EditField>("statfield");
  rb::Ref<rb::EditField> temp = w->Control<rb::EditField>("TempField");
  stat->SetFocus();
  for (const char* key : {"Tab", "Tab", "Shift+Tab", "Shift+Tab", "Tab"}) {
    rb::KeyClickForTesting(w, key);
    EXPECT_FALSE(temp->HasFocus()) << "after " << key;
    rb::KeyClickForTesting(w, "x");
  }
  temp->AppendText("photo.png\r\n");
  EXPECT_EQ(temp->Text().Bytes(), "photo.png\r\n");
}

}  // namespace

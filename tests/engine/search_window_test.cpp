// The search window's behaviour: the input checks, Return and Enter, the
// options, the drop boxes, the folder dialogs, the Edit commands and their
// shortcuts, and activation.
#include <unistd.h>


#include "engine/Archive.h"
#include "engine_fixture.h"
#include "framework/dragitem.h"
#include "framework/gui_testing.h"
#include "support/test_support.h"
#include "ui/MenuBar1.h"

namespace {

using testsupport::MakeDirs;
using testsupport::TempDir;
using testsupport::WriteFile;

class SearchWindowTest : public EngineTest {
 protected:
  static std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const rb::MessageBoxRecord& r : rb::ShownMessageBoxes()) texts.push_back(r.text.Bytes());
    return texts;
  }
  static void Push() { SearchWindow()->Control<rb::PushButton>("SearchBtn")->Push(); }
  TempDir dir_;
};

TEST_F(SearchWindowTest, TheThreeInputChecksInTheirOrder) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  Push();
  w->SearchFolder = rb::GetFolderItem(rb::String(dir_.path()));
  Push();
  w->SaveFolder = rb::GetFolderItem(rb::String(dir_.path()));
  Push();
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Please specify a volume or folder to search.",
                                                  "Please select a destination to copy your files into.",
                                                  "Please enter your query."}));
  for (const rb::MessageBoxRecord& r : rb::ShownMessageBoxes()) {
    EXPECT_EQ(r.buttons, 48);
    EXPECT_EQ(r.title.Bytes(), "");
  }
  EXPECT_TRUE(w->Visible());
  EXPECT_FALSE(rb::_GetImplicitWindow("SearchProgressWindow"));

  // A query of one blank is not empty: the search runs (and finds nothing).
  rb::ClearShownDialogs();
  Field("SearchField")->SetText(" ");
  Push();
  EXPECT_EQ(Messages(), (std::vector<std::string>{"No items found!"}));
  EXPECT_EQ(StringExtract::SearchedFor, 1);
  EXPECT_TRUE(w->Visible());
}

TEST_F(SearchWindowTest, ReturnAndKeypadEnterPressSearchAndAreNotTyped) {
  rb::Ref<rb::EditField> field = Field("SearchField");
  field->SetText("0001");
  field->SetSelStart(4);
  rb::PressKeyForTesting(field, 0x24);
  rb::PressKeyForTesting(field, 0x4C);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Please specify a volume or folder to search.",
                                                  "Please specify a volume or folder to search."}));
  EXPECT_EQ(field->Text().Utf8(), "0001");

  // The handler asks the keyboard, not the key it is given.
  rb::ClearShownDialogs();
  rb::SetKeyDownForTesting(0x4C, true);
  EXPECT_TRUE(SearchWindow()->SearchField_KeyDown("x"));
  rb::SetKeyDownForTesting(0x4C, false);
  EXPECT_FALSE(SearchWindow()->SearchField_KeyDown("\r"));
  EXPECT_EQ(Messages().size(), 1u);

  // Other keys are typed.
  rb::TypeTextForTesting(field, "2,3");
  EXPECT_EQ(field->Text().Utf8(), "00012,3");
  EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(SearchWindowTest, AReturnWhoseReleaseWentElsewhereStartsNothingLater) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  rb::Ref<rb::FolderItem> answer = rb::GetFolderItem(rb::String(dir_.path()));
  rb::SetFolderDialogAnswerer([&](const rb::FolderDialogRecord&) { return answer; });
  rb::Ref<rb::EditField> field = Field("SearchField");

  // Return accepts the folder dialog; its release never reaches a window
  // of ours.
  rb::SetKeyDownForTesting(0x24, true);
  w->Control<rb::PushButton>("SearchInButton")->Push();
  rb::TypeTextForTesting(field, "1");
  EXPECT_EQ(field->Text().Utf8(), "1");
  EXPECT_TRUE(Messages().empty());

  // Return in the query field meets a missing destination; the message
  // box is dismissed with Return too.
  rb::SetKeyDownForTesting(0x24, true);
  EXPECT_TRUE(w->SearchField_KeyDown("\r"));
  rb::TypeTextForTesting(field, "2");
  EXPECT_EQ(field->Text().Utf8(), "12");
  EXPECT_EQ(Messages(), std::vector<std::string>{"Please select a destination to copy your files into."});
}

TEST_F(SearchWindowTest, TheOptionBoxesEnableTheirFields) {
  rb::Ref<rb::EditField> prefix = Field("PrefixField");
  rb::Ref<rb::EditField> ext = Field("ExtensionField");
  EXPECT_FALSE(prefix->Enabled());
  rb::ClickControlForTesting(Box("PrefixCheckBox"));
  EXPECT_TRUE(Box("PrefixCheckBox")->Value());
  EXPECT_TRUE(prefix->Enabled());
  Box("ExtensionCheckBox")->SetValue(false);
  EXPECT_FALSE(ext->Enabled());
  EXPECT_EQ(ext->Text().Bytes(), "jpg");
  Box("ExtensionCheckBox")->SetValue(true);
  EXPECT_TRUE(ext->Enabled());
  Box("PrefixCheckBox")->SetValue(false);
  EXPECT_FALSE(prefix->Enabled());
  EXPECT_EQ(prefix->Text().Bytes(), "IMG_");
}

TEST_F(SearchWindowTest, DroppedFoldersBecomeTheSearchFolderAndTheDestination) {
  MakeDirs(dir_ / "first");
  MakeDirs(dir_ / "second");
  rb::Ref<SearchWindowClass> w = SearchWindow();
  rb::Ref<rb::StaticText> root = w->Control<rb::StaticText>("SearchRoot");
  rb::Ref<rb::StaticText> dest = w->Control<rb::StaticText>("CopyFolderLocation");
  EXPECT_EQ(root->_AcceptedFileTypes(), (std::vector<rb::String>{"special/folder"}));
  EXPECT_EQ(dest->_AcceptedFileTypes(), (std::vector<rb::String>{"special/folder"}));

  // Two at once: the second stays, and the box shows its name.
  ASSERT_TRUE(rb::DropUriListForTesting(root, "file://" + (dir_ / "first") + "\r\nfile://" + (dir_ / "second") + "\r\n"));
  EXPECT_EQ(w->SearchFolder->Path(), dir_ / "second");
  EXPECT_EQ(root->Text().Bytes(), "second");
  ASSERT_TRUE(rb::DropUriListForTesting(dest, "file://" + (dir_ / "first") + "\r\n"));
  EXPECT_EQ(w->SaveFolder->Path(), dir_ / "first");
  EXPECT_EQ(dest->Text().Bytes(), "first");

  // Something that is no file item: the message speaks of the search box
  // on either box, and nothing changes.
  auto nothing = rb::Ref<rb::DragItem>::New(std::vector<rb::DragItem::Entry>{{"", "some text"}});
  w->CopyFolderLocation_DropObject(nothing, 1);
  w->SearchRoot_DropObject(nothing, 1);
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "This is not a folder. Please drag and drop a folder to the search box.",
                            "This is not a folder. Please drag and drop a folder to the search box."}));
  EXPECT_EQ(rb::ShownMessageBoxes()[0].buttons, 0);
  EXPECT_EQ(w->SaveFolder->Path(), dir_ / "first");
  EXPECT_EQ(w->SearchFolder->Path(), dir_ / "second");
}

TEST_F(SearchWindowTest, BothDropBoxesTakeALinkToAFolder) {
  MakeDirs(dir_ / "photos");
  ASSERT_EQ(symlink((dir_ / "photos").c_str(), (dir_ / "shortcut").c_str()), 0);
  rb::Ref<SearchWindowClass> w = SearchWindow();
  ASSERT_TRUE(rb::DropUriListForTesting(w->Control<rb::StaticText>("SearchRoot"), "file://" + (dir_ / "shortcut")));
  ASSERT_TRUE(
      rb::DropUriListForTesting(w->Control<rb::StaticText>("CopyFolderLocation"), "file://" + (dir_ / "shortcut")));
  EXPECT_EQ(w->SearchFolder->Path(), dir_ / "shortcut");
  EXPECT_EQ(w->SaveFolder->Path(), dir_ / "shortcut");
  EXPECT_EQ(w->Control<rb::StaticText>("SearchRoot")->Text().Bytes(), "shortcut");
  EXPECT_EQ(w->Control<rb::StaticText>("CopyFolderLocation")->Text().Bytes(), "shortcut");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(SearchWindowTest, FolderDialogsFromTheButtonsAndTheFileMenu) {
  MakeDirs(dir_ / "pics");
  rb::Ref<SearchWindowClass> w = SearchWindow();
  rb::Ref<rb::FolderItem> answer = rb::GetFolderItem(rb::String(dir_ / "pics"));
  rb::SetFolderDialogAnswerer([&](const rb::FolderDialogRecord&) { return answer; });

  w->Control<rb::PushButton>("SearchInButton")->Push();
  EXPECT_FALSE(w->_HandleMenu("FileDesination"));
  ASSERT_EQ(rb::ShownFolderDialogs().size(), 2u);
  const rb::FolderDialogRecord& search = rb::ShownFolderDialogs()[0];
  EXPECT_EQ(search.title.Bytes(), "Search File Location");
  EXPECT_EQ(search.prompt.Bytes(), "Choose a folder to search for your items");
  EXPECT_EQ(search.actionCaption.Bytes(), "Select");
  EXPECT_EQ(search.initialDirectory, "/Documents");
  EXPECT_EQ(search.parentWindowClass, "SearchWindow");
  const rb::FolderDialogRecord& dest = rb::ShownFolderDialogs()[1];
  EXPECT_EQ(dest.title.Bytes(), "Copy File Location");
  EXPECT_EQ(dest.prompt.Bytes(), "Choose or create a folder to copy your search items into");
  EXPECT_EQ(w->SearchFolder->Path(), dir_ / "pics");
  EXPECT_EQ(w->SaveFolder->Path(), dir_ / "pics");
  EXPECT_EQ(w->Control<rb::StaticText>("SearchRoot")->Text().Bytes(), "pics");
  EXPECT_EQ(w->Control<rb::StaticText>("CopyFolderLocation")->Text().Bytes(), "pics");

  // Cancelled: nothing changes.
  answer = nullptr;
  EXPECT_FALSE(w->_HandleMenu("FileOpenSearch"));
  w->Control<rb::PushButton>("CopyToButton")->Push();
  EXPECT_EQ(rb::ShownFolderDialogs().size(), 4u);
  EXPECT_EQ(w->SearchFolder->Path(), dir_ / "pics");
  EXPECT_EQ(w->Control<rb::StaticText>("CopyFolderLocation")->Text().Bytes(), "pics");
  EXPECT_TRUE(rb::ShownMessageBoxes().empty());
}

TEST_F(SearchWindowTest, EditCommandsActOnTheQueryField) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  Field("SearchField")->SetText("0001,0002");
  Field("PrefixField")->SetFocus();
  EXPECT_FALSE(w->_HandleMenu("EditSelectAll"));
  EXPECT_EQ(Field("SearchField")->SelLength(), 9);
  EXPECT_FALSE(w->_HandleMenu("EditClear"));
  EXPECT_EQ(Field("SearchField")->Text().Bytes(), "");
  EXPECT_EQ(Field("PrefixField")->Text().Bytes(), "IMG_");
  EXPECT_FALSE(w->_HandleMenu("EditAbout"));
  EXPECT_TRUE(rb::_GetImplicitWindow("AboutWindow"));
}

TEST_F(SearchWindowTest, ActivationHidesTheStatisticsAndPreparesTheMenu) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  StatisticsWindow()->Show();
  for (const char* name : {"EditClear", "EditSelectAll", "FileDesination", "FileOpenSearch", "EditUndo"})
    MenuBar1()->_Lookup(name)->SetEnabled(false);
  ViewStatisticsWindow()->SetText("Hide Statistics");
  ViewStatisticsWindow()->SetEnabled(false);
  w->Event_Activate();
  EXPECT_FALSE(StatisticsWindow()->Visible());
  for (const char* name : {"EditClear", "EditSelectAll", "FileDesination", "FileOpenSearch", "EditUndo"})
    EXPECT_TRUE(MenuBar1()->_Lookup(name)->Enabled()) << name;
  EXPECT_EQ(ViewStatisticsWindow()->Text().Bytes(), "Show Statistics");
  EXPECT_FALSE(ViewStatisticsWindow()->Enabled());  // left as it was
}

TEST_F(SearchWindowTest, CtrlAFromAnyFieldSelectsTheQueryThroughTheMenu) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return w->_IsActive(); }, 2000));
  Field("SearchField")->SetText("0001,0002");
  Box("PrefixCheckBox")->SetValue(true);
  Field("PrefixField")->SetFocus();
  rb::KeyClickForTesting(w, "Ctrl+A");
  EXPECT_EQ(Field("SearchField")->SelLength(), 9);
  EXPECT_EQ(Field("PrefixField")->SelLength(), 0);
  // Copy has no handler here: it copies from the field with the focus.
  Field("SearchField")->SetFocus();
  rb::KeyClickForTesting(w, "Ctrl+C");
  EXPECT_EQ(rb::ClipboardTextForTesting().Utf8(), "0001,0002");
}

TEST_F(SearchWindowTest, AfterStartTheSearchWindowKeepsActivationAndItsShortcutsWork) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  // Its activation made the statistics window and hid it again.
  ASSERT_TRUE(rb::RunEventLoopUntil([] { return static_cast<bool>(rb::_GetImplicitWindow("StatisticsWindow")); },
                                    2000));
  rb::RunEventLoopFor(50);
  EXPECT_FALSE(rb::_GetImplicitWindow("StatisticsWindow")->Visible());
  EXPECT_TRUE(w->_IsActive());
  EXPECT_EQ(rb::FrontWindow().get(), w.get());

  rb::KeyClickForTesting(w, "Ctrl+?");
  rb::Ref<rb::Window> help = rb::_GetImplicitWindow("HelpWindow");
  ASSERT_TRUE(help);
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return help->_IsActive(); }, 2000));

  // The help window has no bar of its own; the application's Quit acts there.
  EXPECT_EQ(rb::RunProgramLoopForTesting([help] { rb::KeyClickForTesting(help, "Ctrl+Q"); }), 0);
}

TEST_F(SearchWindowTest, SearchAgainWhileASearchRunsIsRefused) {
  WriteFile(dir_ / "tree/0001.jpg", "");
  WriteFile(dir_ / "tree/a/0002.jpg", "");
  Inputs(dir_ / "tree", dir_.path(), "0001,0002");
  static int presses;
  presses = 0;
  rb::SetBackgroundClockForTesting(SteppingClock);
  // At every yield a person presses Cancel on the progress window and then
  // Search again.
  rb::SetEventProcessorForTesting([] {
    ++presses;
    SearchProgressWindow()->Control<rb::PushButton>("PushButton1")->Push();
    SearchWindow()->Control<rb::PushButton>("SearchBtn")->Push();
  });
  Push();
  rb::SetEventProcessorForTesting(nullptr);
  EXPECT_GT(presses, 2);
  EXPECT_EQ(Names(), (std::vector<std::string>{"0001.jpg", "0002.jpg"}));
  EXPECT_EQ(StringExtract::SearchedFor, 2);
  EXPECT_EQ(StatText(), "2 Requested Files\r\n\r\n0 Duplicate Files Found\r\n\r\n\r\n"
                        "This search had 0 Missing files\r\n\n\r\nA total of  2 files have been found\r\n");
  EXPECT_TRUE(rb::ShownMessageBoxes().empty());
}

TEST_F(SearchWindowTest, ArchiveFilesCopiesAndNoSearchStartsMeanwhile) {
  WriteFile(dir_ / "tree/0001.jpg", "one");
  MakeDirs(dir_ / "save");
  Inputs(dir_ / "tree", dir_ / "save", "0001");
  Push();
  ASSERT_EQ(Names(), (std::vector<std::string>{"0001.jpg"}));

  // During the copy a person brings the search window back and presses
  // Search with another query.
  static int presses;
  presses = 0;
  Archive::SetBeforeCopyHookForTesting([] {
    ++presses;
    SearchWindow()->Control<rb::EditField>("SearchField")->SetText("0002,0003");
    SearchWindow()->Control<rb::PushButton>("SearchBtn")->Push();
  });
  ResultsWindow()->Control<rb::PushButton>("ArchiveBtn")->Push();
  Archive::SetBeforeCopyHookForTesting(nullptr);
  EXPECT_EQ(presses, 1);
  EXPECT_EQ(testsupport::ReadFile(dir_ / "save/0001.jpg"), "one");
  EXPECT_EQ(StringExtract::SearchedFor, 1);  // no second search ran
  EXPECT_EQ(Names(), (std::vector<std::string>{"0001.jpg"}));
}

}  // namespace

// Message boxes, folder dialogs, timers, screens, pictures, file types,
// the keyboard state and the user's cancel request.
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/background_task.h"
#include "framework/dialogs.h"
#include "framework/editfield.h"
#include "framework/filetype.h"
#include "framework/folder_item.h"
#include "framework/graphics.h"
#include "framework/gui_testing.h"
#include "framework/picture.h"
#include "framework/runtime.h"
#include "framework/screen.h"
#include "framework/timer.h"
#include "framework/window.h"
#include "gui_fixture.h"
#include "support/test_support.h"

namespace {

using ServicesTest = GuiTest;

TEST_F(ServicesTest, MessageBoxesAreAnsweredAndRecorded) {
  std::vector<int> codes;
  rb::SetMessageBoxAnswerer([&](const rb::MessageBoxRecord& r) {
    codes.push_back(r.buttons);
    return 1;
  });
  EXPECT_EQ(rb::MsgBox("Please enter your query.", 48, ""), 1);
  EXPECT_EQ(rb::MsgBox("This is not a folder."), 1);
  ASSERT_EQ(rb::ShownMessageBoxes().size(), 2u);
  EXPECT_EQ(rb::ShownMessageBoxes()[0].text.Utf8(), "Please enter your query.");
  EXPECT_EQ(rb::ShownMessageBoxes()[0].buttons & 0x70, 48);  // caution
  EXPECT_EQ(rb::ShownMessageBoxes()[1].buttons, 0);            // plain
  EXPECT_EQ(codes, (std::vector<int>{48, 0}));
}

class Owner : public rb::Window {};

TEST_F(ServicesTest, FolderDialogsAreAnsweredAndSayWhatTheyShowed) {
  testsupport::TempDir dir;
  auto chosen = rb::Ref<rb::FolderItem>::New(dir.path());
  rb::SetFolderDialogAnswerer([&](const rb::FolderDialogRecord&) { return chosen; });
  auto owner = rb::ImplicitWindow<Owner>("Owner");

  auto dlg = rb::Ref<rb::SelectFolderDialog>::New();
  dlg->SetActionButtonCaption("Select");
  dlg->SetTitle("Search File Location");
  dlg->SetPromptText("Choose a folder to search for your items");
  dlg->SetInitialDirectory(rb::Ref<rb::FolderItem>::New(dir.path() + "/Documents"));  // missing
  rb::Ref<rb::FolderItem> got = dlg->ShowModalWithin(owner);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->Path(), dir.path());

  ASSERT_EQ(rb::ShownFolderDialogs().size(), 1u);
  const rb::FolderDialogRecord& r = rb::ShownFolderDialogs()[0];
  EXPECT_EQ(r.title.Utf8(), "Search File Location");
  EXPECT_EQ(r.prompt.Utf8(), "Choose a folder to search for your items");
  EXPECT_EQ(r.actionCaption.Utf8(), "Select");
  EXPECT_EQ(r.initialDirectory, dir.path() + "/Documents");
  EXPECT_NE(r.shownDirectory, r.initialDirectory);  // a missing folder opens elsewhere
  EXPECT_EQ(r.parentWindowClass, "Owner");

  rb::SetFolderDialogAnswerer([](const rb::FolderDialogRecord&) { return rb::Ref<rb::FolderItem>(); });
  dlg->SetInitialDirectory(rb::Ref<rb::FolderItem>::New(dir.path()));
  EXPECT_FALSE(dlg->ShowModal());  // cancelled
  EXPECT_EQ(rb::ShownFolderDialogs()[1].shownDirectory, dir.path());
}

// An environment variable set for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (saved_) setenv(name_, saved_->c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// Every file and folder below `root` with its kind, size and times.
std::vector<std::string> Listing(const std::string& root) {
  std::vector<std::string> lines;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    struct stat st {};
    if (lstat(entry.path().c_str(), &st) != 0) continue;
    lines.push_back(entry.path().string() + " " + std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " " +
                    std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The toolkit's own folder dialog, shown and answered as a person would:
// chosen once, cancelled once.
TEST_F(ServicesTest, ToolkitFolderDialogsLeaveNothingInTheUsersHome) {
  testsupport::TempDir home, folders;
  testsupport::MakeDirs(home / ".config");
  testsupport::MakeDirs(folders / "first");
  testsupport::MakeDirs(folders / "second");
  ScopedEnv homeEnv("HOME", home.path());
  ScopedEnv configEnv("XDG_CONFIG_HOME", home / ".config");
  const std::vector<std::string> before = Listing(home.path());
  auto owner = rb::ImplicitWindow<Owner>("Owner");

  std::vector<rb::ToolkitFolderDialogForTesting> shown;
  rb::AnswerToolkitFolderDialogForTesting([&](const rb::ToolkitFolderDialogForTesting& d) {
    shown.push_back(d);
    return folders / "second";
  });
  auto dlg = rb::Ref<rb::SelectFolderDialog>::New();
  dlg->SetTitle("Search File Location");
  dlg->SetInitialDirectory(rb::Ref<rb::FolderItem>::New(folders / "first"));
  rb::Ref<rb::FolderItem> got = dlg->ShowModalWithin(owner);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->Path(), folders / "second");

  rb::AnswerToolkitFolderDialogForTesting([&](const rb::ToolkitFolderDialogForTesting& d) {
    shown.push_back(d);
    return std::string();
  });
  dlg->SetTitle("Copy File Location");
  dlg->SetInitialDirectory(rb::Ref<rb::FolderItem>::New(folders / "second"));
  EXPECT_FALSE(dlg->ShowModal());

  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].title, "Search File Location");
  EXPECT_EQ(shown[0].directory, folders / "first");
  // The second dialog still lists the folder the first one showed.
  EXPECT_EQ(shown[1].directory, folders / "second");
  EXPECT_EQ(shown[1].history, (std::vector<std::string>{folders / "first", folders / "second"}));
  EXPECT_EQ(Listing(home.path()), before);
}

class KeyWindow : public rb::Window {
 public:
  void Layout() override { _ApplyProperties({{"Width", 200}, {"Height", 100}}); }
  void CreateControls() override {
    _NewControl<rb::EditField>("Field", {{"Left", 10}, {"Top", 10}, {"Width", 150}, {"Height", 22}});
  }
};
class OtherKeyWindow : public KeyWindow {};

TEST_F(ServicesTest, KeysDownAreForgottenWhenTheirReleaseMayGoElsewhere) {
  rb::SetMessageBoxAnswerer([](const rb::MessageBoxRecord&) { return 1; });
  rb::SetFolderDialogAnswerer([](const rb::FolderDialogRecord&) { return rb::Ref<rb::FolderItem>(); });
  // Return dismisses a message box on its press; the release comes after
  // the box has gone.
  rb::SetKeyDownForTesting(0x24, true);
  rb::MsgBox("Please enter your query.", 48, "");
  EXPECT_FALSE(rb::Keyboard::AsyncKeyDown(0x24));
  rb::SetKeyDownForTesting(0x4C, true);
  EXPECT_FALSE(rb::Ref<rb::SelectFolderDialog>::New()->ShowModal());
  EXPECT_FALSE(rb::Keyboard::AsyncKeyDown(0x4C));

  auto first = rb::ImplicitWindow<KeyWindow>("KeyWindow");
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return first->_IsActive(); }, 2000));
  rb::SetKeyDownForTesting(0x24, true);
  rb::RunEventLoopFor(20);
  EXPECT_TRUE(rb::Keyboard::AsyncKeyDown(0x24));  // held, nothing moved
  auto second = rb::ImplicitWindow<OtherKeyWindow>("OtherKeyWindow");
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return second->_IsActive(); }, 2000));
  EXPECT_FALSE(rb::Keyboard::AsyncKeyDown(0x24));  // activation moved
}

TEST_F(ServicesTest, EscapeOrCtrlPeriodAsksToCancelTheWorkUnderWay) {
  auto w = rb::ImplicitWindow<KeyWindow>("KeyWindow");
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return w->_IsActive(); }, 2000));
  w->Control<rb::EditField>("Field")->SetFocus();
  EXPECT_FALSE(rb::UserCancelled());
  rb::KeyClickForTesting(w, "Escape");
  EXPECT_TRUE(rb::UserCancelled());
  EXPECT_TRUE(rb::UserCancelled());  // until the next piece of work begins
  rb::ResetUserCancelled();
  EXPECT_FALSE(rb::UserCancelled());
  rb::KeyClickForTesting(w, ".");
  rb::KeyClickForTesting(w, "Ctrl+A");
  EXPECT_FALSE(rb::UserCancelled());
  rb::KeyClickForTesting(w, "Ctrl+.");
  EXPECT_TRUE(rb::UserCancelled());
}

TEST_F(ServicesTest, ASingleTimerFiresOnceAndAMultipleOneRepeats) {
  auto single = rb::Ref<rb::Timer>::New();
  int singleFired = 0;
  single->_SetEventHandler("Action", rb::MakeEventHandler([&] { ++singleFired; }));
  single->SetPeriod(10);
  single->SetMode(rb::Timer::ModeSingle);
  auto multiple = rb::Ref<rb::Timer>::New();
  int multipleFired = 0;
  multiple->_SetEventHandler("Action", rb::MakeEventHandler([&] { ++multipleFired; }));
  multiple->SetPeriod(10);
  multiple->SetMode(rb::Timer::ModeMultiple);
  rb::RunEventLoopUntil([&] { return multipleFired >= 4; }, 3000);
  rb::RunEventLoopFor(50);
  EXPECT_EQ(singleFired, 1);
  EXPECT_EQ(single->Mode(), rb::Timer::ModeOff);
  EXPECT_GE(multipleFired, 4);

  multiple->SetEnabled(false);
  int seen = multipleFired;
  rb::RunEventLoopFor(60);
  EXPECT_EQ(multipleFired, seen);
}

class TimerWindow : public rb::Window {
 public:
  static int fired;
  void CreateControls() override {
    _NewControl<rb::Timer>("T", {{"Mode", 2}, {"Period", 5}});
    _InstallInstanceEventHandler(Control("T"), "Action", [] { ++fired; });
  }
};
int TimerWindow::fired = 0;

TEST_F(ServicesTest, ATimerOfAClosedWindowStops) {
  TimerWindow::fired = 0;
  auto w = rb::ImplicitWindow<TimerWindow>("TimerWindow");
  rb::RunEventLoopUntil([] { return TimerWindow::fired > 0; }, 2000);
  w->Close();
  int seen = TimerWindow::fired;
  rb::RunEventLoopFor(50);
  EXPECT_EQ(TimerWindow::fired, seen);
}

TEST_F(ServicesTest, ScreenZeroSizeCanBeSetByTests) {
  rb::Ref<rb::ScreenInfo> real = rb::Screen(0);
  ASSERT_TRUE(real);
  rb::SetScreenSizeForTesting(1280, 1024);
  EXPECT_EQ(rb::Screen(0)->Width(), 1280);
  EXPECT_EQ(rb::Screen(0)->Height(), 1024);
  EXPECT_FALSE(rb::Screen(7));
  EXPECT_THROW(rb::Screen(7)->Width(), rb::NilObjectException);
  rb::SetScreenSizeForTesting(0, 0);
  EXPECT_EQ(rb::Screen(0)->Width(), real->Width());

  rb::SetMousePositionForTesting(400, 300);
  EXPECT_EQ(rb::System::MouseX(), 400);
  EXPECT_EQ(rb::System::MouseY(), 300);
  rb::SetKeyDownForTesting(0x4C, true);
  EXPECT_TRUE(rb::Keyboard::AsyncKeyDown(0x4C));
  EXPECT_FALSE(rb::Keyboard::AsyncKeyDown(0x24));
}

// A 3 x 2 PNG.
const unsigned char kPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00,
    0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0x12, 0x16, 0xf1, 0x4d, 0x00,
    0x00, 0x00, 0x10, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x41, 0x0c, 0x70,
    0x16, 0x00, 0x41, 0xd2, 0x05, 0xfb, 0x87, 0xf0, 0xb9, 0x48, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e,
    0x44, 0xae, 0x42, 0x60, 0x82
};

TEST_F(ServicesTest, PicturesOpenFromFilesAndResources) {
  testsupport::TempDir dir;
  std::string png(reinterpret_cast<const char*>(kPng), sizeof kPng);
  testsupport::WriteFile(dir.path() + "/pic\xe9.png", png);
  testsupport::WriteFile(dir.path() + "/notes.txt", "not a picture");
  rb::Ref<rb::Picture> p = rb::Picture::Open(rb::Ref<rb::FolderItem>::New(dir.path() + "/pic\xe9.png"));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->Width(), 3);
  EXPECT_EQ(p->Height(), 2);
  EXPECT_FALSE(rb::Picture::Open(rb::Ref<rb::FolderItem>::New(dir.path() + "/notes.txt")));
  EXPECT_FALSE(rb::Picture::Open(rb::Ref<rb::FolderItem>::New(dir.path() + "/missing.png")));
  EXPECT_FALSE(rb::Picture::Open(nullptr));

  std::string saved = rb::ApplicationFolderPath();
  rb::SetApplicationFolderPathForTesting(dir.path());
  testsupport::WriteFile(dir.path() + "/Resources/168.png", png);
  rb::Ref<rb::Picture> r = rb::GetPicture(168);
  rb::Ref<rb::Picture> none = rb::GetPicture(169);
  rb::SetApplicationFolderPathForTesting(saved);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Width(), 3);
  EXPECT_FALSE(none);
}

int64_t gFakeNow = 0;
int64_t FakeClock() { return gFakeNow; }

TEST_F(ServicesTest, TheEventLoopRunningMakesTheNextYieldCheap) {
  gFakeNow = 1'000'000'000'000;
  rb::SetBackgroundClockForTesting(&FakeClock);
  rb::RunEventLoopFor(5);  // the loop ran "now"
  int64_t before = rb::EventProcessingCountForTesting();
  rb::RuntimeBackgroundTask();
  EXPECT_EQ(rb::EventProcessingCountForTesting(), before);  // nothing to do yet
  gFakeNow += 10'000'000;  // 10 ms later
  rb::RuntimeBackgroundTask();
  EXPECT_EQ(rb::EventProcessingCountForTesting(), before + 1);
  rb::SetBackgroundClockForTesting(nullptr);
}

TEST_F(ServicesTest, FileTypesAreRegisteredAndFoundByName) {
  rb::ClearFileTypesForTesting();
  auto text = rb::Ref<rb::FileType>::New();
  text->SetName("text");
  text->SetMacType("TEXT");
  text->SetMacCreator("R*ch");
  text->SetExtensions("txt;.rtf");
  rb::RegisterFileType(text);
  auto folder = rb::Ref<rb::FileType>::New();
  folder->SetName("special/folder");
  folder->SetMacType("fold");
  rb::RegisterFileType(folder);
  EXPECT_THROW(rb::RegisterFileType(nullptr), rb::NilObjectException);

  EXPECT_EQ(rb::FindFileType("SPECIAL/FOLDER").get(), folder.get());
  EXPECT_FALSE(rb::FindFileType("All"));
  EXPECT_EQ(rb::RegisteredFileTypes().size(), 2u);
  EXPECT_TRUE(folder->Matches("/tmp", true));
  EXPECT_FALSE(folder->Matches("/tmp/a.txt", false));
  EXPECT_TRUE(text->Matches("/tmp/a.RTF", false));
  EXPECT_FALSE(text->Matches("/tmp/a.jpg", false));
  rb::ClearFileTypesForTesting();
}

}  // namespace

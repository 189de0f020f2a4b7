// The splash window and its timer, the about window and the two pictures.
#include <chrono>
#include <string>
#include <vector>

#include "app_gui_fixture.h"
#include "framework/controls.h"
#include "framework/gui_testing.h"
#include "framework/picture.h"
#include "framework/screen.h"
#include "framework/timer.h"
#include "framework/window.h"
#include "support/test_support.h"
#include "ui/AboutWindow.h"
#include "ui/HelpLoader.h"
#include "ui/Pictures.h"
#include "ui/SearchWindow.h"
#include "ui/SplashTimer.h"
#include "ui/SplashWindow.h"

namespace {

struct TextRow {
  const char* name;
  int left, top, width, height;
  int size;
  bool bold;
  int align;
  bool multiLine;
};

void ExpectTitleWindow(const rb::Ref<rb::Window>& w, int height) {
  EXPECT_EQ(w->Title().Bytes(), "Skerrow!!");
  EXPECT_EQ(w->Width(), 467);
  EXPECT_EQ(w->Height(), height);
  EXPECT_EQ(w->Frame(), rb::Window::FrameModalDialog);
  EXPECT_EQ(w->MinWidth(), 64);
  EXPECT_EQ(w->MinHeight(), 64);
  EXPECT_FALSE(w->Resizeable());
  EXPECT_TRUE(w->CloseButton());
  EXPECT_TRUE(w->MinimizeButton());
  EXPECT_FALSE(w->MaximizeButton());
  EXPECT_FALSE(w->HasBackColor());
  EXPECT_FALSE(w->MenuBar());
}

void ExpectTexts(const rb::Ref<rb::Window>& w, const std::vector<TextRow>& rows) {
  auto canvas = w->Control<rb::Canvas>("Canvas1");
  ASSERT_TRUE(canvas);
  for (const TextRow& r : rows) {
    SCOPED_TRACE(r.name);
    auto t = w->Control<rb::StaticText>(r.name);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Left(), r.left);
    EXPECT_EQ(t->Top(), r.top);
    EXPECT_EQ(t->Width(), r.width);
    EXPECT_EQ(t->Height(), r.height);
    EXPECT_EQ(t->TextFont().Bytes(), "System");
    EXPECT_EQ(t->TextSize(), r.size);
    EXPECT_EQ(t->Bold(), r.bold);
    EXPECT_EQ(t->TextAlign(), r.align);
    EXPECT_EQ(t->MultiLine(), r.multiLine);
    EXPECT_FALSE(t->Text().Empty());
    EXPECT_EQ(t->Parent().get(), canvas.get());
  }
}

using SplashTest = AppGuiTest;

TEST_F(SplashTest, LayoutWithTheTitlePictureAndASingleTwoSecondTimer) {
  rb::Ref<SplashWindowClass> w = SplashWindow();
  ExpectTitleWindow(w, 238);
  ASSERT_EQ(w->ControlCount(), 5);
  const char* order[] = {"Canvas1", "StaticText1", "StaticText2", "VersionStaticText1", "SplashTimer"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(w->ControlAt(i)->Name().Bytes(), order[i]);

  auto canvas = w->Control<rb::Canvas>("Canvas1");
  EXPECT_EQ(canvas->Width(), 467);
  EXPECT_EQ(canvas->Height(), 298);
  ASSERT_TRUE(canvas->Backdrop());
  EXPECT_EQ(canvas->Backdrop().get(), TandrelTitle().get());

  ExpectTexts(w, {{"StaticText1", 0, 182, 467, 32, 15, true, 1, false},
                  {"StaticText2", 0, 205, 317, 32, 10, true, 1, false},
                  {"VersionStaticText1", 329, 205, 138, 32, 10, true, 1, false}});
  EXPECT_EQ(w->Control<rb::StaticText>("StaticText1")->Text().Bytes(),
            "Find and archive multiple files with one search!");
  EXPECT_EQ(w->Control<rb::StaticText>("VersionStaticText1")->Text().Bytes(), "Version 1.1.6 Build 32");
  EXPECT_TRUE(w->Control<rb::StaticText>("VersionStaticText1")->LockRight());
  EXPECT_TRUE(w->Control<rb::StaticText>("VersionStaticText1")->LockBottom());

  auto timer = w->Control<SplashTimer>("SplashTimer");
  ASSERT_TRUE(timer);
  EXPECT_EQ(timer->Mode(), rb::Timer::ModeSingle);
  EXPECT_EQ(timer->Period(), 2000);
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Window().get(), w.get());
}

TEST_F(SplashTest, TheTimerClosesTheSplashOnceAndCentresTheSearchWindow) {
  rb::SetScreenSizeForTesting(1280, 1024);
  auto start = std::chrono::steady_clock::now();
  SplashWindow();
  ASSERT_TRUE(rb::RunEventLoopUntil([] { return static_cast<bool>(rb::_GetImplicitWindow("SearchWindow")); },
                                    10000));
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(), 1900);
  EXPECT_FALSE(rb::_GetImplicitWindow("SplashWindow"));
  rb::Ref<SearchWindowClass> search = SearchWindow();
  EXPECT_TRUE(search->Visible());
  EXPECT_EQ(search->Left(), 289);  // 640 - 351
  EXPECT_EQ(search->Top(), 265);   // 512 - 246.5, the half pixel dropped

  // Moved away, it stays there: the timer does not fire a second time.
  search->SetLeft(100);
  search->SetTop(120);
  rb::RunEventLoopFor(2300);
  EXPECT_EQ(search->Left(), 100);
  EXPECT_EQ(search->Top(), 120);
  EXPECT_FALSE(rb::_GetImplicitWindow("SplashWindow"));
  EXPECT_EQ(SearchWindow().get(), search.get());
}

TEST_F(SplashTest, ClosingTheSplashEarlyBringsTheSearchWindowAsTheTimerWouldOnce) {
  rb::SetScreenSizeForTesting(1280, 1024);
  SplashWindow();
  rb::RunEventLoopFor(50);
  // The close box or the window manager's close, before the timer fired.
  EXPECT_TRUE(SplashWindow()->_UserClose());
  EXPECT_FALSE(rb::_GetImplicitWindow("SplashWindow"));
  rb::Ref<SearchWindowClass> search = rb::DynamicCast<SearchWindowClass>(rb::_GetImplicitWindow("SearchWindow"));
  ASSERT_TRUE(search);
  EXPECT_TRUE(search->Visible());
  EXPECT_EQ(search->Left(), 289);
  EXPECT_EQ(search->Top(), 265);

  search->SetLeft(100);
  rb::RunEventLoopFor(2300);  // past the timer's time: nothing more comes
  EXPECT_EQ(search->Left(), 100);
  EXPECT_EQ(rb::OpenWindows().size(), 2u);  // the search window and its hidden statistics window
  EXPECT_EQ(SearchWindow().get(), search.get());

  // The program closing the splash is no user's request.
  search->Close();
  SplashWindow()->Close();
  EXPECT_FALSE(rb::_GetImplicitWindow("SearchWindow"));
}

TEST_F(SplashTest, CentringTruncatesTowardZeroOnAScreenSmallerThanTheWindow) {
  rb::SetScreenSizeForTesting(600, 400);
  SplashWindow()->SplashTimer_Action();
  EXPECT_FALSE(rb::_GetImplicitWindow("SplashWindow"));
  EXPECT_EQ(SearchWindow()->Left(), -51);  // 300 - 351
  EXPECT_EQ(SearchWindow()->Top(), -46);   // 200 - 246.5 = -46.5
}

using AboutTest = AppGuiTest;

TEST_F(AboutTest, LayoutWithTheTitlePictureTaglineVersionAndCredits) {
  rb::Ref<AboutWindowClass> w = AboutWindow();
  ExpectTitleWindow(w, 299);
  ASSERT_EQ(w->ControlCount(), 6);
  const char* order[] = {"Canvas1", "StaticText1", "StaticText2", "VersionStaticText", "StaticText4", "StaticText5"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(w->ControlAt(i)->Name().Bytes(), order[i]);
  auto canvas = w->Control<rb::Canvas>("Canvas1");
  EXPECT_EQ(canvas->Height(), 299);
  EXPECT_EQ(canvas->Backdrop().get(), TandrelTitle().get());
  ExpectTexts(w, {{"StaticText1", 0, 180, 467, 32, 15, true, 1, false},
                  {"StaticText2", 0, 267, 317, 32, 10, true, 1, false},
                  {"VersionStaticText", 329, 267, 138, 32, 10, true, 1, false},
                  {"StaticText4", 20, 206, 427, 34, 11, false, 1, true},
                  {"StaticText5", 20, 232, 427, 34, 12, false, 1, true}});
  EXPECT_EQ(w->Control<rb::StaticText>("VersionStaticText")->Text().Bytes(), "Version 1.1.6 Build 32");
  EXPECT_TRUE(w->Control<rb::StaticText>("StaticText2")->LockLeft());
  EXPECT_TRUE(w->Control<rb::StaticText>("StaticText2")->LockBottom());
  EXPECT_TRUE(w->Control<rb::StaticText>("VersionStaticText")->LockBottom());
}

TEST_F(AboutTest, AClickClosesItAndTheNextRequestBuildsANewOne) {
  rb::Ref<AboutWindowClass> first = AboutWindow();
  rb::ClickForTesting(first, 233, 250);  // on the credits, over the canvas
  EXPECT_FALSE(first->_IsOpen());
  EXPECT_FALSE(rb::_GetImplicitWindow("AboutWindow"));

  rb::Ref<AboutWindowClass> second = AboutWindow();
  EXPECT_NE(second.get(), first.get());
  EXPECT_TRUE(second->_IsOpen());
  EXPECT_TRUE(second->Visible());
  rb::ClickForTesting(second, 20, 20);  // on the picture
  EXPECT_FALSE(rb::_GetImplicitWindow("AboutWindow"));
}

TEST_F(AboutTest, TheTitlePictureIsReadOnceHoweverOftenTheWindowOpens) {
  rb::Ref<rb::Picture> title = TandrelTitle();
  ASSERT_TRUE(title);
  EXPECT_EQ(title->Width(), 467);
  int reads = rb::ResourceFork::_LoadCount();
  for (int i = 0; i < 3; ++i) {
    rb::Ref<AboutWindowClass> w = AboutWindow();
    EXPECT_EQ(w->Control<rb::Canvas>("Canvas1")->Backdrop().get(), title.get());
    w->Close();
  }
  SplashWindow()->Close();
  EXPECT_EQ(rb::ResourceFork::_LoadCount(), reads);
  EXPECT_EQ(TandrelTitle().get(), title.get());
}

TEST_F(AboutTest, TheReadmeTheTextsSendTheUserToIsInTheProgramFolder) {
  const std::string copy = testsupport::ReadFile(std::string(SKERROW_PROGRAM_DIR) + "/README.md");
  EXPECT_FALSE(copy.empty());
  EXPECT_EQ(copy, testsupport::ReadFile(std::string(SKERROW_SOURCE_DIR) + "/README.md"));
  EXPECT_NE(AboutWindow()->Control<rb::StaticText>("StaticText5")->Text().Bytes().find("README.md in the Skerrow folder"),
            std::string::npos);
  EXPECT_NE(HelpLoader::MissingHelpMessage().Bytes().find("README.md in the Skerrow folder"), std::string::npos);
}

TEST_F(AboutTest, TheHelpHeaderIsItsOwnPicture) {
  rb::Ref<rb::Picture> header = helpfileheader();
  ASSERT_TRUE(header);
  EXPECT_EQ(header->Width(), 653);
  EXPECT_EQ(header->Height(), 230);
  EXPECT_EQ(helpfileheader().get(), header.get());
  EXPECT_NE(header.get(), TandrelTitle().get());
}

}  // namespace

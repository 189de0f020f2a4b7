// Start-up: the order of the steps, the file types, the application
// object, the splash as the only first window, and the failure path.
#include <map>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/FileTypes.h"
#include "app/Startup.h"
#include "app_gui_fixture.h"
#include "framework/dialogs.h"
#include "framework/filetype.h"
#include "framework/timer.h"
#include "framework/window.h"
#include "ui/MenuBar1.h"
#include "ui/SearchWindow.h"

namespace {

std::vector<std::string> OpenWindowClasses() {
  std::vector<std::string> names;
  for (const rb::Ref<rb::Window>& w : rb::OpenWindows()) {
    if (w->_IsOpen() && w->Visible()) names.push_back(w->_ClassName().Utf8());
  }
  return names;
}

// What the program looked like just before a step ran.
struct Snapshot {
  std::vector<std::string> fileTypes;
  bool appExists = false;
  bool appHasMenuBar1 = false;
  std::vector<std::string> windows;
};

class StartupTest : public AppGuiTest {
 protected:
  void TearDown() override {
    SetStartupObserverForTesting(nullptr);
    AppGuiTest::TearDown();
  }
};

TEST_F(StartupTest, StepsRunInOrderAndTheSplashIsTheOnlyWindowUntilItsTimerFires) {
  rb::SetScreenSizeForTesting(1280, 1024);
  std::vector<std::string> steps;
  std::map<std::string, Snapshot> before;
  SetStartupObserverForTesting([&](const char* step) {
    steps.push_back(step);
    Snapshot s;
    for (const auto& t : rb::RegisteredFileTypes()) s.fileTypes.push_back(t->Name().Utf8());
    s.appExists = static_cast<bool>(App());
    s.appHasMenuBar1 = s.appExists && App()->MenuBar().get() == MenuBar1().get();
    s.windows = OpenWindowClasses();
    before[step] = s;
  });

  // Watches the windows while the loop runs; closes the search window,
  // which must end the run, once it stands alone.
  std::vector<std::vector<std::string>> seen;
  auto watcher = rb::Ref<rb::Timer>::New();
  watcher->SetPeriod(10);
  watcher->SetMode(rb::Timer::ModeMultiple);
  watcher->_SetEventHandler("Action", rb::MakeEventHandler([&] {
    std::vector<std::string> now = OpenWindowClasses();
    if (seen.empty() || seen.back() != now) seen.push_back(now);
    if (now == std::vector<std::string>{"SearchWindow"}) rb::_GetImplicitWindow("SearchWindow")->Close();
  }));
  auto guard = rb::Ref<rb::Timer>::New();
  guard->SetPeriod(10000);
  guard->SetMode(rb::Timer::ModeSingle);
  guard->_SetEventHandler("Action", rb::MakeEventHandler([] { rb::Quit(99); }));

  _Main();
  watcher->SetEnabled(false);
  guard->SetEnabled(false);

  EXPECT_EQ(steps, (std::vector<std::string>{"_RuntimeInitExternalClasses", "_InitPluginEntrypoints",
                                             "_InitFileTypes", "_NewAppInstance", "_ApplicationAddMenuHandlers",
                                             "_MakeDefaultView", "_RuntimeRun"}));
  // File types before the application object, the object before any window.
  EXPECT_TRUE(before["_InitFileTypes"].fileTypes.empty());
  EXPECT_EQ(before["_NewAppInstance"].fileTypes, (std::vector<std::string>{"text", "special/folder", "All"}));
  EXPECT_FALSE(before["_NewAppInstance"].appExists);
  EXPECT_TRUE(before["_NewAppInstance"].windows.empty());
  EXPECT_TRUE(before["_MakeDefaultView"].appExists);
  EXPECT_TRUE(before["_MakeDefaultView"].appHasMenuBar1);
  EXPECT_TRUE(before["_MakeDefaultView"].windows.empty());
  EXPECT_EQ(before["_RuntimeRun"].windows, (std::vector<std::string>{"SplashWindow"}));

  // The splash alone, then the search window alone, then nothing: the
  // closed search window ended the loop.
  EXPECT_EQ(seen, (std::vector<std::vector<std::string>>{{"SplashWindow"}, {"SearchWindow"}}));
  EXPECT_EQ(rb::ApplicationExitCode(), 0);
  EXPECT_EQ(rb::UnhandledExceptionCount(), 0);
  EXPECT_TRUE(OpenWindowClasses().empty());
}

TEST_F(StartupTest, FileTypesAreRegisteredWithTheirCodes) {
  _InitFileTypes();
  struct Row {
    rb::Ref<rb::FileType> property;
    const char *name, *macType, *macCreator;
  };
  const Row rows[] = {{FileTypes::pText, "text", "TEXT", "R*ch"},
                      {FileTypes::pSpecialFolder, "special/folder", "fold", "MACS"},
                      {FileTypes::pAll, "All", "***", "***"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_TRUE(r.property);
    EXPECT_EQ(rb::FindFileType(r.name).get(), r.property.get());
    EXPECT_EQ(r.property->Name().Bytes(), r.name);
    EXPECT_EQ(r.property->MacType().Bytes(), r.macType);  // case matters: "TEXT" and "fold"
    EXPECT_EQ(r.property->MacCreator().Bytes(), r.macCreator);
    EXPECT_TRUE(r.property->Extensions().Empty());
  }
  // The drop boxes' type takes folders and nothing else.
  EXPECT_TRUE(FileTypes::pSpecialFolder->Matches("/tmp", true));
  EXPECT_FALSE(FileTypes::pSpecialFolder->Matches("/tmp/a.jpg", false));
}

TEST_F(StartupTest, TheApplicationObjectCarriesMenuBar1AndIsWhatAppAnswers) {
  EXPECT_FALSE(App());
  _NewAppInstance();
  ASSERT_TRUE(App());
  EXPECT_EQ(App().get(), rb::ApplicationObject().get());
  EXPECT_EQ(App()->MenuBar().get(), MenuBar1().get());
  EXPECT_EQ(App()->mutex, 0);
  EXPECT_FALSE(App()->_HasMenuHandler("FileQuit"));
  _ApplicationAddMenuHandlers();
  EXPECT_FALSE(App()->_HasMenuHandler("EditAbout"));
}

TEST_F(StartupTest, AnExceptionInAStepEndsInTheHandlerAndTheRunEndsWithAnErrorCode) {
  std::vector<std::string> steps;
  SetStartupObserverForTesting([&](const char* step) {
    steps.push_back(step);
    if (std::string(step) == "_NewAppInstance") throw rb::NilObjectException();
  });
  _Main();  // returns instead of running the loop
  EXPECT_EQ(steps.back(), "_NewAppInstance");
  EXPECT_EQ(rb::UnhandledExceptionCount(), 1);
  EXPECT_NE(rb::ApplicationExitCode(), 0);
  ASSERT_EQ(rb::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(rb::ShownMessageBoxes()[0].buttons & 0x70, 48);
  EXPECT_NE(rb::ShownMessageBoxes()[0].text.Utf8().find("NilObjectException"), std::string::npos);
  EXPECT_FALSE(App());
  EXPECT_TRUE(OpenWindowClasses().empty());
}

}  // namespace

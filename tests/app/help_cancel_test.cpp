// Escape or Ctrl+. while the help document loads ends the load early, and
// so does Quit: the field keeps what was read and the window is placed as
// after a full load.
#include <cstdint>
#include <string>

#include "app_gui_fixture.h"
#include "framework/background_task.h"
#include "framework/gui_testing.h"
#include "framework/menu.h"
#include "framework/window.h"
#include "rtf/RtfEditField.h"
#include "support/test_support.h"
#include "ui/HelpLoader.h"
#include "ui/HelpWindow.h"

namespace {

// The reader yields once per byte; the key is pressed at one of those
// yields, some way into the document.
const char* gKeys = nullptr;
int gYields = 0;
constexpr int kPressAtYield = 300;

void PressDuringTheLoad() {
  if (++gYields == kPressAtYield && gKeys) rb::KeyClickForTesting(HelpWindow(), gKeys);
}

// Every reading 10 ms on, so that every yield lets events run.
int64_t SteppingClock() {
  static int64_t t = 0;
  return t += 10'000'000;
}

class HelpCancelTest : public AppGuiTest {
 protected:
  void SetUp() override {
    AppGuiTest::SetUp();
    std::string doc = "{\\rtf1\\ansi ";
    for (int i = 0; i < kLines; ++i) doc += "Line " + std::to_string(i) + " of a long help document.\\par\n";
    doc += "}";
    testsupport::WriteFile(dir_ / "help.rtf", doc);
    rb::SetApplicationFolderPathForTesting(dir_.path());
    rb::SetScreenSizeForTesting(1024, 768);
  }
  void TearDown() override {
    rb::SetEventProcessorForTesting(nullptr);
    rb::SetBackgroundClockForTesting(nullptr);
    rb::NoteEventLoopRan();
    AppGuiTest::TearDown();
  }
  static std::string Text() { return HelpWindow()->Control<RtfEditField>("EditField1")->Text().Utf8(); }
  static constexpr int kLines = 200;
  testsupport::TempDir dir_;
};

TEST_F(HelpCancelTest, EscapeOrCtrlPeriodDuringTheLoadEndsItEarly) {
  // The reader polls the framework's cancel request unless told otherwise
  // (nothing in this test program tells it otherwise).
  const std::string last = "Line " + std::to_string(kLines - 1) + " ";
  rb::SetBackgroundClockForTesting(SteppingClock);
  rb::SetEventProcessorForTesting(PressDuringTheLoad);

  for (const char* keys : {"Escape", "Ctrl+."}) {
    SCOPED_TRACE(keys);
    gKeys = keys;
    gYields = 0;
    HelpLoader::HelpAction();
    EXPECT_GE(gYields, kPressAtYield);
    EXPECT_FALSE(HelpLoader::Loading());
    const std::string text = Text();
    EXPECT_EQ(text.rfind("Line 0 of a long help document.", 0), 0u);  // what was read stays
    EXPECT_EQ(text.find(last), std::string::npos);                     // the rest was not read
    EXPECT_EQ(HelpWindow()->Top(), 72);                                // placed all the same
    EXPECT_EQ(HelpWindow()->Left(), 185);
  }

  // A cancel key pressed before the load began does not cut it short.
  gKeys = nullptr;
  rb::KeyClickForTesting(HelpWindow(), "Escape");
  HelpLoader::HelpAction();
  EXPECT_NE(Text().find(last), std::string::npos);
}


TEST_F(HelpCancelTest, QuitDuringTheLoadEndsItAsTheCancelKeysDoAndThenTheProgram) {
  // The load runs in the program's event loop, as the Help item runs it;
  // the Quit item is chosen at one of the reader's yields.
  static rb::Ref<rb::QuitMenuItem> quit;
  quit = rb::Ref<rb::QuitMenuItem>::New();
  rb::SetBackgroundClockForTesting(SteppingClock);
  rb::SetEventProcessorForTesting([] {
    if (++gYields == kPressAtYield) quit->_Choose();
  });
  gYields = 0;
  EXPECT_EQ(rb::RunProgramLoopForTesting([] { HelpLoader::HelpAction(); }), 0);
  quit = nullptr;
  EXPECT_FALSE(HelpLoader::Loading());
  const std::string text = Text();
  EXPECT_EQ(text.rfind("Line 0 of a long help document.", 0), 0u);
  EXPECT_EQ(text.find("Line " + std::to_string(kLines - 1) + " "), std::string::npos);
  EXPECT_EQ(HelpWindow()->Top(), 72);
}

}  // namespace

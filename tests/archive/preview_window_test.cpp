// The preview window: display size, centring on the main screen, what an
// undecodable file draws, and the click that closes it.
#include <string>

#include "archive_fixture.h"
#include "framework/folder_item.h"
#include "framework/graphics.h"
#include "framework/gui_testing.h"
#include "framework/menu.h"
#include "framework/screen.h"
#include "framework/window.h"
#include "ui/PreviewWindow.h"

namespace {

using rb::Ref;

class PreviewTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    rb::SetScreenSizeForTesting(1024, 768);
  }
  // One paint with a context that draws nowhere.
  static void Paint(const Ref<PreviewWindowClass>& w) {
    rb::Graphics g(nullptr, w->Width(), w->Height());
    w->Event_Paint(g);
  }
  static Ref<PreviewWindowClass> Preview(const std::string& file) {
    Ref<PreviewWindowClass> w = PreviewWindow();
    w->SourceImage = Ref<rb::FolderItem>::New(file);
    return w;
  }
};

TEST_F(PreviewTest, LayoutIsAFloatingWindowWithoutControls) {
  Ref<PreviewWindowClass> w = PreviewWindow();
  EXPECT_EQ(w->Title(), rb::String("Untitled"));
  EXPECT_EQ(w->Frame(), rb::Window::FrameFloating);
  EXPECT_EQ(w->ControlCount(), 0);
  EXPECT_FALSE(w->CloseButton());
  EXPECT_FALSE(w->Resizeable());
  EXPECT_TRUE(w->Visible());
  EXPECT_EQ(w->MenuBar(), nullptr);
  EXPECT_EQ(w->SourceImage, nullptr);
}

TEST_F(PreviewTest, EveryPictureIsShown400WideInItsProportionsAndCentred) {
  struct Case {
    const char* file;
    int height;
  } cases[] = {{"picture-1600x1200.png", 300},
               {"picture-640x480.png", 300},
               {"picture-200x100.png", 200},
               {"picture-3000x2000.png", 266},  // 266.67 toward zero
               {"picture-500x500.png", 400}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Ref<PreviewWindowClass> w = Preview(SampleData(c.file));
    Paint(w);
    ASSERT_NE(w->StorePreview, nullptr);
    EXPECT_EQ(w->NewWidth, 400);
    EXPECT_EQ(w->NewHeight, c.height);
    EXPECT_EQ(w->Width(), 400);
    EXPECT_EQ(w->Height(), c.height);
    EXPECT_EQ(w->Left(), 312);
    EXPECT_EQ(w->Top(), static_cast<int>(768 / 2.0 - c.height / 2.0));
  }
  EXPECT_EQ(PreviewWindow()->Top(), 184);  // the square one
}

TEST_F(PreviewTest, APaintOfTheShownWindowPlacesItAt312By234) {
  Ref<PreviewWindowClass> w = Preview(SampleData("picture-1600x1200.png"));
  w->Show();
  w->Refresh(true);
  ASSERT_TRUE(rb::RunEventLoopUntil([&] { return w->NewWidth == 400; }, 5000));
  EXPECT_EQ(w->Width(), 400);
  EXPECT_EQ(w->Height(), 300);
  EXPECT_EQ(w->Left(), 312);
  EXPECT_EQ(w->Top(), 234);
  // Dragged elsewhere, the next paint puts it back.
  w->SetLeft(10);
  w->SetTop(10);
  Paint(w);
  EXPECT_EQ(w->Left(), 312);
  EXPECT_EQ(w->Top(), 234);
}

TEST_F(PreviewTest, WhatCannotBeDecodedDrawsNothingAndKeepsTheWindow) {
  for (const std::string& file : {SampleData("fake.jpg"), SampleData("missing.png")}) {
    SCOPED_TRACE(file);
    Ref<PreviewWindowClass> w = Preview(file);
    const int width = w->Width(), height = w->Height();
    Paint(w);
    EXPECT_EQ(w->StorePreview, nullptr);
    EXPECT_EQ(w->Width(), width);
    EXPECT_EQ(w->Height(), height);
  }
  Ref<PreviewWindowClass> w = PreviewWindow();
  w->SourceImage = nullptr;
  Paint(w);
  EXPECT_EQ(w->StorePreview, nullptr);
  // A picture shown before is replaced by nothing, not kept.
  w->SourceImage = Ref<rb::FolderItem>::New(SampleData("picture-200x100.png"));
  Paint(w);
  EXPECT_NE(w->StorePreview, nullptr);
  w->SourceImage = Ref<rb::FolderItem>::New(SampleData("fake.jpg"));
  Paint(w);
  EXPECT_EQ(w->StorePreview, nullptr);
  EXPECT_EQ(w->Height(), 200);
}

TEST_F(PreviewTest, AClickClosesItAndTheNextUseBuildsANewOne) {
  Ref<PreviewWindowClass> first = Preview(SampleData("picture-640x480.png"));
  first->SetTitle("IMG_0001.png");
  Paint(first);
  rb::ClickForTesting(first, 20, 20);
  EXPECT_EQ(rb::_GetImplicitWindow("PreviewWindow"), nullptr);
  EXPECT_FALSE(first->_IsOpen());
  EXPECT_EQ(first->StorePreview, nullptr);
  EXPECT_EQ(first->SourceImage, nullptr);

  Ref<PreviewWindowClass> second = PreviewWindow();
  EXPECT_NE(second.get(), first.get());
  EXPECT_EQ(second->Title(), rb::String("Untitled"));
  EXPECT_EQ(second->SourceImage, nullptr);
  EXPECT_EQ(second->Width(), 300);
}

}  // namespace

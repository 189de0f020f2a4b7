// The help window and the help loading: layout, the missing-file message,
// the placement after a load, repeated and overlapping requests, and the
// program's own help.rtf.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/controls.h"
#include "framework/editfield.h"
#include "framework/gui_testing.h"
#include "framework/runtime.h"
#include "framework/screen.h"
#include "framework/window.h"
#include "rtf/RtfEditField.h"
#include "rtf/RtfFont.h"
#include "rtf/RtfParser.h"
#include "support/test_support.h"
#include "tests/rtf/HelpFixture.h"
#include "tests/rtf/RtfTestSupport.h"
#include "ui/HelpLoader.h"
#include "ui/HelpWindow.h"

namespace {

const char kSmallDoc[] = "{\\rtf1\\ansi{\\b Help} for {\\i you}\\par second line}";

class HelpWindowTest : public rtftest::HelpTest {
 protected:
  static bool HelpWindowOpen() { return static_cast<bool>(rb::_GetImplicitWindow("HelpWindow")); }
};

TEST_F(HelpWindowTest, LayoutOfTheWindowAndItsControls) {
  rb::Ref<HelpWindowClass> w = HelpWindow();
  EXPECT_EQ(HelpWindow().get(), w.get());
  EXPECT_TRUE(w->Visible());
  EXPECT_EQ(w->Title().Utf8(), "");
  EXPECT_EQ(w->Width(), 653);
  EXPECT_EQ(w->Height(), 462);
  EXPECT_EQ(w->MinWidth(), 653);
  EXPECT_EQ(w->MinHeight(), 333);
  EXPECT_EQ(w->Frame(), 3);
  EXPECT_FALSE(w->Resizeable());
  ASSERT_EQ(w->ControlCount(), 3);
  EXPECT_EQ(w->ControlAt(0)->Name().Utf8(), "HelpHeader");
  EXPECT_EQ(w->ControlAt(1)->Name().Utf8(), "EditField1");
  EXPECT_EQ(w->ControlAt(2)->Name().Utf8(), "rtffeld");

  rb::Ref<rb::Canvas> header = w->Control<rb::Canvas>("HelpHeader");
  ASSERT_TRUE(header);
  EXPECT_EQ(header->Top(), 0);
  EXPECT_EQ(header->Height(), 230);

  rb::Ref<RtfEditField> field = w->Control<RtfEditField>("EditField1");
  ASSERT_TRUE(field);
  EXPECT_EQ(field->Left(), 0);
  EXPECT_EQ(field->Top(), 230);
  EXPECT_EQ(field->Width(), 653);
  EXPECT_EQ(field->Height(), 212);
  EXPECT_TRUE(field->LockLeft() && field->LockRight() && field->LockBottom());
  EXPECT_FALSE(field->LockTop());
  EXPECT_TRUE(field->ReadOnly());
  EXPECT_TRUE(field->MultiLine());
  EXPECT_TRUE(field->Styled());
  EXPECT_TRUE(field->ScrollBarVertical());
  EXPECT_FALSE(field->ScrollBarHorizontal());
  EXPECT_TRUE(field->Text().Empty());

  rb::Ref<rb::EditField> hidden = w->Control<rb::EditField>("rtffeld");
  ASSERT_TRUE(hidden);
  EXPECT_EQ(hidden->Top(), 472);  // below the 462-pixel-high window
  EXPECT_FALSE(hidden->MultiLine());

  // The keyboard never takes the user into it: what is typed stays out.
  field->SetFocus();
  for (const char* key : {"Tab", "Tab", "Shift+Tab", "Tab"}) {
    rb::KeyClickForTesting(w, key);
    rb::KeyClickForTesting(w, "x");
  }
  EXPECT_TRUE(hidden->Text().Empty());
}

TEST_F(HelpWindowTest, MissingFileShowsTwoLinesAndLeavesTheWindowWhereItIs) {
  ASSERT_FALSE(HelpWindowOpen());
  EXPECT_FALSE(HelpLoader::HelpAction());
  ASSERT_TRUE(HelpWindowOpen());  // the request opens the window
  const std::string text = Field()->Text().Utf8();
  EXPECT_EQ(text,
            "The help file Help.RTF has been moved or deleted.\n"
            "Please reinstall Skerrow!! or visit README.md in the Skerrow folder");
  EXPECT_EQ(Field()->Top(), 230);

  // An open window that was moved stays where it is.
  HelpWindow()->SetLeft(10);
  HelpWindow()->SetTop(20);
  Field()->SetText("something else");
  rb::SetScreenSizeForTesting(1024, 768);
  EXPECT_FALSE(HelpLoader::HelpAction());
  EXPECT_EQ(HelpWindow()->Left(), 10);
  EXPECT_EQ(HelpWindow()->Top(), 20);
  EXPECT_EQ(Field()->Text().Utf8(), text);
}

TEST_F(HelpWindowTest, LoadedDocumentPlacesTheWindowOnTheScreen) {
  PutHelp(kSmallDoc);
  rb::SetScreenSizeForTesting(1024, 768);
  EXPECT_FALSE(HelpLoader::HelpAction());
  EXPECT_EQ(Field()->Text().Utf8(), "Help for you\nsecond line");
  EXPECT_EQ(HelpWindow()->Left(), (1024 - 653) / 2);
  EXPECT_EQ(HelpWindow()->Top(), 768 / 2 - 312);
  EXPECT_EQ(Field()->Top(), 230);  // back in view
  EXPECT_FALSE(HelpLoader::Loading());

  rb::SetScreenSizeForTesting(1280, 1024);
  HelpLoader::ParseRTF(rb::GetFolderItem("help.rtf", 0));
  EXPECT_EQ(HelpWindow()->Left(), 313);  // 313.5 truncated
  EXPECT_EQ(HelpWindow()->Top(), 200);
}

TEST_F(HelpWindowTest, SecondRequestRendersIntoTheSameField) {
  PutHelp(kSmallDoc);
  rb::SetScreenSizeForTesting(1024, 768);
  HelpLoader::HelpAction();
  rb::Ref<RtfEditField> first = Field();
  const std::string shown = first->Text().Utf8();
  HelpWindow()->SetLeft(5);
  HelpWindow()->SetTop(6);
  first->SetText("changed");

  HelpLoader::HelpAction();
  EXPECT_EQ(Field().get(), first.get());
  EXPECT_EQ(first->Text().Utf8(), shown);
  EXPECT_EQ(HelpWindow()->Left(), 185);
  EXPECT_EQ(HelpWindow()->Top(), 72);
  After("Help");
  EXPECT_TRUE(first->SelBold());
  After("you");
  EXPECT_TRUE(first->SelItalic());
}

TEST_F(HelpWindowTest, RequestsDuringALoadAreIgnored) {
  PutHelp(kSmallDoc);
  int polls = 0;
  int nested = 0;
  // The reader lets events run once per byte; a Help command chosen then
  // arrives while the document is loading.
  RtfParser::SetUserCancelledSource([&] {
    ++polls;
    if (polls == 5) {
      EXPECT_TRUE(HelpLoader::Loading());
      EXPECT_FALSE(HelpLoader::HelpAction());
      HelpLoader::ParseRTF(rb::GetFolderItem("help.rtf", 0));
      ++nested;
    }
    return false;
  });
  HelpLoader::HelpAction();
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(Field()->Text().Utf8(), "Help for you\nsecond line");
  EXPECT_FALSE(HelpLoader::Loading());

  // Once the load has ended, the next request is served again.
  RtfParser::SetUserCancelledSource(nullptr);
  Field()->SetText("");
  HelpLoader::HelpAction();
  EXPECT_EQ(Field()->Text().Utf8(), "Help for you\nsecond line");
}

TEST_F(HelpWindowTest, ClosingTheWindowDuringALoadDoesNotReopenIt) {
  PutHelp(kSmallDoc);
  int polls = 0;
  RtfParser::SetUserCancelledSource([&] {
    if (++polls == 3) HelpWindow()->Close();
    return false;
  });
  HelpLoader::HelpAction();
  EXPECT_FALSE(HelpWindowOpen());
  EXPECT_FALSE(HelpLoader::Loading());
}

TEST_F(HelpWindowTest, TheProgramsHelpDocumentRendersWithStyles) {
  PutHelp(testsupport::ReadFile(std::string(SKERROW_SOURCE_DIR) + "/ui/help.rtf"));
  RtfFont::SetInstalledFontsSource([] { return std::vector<rb::String>{"Helvetica", "Courier"}; });
  rb::SetScreenSizeForTesting(1024, 768);
  HelpLoader::HelpAction();
  rb::Ref<RtfEditField> field = Field();
  const std::string text = field->Text().Utf8();
  EXPECT_EQ(field->Top(), 230);
  EXPECT_EQ(HelpWindow()->Top(), 72);

  // What a new user needs to read about.
  for (const char* topic : {"Search In:", "File Prefix:", "File Suffix:", "Copy To:", "Files to search for:",
                            "Search Results", "Archive Files", "Report.txt", "preview", "Statistics"})
    EXPECT_NE(text.find(topic), std::string::npos) << topic;
  // Escapes decoded: hexadecimal under code page 1252, Unicode, specials.
  EXPECT_NE(text.find("r\xC3\xA9sum\xC3\xA9"), std::string::npos);
  EXPECT_NE(text.find("M\xC3\xBCller"), std::string::npos);
  EXPECT_NE(text.find("while\xE2\x80\xA6 the"), std::string::npos);  // ellipsis, fallback swallowed
  EXPECT_NE(text.find("Skerrow\xE2\x84\xA2 \xE2\x80\x93"), std::string::npos);
  EXPECT_NE(text.find("\xE2\x80\xA2 "), std::string::npos);                   // bullet
  EXPECT_NE(text.find("\xE2\x80\x9CSearch not specified\xE2\x80\x9D"), std::string::npos);
  EXPECT_NE(text.find("\xE2\x80\x98" "Find it once"), std::string::npos);
  EXPECT_NE(text.find("\xC2\xA9 The Skerrow developers"), std::string::npos);
  EXPECT_EQ(text.find("\\"), std::string::npos);  // no control word leaked
  EXPECT_EQ(text.find("Normal"), std::string::npos);  // tables are not text

  // Styled runs.
  After("Skerrow");  // the title
  EXPECT_TRUE(field->SelBold());
  EXPECT_EQ(field->SelTextSize(), 24);
  EXPECT_EQ(field->SelAlignment(), 2);
  EXPECT_EQ(field->SelTextColor(), rb::RGB(0, 51, 102));
  EXPECT_EQ(field->SelTextFont().Bytes(), "Helvetica");
  After("BATCH");  // small capitals of 12-point text
  EXPECT_EQ(field->SelTextSize(), 10);
  After("BATCH ");
  EXPECT_EQ(field->SelTextSize(), 12);
  After("1. Choose where to search");  // style 1
  EXPECT_TRUE(field->SelBold());
  EXPECT_EQ(field->SelTextSize(), 18);
  EXPECT_FALSE(field->SelItalic());
  After("The prefix");  // style 2, based on style 1
  EXPECT_TRUE(field->SelBold());
  EXPECT_TRUE(field->SelItalic());
  EXPECT_EQ(field->SelTextSize(), 14);
  After("003,005,008");  // style 3
  EXPECT_EQ(field->SelTextFont().Bytes(), "Courier");
  EXPECT_EQ(field->SelTextColor(), rb::RGB(0, 102, 51));
  After("drag a folder");
  EXPECT_TRUE(field->SelUnderline());
  After("not found");
  EXPECT_EQ(field->SelTextColor(), rb::RGB(153, 0, 0));
  After("Skerrow searches");  // body text after a bold run
  EXPECT_FALSE(field->SelBold());
  EXPECT_EQ(field->SelTextSize(), 11);
  After("The Skerrow developers");
  EXPECT_EQ(field->SelAlignment(), 3);
  EXPECT_TRUE(field->SelOutline());

  rb::Ref<rb::EditField> hidden = HelpWindow()->Control<rb::EditField>("rtffeld");
  EXPECT_TRUE(hidden->Text().Empty());
  EXPECT_EQ(hidden->Top(), 472);
}

}  // namespace

// The search window: window properties, every control of the layout in
// creation order, the start state, the menu handlers it binds, and
// closing it quitting the program.
#include <algorithm>
#include <string>
#include <vector>

#include "app_gui_fixture.h"
#include "framework/controls.h"
#include "framework/editfield.h"
#include "framework/gui_testing.h"
#include "framework/timer.h"
#include "framework/window.h"
#include "ui/AboutWindow.h"
#include "ui/MenuBar1.h"
#include "ui/SearchWindow.h"

namespace {

enum class Cls { CheckBox, GroupBox, EditField, PushButton, StaticText, Separator };

struct Row {
  const char* name;
  Cls cls;
  const char* text;  // caption or text; nullptr for a separator
  int left, top, width, height;
  int size;  // TextSize; -1 for a separator
  bool bold;
  bool lockLeft, lockTop, lockRight, lockBottom;
};

const char* const kExtensionHelp =
    "Using a default file extension allows you to type in file names without an extension, i.e., "
    "\"003, 005, 008, 013, 021\". ";

const Row kLayout[] = {
    {"PrefixCheckBox", Cls::CheckBox, "File Prefix:", 20, 60, 94, 20, 0, true, true, false, false, false},
    {"ExtensionCheckBox", Cls::CheckBox, "File Suffix:", 20, 103, 94, 20, 0, true, true, false, false, false},
    {"RootSearchGroupbox1", Cls::GroupBox, "", 200, 175, 474, 24, 0, false, true, false, true, false},
    {"RootSearchGroupbox", Cls::GroupBox, "", 200, 17, 474, 24, 0, false, true, true, false, false},
    {"SearchField", Cls::EditField, "", 20, 266, 661, 161, 12, false, true, true, true, true},
    {"SearchBtn", Cls::PushButton, "Search", 612, 454, 69, 20, 12, false, false, false, true, true},
    {"SearchRoot", Cls::StaticText, "Search not specified. Drag and drop your search directory HERE ", 205, 19,
     469, 20, 12, false, true, true, true, false},
    {"SearchStatic", Cls::StaticText, "Search In:", 137, 17, 58, 20, 12, true, true, true, false, false},
    {"StaticText3", Cls::StaticText,
     "Enter the file names you wish to find in the space below. To add multiple files, separating each entry "
     "with a comma. Do not use spaces between entries!",
     20, 236, 650, 25, 10, false, true, false, false, false},
    {"Separator1", Cls::Separator, nullptr, 20, 49, 661, 4, -1, false, true, true, true, false},
    {"Separator2", Cls::Separator, nullptr, 20, 161, 661, 4, -1, false, true, false, true, false},
    {"ExtensionField", Cls::EditField, "jpg", 116, 101, 40, 22, 0, false, true, false, false, false},
    {"ExtensionStatic1", Cls::StaticText, kExtensionHelp, 165, 101, 509, 28, 10, false, true, false, false, false},
    {"ExtensionStatic2", Cls::StaticText,
     "You can type in the extension to your file if you have an exception. For example, if you are primarily "
     "searching for JPGs but have a few TIF files, simply type in your files with the extension (003.tif). "
     "Unchecking the Extension Box will force a literal search for your files.",
     20, 128, 654, 29, 10, false, true, false, false, false},
    {"FileSearchStatic", Cls::StaticText, "Files to search for:", 20, 216, 120, 20, 12, true, true, false, false,
     false},
    {"CopyFolderLocation", Cls::StaticText, "Location not specified. Drag and drop your search directory HERE",
     205, 177, 469, 20, 12, false, true, true, false, false},
    {"CopyToButton", Cls::PushButton, "Set Location...", 20, 176, 109, 20, 0, false, true, false, false, false},
    {"Separator3", Cls::Separator, nullptr, 20, 209, 661, 4, -1, false, true, false, true, false},
    {"CopyToStatic", Cls::StaticText, "Copy To:", 137, 177, 58, 20, 12, true, true, false, false, false},
    {"PrefixField", Cls::EditField, "IMG_", 116, 58, 40, 22, 0, false, true, false, false, false},
    {"PrefixStatic1", Cls::StaticText,
     "Some cameras will use a prefix in their file naming convention. This allows you to set the common prefix, "
     "reducing the redunancy of perpetual re-typing. ",
     165, 58, 509, 28, 10, false, true, false, false, false},
    {"Separator4", Cls::Separator, nullptr, 20, 90, 661, 4, -1, false, true, false, true, false},
    {"CheckBox1", Cls::CheckBox, "Filter out Duplicate Files", 20, 453, 185, 20, 0, false, false, false, false,
     false},
    {"SearchInButton", Cls::PushButton, "Set Location...", 20, 16, 109, 20, 0, false, true, false, false, false},
};

std::string TextOf(const rb::Ref<rb::Control>& c) {
  if (auto x = rb::DynamicCast<rb::CheckBox>(c)) return x->Caption().Bytes();
  if (auto x = rb::DynamicCast<rb::GroupBox>(c)) return x->Caption().Bytes();
  if (auto x = rb::DynamicCast<rb::EditField>(c)) return x->Text().Bytes();
  if (auto x = rb::DynamicCast<rb::PushButton>(c)) return x->Caption().Bytes();
  if (auto x = rb::DynamicCast<rb::StaticText>(c)) return x->Text().Bytes();
  return "";
}

bool IsOfClass(const rb::Ref<rb::Control>& c, Cls cls) {
  switch (cls) {
    case Cls::CheckBox: return static_cast<bool>(rb::DynamicCast<rb::CheckBox>(c));
    case Cls::GroupBox: return static_cast<bool>(rb::DynamicCast<rb::GroupBox>(c));
    case Cls::EditField: return static_cast<bool>(rb::DynamicCast<rb::EditField>(c));
    case Cls::PushButton: return static_cast<bool>(rb::DynamicCast<rb::PushButton>(c));
    case Cls::StaticText: return static_cast<bool>(rb::DynamicCast<rb::StaticText>(c));
    case Cls::Separator: return static_cast<bool>(rb::DynamicCast<rb::Separator>(c));
  }
  return false;
}

using SearchWindowTest = AppGuiTest;

TEST_F(SearchWindowTest, WindowPropertiesAndMenuBar) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  EXPECT_EQ(w->Title().Bytes(), "Skerrow! Batch File Search");
  EXPECT_EQ(w->Width(), 702);
  EXPECT_EQ(w->Height(), 493);
  EXPECT_EQ(w->MinWidth(), 702);
  EXPECT_EQ(w->MinHeight(), 412);
  EXPECT_EQ(w->MaxWidth(), 32000);
  EXPECT_EQ(w->MaxHeight(), 32000);
  EXPECT_EQ(w->Frame(), rb::Window::FrameDocument);
  EXPECT_EQ(w->Placement(), 0);
  EXPECT_TRUE(w->Visible());
  EXPECT_FALSE(w->Resizeable());
  EXPECT_TRUE(w->CloseButton());
  EXPECT_FALSE(w->MaximizeButton());
  EXPECT_TRUE(w->MinimizeButton());
  EXPECT_TRUE(w->MenuBarVisible());
  EXPECT_FALSE(w->HasBackColor());
  EXPECT_EQ(w->BackColor(), 0xFFFFFFu);
  EXPECT_EQ(w->MenuBar().get(), MenuBar1().get());
  EXPECT_FALSE(w->SearchFolder);
  EXPECT_FALSE(w->SaveFolder);
  EXPECT_EQ(SearchWindow().get(), w.get());  // one instance
}

TEST_F(SearchWindowTest, EveryControlOfTheLayoutInCreationOrder) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  ASSERT_EQ(w->ControlCount(), static_cast<int>(std::size(kLayout)));
  for (int i = 0; i < w->ControlCount(); ++i) {
    const Row& r = kLayout[i];
    SCOPED_TRACE(r.name);
    rb::Ref<rb::Control> c = w->ControlAt(i);
    EXPECT_EQ(c->Name().Bytes(), r.name);
    EXPECT_EQ(w->FindControl(r.name).get(), c.get());
    EXPECT_TRUE(IsOfClass(c, r.cls));
    EXPECT_LT(c->Index(), 0);  // single controls, no control arrays
    auto rc = rb::DynamicCast<rb::RectControl>(c);
    ASSERT_TRUE(rc);
    EXPECT_EQ(rc->Left(), r.left);
    EXPECT_EQ(rc->Top(), r.top);
    EXPECT_EQ(rc->Width(), r.width);
    EXPECT_EQ(rc->Height(), r.height);
    EXPECT_EQ(rc->LockLeft(), r.lockLeft);
    EXPECT_EQ(rc->LockTop(), r.lockTop);
    EXPECT_EQ(rc->LockRight(), r.lockRight);
    EXPECT_EQ(rc->LockBottom(), r.lockBottom);
    EXPECT_TRUE(rc->HelpTag().Empty());
    if (r.text) {
      EXPECT_EQ(TextOf(c), r.text);
    }
    if (r.size >= 0) {
      EXPECT_EQ(rc->TextFont().Bytes(), "System");
      EXPECT_EQ(rc->TextSize(), r.size);
      EXPECT_EQ(rc->Bold(), r.bold);
      EXPECT_FALSE(rc->Italic());
      EXPECT_FALSE(rc->Underline());
    }
    if (auto st = rb::DynamicCast<rb::StaticText>(c)) {
      EXPECT_EQ(st->TextAlign(), 0);
      EXPECT_EQ(st->TextColor(), 0x000000u);
      bool wraps = r.size == 10;  // the small help texts wrap, the labels do not
      EXPECT_EQ(st->MultiLine(), wraps);
    }
    bool hidden = std::string(r.name) == "CheckBox1";
    EXPECT_EQ(rc->Visible(), !hidden);
    bool disabled = hidden || std::string(r.name) == "PrefixField";
    EXPECT_EQ(rc->Enabled(), !disabled);
  }
}

TEST_F(SearchWindowTest, DropBoxesLieInTheirGroupBoxesAndOthersInTheWindow) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  EXPECT_EQ(w->Control<rb::StaticText>("SearchRoot")->Parent().get(),
            w->Control<rb::GroupBox>("RootSearchGroupbox").get());
  EXPECT_EQ(w->Control<rb::StaticText>("CopyFolderLocation")->Parent().get(),
            w->Control<rb::GroupBox>("RootSearchGroupbox1").get());
  for (int i = 0; i < w->ControlCount(); ++i) {
    std::string name = w->ControlAt(i)->Name().Utf8();
    if (name == "SearchRoot" || name == "CopyFolderLocation") continue;
    EXPECT_FALSE(rb::DynamicCast<rb::RectControl>(w->ControlAt(i))->Parent()) << name;
  }
}

TEST_F(SearchWindowTest, FieldsButtonsAndCheckBoxesStartFromTheirDesignValues) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  auto query = w->Control<rb::EditField>("SearchField");
  EXPECT_TRUE(query->MultiLine());
  EXPECT_TRUE(query->Border());
  EXPECT_TRUE(query->ScrollBarVertical());
  EXPECT_FALSE(query->ScrollBarHorizontal());
  EXPECT_FALSE(query->Styled());
  EXPECT_FALSE(query->ReadOnly());
  EXPECT_FALSE(query->Password());
  EXPECT_FALSE(query->AcceptTabs());
  EXPECT_EQ(query->LimitText(), 0);
  EXPECT_EQ(query->TextColor(), 0x000000u);
  EXPECT_EQ(query->BackColor(), 0xFFFFFFu);

  for (const char* name : {"PrefixField", "ExtensionField"}) {
    SCOPED_TRACE(name);
    auto f = w->Control<rb::EditField>(name);
    EXPECT_FALSE(f->MultiLine());
    EXPECT_EQ(f->LimitText(), 4);
    EXPECT_TRUE(f->Border());
    EXPECT_TRUE(f->ScrollBarVertical());
    EXPECT_FALSE(f->ScrollBarHorizontal());
    EXPECT_FALSE(f->Styled());
    EXPECT_FALSE(f->ReadOnly());
    EXPECT_FALSE(f->Password());
    EXPECT_EQ(f->TextColor(), 0x000000u);
    EXPECT_EQ(f->BackColor(), 0xFFFFFFu);
  }
  // Prefix off with "IMG_" in a disabled field; extension on with "jpg".
  EXPECT_FALSE(w->Control<rb::CheckBox>("PrefixCheckBox")->Value());
  EXPECT_FALSE(w->Control<rb::EditField>("PrefixField")->Enabled());
  EXPECT_TRUE(w->Control<rb::CheckBox>("ExtensionCheckBox")->Value());
  EXPECT_TRUE(w->Control<rb::EditField>("ExtensionField")->Enabled());
  EXPECT_TRUE(w->Control<rb::CheckBox>("CheckBox1")->Value());

  EXPECT_TRUE(w->Control<rb::PushButton>("SearchBtn")->Default());
  EXPECT_FALSE(w->Control<rb::PushButton>("SearchBtn")->Cancel());
  for (const char* name : {"CopyToButton", "SearchInButton"}) {
    EXPECT_FALSE(w->Control<rb::PushButton>(name)->Default()) << name;
    EXPECT_FALSE(w->Control<rb::PushButton>(name)->Cancel()) << name;
  }
}

TEST_F(SearchWindowTest, TheShortFieldsTakeFourCharactersAndTheQueryAnyLength) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  auto ext = w->Control<rb::EditField>("ExtensionField");
  ext->SetText("");
  rb::TypeTextForTesting(ext, "jpeg2");
  EXPECT_EQ(ext->Text().Bytes(), "jpeg");

  auto prefix = w->Control<rb::EditField>("PrefixField");
  prefix->SetEnabled(true);
  prefix->SetText("");
  rb::TypeTextForTesting(prefix, "DSC_01");
  EXPECT_EQ(prefix->Text().Bytes(), "DSC_");

  auto query = w->Control<rb::EditField>("SearchField");
  std::string longQuery;
  for (int i = 0; i < 40; ++i) longQuery += "0" + std::to_string(i) + ",";
  rb::TypeTextForTesting(query, longQuery);
  EXPECT_EQ(query->Text().Bytes(), longQuery);
}

TEST_F(SearchWindowTest, KeyboardFocusFollowsCreationOrder) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  std::vector<std::string> chain;
  for (const rb::String& s : w->_FocusChain()) chain.push_back(s.Utf8());
  std::vector<std::string> inCreationOrder;
  for (int i = 0; i < w->ControlCount(); ++i) {
    std::string name = w->ControlAt(i)->Name().Utf8();
    if (std::find(chain.begin(), chain.end(), name) != chain.end()) inCreationOrder.push_back(name);
  }
  EXPECT_EQ(chain, inCreationOrder);
  // The inputs are all in the chain: options, query, buttons.
  for (const char* name : {"PrefixCheckBox", "ExtensionCheckBox", "SearchField", "ExtensionField", "PrefixField",
                           "SearchBtn", "CopyToButton", "SearchInButton"}) {
    EXPECT_NE(std::find(chain.begin(), chain.end(), name), chain.end()) << name;
  }
}

TEST_F(SearchWindowTest, HideKeepsWhatTheUserSetAndARebuiltWindowStartsAfresh) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  w->Control<rb::EditField>("SearchField")->SetText("001,002");
  w->Control<rb::CheckBox>("PrefixCheckBox")->SetValue(true);
  w->SearchFolder = rb::Ref<rb::FolderItem>::New("/tmp");
  w->Hide();
  EXPECT_EQ(SearchWindow().get(), w.get());
  EXPECT_EQ(SearchWindow()->Control<rb::EditField>("SearchField")->Text().Bytes(), "001,002");
  EXPECT_TRUE(SearchWindow()->Control<rb::CheckBox>("PrefixCheckBox")->Value());
  EXPECT_TRUE(SearchWindow()->SearchFolder);

  w->Close();
  rb::Ref<SearchWindowClass> fresh = SearchWindow();
  EXPECT_NE(fresh.get(), w.get());
  EXPECT_TRUE(fresh->Control<rb::EditField>("SearchField")->Text().Empty());
  EXPECT_FALSE(fresh->Control<rb::CheckBox>("PrefixCheckBox")->Value());
  EXPECT_FALSE(fresh->SearchFolder);
  EXPECT_FALSE(fresh->SaveFolder);
}

TEST_F(SearchWindowTest, ClosingTheSearchWindowQuitsTheProgram) {
  SearchWindow();
  auto closer = rb::Ref<rb::Timer>::New();
  closer->SetPeriod(20);
  closer->SetMode(rb::Timer::ModeSingle);
  closer->_SetEventHandler("Action", rb::MakeEventHandler([] { SearchWindow()->Close(); }));
  auto guard = rb::Ref<rb::Timer>::New();
  guard->SetPeriod(5000);
  guard->SetMode(rb::Timer::ModeSingle);
  guard->_SetEventHandler("Action", rb::MakeEventHandler([] { rb::Quit(99); }));
  EXPECT_EQ(rb::_RuntimeRun(), 0);
  guard->SetEnabled(false);
  EXPECT_FALSE(rb::_GetImplicitWindow("SearchWindow"));
}

TEST_F(SearchWindowTest, MenuHandlersAreBoundForItsSixItemsOnly) {
  rb::Ref<SearchWindowClass> w = SearchWindow();
  for (const char* name : {"FileOpenSearch", "FileDesination", "EditSelectAll", "EditClear", "EditAbout", "Help"})
    EXPECT_TRUE(w->_HasMenuHandler(name)) << name;
  for (const char* name : {"EditUndo", "EditCut", "EditCopy", "EditPaste", "UntitledMenu0", "FileQuit",
                           "ViewStatisticsWindow", "FileMenu"})
    EXPECT_FALSE(w->_HasMenuHandler(name)) << name;

  // About opens the about window; the handler answers false.
  EXPECT_FALSE(rb::_GetImplicitWindow("AboutWindow"));
  EXPECT_FALSE(w->_HandleMenu("EditAbout"));
  EXPECT_TRUE(rb::_GetImplicitWindow("AboutWindow"));
}

}  // namespace

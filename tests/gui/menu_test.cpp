// Menus: the tree, lookups, one bar shared by several windows, enabling
// before a menu shows, handlers of the front window, shortcut texts, the
// Edit items on the focused field, shortcuts in windows without a bar.
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/editfield.h"
#include "framework/gui_testing.h"
#include "framework/menu.h"
#include "framework/window.h"
#include "gui_fixture.h"

namespace {

rb::Ref<rb::MenuItem> Node(rb::Ref<rb::MenuItem> item, const char* name, const char* text, const char* keys) {
  item->SetName(name);
  item->SetAutoEnable(true);
  item->SetText(text);
  if (keys) item->SetKeyboardShortcut(keys);
  return item;
}

// A bar built the way program bars are: a menu is appended to the bar,
// then its items to the child the bar answers for the menu's name.
rb::Ref<rb::MenuBar> BuildBar() {
  auto bar = rb::Ref<rb::MenuBar>::New();
  bar->SetName("TestBar");
  bar->Append(Node(rb::Ref<rb::MenuItem>::New(), "FileMenu", "&File", ""));
  bar->Child("FileMenu")->Append(Node(rb::Ref<rb::MenuItem>::New(), "FileOpenSearch", "Select Search...", "Cmd+O"));
  bar->Child("FileMenu")->Append(
      Node(rb::Ref<rb::MenuItem>::New(), "FileDesination", "Select Destination...", "Cmd+Shift+O"));
  bar->Child("FileMenu")->Append(Node(rb::Ref<rb::QuitMenuItem>::New(), "FileQuit", "Quit", "Cmd+Q"));
  bar->Append(Node(rb::Ref<rb::MenuItem>::New(), "EditMenu", "&Edit", ""));
  auto sep = rb::Ref<rb::MenuItem>::New();
  sep->SetName("UntitledMenu0");
  sep->SetAutoEnable(true);
  sep->SetText("-");
  bar->Child("EditMenu")->Append(sep);
  bar->Child("EditMenu")->Append(Node(rb::Ref<rb::MenuItem>::New(), "EditCut", "Cu&t", "Cmd-X"));
  bar->Append(Node(rb::Ref<rb::MenuItem>::New(), "HelpMenu", "Help", ""));
  bar->Child("HelpMenu")->Append(Node(rb::Ref<rb::AppleMenuItem>::New(), "EditAbout", "About...", ""));
  bar->Child("HelpMenu")->Append(Node(rb::Ref<rb::MenuItem>::New(), "Help", "Program Help...", "Cmd+?"));
  return bar;
}

class BarWindow : public rb::Window {
 public:
  static rb::Ref<rb::MenuBar>* sharedBar;
  int opened = 0;
  void Layout() override {
    SetMenuBar(*sharedBar);
    _ApplyProperties({{"Width", 300}, {"Height", 200}});
  }
  void AddMenuHandlers() override {
    _AddMenuHandler("FileOpenSearch", [this] {
      ++opened;
      return false;
    });
  }
};
rb::Ref<rb::MenuBar>* BarWindow::sharedBar = nullptr;

class OtherBarWindow : public rb::Window {
 public:
  void Layout() override {
    SetMenuBar(*BarWindow::sharedBar);
    _ApplyProperties({{"Width", 300}, {"Height", 200}});
  }
};

class MenuTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    bar = BuildBar();
    BarWindow::sharedBar = &bar;
  }
  rb::Ref<rb::MenuBar> bar;
};

TEST_F(MenuTest, LookupFindsNodesAnywhereAndChildOnlyDirectOnes) {
  EXPECT_EQ(bar->Count(), 3);
  EXPECT_EQ(bar->Item(0)->Name().Utf8(), "FileMenu");
  EXPECT_EQ(bar->Child("FileMenu")->Count(), 3);
  EXPECT_FALSE(bar->Child("FileOpenSearch"));  // not a direct child
  EXPECT_EQ(bar->_Lookup("FileOpenSearch")->Text().Utf8(), "Select Search...");
  EXPECT_EQ(bar->_Lookup("fileopensearch")->Text().Utf8(), "Select Search...");
  EXPECT_EQ(bar->_Lookup("Help")->Text().Utf8(), "Program Help...");  // the item, not HelpMenu
  EXPECT_TRUE(rb::DynamicCast<rb::QuitMenuItem>(bar->_Lookup("FileQuit")));
  EXPECT_TRUE(rb::DynamicCast<rb::AppleMenuItem>(bar->_Lookup("EditAbout")));
  EXPECT_FALSE(rb::DynamicCast<rb::AppleMenuItem>(bar->_Lookup("Help")));
  EXPECT_FALSE(bar->_Lookup("UntitledMenu1"));
  EXPECT_THROW(bar->_Lookup("UntitledMenu1")->Enable(), rb::NilObjectException);
  EXPECT_THROW(bar->Item(3), rb::OutOfBoundsException);
}

TEST_F(MenuTest, ShortcutTextsMapCmdOntoCtrl) {
  EXPECT_EQ(bar->_Lookup("FileOpenSearch")->KeyboardShortcut().Utf8(), "Cmd+O");
  EXPECT_EQ(bar->_Lookup("FileOpenSearch")->_ShortcutKeys().Utf8(), "Ctrl+O");
  EXPECT_EQ(bar->_Lookup("FileDesination")->_ShortcutKeys().Utf8(), "Ctrl+Shift+O");
  EXPECT_EQ(bar->_Lookup("Help")->_ShortcutKeys().Utf8(), "Ctrl+?");
  EXPECT_EQ(bar->_Lookup("EditCut")->_ShortcutKeys().Utf8(), "Ctrl+X");
  EXPECT_EQ(bar->_Lookup("FileMenu")->_ShortcutKeys().Utf8(), "");
  EXPECT_EQ(bar->_Lookup("UntitledMenu0")->_ShortcutKeys().Utf8(), "");
  EXPECT_TRUE(bar->_Lookup("UntitledMenu0")->_IsSeparator());
}

TEST_F(MenuTest, OneBarIsSharedSoAChangeShowsThroughEveryWindow) {
  auto a = rb::ImplicitWindow<BarWindow>("BarWindow");
  auto b = rb::ImplicitWindow<OtherBarWindow>("OtherBarWindow");
  EXPECT_EQ(a->MenuBar().get(), bar.get());
  EXPECT_EQ(b->MenuBar().get(), a->MenuBar().get());
  a->MenuBar()->_Lookup("FileOpenSearch")->SetText("Changed");
  EXPECT_EQ(b->MenuBar()->_Lookup("FileOpenSearch")->Text().Utf8(), "Changed");
  b->MenuBar()->_Lookup("EditCut")->Disable();
  EXPECT_FALSE(a->MenuBar()->_Lookup("EditCut")->Enabled());
}

TEST_F(MenuTest, ItemsTheFrontWindowHandlesAreEnabledBeforeTheMenuShows) {
  auto open = bar->_Lookup("FileOpenSearch");
  auto dest = bar->_Lookup("FileDesination");
  open->SetAutoEnable(false);
  dest->SetAutoEnable(false);
  open->Disable();
  dest->Disable();

  auto other = rb::ImplicitWindow<OtherBarWindow>("OtherBarWindow");
  other->_EnableMenuItems();  // no handler there
  EXPECT_FALSE(open->Enabled());

  auto w = rb::ImplicitWindow<BarWindow>("BarWindow");
  other->Hide();
  ASSERT_EQ(rb::FrontWindow().get(), w.get());
  bar->Child("FileMenu")->_PrepareToShow();
  EXPECT_TRUE(open->Enabled());   // the front window has a handler
  EXPECT_FALSE(dest->Enabled());  // no handler, not auto-enabled
  EXPECT_TRUE(bar->_Lookup("FileQuit")->Enabled());
}

TEST_F(MenuTest, ChoosingAnItemRunsTheFrontWindowsHandler) {
  auto w = rb::ImplicitWindow<BarWindow>("BarWindow");
  bar->_Lookup("FileOpenSearch")->_Choose();
  EXPECT_EQ(w->opened, 1);
  bar->_Lookup("FileDesination")->_Choose();  // no handler: nothing happens
  EXPECT_EQ(w->opened, 1);
}

TEST_F(MenuTest, TheQuitItemQuitsWhenNothingHandlesIt) {
  rb::ImplicitWindow<BarWindow>("BarWindow");
  EXPECT_EQ(rb::RunProgramLoopForTesting([this] { bar->_Lookup("FileQuit")->_Choose(); }), 0);
}

}  // namespace

namespace {

TEST_F(MenuTest, AWindowWithABarKeepsItsContentSizeAndPosition) {
  auto w = rb::ImplicitWindow<BarWindow>("BarWindow");
  w->SetTop(100);
  w->SetLeft(50);
  rb::RunEventLoopFor(50);
  EXPECT_EQ(w->Width(), 300);  // the bar comes on top of the content
  EXPECT_EQ(w->Height(), 200);
  EXPECT_EQ(w->Left(), 50);
  EXPECT_EQ(w->Top(), 100);
}

}  // namespace

namespace {

// A bar with the Edit menu the program uses, a quit item and one item of
// a counting class.
class CountingItem : public rb::MenuItem {
 public:
  int chosen = 0;
  void Action() override { ++chosen; }
};

rb::Ref<rb::MenuBar> BuildEditBar(const rb::Ref<CountingItem>& counting) {
  auto bar = rb::Ref<rb::MenuBar>::New();
  bar->Append(Node(rb::Ref<rb::MenuItem>::New(), "FileMenu", "&File", ""));
  bar->Child("FileMenu")->Append(Node(counting, "FileCount", "Count", "Cmd+K"));
  bar->Child("FileMenu")->Append(Node(rb::Ref<rb::QuitMenuItem>::New(), "FileQuit", "Quit", "Cmd+Q"));
  bar->Append(Node(rb::Ref<rb::MenuItem>::New(), "EditMenu", "&Edit", ""));
  auto edit = bar->Child("EditMenu");
  edit->Append(Node(rb::Ref<rb::MenuItem>::New(), "EditUndo", "&Undo", "Cmd+Z"));
  auto sep = rb::Ref<rb::MenuItem>::New();
  sep->SetName("UntitledMenu0");
  sep->SetAutoEnable(true);
  sep->SetText("-");
  edit->Append(sep);
  edit->Append(Node(rb::Ref<rb::MenuItem>::New(), "EditCut", "Cu&t", "Cmd+X"));
  edit->Append(Node(rb::Ref<rb::MenuItem>::New(), "EditCopy", "&Copy", "Cmd+C"));
  edit->Append(Node(rb::Ref<rb::MenuItem>::New(), "EditPaste", "&Paste", "Cmd+V"));
  edit->Append(Node(rb::Ref<rb::MenuItem>::New(), "EditSelectAll", "Select All", "Cmd+A"));
  edit->Append(Node(rb::Ref<rb::MenuItem>::New(), "EditClear", "Clear", "Cmd+D"));
  bar->Append(Node(rb::Ref<rb::MenuItem>::New(), "HelpMenu", "Help", ""));
  bar->Child("HelpMenu")->Append(Node(rb::Ref<rb::MenuItem>::New(), "Help", "Program Help...", "Cmd+?"));
  return bar;
}

// Fields of both kinds; handlers for the names in `handled`, counted.
class EditWindow : public rb::Window {
 public:
  static rb::Ref<rb::MenuBar> bar;  // nil: the window has no bar of its own
  static std::vector<std::string> handled;
  std::vector<std::string> calls;
  void Layout() override {
    if (bar) SetMenuBar(bar);
    _ApplyProperties({{"Width", 300}, {"Height", 200}, {"MenuBarVisible", true}});
  }
  void CreateControls() override {
    _NewControl<rb::EditField>("Line", {{"Left", 10}, {"Top", 10}, {"Width", 200}, {"Height", 22},
                                        {"Text", "one line"}});
    _NewControl<rb::EditField>("Notes", {{"Left", 10}, {"Top", 40}, {"Width", 200}, {"Height", 100},
                                         {"MultiLine", true}, {"ReadOnly", true}, {"Text", "read only text"}});
    _NewControl<rb::EditField>("Memo", {{"Left", 10}, {"Top", 150}, {"Width", 90}, {"Height", 40},
                                        {"MultiLine", true}, {"Styled", true}, {"Text", "memo"}});
    _NewControl<rb::EditField>("Short", {{"Left", 110}, {"Top", 150}, {"Width", 90}, {"Height", 22},
                                         {"LimitText", 6}, {"Text", "xy"}});
  }
  void AddMenuHandlers() override {
    for (const std::string& name : handled) {
      _AddMenuHandler(name, [this, name] {
        calls.push_back(name);
        return false;
      });
    }
  }
  rb::Ref<rb::EditField> Field(const char* name) { return Control<rb::EditField>(name); }
};
rb::Ref<rb::MenuBar> EditWindow::bar;
std::vector<std::string> EditWindow::handled;

class EditMenuTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    counting = rb::Ref<CountingItem>::New();
    editBar = BuildEditBar(counting);
    EditWindow::bar = editBar;
    EditWindow::handled.clear();
    rb::SetClipboardTextForTesting("");
  }
  void TearDown() override {
    EditWindow::bar = nullptr;
    GuiTest::TearDown();
  }
  // The window, active, with the keyboard focus in the field.
  rb::Ref<EditWindow> Open(const char* focus) {
    auto w = rb::ImplicitWindow<EditWindow>("EditWindow");
    EXPECT_TRUE(rb::RunEventLoopUntil([&] { return w->_IsActive(); }, 2000));
    w->Field(focus)->SetFocus();
    return w;
  }
  bool Enabled(const char* name) {
    editBar->_PrepareToShow();
    return editBar->_Lookup(name)->Enabled();
  }
  rb::Ref<CountingItem> counting;
  rb::Ref<rb::MenuBar> editBar;
};

TEST_F(EditMenuTest, TheSeparatorIsALineWithoutALabel) {
  auto w = Open("Line");
  std::vector<rb::MenuEntryForTesting> entries = rb::MenuEntriesForTesting(w, 1);
  ASSERT_EQ(entries.size(), 7u);
  EXPECT_TRUE(entries[1].separator);
  EXPECT_EQ(entries[1].label, "");
  EXPECT_EQ(editBar->_Lookup("UntitledMenu0")->Text().Utf8(), "-");  // the item's text stays
  EXPECT_FALSE(entries[0].separator);
  EXPECT_EQ(entries[0].label, "&Undo");
  EXPECT_EQ(entries[0].shortcut, "Ctrl+Z");
  EXPECT_EQ(entries[5].label, "Select All");
}

TEST_F(EditMenuTest, UnhandledEditItemsActOnTheFocusedFieldWhenTheyCan) {
  auto w = Open("Notes");
  rb::Ref<rb::EditField> notes = w->Field("Notes");
  // A read-only field without a selection: only Select All can act.
  EXPECT_TRUE(Enabled("EditSelectAll"));
  EXPECT_FALSE(Enabled("EditCopy"));
  EXPECT_FALSE(Enabled("EditCut"));
  EXPECT_FALSE(Enabled("EditPaste"));
  EXPECT_FALSE(Enabled("EditClear"));
  EXPECT_FALSE(Enabled("EditUndo"));
  EXPECT_TRUE(Enabled("FileCount"));  // others as before

  rb::KeyClickForTesting(w, "Ctrl+A");
  EXPECT_EQ(notes->SelLength(), 14);
  EXPECT_TRUE(Enabled("EditCopy"));
  EXPECT_FALSE(Enabled("EditCut"));  // read-only
  rb::KeyClickForTesting(w, "Ctrl+C");
  EXPECT_EQ(rb::ClipboardTextForTesting().Utf8(), "read only text");
  EXPECT_EQ(notes->Text().Utf8(), "read only text");

  // An editable field: chosen from the menu or by shortcut alike.
  rb::Ref<rb::EditField> line = w->Field("Line");
  line->SetFocus();
  EXPECT_TRUE(Enabled("EditPaste"));
  line->SetSelStart(0);
  line->SetSelLength(4);  // "one "
  EXPECT_TRUE(Enabled("EditCut"));  // as the menu opens
  editBar->_Lookup("EditCut")->_Choose();
  EXPECT_EQ(line->Text().Utf8(), "line");
  EXPECT_EQ(rb::ClipboardTextForTesting().Utf8(), "one ");
  EXPECT_TRUE(Enabled("EditUndo"));
  rb::KeyClickForTesting(w, "Ctrl+Z");
  EXPECT_EQ(line->Text().Utf8(), "one line");
  rb::KeyClickForTesting(w, "Ctrl+A");
  rb::KeyClickForTesting(w, "Ctrl+D");  // Clear
  EXPECT_EQ(line->Text().Utf8(), "");
  rb::KeyClickForTesting(w, "Ctrl+V");
  EXPECT_EQ(line->Text().Utf8(), "one ");
  EXPECT_TRUE(w->calls.empty());
}

// Every field kind: one line, multi-line and styled, limited, read-only.
const char* const kFieldNames[] = {"Line", "Memo", "Short", "Notes"};

TEST_F(EditMenuTest, PastingOrDroppingDataWithoutPlainTextChangesNothing) {
  auto w = Open("Line");
  const struct {
    rb::OfferedData kind;
    const char* text;
    const char* what;
  } kOffers[] = {{rb::OfferedData::None, "", "no data"},
                 {rb::OfferedData::Empty, "", "data without a format"},
                 {rb::OfferedData::Urls, "/tmp", "URLs only"},
                 {rb::OfferedData::Picture, "", "a picture only"},
                 {rb::OfferedData::Text, "", "empty text"}};
  for (const char* name : kFieldNames) {
    rb::Ref<rb::EditField> field = w->Field(name);
    field->SetFocus();
    const std::string text = field->Text().Utf8();
    for (const auto& offer : kOffers) {
      SCOPED_TRACE(std::string(name) + ", " + offer.what);
      field->SetSelStart(0);
      field->SetSelLength(2);
      rb::SetClipboardDataForTesting(offer.kind, offer.text);
      EXPECT_FALSE(Enabled("EditPaste"));
      rb::KeyClickForTesting(w, "Ctrl+V");  // reaches the field itself
      EXPECT_FALSE(rb::DropDataForTesting(field, offer.kind, offer.text));
      // The item enabled for text that is gone when it is chosen.
      rb::SetClipboardTextForTesting("gone");
      EXPECT_EQ(Enabled("EditPaste"), name != std::string("Notes"));
      rb::SetClipboardDataForTesting(offer.kind, offer.text);
      editBar->_Lookup("EditPaste")->_Choose();
      EXPECT_EQ(field->Text().Utf8(), text);
      EXPECT_EQ(field->SelStart(), 0);
      EXPECT_EQ(field->SelLength(), 2);
    }
  }
  EXPECT_TRUE(w->calls.empty());
}

TEST_F(EditMenuTest, PlainTextPastesAndDropsAsTyped) {
  auto w = Open("Line");
  // One line: line breaks become blanks.
  rb::Ref<rb::EditField> line = w->Field("Line");
  rb::SetClipboardTextForTesting("a\r\nb\nc");
  rb::KeyClickForTesting(w, "Ctrl+A");
  rb::KeyClickForTesting(w, "Ctrl+V");
  EXPECT_EQ(line->Text().Utf8(), "a  b c");
  // A drop lands where it is dropped.
  line->SetText("");
  EXPECT_TRUE(rb::DropDataForTesting(line, rb::OfferedData::Text, "dropped\nhere"));
  EXPECT_EQ(line->Text().Utf8(), "dropped here");

  // Several lines keep their breaks, from the menu as by shortcut.
  rb::Ref<rb::EditField> memo = w->Field("Memo");
  memo->SetFocus();
  memo->SetSelStart(4);
  rb::SetClipboardTextForTesting("\nsecond");
  editBar->_Lookup("EditPaste")->_Choose();
  EXPECT_EQ(memo->Text().Utf8(), "memo\nsecond");

  // The limit cuts what is pasted, counting the replaced selection out.
  rb::Ref<rb::EditField> limited = w->Field("Short");
  limited->SetFocus();
  limited->SetSelStart(2);
  rb::SetClipboardTextForTesting("12345678");
  rb::KeyClickForTesting(w, "Ctrl+V");
  EXPECT_EQ(limited->Text().Utf8(), "xy1234");
  limited->SetSelStart(0);
  limited->SetSelLength(3);
  rb::KeyClickForTesting(w, "Ctrl+V");
  EXPECT_EQ(limited->Text().Utf8(), "123234");

  // A read-only field takes nothing.
  rb::Ref<rb::EditField> notes = w->Field("Notes");
  notes->SetFocus();
  EXPECT_FALSE(Enabled("EditPaste"));
  rb::KeyClickForTesting(w, "Ctrl+V");
  EXPECT_FALSE(rb::DropDataForTesting(notes, rb::OfferedData::Text, "dropped"));
  EXPECT_EQ(notes->Text().Utf8(), "read only text");
}

TEST_F(EditMenuTest, AHandlerTakesItsItemEvenFromAOneLineField) {
  EditWindow::handled = {"EditSelectAll", "EditClear"};
  auto w = Open("Line");
  rb::Ref<rb::EditField> line = w->Field("Line");
  EXPECT_TRUE(Enabled("EditClear"));  // handled: enabled with nothing selected
  rb::KeyClickForTesting(w, "Ctrl+A");
  EXPECT_EQ(w->calls, std::vector<std::string>{"EditSelectAll"});
  EXPECT_EQ(line->SelLength(), 0);  // the field did not take the key itself
  line->SetSelStart(0);
  line->SetSelLength(3);
  rb::KeyClickForTesting(w, "Ctrl+D");
  EXPECT_EQ(w->calls, (std::vector<std::string>{"EditSelectAll", "EditClear"}));
  EXPECT_EQ(line->Text().Utf8(), "one line");  // the handler held, nothing cleared
}

TEST_F(EditMenuTest, InAWindowWithoutABarTheApplicationBarsShortcutsAct) {
  auto app = rb::Ref<rb::Application>::New();
  app->SetMenuBar(editBar);
  rb::_RuntimeRegisterAppObject(app);
  EditWindow::bar = nullptr;
  EditWindow::handled = {"Help"};
  auto w = Open("Notes");
  ASSERT_FALSE(w->MenuBar());
  rb::KeyClickForTesting(w, "Ctrl+K");
  EXPECT_EQ(counting->chosen, 1);
  rb::KeyClickForTesting(w, "Ctrl+?");
  EXPECT_EQ(w->calls, std::vector<std::string>{"Help"});  // the window's own handler
  rb::KeyClickForTesting(w, "Ctrl+A");
  rb::KeyClickForTesting(w, "Ctrl+C");
  EXPECT_EQ(rb::ClipboardTextForTesting().Utf8(), "read only text");

  // Ctrl+Q quits from there.
  EXPECT_EQ(rb::RunProgramLoopForTesting([w] { rb::KeyClickForTesting(w, "Ctrl+Q"); }), 0);
}

}  // namespace

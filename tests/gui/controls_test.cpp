// Controls: list rows and columns, edit field text, styles and looks, group
// box frames, check boxes and folder drops onto a static text.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/dragitem.h"
#include "framework/editfield.h"
#include "framework/filetype.h"
#include "framework/folder_item.h"
#include "framework/graphics.h"
#include "framework/gui_testing.h"
#include "framework/listbox.h"
#include "framework/picture.h"
#include "framework/screen.h"
#include "framework/window.h"
#include "gui_fixture.h"
#include "support/test_support.h"

namespace {

class HostWindow : public rb::Window {
 public:
  void Layout() override { _ApplyProperties({{"Width", 400}, {"Height", 300}}); }
  void CreateControls() override {
    _NewControl<rb::Listbox>("List", {{"Left", 0}, {"Top", 0}, {"Width", 300}, {"Height", 200}, {"ColumnCount", 3}});
    _NewControl<rb::EditField>("Query", {{"Left", 0}, {"Top", 210}, {"Width", 300}, {"Height", 60},
                                         {"MultiLine", true}, {"ScrollBarVertical", true}});
    _NewControl<rb::EditField>("Short", {{"Left", 310}, {"Top", 210}, {"Width", 40}, {"Height", 22},
                                         {"LimitText", 4}, {"Text", "jpg"}});
    _NewControl<rb::StaticText>("DropBox", {{"Left", 0}, {"Top", 275}, {"Width", 300}, {"Height", 20},
                                            {"Text", "Drop a folder HERE"}});
    _NewControl<rb::CheckBox>("Tick", {{"Left", 310}, {"Top", 240}, {"Width", 80}, {"Height", 20},
                                       {"Caption", "Ticked box"}});
  }
  rb::Ref<rb::Listbox> List() { return Control<rb::Listbox>("List"); }
  rb::Ref<rb::EditField> Query() { return Control<rb::EditField>("Query"); }
};

rb::Ref<HostWindow> Host() { return rb::ImplicitWindow<HostWindow>("HostWindow"); }

using ControlsTest = GuiTest;

TEST_F(ControlsTest, ListRowsAndCells) {
  auto list = Host()->List();
  EXPECT_EQ(list->ListCount(), 0);
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    list->AddRow("");
    list->SetColumnType(0, rb::Listbox::TypeCheckbox);
    list->SetCellCheck(list->LastIndex(), 0, true);
    list->SetCell(list->LastIndex(), 1, name);
    list->SetCell(list->LastIndex(), 2, std::string("/p/") + name);
  }
  EXPECT_EQ(list->ListCount(), 3);
  EXPECT_EQ(list->LastIndex(), 2);
  EXPECT_EQ(list->Cell(1, 1).Utf8(), "b.jpg");
  EXPECT_EQ(list->Cell(1, 0).Utf8(), "");
  EXPECT_TRUE(list->CellCheck(2, 0));
  list->SetCellCheck(1, 0, false);
  EXPECT_FALSE(list->CellCheck(1, 0));
  EXPECT_FALSE(list->CellCheck(0, 1));  // never set

  list->RemoveRow(0);  // later rows shift up
  EXPECT_EQ(list->ListCount(), 2);
  EXPECT_EQ(list->Cell(0, 1).Utf8(), "b.jpg");
  EXPECT_FALSE(list->CellCheck(0, 0));
  EXPECT_EQ(list->Cell(1, 2).Utf8(), "/p/c.jpg");

  EXPECT_THROW(list->Cell(2, 0), rb::OutOfBoundsException);
  EXPECT_THROW(list->Cell(0, 3), rb::OutOfBoundsException);
  EXPECT_THROW(list->Cell(-1, 2), rb::OutOfBoundsException);
  EXPECT_THROW(list->RemoveRow(5), rb::OutOfBoundsException);

  list->DeleteAllRows();
  EXPECT_EQ(list->ListCount(), 0);
  list->AddRow("again");
  EXPECT_EQ(list->LastIndex(), 0);
  EXPECT_EQ(list->List(0).Utf8(), "again");
}

TEST_F(ControlsTest, ListColumnWidthsAndRowFromXY) {
  auto list = Host()->List();
  list->SetColumnWidths("25,120,1*");
  EXPECT_EQ(list->ColumnWidths().Utf8(), "25,120,1*");
  int total = list->ColumnWidthActual(0) + list->ColumnWidthActual(1) + list->ColumnWidthActual(2);
  EXPECT_EQ(list->ColumnWidthActual(0), 25);
  EXPECT_EQ(list->ColumnWidthActual(1), 120);
  EXPECT_GT(list->ColumnWidthActual(2), 100);
  list->SetColumnWidths("50%,,");  // the rest shared equally
  EXPECT_EQ(list->ColumnWidthActual(0) + list->ColumnWidthActual(1) + list->ColumnWidthActual(2), total);
  EXPECT_LE(std::abs(list->ColumnWidthActual(1) - list->ColumnWidthActual(2)), 1);

  for (int i = 0; i < 5; ++i) list->AddRow(std::to_string(i));
  rb::RunEventLoopFor(20);
  int h = list->DefaultRowHeight();
  ASSERT_GT(h, 0);
  for (int row = 0; row < 5; ++row) EXPECT_EQ(list->RowFromXY(30, row * h + h / 2 + 1), row) << row;
  EXPECT_EQ(list->RowFromXY(30, 5 * h + h), -1);  // below the last row
}

TEST_F(ControlsTest, ListPaintsCellBackgroundsThroughItsHandlerAndReportsDoubleClicks) {
  auto w = Host();
  auto list = w->List();
  list->SetColumnWidths("25,120,1*");
  std::vector<std::pair<int, int>> painted;
  int cellWidth0 = -1;
  w->_InstallInstanceEventHandler(list, "CellBackgroundPaint", [&](rb::Graphics& g, int row, int column) {
    g.SetForeColor(row % 2 == 0 ? rb::RGB(236, 241, 249) : rb::RGB(255, 255, 255));
    g.FillRect(0, 0, g.Width(), g.Height());
    painted.emplace_back(row, column);
    if (column == 0) cellWidth0 = g.Width();
    return false;
  });
  int doubleClicks = 0;
  w->_InstallInstanceEventHandler(list, "DoubleClick", [&] { ++doubleClicks; });
  list->AddRow("");
  list->AddRow("");
  rb::RunEventLoopUntil([&] { return painted.size() >= 6; }, 2000);
  EXPECT_GE(painted.size(), 6u);  // 2 rows x 3 columns
  EXPECT_EQ(cellWidth0, 25);
  rb::DoubleClickRowForTesting(list, 1);
  EXPECT_EQ(doubleClicks, 1);
}

TEST_F(ControlsTest, EditFieldKeepsTheTextItIsGivenAndAppends) {
  auto q = Host()->Query();
  q->SetText("one\r\ntwo\r\n");
  EXPECT_EQ(q->Text().Bytes(), "one\r\ntwo\r\n");  // line ends survive
  q->AppendText("three\r\n");
  EXPECT_EQ(q->Text().Bytes(), "one\r\ntwo\r\nthree\r\n");
  q->SetText("");
  EXPECT_EQ(q->Text().Utf8(), "");
  q->AppendText("x");
  q->AppendText("y");
  EXPECT_EQ(q->Text().Utf8(), "xy");
  q->SelectAll();
  EXPECT_EQ(q->SelText().Utf8(), "xy");
  EXPECT_EQ(q->SelStart(), 0);
  EXPECT_EQ(q->SelLength(), 2);
  q->SetSelStart(1);
  q->SetSelText("-");
  EXPECT_EQ(q->Text().Utf8(), "x-y");
  EXPECT_EQ(q->SelStart(), 2);
}

TEST_F(ControlsTest, EditFieldLineEndsSurviveSettingsMadeAfterTheText) {
  // A field that only ever receives AppendText, and one whose settings
  // change after its text, still give back CR LF exactly.
  auto f = rb::Ref<rb::EditField>::New();
  f->AppendText("4 Requested Files\r\n\r\n");
  f->SetMultiLine(true);
  f->SetAlignment(2);
  f->SetTextSize(14);
  f->AppendText("done\r\n");
  EXPECT_EQ(f->Text().Bytes(), "4 Requested Files\r\n\r\ndone\r\n");

  // A real edit by the user makes the field's own text the text.
  auto q = Host()->Query();
  q->SetText("a\r\nb");
  q->SetFocus();
  rb::TypeTextForTesting(q, "c");
  EXPECT_EQ(q->Text().Bytes().find('\r'), std::string::npos);
}

TEST_F(ControlsTest, EditFieldTypingRespectsLimitAndKeyDown) {
  auto w = Host();
  auto shortField = w->Control<rb::EditField>("Short");
  shortField->SelectAll();
  rb::TypeTextForTesting(shortField, "tiff9");
  EXPECT_EQ(shortField->Text().Utf8(), "tiff");  // at most 4 characters typed

  auto q = w->Query();
  std::vector<std::string> keys;
  bool returnDown = false, enterDown = false;
  w->_InstallInstanceEventHandler(q, "KeyDown", [&](const rb::String& key) {
    keys.push_back(key.Bytes());
    if (rb::Keyboard::AsyncKeyDown(0x24)) returnDown = true;
    if (rb::Keyboard::AsyncKeyDown(0x4C)) enterDown = true;
    return key.Bytes() == "\r" || key.Bytes() == "\x03";  // consumed: no line break
  });
  q->SetText("");
  rb::TypeTextForTesting(q, "ab");
  rb::PressKeyForTesting(q, 0x24);
  rb::PressKeyForTesting(q, 0x4C);
  EXPECT_EQ(keys, (std::vector<std::string>{"a", "b", "\r", "\x03"}));
  EXPECT_TRUE(returnDown);
  EXPECT_TRUE(enterDown);
  EXPECT_FALSE(rb::Keyboard::AsyncKeyDown(0x24));  // released again
  EXPECT_EQ(q->Text().Utf8(), "ab");
}

TEST_F(ControlsTest, EditFieldSelectionStylesApplyToInsertedRuns) {
  auto q = Host()->Query();
  q->SetStyled(true);
  q->SetText("");
  q->SetSelTextFont("Times");
  q->SetSelTextSize(12);
  q->SetSelBold(true);
  q->SetSelTextColor(rb::RGB(255, 0, 0));
  q->SetSelText("Ab");
  q->SetSelBold(false);
  q->SetSelTextSize(10);
  q->SetSelItalic(true);
  q->SetSelExtend(true);
  q->SetSelText("c");
  EXPECT_EQ(q->Text().Utf8(), "Abc");
  EXPECT_EQ(q->SelStart(), 3);
  EXPECT_FALSE(q->SelBold());  // the style the insertion point carries
  EXPECT_EQ(q->SelTextSize(), 10);

  q->SetSelStart(1);  // after "A"
  EXPECT_TRUE(q->SelBold());
  EXPECT_FALSE(q->SelItalic());
  EXPECT_EQ(q->SelTextSize(), 12);
  EXPECT_EQ(q->SelTextFont().Utf8(), "Times");
  EXPECT_EQ(q->SelTextColor(), rb::RGB(255, 0, 0));
  EXPECT_FALSE(q->SelExtend());
  q->SetSelStart(3);  // after "c"
  EXPECT_TRUE(q->SelItalic());
  EXPECT_TRUE(q->SelExtend());
  EXPECT_FALSE(q->SelCondense());

  q->SetSelAlignment(2);
  EXPECT_EQ(q->SelAlignment(), 2);
  q->SetSelAlignment(1);
  EXPECT_EQ(q->SelAlignment(), 1);
  q->SetSelOutline(true);
  q->SetSelShadow(true);
  EXPECT_TRUE(q->SelOutline());
  EXPECT_TRUE(q->SelShadow());
}

// Pixels of the field after it shows "HH" in 40-pixel black text with the
// given styles.
std::vector<rb::Color> Drawn(const rb::Ref<rb::EditField>& q, bool outline, bool shadow) {
  q->SetText("");
  q->SetSelTextSize(40);
  q->SetSelTextColor(rb::RGB(0, 0, 0));
  q->SetSelOutline(outline);
  q->SetSelShadow(shadow);
  q->SetSelText("HH");
  const rb::Ref<rb::Picture> p = rb::GrabControlForTesting(q);
  std::vector<rb::Color> pixels;
  for (int y = 0; y < p->Height(); ++y)
    for (int x = 0; x < p->Width(); ++x) pixels.push_back(rb::PixelForTesting(p, x, y));
  return pixels;
}

// Pixels whose grey level (the mean of red, green and blue) lies in [low, high].
int Count(const std::vector<rb::Color>& pixels, int low, int high) {
  int n = 0;
  for (rb::Color c : pixels) {
    const int level = static_cast<int>(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF)) / 3;
    n += level >= low && level <= high;
  }
  return n;
}

TEST_F(ControlsTest, EditFieldDrawsOutlinedTextHollowAndShadowedTextWithAShadow) {
  auto q = Host()->Query();
  q->SetStyled(true);
  const std::vector<rb::Color> plain = Drawn(q, false, false);
  const std::vector<rb::Color> outlined = Drawn(q, true, false);
  EXPECT_TRUE(q->SelOutline());
  EXPECT_EQ(q->SelTextColor(), rb::RGB(0, 0, 0));  // the outline's colour
  const std::vector<rb::Color> shadowed = Drawn(q, false, true);
  const int dark = Count(plain, 0, 90);
  ASSERT_GT(dark, 100);
  // An outline draws the edges of the letters only.
  EXPECT_GT(Count(outlined, 0, 90), 20);
  EXPECT_LT(Count(outlined, 0, 90), dark / 2);
  // A shadow adds a lighter copy beside the letters.
  EXPECT_GT(Count(shadowed, 91, 230), Count(plain, 91, 230) + 20);
  EXPECT_GE(Count(shadowed, 0, 90), dark - 5);

  // The colour moves between fill and outline as the style comes and goes.
  q->SetSelTextColor(rb::RGB(200, 0, 0));
  q->SetSelOutline(true);
  EXPECT_EQ(q->SelTextColor(), rb::RGB(200, 0, 0));
  q->SetSelTextColor(rb::RGB(0, 0, 200));
  q->SetSelOutline(false);
  EXPECT_EQ(q->SelTextColor(), rb::RGB(0, 0, 200));
}

namespace {
int Luminance(rb::Color c) { return ((c >> 16) & 0xFF) * 3 + ((c >> 8) & 0xFF) * 6 + (c & 0xFF); }
// The darkest pixel of a picture, as a luminance from 0 to 2550.
int Darkest(const rb::Ref<rb::Picture>& p) {
  int darkest = 2550;
  for (int y = 0; y < p->Height(); ++y)
    for (int x = 0; x < p->Width(); ++x) darkest = std::min(darkest, Luminance(rb::PixelForTesting(p, x, y)));
  return darkest;
}
}  // namespace

TEST_F(ControlsTest, ADisabledFieldShowsDimmedText) {
  auto w = Host();
  rb::Ref<rb::EditField> field = w->Control<rb::EditField>("Short");
  field->SetText("IMG_");
  field->SetTextColor(0x000000);
  field->SetBackColor(0xFFFFFF);
  rb::RunEventLoopFor(20);
  const int enabled = Darkest(rb::GrabControlForTesting(field));
  field->SetEnabled(false);
  const int disabled = Darkest(rb::GrabControlForTesting(field));
  EXPECT_LT(enabled, 600);       // black text
  EXPECT_GT(disabled, enabled + 500);  // the toolkit's dimmed text
  field->SetEnabled(true);
  EXPECT_EQ(Darkest(rb::GrabControlForTesting(field)), enabled);
}

TEST_F(ControlsTest, AGroupBoxWithoutCaptionDrawsItsFrameAlongItsRectangle) {
  auto w = Host();
  auto box = rb::Ref<rb::GroupBox>::New();
  w->_AddControl(box, "Box");
  box->_ApplyProperties({{"Left", 10}, {"Top", 10}, {"Width", 300}, {"Height", 24}, {"Caption", ""}});
  rb::RunEventLoopFor(20);
  rb::Ref<rb::Picture> p = rb::GrabControlForTesting(box);
  ASSERT_EQ(p->Height(), 24);
  const int inside = Luminance(rb::PixelForTesting(p, 150, 12));
  auto lineNear = [&](int y0, int y1) {
    for (int y = y0; y <= y1; ++y)
      if (std::abs(Luminance(rb::PixelForTesting(p, 150, y)) - inside) > 150) return true;
    return false;
  };
  EXPECT_TRUE(lineNear(0, 1));    // top edge
  EXPECT_TRUE(lineNear(22, 23));  // bottom edge
  EXPECT_FALSE(lineNear(4, 19));  // nothing across the middle
}

TEST_F(ControlsTest, CheckBoxRaisesActionWhenItsValueChanges) {
  auto w = Host();
  auto tick = w->Control<rb::CheckBox>("Tick");
  int actions = 0;
  w->_InstallInstanceEventHandler(tick, "Action", [&] { ++actions; });
  tick->SetValue(true);
  tick->SetValue(true);  // unchanged: no event
  EXPECT_EQ(actions, 1);
  rb::ClickControlForTesting(tick);
  EXPECT_FALSE(tick->Value());
  EXPECT_EQ(actions, 2);
}

class DropTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    rb::ClearFileTypesForTesting();
    auto folders = rb::Ref<rb::FileType>::New();
    folders->SetName("special/folder");
    folders->SetMacType("fold");
    folders->SetMacCreator("MACS");
    rb::RegisterFileType(folders);
    testsupport::MakeDirs(dir.path() + "/first");
    testsupport::MakeDirs(dir.path() + "/second one");
    testsupport::MakeDirs(dir.path() + "/raw\xff");
    testsupport::WriteFile(dir.path() + "/note.txt", "x");
  }
  void TearDown() override {
    rb::ClearFileTypesForTesting();
    GuiTest::TearDown();
  }
  std::string Uri(const std::string& rel) const { return "file://" + dir.path() + "/" + rel; }
  testsupport::TempDir dir;
};

TEST_F(DropTest, FoldersDroppedAsUriListReachDropObjectOneItemAtATime) {
  auto w = Host();
  auto box = w->Control<rb::StaticText>("DropBox");
  EXPECT_FALSE(rb::DropUriListForTesting(box, Uri("first") + "\r\n"));  // not accepting yet

  box->AcceptFileDrop("special/folder");
  std::vector<std::string> dropped;
  int action = -1;
  w->_InstallInstanceEventHandler(box, "DropObject", [&](const rb::Ref<rb::DragItem>& item, int a) {
    action = a;
    do {
      if (item->FolderItemAvailable()) dropped.push_back(item->FolderItem()->Path());
    } while (item->NextItem());
  });
  std::string list = "# from a file manager\r\n" + Uri("first") + "\r\n" + Uri("second%20one/") + "\r\n" +
                     Uri("note.txt") + "\r\n" + "https://example.org/x\r\n";
  EXPECT_TRUE(rb::DropUriListForTesting(box, list, 1));
  EXPECT_EQ(dropped, (std::vector<std::string>{dir.path() + "/first", dir.path() + "/second one"}));
  EXPECT_EQ(action, 1);

  dropped.clear();
  EXPECT_TRUE(rb::DropUriListForTesting(box, "file://localhost" + dir.path() + "/raw%FF\n"));
  ASSERT_EQ(dropped.size(), 1u);
  EXPECT_EQ(dropped[0], dir.path() + "/raw\xff");  // the very same bytes

  dropped.clear();
  EXPECT_FALSE(rb::DropUriListForTesting(box, Uri("note.txt") + "\r\n"));  // a file is no folder
  EXPECT_FALSE(rb::DropUriListForTesting(box, Uri("gone") + "\r\n"));
  EXPECT_TRUE(dropped.empty());

  // A link is what it points to, as in the folder dialogs.
  ASSERT_EQ(symlink((dir.path() + "/first").c_str(), (dir.path() + "/linked").c_str()), 0);
  ASSERT_EQ(symlink((dir.path() + "/note.txt").c_str(), (dir.path() + "/linked note").c_str()), 0);
  ASSERT_EQ(symlink((dir.path() + "/gone").c_str(), (dir.path() + "/dangling").c_str()), 0);
  EXPECT_TRUE(rb::DropUriListForTesting(box, Uri("linked") + "\r\n"));
  EXPECT_EQ(dropped, std::vector<std::string>{dir.path() + "/linked"});
  EXPECT_FALSE(rb::DropUriListForTesting(box, Uri("linked%20note") + "\r\n"));
  EXPECT_FALSE(rb::DropUriListForTesting(box, Uri("dangling") + "\r\n"));
}

}  // namespace

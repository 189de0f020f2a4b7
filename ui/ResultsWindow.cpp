#include "ui/ResultsWindow.h"

#include "app/FileListKVR.h"
#include "engine/Archive.h"
#include "engine/StringExtract.h"
#include "framework/controls.h"
#include "framework/dialogs.h"
#include "framework/editfield.h"
#include "framework/listbox.h"
#include "framework/screen.h"
#include "ui/AboutWindow.h"
#include "ui/HelpLoader.h"
#include "ui/LayoutDefaults.h"
#include "ui/MenuBar1.h"
#include "ui/MenuNodes.h"
#include "ui/PreviewWindow.h"
#include "ui/SearchWindow.h"
#include "ui/StatisticsWindow.h"

rb::Ref<ResultsWindowClass> ResultsWindow() { return rb::ImplicitWindow<ResultsWindowClass>("ResultsWindow"); }

void ResultsWindowClass::Layout() {
  SetMenuBar(MenuBar1());
  layout::ApplyEveryWindowDefaults(*this);
  _ApplyProperties({{"Title", "Search Results"},
                    {"Width", 702},
                    {"Height", 412},
                    {"MinWidth", 702},
                    {"MinHeight", 412},
                    {"Frame", rb::Window::FrameDocument},
                    {"Resizeable", true},
                    {"CloseButton", true},
                    {"MaximizeButton", true},
                    {"MinimizeButton", true},
                    {"HasBackColor", false},
                    {"BackColor", 0xFFFFFF}});
}

void ResultsWindowClass::CreateControls() {
  _CreateControls0();
  // Nothing to archive while a search is still filling the list.
  if (StringExtract::Running()) Control<rb::PushButton>("ArchiveBtn")->SetEnabled(false);
}

void ResultsWindowClass::_CreateControls0() {
  _NewControl<rb::Listbox>("SearchList", {{"Left", 20},
                                          {"Top", 14},
                                          {"Width", 662},
                                          {"Height", 353},
                                          {"LockLeft", true},
                                          {"LockTop", true},
                                          {"LockRight", true},
                                          {"LockBottom", true},
                                          {"Visible", true},
                                          {"Enabled", true},
                                          {"ColumnCount", 3},
                                          {"HasHeading", false},
                                          {"HeadingIndex", -1},
                                          {"ColumnWidths", ""},
                                          {"InitialValue", ""},
                                          {"SelectionType", 1},
                                          {"ColumnsResizable", true},
                                          {"ScrollBarVertical", true},
                                          {"ScrollBarHorizontal", false},
                                          {"ScrollBarsAutoHide", true},
                                          {"GridLinesHorizontal", 0},
                                          {"GridLinesVertical", 0},
                                          {"DefaultRowHeight", -1},
                                          {"Hierarchical", false},
                                          {"EnableDrag", false},
                                          {"EnableDragReorder", false},
                                          {"RequiresSelection", false},
                                          {"UseFocusRing", true},
                                          {"TextFont", "System"},
                                          {"TextSize", 12},
                                          {"Bold", false},
                                          {"Italic", false},
                                          {"Underline", false}});
  _InstallInstanceEventHandler(Control("SearchList"), "CellBackgroundPaint",
                               [this](rb::Graphics& g, int row, int column) {
                                 return SearchList_CellBackgroundPaint(g, row, column);
                               });
  _InstallInstanceEventHandler(Control("SearchList"), "DoubleClick", [this] { SearchList_DoubleClick(); });
  _InstallInstanceEventHandler(Control("SearchList"), "CellGotFocus",
                               [this](int row, int column) { SearchList_CellGotFocus(row, column); });
  _NewControl<rb::PushButton>("ArchiveBtn", {{"Left", 588},
                                             {"Top", 380},
                                             {"Width", 94},
                                             {"Height", 20},
                                             {"LockLeft", false},
                                             {"LockTop", false},
                                             {"LockRight", true},
                                             {"LockBottom", true},
                                             {"Visible", true},
                                             {"Enabled", true},
                                             {"Caption", "Archive Files"},
                                             {"Default", true},
                                             {"Cancel", false},
                                             {"TextFont", "System"},
                                             {"TextSize", 12},
                                             {"Bold", false},
                                             {"Italic", false},
                                             {"Underline", false}});
  _InstallInstanceEventHandler(Control("ArchiveBtn"), "Action", [this] { ArchiveBtn_Action(); });
  _NewControl<rb::PushButton>("cancelbtn", {{"Left", 489},
                                            {"Top", 380},
                                            {"Width", 69},
                                            {"Height", 20},
                                            {"LockLeft", false},
                                            {"LockTop", false},
                                            {"LockRight", true},
                                            {"LockBottom", true},
                                            {"Visible", true},
                                            {"Enabled", true},
                                            {"Caption", "Cancel"},
                                            {"Default", false},
                                            {"Cancel", false},
                                            {"TextFont", "System"},
                                            {"TextSize", 12},
                                            {"Bold", false},
                                            {"Italic", false},
                                            {"Underline", false}});
  _InstallInstanceEventHandler(Control("cancelbtn"), "Action", [this] { cancelbtn_Action(); });
  _NewControl<rb::CheckBox>("BurnCheckBox", {{"Left", 20},
                                             {"Top", 379},
                                             {"Width", 149},
                                             {"Height", 20},
                                             {"LockLeft", true},
                                             {"LockTop", false},
                                             {"LockRight", false},
                                             {"LockBottom", true},
                                             {"Visible", false},
                                             {"Enabled", false},
                                             {"Caption", "Archive to CD/DVD"},
                                             {"Value", false},
                                             {"TextFont", "System"},
                                             {"TextSize", 0},
                                             {"Bold", false},
                                             {"Italic", false},
                                             {"Underline", false}});
}

void ResultsWindowClass::AddMenuHandlers() {
  _AddMenuHandler("Help", [this] { return _Help_Action(); });
  _AddMenuHandler("EditAbout", [this] { return _EditAbout_Action(); });
  _AddMenuHandler("ViewStatisticsWindow", [this] { return _ViewStatisticsWindow_Action(); });
}

bool ResultsWindowClass::SearchList_CellBackgroundPaint(rb::Graphics& g, int row, int column) {
  g.SetForeColor(row % 2 == 0 ? rb::RGB(236, 241, 249) : rb::RGB(255, 255, 255));
  g.FillRect(0, 0, g.Width(), g.Height());
  return false;
}

void ResultsWindowClass::SearchList_DoubleClick() {
  rb::Ref<rb::Listbox> list = Control<rb::Listbox>("SearchList");
  const int x = rb::System::MouseX() - list->Left() - Left();
  const int y = rb::System::MouseY() - list->Top() - Top();
  const int row = list->RowFromXY(x, y);
  if (row < 0 || row >= list->ListCount()) return;  // below the last row

  // A path that no longer resolves is no picture either.
  rb::Ref<rb::FolderItem> f = rb::GetFolderItem(list->Cell(row, 2), 0);
  if (f && IsPictureFileKVR(f)) {
    PreviewWindow()->SourceImage = rb::GetFolderItem(list->Cell(row, 2), 0);
    PreviewWindow()->SetTitle(list->Cell(row, 1));
    PreviewWindow()->Show();
    PreviewWindow()->Refresh(true);
  } else {
    rb::MsgBox("You can only preview image files.", 48, "");
    PreviewWindow()->Hide();
  }
}

void ResultsWindowClass::SearchList_CellGotFocus(int row, int column) {}

void ResultsWindowClass::ArchiveBtn_Action() { Archive::Copy(); }

void ResultsWindowClass::cancelbtn_Action() {
  ResultsWindow()->Hide();
  StatisticsWindow()->Hide();
  StatisticsWindow()->Control<rb::EditField>("statfield")->SetText("");
  SearchWindow()->Show();
}


void ResultsWindowClass::Event_Close() {}

void ResultsWindowClass::Event_Activate() {
  ResultsWindow()->ViewStatisticsWindow()->Enable();
  ResultsWindow()->ViewStatisticsWindow()->SetText(StatisticsWindowShown() ? "Hide Statistics"
                                                                            : "Show Statistics");
}

bool ResultsWindowClass::_Help_Action() { return HelpLoader::HelpAction(); }

void ResultsWindowClass::parseRTF(const rb::Ref<rb::FolderItem>& file) { HelpLoader::ParseRTF(file); }

bool ResultsWindowClass::_EditAbout_Action() {
  AboutWindow()->Show();
  return false;
}

bool ResultsWindowClass::_ViewStatisticsWindow_Action() {
  if (StatisticsWindowShown()) {
    StatisticsWindow()->Hide();
    ResultsWindow()->ViewStatisticsWindow()->SetText("Show Statistics");
  } else {
    StatisticsWindow()->Show();
    ResultsWindow()->ViewStatisticsWindow()->SetText("Hide Statistics");
  }
  return false;
}

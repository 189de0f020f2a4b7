#include "ui/SearchWindow.h"

#include "framework/application.h"
#include "framework/controls.h"
#include "framework/editfield.h"
#include "ui/AboutWindow.h"
#include "ui/MenuBar1.h"
#include "ui/MenuNodes.h"
#include "engine/Archive.h"
#include "engine/StringExtract.h"
#include "framework/background_task.h"
#include "framework/dialogs.h"
#include "framework/screen.h"
#include "ui/HelpLoader.h"
#include "ui/LayoutDefaults.h"
#include "ui/SearchProgressWindow.h"
#include "ui/StatisticsWindow.h"

rb::Ref<SearchWindowClass> SearchWindow() { return rb::ImplicitWindow<SearchWindowClass>("SearchWindow"); }

void SearchWindowClass::Layout() {
  SetMenuBar(MenuBar1());
  layout::ApplyEveryWindowDefaults(*this);
  _ApplyProperties({{"Title", "Skerrow! Batch File Search"},
                    {"Width", 702},
                    {"Height", 493},
                    {"MinWidth", 702},
                    {"MinHeight", 412},
                    {"Frame", 0},
                    {"Resizeable", false},
                    {"CloseButton", true},
                    {"MaximizeButton", false},
                    {"MinimizeButton", true},
                    {"HasBackColor", false},
                    {"BackColor", 0xFFFFFF}});
}

void SearchWindowClass::CreateControls() { _CreateControls0(); }

void SearchWindowClass::_CreateControls0() {
  _NewControl<rb::CheckBox>("PrefixCheckBox",
                            {{"Left", 20}, {"Top", 60}, {"Width", 94}, {"Height", 20},
                             {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                             {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                             {"InitialParent", ""}, {"TabPanelIndex", 0},
                             {"Caption", "File Prefix:"}, {"Value", false},
                             {"TextFont", "System"}, {"TextSize", 0},
                             {"Bold", true}, {"Italic", false}, {"Underline", false}});
  _InstallInstanceEventHandler(Control("PrefixCheckBox"), "Action", [this] { PrefixCheckBox_Action(); });

  _NewControl<rb::CheckBox>("ExtensionCheckBox",
                            {{"Left", 20}, {"Top", 103}, {"Width", 94}, {"Height", 20},
                             {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                             {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                             {"InitialParent", ""}, {"TabPanelIndex", 0},
                             {"Caption", "File Suffix:"}, {"Value", true},
                             {"TextFont", "System"}, {"TextSize", 0},
                             {"Bold", true}, {"Italic", false}, {"Underline", false}});
  _InstallInstanceEventHandler(Control("ExtensionCheckBox"), "Action", [this] { ExtensionCheckBox_Action(); });

  _NewControl<rb::GroupBox>("RootSearchGroupbox1",
                            {{"Left", 200}, {"Top", 175}, {"Width", 474}, {"Height", 24},
                             {"LockLeft", true}, {"LockTop", false}, {"LockRight", true}, {"LockBottom", false},
                             {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                             {"InitialParent", ""}, {"TabPanelIndex", 0},
                             {"Caption", ""},
                             {"TextFont", "System"}, {"TextSize", 0},
                             {"Bold", false}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::GroupBox>("RootSearchGroupbox",
                            {{"Left", 200}, {"Top", 17}, {"Width", 474}, {"Height", 24},
                             {"LockLeft", true}, {"LockTop", true}, {"LockRight", false}, {"LockBottom", false},
                             {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                             {"InitialParent", ""}, {"TabPanelIndex", 0},
                             {"Caption", ""},
                             {"TextFont", "System"}, {"TextSize", 0},
                             {"Bold", false}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::EditField>("SearchField",
                             {{"Left", 20}, {"Top", 266}, {"Width", 661}, {"Height", 161},
                              {"LockLeft", true}, {"LockTop", true}, {"LockRight", true}, {"LockBottom", true},
                              {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                              {"InitialParent", ""}, {"TabPanelIndex", 0},
                              {"Text", ""}, {"MultiLine", true}, {"ReadOnly", false}, {"Styled", false},
                              {"Password", false}, {"AcceptTabs", false}, {"Border", true},
                              {"ScrollBarVertical", true}, {"ScrollBarHorizontal", false}, {"LimitText", 0},
                              {"Alignment", 0}, {"UseFocusRing", true}, {"TextColor", 0x000000},
                              {"BackColor", 0xFFFFFF}, {"Format", ""}, {"Mask", ""},
                              {"TextFont", "System"}, {"TextSize", 12},
                              {"Bold", false}, {"Italic", false}, {"Underline", false}});
  _InstallInstanceEventHandler(Control("SearchField"), "KeyDown",
                               [this](const rb::String& key) { return SearchField_KeyDown(key); });

  _NewControl<rb::PushButton>("SearchBtn",
                              {{"Left", 612}, {"Top", 454}, {"Width", 69}, {"Height", 20},
                               {"LockLeft", false}, {"LockTop", false}, {"LockRight", true}, {"LockBottom", true},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", ""}, {"TabPanelIndex", 0},
                               {"Caption", "Search"}, {"Default", true}, {"Cancel", false},
                               {"TextFont", "System"}, {"TextSize", 12},
                               {"Bold", false}, {"Italic", false}, {"Underline", false}});
  _InstallInstanceEventHandler(Control("SearchBtn"), "Action", [this] { SearchBtn_Action(); });

  _NewControl<rb::StaticText>("SearchRoot",
                              {{"Left", 205}, {"Top", 19}, {"Width", 469}, {"Height", 20},
                               {"LockLeft", true}, {"LockTop", true}, {"LockRight", true}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", "RootSearchGroupbox"}, {"TabPanelIndex", 0},
                               {"Text", "Search not specified. Drag and drop your search directory HERE "},
                               {"TextAlign", 0}, {"MultiLine", false}, {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 12},
                               {"Bold", false}, {"Italic", false}, {"Underline", false}});
  _InstallInstanceEventHandler(Control("SearchRoot"), "DropObject",
                               [this](const rb::Ref<rb::DragItem>& obj, int action) { SearchRoot_DropObject(obj, action); });
  _InstallInstanceEventHandler(Control("SearchRoot"), "Open", [this] { SearchRoot_Open(); });

  _NewControl<rb::StaticText>("SearchStatic",
                              {{"Left", 137}, {"Top", 17}, {"Width", 58}, {"Height", 20},
                               {"LockLeft", true}, {"LockTop", true}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", ""}, {"TabPanelIndex", 0},
                               {"Text", "Search In:"}, {"TextAlign", 0}, {"MultiLine", false},
                               {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 12},
                               {"Bold", true}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::StaticText>("StaticText3",
                              {{"Left", 20}, {"Top", 236}, {"Width", 650}, {"Height", 25},
                               {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", ""}, {"TabPanelIndex", 0},
                               {"Text",
                                "Enter the file names you wish to find in the space below. To add multiple files, "
                                "separating each entry with a comma. Do not use spaces between entries!"},
                               {"TextAlign", 0}, {"MultiLine", true}, {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 10},
                               {"Bold", false}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::Separator>("Separator1",
                             {{"Left", 20}, {"Top", 49}, {"Width", 661}, {"Height", 4},
                              {"LockLeft", true}, {"LockTop", true}, {"LockRight", true}, {"LockBottom", false},
                              {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                              {"InitialParent", ""}, {"TabPanelIndex", 0}});

  _NewControl<rb::Separator>("Separator2",
                             {{"Left", 20}, {"Top", 161}, {"Width", 661}, {"Height", 4},
                              {"LockLeft", true}, {"LockTop", false}, {"LockRight", true}, {"LockBottom", false},
                              {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                              {"InitialParent", ""}, {"TabPanelIndex", 0}});

  _NewControl<rb::EditField>("ExtensionField",
                             {{"Left", 116}, {"Top", 101}, {"Width", 40}, {"Height", 22},
                              {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                              {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                              {"InitialParent", ""}, {"TabPanelIndex", 0},
                              {"Text", "jpg"}, {"MultiLine", false}, {"ReadOnly", false}, {"Styled", false},
                              {"Password", false}, {"AcceptTabs", false}, {"Border", true},
                              {"ScrollBarVertical", true}, {"ScrollBarHorizontal", false}, {"LimitText", 4},
                              {"Alignment", 0}, {"UseFocusRing", true}, {"TextColor", 0x000000},
                              {"BackColor", 0xFFFFFF}, {"Format", ""}, {"Mask", ""},
                              {"TextFont", "System"}, {"TextSize", 0},
                              {"Bold", false}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::StaticText>("ExtensionStatic1",
                              {{"Left", 165}, {"Top", 101}, {"Width", 509}, {"Height", 28},
                               {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", ""}, {"TabPanelIndex", 0},
                               {"Text",
                                "Using a default file extension allows you to type in file names without an "
                                "extension, i.e., \"003, 005, 008, 013, 021\". "},
                               {"TextAlign", 0}, {"MultiLine", true}, {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 10},
                               {"Bold", false}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::StaticText>("ExtensionStatic2",
                              {{"Left", 20}, {"Top", 128}, {"Width", 654}, {"Height", 29},
                               {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", ""}, {"TabPanelIndex", 0},
                               {"Text",
                                "You can type in the extension to your file if you have an exception. For example, "
                                "if you are primarily searching for JPGs but have a few TIF files, simply type in "
                                "your files with the extension (003.tif). Unchecking the Extension Box will force a "
                                "literal search for your files."},
                               {"TextAlign", 0}, {"MultiLine", true}, {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 10},
                               {"Bold", false}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::StaticText>("FileSearchStatic",
                              {{"Left", 20}, {"Top", 216}, {"Width", 120}, {"Height", 20},
                               {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", ""}, {"TabPanelIndex", 0},
                               {"Text", "Files to search for:"}, {"TextAlign", 0}, {"MultiLine", false},
                               {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 12},
                               {"Bold", true}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::StaticText>("CopyFolderLocation",
                              {{"Left", 205}, {"Top", 177}, {"Width", 469}, {"Height", 20},
                               {"LockLeft", true}, {"LockTop", true}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", "RootSearchGroupbox1"}, {"TabPanelIndex", 0},
                               {"Text", "Location not specified. Drag and drop your search directory HERE"},
                               {"TextAlign", 0}, {"MultiLine", false}, {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 12},
                               {"Bold", false}, {"Italic", false}, {"Underline", false}});
  _InstallInstanceEventHandler(Control("CopyFolderLocation"), "DropObject",
                               [this](const rb::Ref<rb::DragItem>& obj, int action) {
                                 CopyFolderLocation_DropObject(obj, action);
                               });
  _InstallInstanceEventHandler(Control("CopyFolderLocation"), "Open", [this] { CopyFolderLocation_Open(); });

  _NewControl<rb::PushButton>("CopyToButton",
                              {{"Left", 20}, {"Top", 176}, {"Width", 109}, {"Height", 20},
                               {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", ""}, {"TabPanelIndex", 0},
                               {"Caption", "Set Location..."}, {"Default", false}, {"Cancel", false},
                               {"TextFont", "System"}, {"TextSize", 0},
                               {"Bold", false}, {"Italic", false}, {"Underline", false}});
  _InstallInstanceEventHandler(Control("CopyToButton"), "Action", [this] { CopyToButton_Action(); });

  _NewControl<rb::Separator>("Separator3",
                             {{"Left", 20}, {"Top", 209}, {"Width", 661}, {"Height", 4},
                              {"LockLeft", true}, {"LockTop", false}, {"LockRight", true}, {"LockBottom", false},
                              {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                              {"InitialParent", ""}, {"TabPanelIndex", 0}});

  _NewControl<rb::StaticText>("CopyToStatic",
                              {{"Left", 137}, {"Top", 177}, {"Width", 58}, {"Height", 20},
                               {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", ""}, {"TabPanelIndex", 0},
                               {"Text", "Copy To:"}, {"TextAlign", 0}, {"MultiLine", false},
                               {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 12},
                               {"Bold", true}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::EditField>("PrefixField",
                             {{"Left", 116}, {"Top", 58}, {"Width", 40}, {"Height", 22},
                              {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                              {"Visible", true}, {"Enabled", false}, {"AutoDeactivate", true}, {"HelpTag", ""},
                              {"InitialParent", ""}, {"TabPanelIndex", 0},
                              {"Text", "IMG_"}, {"MultiLine", false}, {"ReadOnly", false}, {"Styled", false},
                              {"Password", false}, {"AcceptTabs", false}, {"Border", true},
                              {"ScrollBarVertical", true}, {"ScrollBarHorizontal", false}, {"LimitText", 4},
                              {"Alignment", 0}, {"UseFocusRing", true}, {"TextColor", 0x000000},
                              {"BackColor", 0xFFFFFF}, {"Format", ""}, {"Mask", ""},
                              {"TextFont", "System"}, {"TextSize", 0},
                              {"Bold", false}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::StaticText>("PrefixStatic1",
                              {{"Left", 165}, {"Top", 58}, {"Width", 509}, {"Height", 28},
                               {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", ""}, {"TabPanelIndex", 0},
                               {"Text",
                                "Some cameras will use a prefix in their file naming convention. This allows you to "
                                "set the common prefix, reducing the redunancy of perpetual re-typing. "},
                               {"TextAlign", 0}, {"MultiLine", true}, {"TextColor", 0x000000},
                               {"TextFont", "System"}, {"TextSize", 10},
                               {"Bold", false}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::Separator>("Separator4",
                             {{"Left", 20}, {"Top", 90}, {"Width", 661}, {"Height", 4},
                              {"LockLeft", true}, {"LockTop", false}, {"LockRight", true}, {"LockBottom", false},
                              {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                              {"InitialParent", ""}, {"TabPanelIndex", 0}});

  _NewControl<rb::CheckBox>("CheckBox1",
                            {{"Left", 20}, {"Top", 453}, {"Width", 185}, {"Height", 20},
                             {"LockLeft", false}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                             {"Visible", false}, {"Enabled", false}, {"AutoDeactivate", true}, {"HelpTag", ""},
                             {"InitialParent", ""}, {"TabPanelIndex", 0},
                             {"Caption", "Filter out Duplicate Files"}, {"Value", true},
                             {"TextFont", "System"}, {"TextSize", 0},
                             {"Bold", false}, {"Italic", false}, {"Underline", false}});

  _NewControl<rb::PushButton>("SearchInButton",
                              {{"Left", 20}, {"Top", 16}, {"Width", 109}, {"Height", 20},
                               {"LockLeft", true}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false},
                               {"Visible", true}, {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""},
                               {"InitialParent", ""}, {"TabPanelIndex", 0},
                               {"Caption", "Set Location..."}, {"Default", false}, {"Cancel", false},
                               {"TextFont", "System"}, {"TextSize", 0},
                               {"Bold", false}, {"Italic", false}, {"Underline", false}});
  _InstallInstanceEventHandler(Control("SearchInButton"), "Action", [this] { SearchInButton_Action(); });
}

void SearchWindowClass::AddMenuHandlers() {
  _AddMenuHandler("FileOpenSearch", [this] { return _FileOpenSearch_Action(); });
  _AddMenuHandler("FileDesination", [this] { return _FileDesination_Action(); });
  _AddMenuHandler("EditSelectAll", [this] { return _EditSelectAll_Action(); });
  _AddMenuHandler("EditClear", [this] { return _EditClear_Action(); });
  _AddMenuHandler("EditAbout", [this] { return _EditAbout_Action(); });
  _AddMenuHandler("Help", [this] { return _Help_Action(); });
}

// ---- Control events ----

void SearchWindowClass::PrefixCheckBox_Action() {
  Control<rb::EditField>("PrefixField")->SetEnabled(Control<rb::CheckBox>("PrefixCheckBox")->Value());
}

void SearchWindowClass::ExtensionCheckBox_Action() {
  Control<rb::EditField>("ExtensionField")->SetEnabled(Control<rb::CheckBox>("ExtensionCheckBox")->Value());
}

bool SearchWindowClass::SearchField_KeyDown(const rb::String& key) {
  // The physical keys decide, not the character: Return, then keypad Enter.
  if (rb::Keyboard::AsyncKeyDown(0x24) || rb::Keyboard::AsyncKeyDown(0x4C)) {
    Control<rb::PushButton>("SearchBtn")->Push();
    return true;
  }
  return false;
}

void SearchWindowClass::SearchBtn_Action() {
  // A search or an archive run that is under way (its window brought back
  // by the progress window's Cancel) keeps the engine and the list to itself.
  if (StringExtract::Running() || Archive::Running()) return;
  if (!SearchFolder) {
    rb::MsgBox("Please specify a volume or folder to search.", 48, "");
    return;
  }
  if (!SaveFolder) {
    rb::MsgBox("Please select a destination to copy your files into.", 48, "");
    return;
  }
  if (Control<rb::EditField>("SearchField")->Text().Empty()) {
    rb::MsgBox("Please enter your query.", 48, "");
    return;
  }
  SearchWindow()->Hide();
  SearchProgressWindow()->Show();
  StringExtract::Extract();
}

namespace {

// Every dropped item that carries a folder becomes the folder in turn, and
// its name is shown; items without one are skipped.
void TakeDroppedFolders(const rb::Ref<rb::DragItem>& obj, rb::Ref<rb::FolderItem>& folder,
                        const rb::Ref<rb::StaticText>& box) {
  if (!obj->FolderItemAvailable()) {
    rb::MsgBox("This is not a folder. Please drag and drop a folder to the search box.");
    return;
  }
  do {
    if (rb::Ref<rb::FolderItem> item = obj->FolderItem()) {
      folder = item;
      box->SetText(item->Name());
    }
    rb::RuntimeBackgroundTask();
  } while (obj->NextItem());
}

// The folder dialog of the two "Set Location..." buttons; nil when cancelled.
rb::Ref<rb::FolderItem> ChooseFolder(const char* title, const char* prompt) {
  rb::Ref<rb::SelectFolderDialog> dlg = rb::Ref<rb::SelectFolderDialog>::New();
  dlg->SetActionButtonCaption("Select");
  dlg->SetTitle(title);
  dlg->SetPromptText(prompt);
  dlg->SetInitialDirectory(rb::Volume(0)->Child("Documents"));
  return dlg->ShowModalWithin(SearchWindow());
}

}  // namespace

void SearchWindowClass::SearchRoot_DropObject(const rb::Ref<rb::DragItem>& obj, int action) {
  TakeDroppedFolders(obj, SearchFolder, Control<rb::StaticText>("SearchRoot"));
}

void SearchWindowClass::SearchRoot_Open() { Control<rb::StaticText>("SearchRoot")->AcceptFileDrop("special/folder"); }

void SearchWindowClass::CopyFolderLocation_DropObject(const rb::Ref<rb::DragItem>& obj, int action) {
  TakeDroppedFolders(obj, SaveFolder, Control<rb::StaticText>("CopyFolderLocation"));
}

void SearchWindowClass::CopyFolderLocation_Open() {
  Control<rb::StaticText>("CopyFolderLocation")->AcceptFileDrop("special/folder");
}

void SearchWindowClass::CopyToButton_Action() {
  rb::Ref<rb::FolderItem> folder =
      ChooseFolder("Copy File Location", "Choose or create a folder to copy your search items into");
  if (folder) {
    SaveFolder = folder;
    Control<rb::StaticText>("CopyFolderLocation")->SetText(SaveFolder->Name());
  }
}

void SearchWindowClass::SearchInButton_Action() {
  rb::Ref<rb::FolderItem> folder = ChooseFolder("Search File Location", "Choose a folder to search for your items");
  if (folder) {
    SearchFolder = folder;
    Control<rb::StaticText>("SearchRoot")->SetText(SearchFolder->Name());
  }
}

void SearchWindowClass::Event_Activate() {
  StatisticsWindow()->Hide();
  EditClear()->Enable();
  EditSelectAll()->Enable();
  FileDesination()->Enable();
  FileOpenSearch()->Enable();
  EditUndo()->Enable();
  ViewStatisticsWindow()->SetText("Show Statistics");
}

void SearchWindowClass::Event_Close() { rb::Quit(0); }

bool SearchWindowClass::_FileOpenSearch_Action() {
  SearchInButton_Action();
  return false;
}
bool SearchWindowClass::_FileDesination_Action() {
  CopyToButton_Action();
  return false;
}
bool SearchWindowClass::_EditSelectAll_Action() {
  SearchWindow()->Control<rb::EditField>("SearchField")->SelectAll();
  return false;
}
bool SearchWindowClass::_EditClear_Action() {
  SearchWindow()->Control<rb::EditField>("SearchField")->SetText("");
  return false;
}

bool SearchWindowClass::_EditAbout_Action() {
  AboutWindow()->Show();
  return false;
}

bool SearchWindowClass::_Help_Action() { return HelpLoader::HelpAction(); }

void SearchWindowClass::parseRTF(const rb::Ref<rb::FolderItem>& file) { HelpLoader::ParseRTF(file); }


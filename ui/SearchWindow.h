// The main window: search folder, prefix and extension options,
// destination, the query and the Search button.
#pragma once

#include "framework/dragitem.h"
#include "framework/folder_item.h"
#include "framework/menu.h"
#include "framework/window.h"
#include "ui/MenuNodes.h"

class SearchWindowClass : public rb::Window,
                          public menunodes::MenuItemAccessors<SearchWindowClass>,
                          public menunodes::ViewMenuAccessors<SearchWindowClass> {
 public:
  // The folder or volume to search; nil until the user names one.
  rb::Ref<rb::FolderItem> SearchFolder;
  // The destination of the copies and the report; nil until named.
  rb::Ref<rb::FolderItem> SaveFolder;

  // Creation steps.
  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();
  void AddMenuHandlers() override;

  // Control events.
  // The prefix and extension fields are enabled while their boxes are ticked.
  void PrefixCheckBox_Action();
  void ExtensionCheckBox_Action();
  // Return or keypad Enter presses Search and is not typed.
  bool SearchField_KeyDown(const rb::String& key);
  // Checks the inputs and runs the search; refused while a search or an
  // archive run is under way.
  void SearchBtn_Action();
  // Dropped folders become the search folder (the last one stays).
  void SearchRoot_DropObject(const rb::Ref<rb::DragItem>& obj, int action);
  void SearchRoot_Open();
  // Dropped folders become the destination (the last one stays).
  void CopyFolderLocation_DropObject(const rb::Ref<rb::DragItem>& obj, int action);
  void CopyFolderLocation_Open();
  // The destination and search-folder dialogs.
  void CopyToButton_Action();
  void SearchInButton_Action();

  // Hides the statistics window, enables the search's menu items and sets
  // the View item to "Show Statistics".
  void Event_Activate() override;

  // Closing the search window quits the program.
  void Event_Close() override;

  // Menu handlers; each answers false.
  bool _FileOpenSearch_Action();
  bool _FileDesination_Action();
  bool _EditSelectAll_Action();
  bool _EditClear_Action();
  bool _EditAbout_Action();
  bool _Help_Action();
  // Renders the help file into the help window.
  void parseRTF(const rb::Ref<rb::FolderItem>& file);
};

// The search window, created (and shown) on first use.
rb::Ref<SearchWindowClass> SearchWindow();

#include "engine/StringExtract.h"

#include "engine/DuplicateCheck.h"
#include "engine/Extension.h"
#include "engine/MissingFiles.h"
#include "engine/Search.h"
#include "framework/application.h"
#include "framework/background_task.h"
#include "framework/controls.h"
#include "framework/dialogs.h"
#include "framework/editfield.h"
#include "framework/listbox.h"
#include "ui/ResultsWindow.h"
#include "ui/SearchProgressWindow.h"
#include "ui/SearchWindow.h"
#include "ui/StatisticsWindow.h"

namespace StringExtract {

namespace {

bool gRunning = false;

// "Archive Files" of the open results window, if any (a window built
// during a search comes with it disabled).
void EnableArchive(bool enabled) {
  rb::Ref<rb::Window> results = rb::_GetImplicitWindow("ResultsWindow");
  if (!results) return;
  if (rb::Ref<rb::PushButton> button = results->Control<rb::PushButton>("ArchiveBtn")) button->SetEnabled(enabled);
}

// Marks a search as running for as long as it lives; the results cannot
// be archived meanwhile.
class RunningSearch {
 public:
  RunningSearch() {
    gRunning = true;
    EnableArchive(false);
  }
  ~RunningSearch() {
    gRunning = false;
    EnableArchive(true);
  }
  RunningSearch(const RunningSearch&) = delete;
  RunningSearch& operator=(const RunningSearch&) = delete;
};

// The folder a search walks: a search folder that is a symbolic link to a
// folder is walked in the folder it leads to, as find -H does; links below
// it are never followed.
rb::Ref<rb::FolderItem> WalkedFolder(const rb::Ref<rb::FolderItem>& folder) {
  if (folder && folder->IsLink()) {
    rb::Ref<rb::FolderItem> target = folder->LinkTarget();
    if (target && target->Directory()) return target;
  }
  return folder;
}

}  // namespace

bool Running() { return gRunning; }

void Extract() {
  // The module variables and the results list exist once: a second search
  // started during this one's yields would share them.
  if (gRunning) return;
  RunningSearch running;

  SearchedFor = 0;
  const rb::String query = SearchWindow()->Control<rb::EditField>("SearchField")->Text();
  Search::FoundFiles = 0;
  ResultsWindow()->Control<rb::Listbox>("SearchList")->DeleteAllRows();
  const int n = rb::CountFields(query, ",");
  for (int i = 1; i <= n; ++i) {
    rb::String field = rb::NthField(query, ",", i);
    rb::Ref<rb::FolderItem> item = rb::GetFolderItem(field, 0);
    if (item) {
      Extension::Filename = item->Name();
      SearchedFor += 1;
      Extension::ExtensionOn();
      SearchProgressWindow()->Control<rb::StaticText>("searchstatic")->SetText(Extension::Filename);
      Search::Run(WalkedFolder(SearchWindow()->SearchFolder));
    }
    rb::RuntimeBackgroundTask();
    // The program is quitting: nothing more is searched, shown or written.
    if (rb::Quitting()) return;
  }

  // The rows the list really holds: a results window closed during the walk
  // took its rows with it.
  Search::FoundFiles = ResultsWindow()->Control<rb::Listbox>("SearchList")->ListCount();
  if (Search::FoundFiles < 1) {
    SearchProgressWindow()->Close();
    ResultsWindow()->Close();
    if (rb::MsgBox("No items found!", 48, "") == 1) SearchWindow()->Show();
    return;
  }
  DuplicateCheck::Run();
  if (rb::Quitting()) return;
  MissingFiles::Run();
  if (rb::Quitting()) return;
  ResultsWindow()->Control<rb::Listbox>("SearchList")->SetColumnWidths("25,120,1*");
  SearchProgressWindow()->Close();
  StatisticsWindow()->SetFrame(rb::Window::FrameFloating);
  StatisticsWindow()->Show();
  ResultsWindow()->Show();
}

}  // namespace StringExtract

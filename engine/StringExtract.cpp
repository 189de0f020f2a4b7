#include "engine/StringExtract.h"

#include "engine/DuplicateCheck.h"
#include "engine/Extension.h"
#include "engine/MissingFiles.h"
#include "engine/Search.h"
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

// Marks a search as running for as long as it lives.
class RunningSearch {
 public:
  RunningSearch() { gRunning = true; }
  ~RunningSearch() { gRunning = false; }
  RunningSearch(const RunningSearch&) = delete;
  RunningSearch& operator=(const RunningSearch&) = delete;
};

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
      Search::Run(SearchWindow()->SearchFolder);
    }
    rb::RuntimeBackgroundTask();
  }

  if (Search::FoundFiles < 1) {
    SearchProgressWindow()->Close();
    ResultsWindow()->Close();
    if (rb::MsgBox("No items found!", 48, "") == 1) SearchWindow()->Show();
    return;
  }
  DuplicateCheck::Run();
  MissingFiles::Run();
  ResultsWindow()->Control<rb::Listbox>("SearchList")->SetColumnWidths("25,120,1*");
  SearchProgressWindow()->Close();
  StatisticsWindow()->SetFrame(rb::Window::FrameFloating);
  StatisticsWindow()->Show();
  ResultsWindow()->Show();
}

}  // namespace StringExtract

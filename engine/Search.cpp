#include "engine/Search.h"

#include "app/FileListKVR.h"
#include "engine/Extension.h"
#include "framework/application.h"
#include "framework/background_task.h"
#include "framework/listbox.h"
#include "ui/ResultsWindow.h"

namespace Search {

void Run(const rb::Ref<rb::FolderItem>& folder) {
  rb::Ref<FileListKVR> list = FileListKVR::New(folder);
  const int last = list->Count() - 1;
  for (int i = 0; i <= last; ++i) {
    if (list->Directory(i)) {
      Run(list->Item(i));
    } else if (list->Name(i) == Extension::Filename) {
      rb::Ref<rb::Listbox> rows = ResultsWindow()->Control<rb::Listbox>("SearchList");
      rows->AddRow("");
      rows->SetColumnType(0, rb::Listbox::TypeCheckbox);
      rows->SetCellCheck(rows->LastIndex(), 0, true);
      FoundFiles += 1;
      rows->SetCell(rows->LastIndex(), 1, list->Name(i));
      rows->SetCell(rows->LastIndex(), 2, folder->AbsolutePath() + list->Name(i));
    }
    rb::RuntimeBackgroundTask();
    // Quit during the yield: the walk ends here, adding no more rows.
    if (rb::Quitting()) return;
  }
}

rb::Ref<rb::Listbox> OpenResultsList() {
  rb::Ref<rb::Window> results = rb::_GetImplicitWindow("ResultsWindow");
  return results ? results->Control<rb::Listbox>("SearchList") : nullptr;
}

}  // namespace Search

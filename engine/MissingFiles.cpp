#include "engine/MissingFiles.h"

#include "engine/Extension.h"
#include "engine/NameIndex.h"
#include "engine/Search.h"
#include "framework/application.h"
#include "framework/background_task.h"
#include "framework/editfield.h"
#include "framework/folder_item.h"
#include "framework/listbox.h"
#include "ui/ResultsWindow.h"
#include "ui/SearchWindow.h"
#include "ui/StatisticsWindow.h"

namespace MissingFiles {

namespace {

// The names of rows 0 to CompareCount, while Run compares.
NameIndex gRows;
bool gIndexed = false;

// Indexes the list's rows 0 to CompareCount, lowering CompareCount to the
// list's last row when the list holds fewer rows.
void IndexRows(const rb::Ref<rb::Listbox>& list) {
  gRows.Clear();
  const int rows = list ? list->ListCount() : 0;
  if (CompareCount > rows - 1) CompareCount = rows - 1;
  for (int r = 0; r <= CompareCount; ++r) gRows.Add(list->Cell(r, 1));
}

}  // namespace

void Comparison() {
  const bool standalone = !gIndexed;
  if (standalone) IndexRows(ResultsWindow()->Control<rb::Listbox>("SearchList"));
  const int rows = CompareCount + 1 > 0 ? CompareCount + 1 : 0;
  const int g = gRows.Find(Extension::Filename);
  NotaMatch = rows - (g >= 0 ? gRows.Count(g) : 0);
  if (NotaMatch == CompareCount + 1) {
    StatisticsWindow()->Control<rb::EditField>("TempField")->AppendText(Extension::Filename +
                                                                        rb::EndOfLineWindows());
    RealMisses += 1;
  }
  if (standalone) gRows.Clear();
}

void Run() {
  RealMisses = 0;
  const rb::String query = SearchWindow()->Control<rb::EditField>("SearchField")->Text();
  rb::Ref<rb::Listbox> list = ResultsWindow()->Control<rb::Listbox>("SearchList");
  IndexRows(list);
  gIndexed = true;
  const int n = rb::CountFields(query, ",");
  for (int i = 1; i <= n; ++i) {
    rb::Ref<rb::FolderItem> item = rb::GetFolderItem(rb::NthField(query, ",", i), 0);
    if (item) {
      Extension::Filename = item->Name();
      Extension::ExtensionOn();
      Comparison();
    }
    rb::RuntimeBackgroundTask();
    if (rb::Quitting()) break;
    // A results window closed meanwhile took its rows with it: the names
    // left are compared with what the list really holds.
    if (Search::OpenResultsList() != list) {
      list = Search::OpenResultsList();
      CompareCount = list ? list->ListCount() - 1 : -1;
      Search::FoundFiles = CompareCount + 1;
      IndexRows(list);
    }
  }
  gIndexed = false;
  gRows.Clear();
  // Quit during a yield: the pass ends there and writes nothing.
  if (rb::Quitting()) return;

  rb::Ref<rb::EditField> stats = StatisticsWindow()->Control<rb::EditField>("statfield");
  rb::Ref<rb::EditField> temp = StatisticsWindow()->Control<rb::EditField>("TempField");
  const rb::String crlf = rb::EndOfLineWindows();
  stats->AppendText(crlf + crlf);
  stats->AppendText("This search had " + rb::Str(RealMisses) +
                    (RealMisses == 1 ? " Missing file" : " Missing files") + crlf);
  stats->AppendText(temp->Text());
  stats->AppendText(rb::EndOfLine() + crlf);
  const int found = CompareCount + 1;
  if (found == 1) {
    stats->AppendText("1" + rb::String(" file have been found") + crlf);
  } else {
    stats->AppendText("A total of  " + rb::Str(found) + " files have been found" + crlf);
  }
  temp->SetText("");
}

}  // namespace MissingFiles

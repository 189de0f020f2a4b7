#include "engine/DuplicateCheck.h"

#include <algorithm>
#include <vector>

#include "engine/MissingFiles.h"
#include "engine/NameIndex.h"
#include "engine/Search.h"
#include "engine/StringExtract.h"
#include "framework/application.h"
#include "framework/background_task.h"
#include "framework/editfield.h"
#include "framework/listbox.h"
#include "ui/ResultsWindow.h"
#include "ui/StatisticsWindow.h"

namespace DuplicateCheck {

namespace {

// The rows as Run found them, grouped by equal names. Check removes from
// the group of SearchDupeName; rows leave the list at the end of Run.
struct Pass {
  NameIndex index;
  std::vector<std::vector<int>> members;  // row numbers of each group, top first
  std::vector<int> removed;               // row numbers to remove
  bool active = false;
};
Pass gPass;

void IndexRows(const rb::Ref<rb::Listbox>& list, int rows) {
  gPass.index.Clear();
  gPass.members.clear();
  gPass.removed.clear();
  for (int r = 0; r < rows; ++r) {
    int g = gPass.index.Add(list->Cell(r, 1));
    if (g == static_cast<int>(gPass.members.size())) gPass.members.emplace_back();
    gPass.members[static_cast<size_t>(g)].push_back(r);
  }
}

}  // namespace

void Check() {
  const bool standalone = !gPass.active;
  rb::Ref<rb::Listbox> list;
  if (standalone) {
    list = ResultsWindow()->Control<rb::Listbox>("SearchList");
    IndexRows(list, std::min<int32_t>(Search::FoundFiles, list->ListCount()));
  }
  CopyTrack = 0;
  int last = Search::FoundFiles - 1;
  int g = gPass.index.Find(SearchDupeName);
  if (g >= 0) {
    std::vector<int>& rows = gPass.members[static_cast<size_t>(g)];
    CopyTrack = static_cast<int32_t>(rows.size());
    const int removals = static_cast<int>(rows.size()) - 1;
    if (removals > 0) {
      rb::String lines;
      for (int k = 0; k < removals; ++k) lines += SearchDupeName + rb::EndOfLineWindows();
      StatisticsWindow()->Control<rb::EditField>("TempField")->AppendText(lines);
      gPass.removed.insert(gPass.removed.end(), rows.begin() + 1, rows.end());
      rows.resize(1);
      Search::FoundFiles -= removals;
      U -= removals;
      last -= removals;
      CopyCounter += removals;
    }
  }
  if (last >= 0) MissingFiles::CompareCount = last;
  if (standalone) {
    std::sort(gPass.removed.begin(), gPass.removed.end());
    for (auto it = gPass.removed.rbegin(); it != gPass.removed.rend(); ++it) list->RemoveRow(*it);
    gPass.removed.clear();
  }
}

void Run() {
  rb::Ref<rb::Listbox> list = ResultsWindow()->Control<rb::Listbox>("SearchList");
  // The counter follows the list; they differ only when the list was
  // replaced during the walk (its window closed and built anew).
  if (Search::FoundFiles != list->ListCount()) Search::FoundFiles = list->ListCount();
  CopyCounter = 0;
  U = Search::FoundFiles - 1;
  if (U < 0) MissingFiles::CompareCount = -1;  // no row for Check to visit
  IndexRows(list, Search::FoundFiles);
  gPass.active = true;
  // The user may close the results window at any yield: its rows are gone
  // then, and the pass ends with the rows the list really holds.
  bool closed = false;
  // The groups in order of their first row are the kept rows, top first.
  for (int g = 0; g < static_cast<int>(gPass.members.size()) && !closed && !rb::Quitting(); ++g) {
    SearchDupeName = list->Cell(gPass.members[static_cast<size_t>(g)].front(), 1);
    Check();
    rb::RuntimeBackgroundTask();
    closed = Search::OpenResultsList() != list;
  }
  gPass.active = false;
  // Bottom row first, so that the rows still to go keep their numbers.
  std::sort(gPass.removed.begin(), gPass.removed.end());
  for (auto it = gPass.removed.rbegin(); it != gPass.removed.rend() && !closed && !rb::Quitting(); ++it) {
    list->RemoveRow(*it);
    rb::RuntimeBackgroundTask();
    closed = Search::OpenResultsList() != list;
  }
  gPass.removed.clear();
  // Quit during a yield: the pass ends there and writes nothing.
  if (rb::Quitting()) return;
  if (closed) {
    rb::Ref<rb::Listbox> now = Search::OpenResultsList();
    Search::FoundFiles = now ? now->ListCount() : 0;
    U = Search::FoundFiles - 1;
    MissingFiles::CompareCount = Search::FoundFiles - 1;
  }

  rb::Ref<rb::EditField> stats = StatisticsWindow()->Control<rb::EditField>("statfield");
  rb::Ref<rb::EditField> temp = StatisticsWindow()->Control<rb::EditField>("TempField");
  stats->AppendText(rb::Str(StringExtract::SearchedFor) + " Requested Files" + rb::EndOfLineWindows() +
                    rb::EndOfLineWindows());
  stats->AppendText(rb::Str(CopyCounter) + (CopyCounter == 1 ? " Duplicate File Found" : " Duplicate Files Found") +
                    rb::EndOfLineWindows());
  stats->AppendText(temp->Text());
  temp->SetText("");
}

}  // namespace DuplicateCheck

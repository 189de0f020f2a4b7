#include "engine/Archive.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <errno.h>
#include <unistd.h>

#include "engine/Search.h"
#include "engine/StringExtract.h"
#include "framework/application.h"
#include "framework/background_task.h"
#include "framework/controls.h"
#include "framework/dialogs.h"
#include "framework/editfield.h"
#include "framework/folder_item.h"
#include "framework/listbox.h"
#include "framework/rbstring.h"
#include "ui/ResultsWindow.h"
#include "ui/SearchProgressWindow.h"
#include "ui/SearchWindow.h"
#include "ui/StatisticsWindow.h"

namespace Archive {

namespace {

constexpr int kCaution = 48;
constexpr const char* kReportName = "Report.txt";
constexpr int kProgressMaximum = 1000;
// Failed copies named one by one in the closing message; the rest are
// counted.
constexpr size_t kMaxListedFailures = 20;

bool gRunning = false;
std::function<void()> gBeforeCopy;

rb::String Quoted(const rb::String& s) { return rb::String("\"") + s + rb::String("\""); }

struct Failure {
  rb::String name;
  rb::String reason;
};

// A file error in a few words; the framework's own text for the rest.
rb::String FileErrorWords(const rb::FolderItem& item) {
  switch (item.LastErrorCode()) {
    case rb::FileErrors::NotFound:
      return "the file is no longer there";
    case rb::FileErrors::DestinationMissing:
      return "the destination folder is no longer there";
    case rb::FileErrors::AccessDenied:
      return "permission was denied";
    case rb::FileErrors::NoSpace:
      return "there is no room for it on the disk";
    case rb::FileErrors::NotAFile:
      return "it is not a file";
    case rb::FileErrors::InUse:
      return "it is in use";
    case rb::FileErrors::InvalidName:
      return "its name cannot be used there";
    default: {
      std::string text = item.LastErrorText().Utf8();
      while (!text.empty() && text.back() == '.') text.pop_back();
      return rb::String(text);
    }
  }
}

// A system error in the same style: lower case, no final stop.
rb::String SystemErrorWords(int err) {
  std::string text = std::error_code(err, std::generic_category()).message();
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
  while (!text.empty() && text.back() == '.') text.pop_back();
  return rb::String(text);
}

// Why the ticked file at the path cannot be copied, or the empty text when
// it is there. GetFolderItem answers nil when the file's folder cannot be
// looked at; the path itself is asked why then.
rb::String SourceProblem(const rb::String& path, const rb::Ref<rb::FolderItem>& source) {
  const rb::String gone = "the file is no longer there";
  rb::Ref<rb::FolderItem> item = source;
  if (!item) {
    std::string bytes = path.PathBytes();
    if (bytes.empty() || bytes.find('\0') != std::string::npos) return gone;
    item = rb::Ref<rb::FolderItem>::New(std::move(bytes));
  }
  if (item->Reachable()) return source ? rb::String() : gone;
  return FileErrorWords(*item);
}

// The destination's problem, or the empty text when files can be copied
// into it.
rb::String DestinationProblem(const rb::Ref<rb::FolderItem>& dest) {
  if (!dest) return "No destination folder has been chosen.";
  if (!dest->Exists()) {
    return "The destination folder " + Quoted(dest->Name()) + " no longer exists.";
  }
  // A link to a folder leads into the folder.
  const rb::Ref<rb::FolderItem> folder = dest->IsLink() ? dest->LinkTarget() : dest;
  if (!folder || !folder->Directory()) {
    return "The destination " + Quoted(dest->Name()) + " is not a folder.";
  }
  if (!dest->IsWriteable()) {
    return "The destination folder " + Quoted(dest->Name()) + " cannot be written to.";
  }
  return "";
}

// Writes the bytes as the file `name` in the folder, whole or not at all:
// into a temporary file beside it, renamed over the old one when complete.
// Answers the empty text, or why it could not be written.
rb::String WriteWhole(const rb::Ref<rb::FolderItem>& folder, const rb::String& name,
                      const rb::String& bytes) {
  rb::Ref<rb::FolderItem> target = folder->Child(name);
  if (!target) return "its name cannot be used there";
  rb::Ref<rb::FolderItem> temp;
  const std::string stem = "." + name.PathBytes() + "." + std::to_string(getpid()) + ".";
  for (int i = 0; i < 1000 && !temp; ++i) {
    rb::Ref<rb::FolderItem> candidate = folder->Child(rb::String(stem + std::to_string(i) + ".tmp"));
    if (candidate && !candidate->Exists()) temp = candidate;
  }
  if (!temp) return "no temporary file could be made there";

  rb::Ref<rb::TextOutputStream> stream = temp->CreateTextFile();
  if (!stream) return FileErrorWords(*temp);
  stream->Write(bytes);
  stream->Close();
  if (stream->Failed()) {
    const int err = stream->LastErrorCode();
    temp->Delete();
    return err == EFBIG || err == ENOSPC || err == EDQUOT ? rb::String("there is no room for it on the disk")
                                                          : SystemErrorWords(err);
  }
  if (!temp->MoveTo(target)) {
    const int code = temp->LastErrorCode();
    const rb::String words = code == rb::FileErrors::NotAFile || code == rb::FileErrors::NotEmpty
                                 ? rb::String("a folder of that name is in the way")
                                 : FileErrorWords(*temp);
    temp->Delete();
    return words;
  }
  return "";
}

// The results list and its buttons take no input while a run lasts.
class InputBlock {
 public:
  explicit InputBlock(const rb::Ref<ResultsWindowClass>& results) {
    for (const char* name : {"SearchList", "ArchiveBtn", "cancelbtn"}) {
      rb::Ref<rb::RectControl> c = results->Control<rb::RectControl>(name);
      if (c && c->Enabled()) {
        c->SetEnabled(false);
        blocked_.push_back(c);
      }
    }
  }
  ~InputBlock() {
    for (const rb::Ref<rb::RectControl>& c : blocked_) c->SetEnabled(true);
  }
  InputBlock(const InputBlock&) = delete;
  InputBlock& operator=(const InputBlock&) = delete;

 private:
  std::vector<rb::Ref<rb::RectControl>> blocked_;
};

// Marks the run and puts the module back when it ends, however it ends.
class RunScope {
 public:
  RunScope() { gRunning = true; }
  ~RunScope() {
    gRunning = false;
    ActualCount = 0;
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;
};

rb::String ClosingMessage(int copied, const rb::String& destName,
                          const std::vector<Failure>& failures) {
  rb::String text = rb::Str(copied) + " files have been copied to " + destName;
  if (failures.empty()) return text;
  const rb::String eol = rb::EndOfLine();
  text += eol + eol +
          (failures.size() == 1 ? rb::String("1 file was not copied:")
                                : rb::Str(static_cast<double>(failures.size())) +
                                      " files were not copied:");
  const size_t listed = std::min(failures.size(), kMaxListedFailures);
  for (size_t i = 0; i < listed; ++i) {
    text += eol + failures[i].name + ": " + failures[i].reason + ".";
  }
  if (failures.size() > listed) {
    text += eol + "and " + rb::Str(static_cast<double>(failures.size() - listed)) + " more.";
  }
  return text;
}

}  // namespace

bool Running() { return gRunning; }

void SetBeforeCopyHookForTesting(std::function<void()> hook) { gBeforeCopy = std::move(hook); }

void CopyCount() {
  rb::Ref<rb::Listbox> list = ResultsWindow()->Control<rb::Listbox>("SearchList");
  // The found rows; never past the list's end.
  const int32_t rows = std::clamp<int32_t>(Search::FoundFiles, 0, list->ListCount());
  for (int32_t i = 0; i < rows; ++i) {
    if (list->CellCheck(i, 0)) ++ActualCount;
    rb::RuntimeBackgroundTask();
    if (rb::Quitting()) return;
  }
}

void Copy() {
  // Nor during a search: the list is still growing.
  if (gRunning || StringExtract::Running()) return;
  RunScope run;

  rb::Ref<ResultsWindowClass> results = ResultsWindow();
  const rb::Ref<rb::FolderItem> dest = SearchWindow()->SaveFolder;
  const rb::String problem = DestinationProblem(dest);
  if (!problem.Empty()) {
    rb::MsgBox(problem + " Nothing has been copied.", kCaution);
    SearchWindow()->Show();
    return;
  }
  const rb::String destName = dest->Name();

  InputBlock block(results);
  CopyCount();
  if (rb::Quitting()) return;
  rb::Ref<rb::Listbox> list = results->Control<rb::Listbox>("SearchList");
  const int32_t last = list->ListCount() - 1;
  int32_t total = 0;
  int copied = 0;
  std::vector<Failure> failures;

  for (int32_t row = last; row >= 0; --row) {
    if (list->CellCheck(row, 0)) {
      const rb::String path = list->Cell(row, 2);
      const rb::String name = list->Cell(row, 1);
      rb::Ref<rb::FolderItem> source = rb::GetFolderItem(path, 0);
      rb::Ref<rb::FolderItem> target = dest->Child(name);
      const int32_t step =
          ActualCount > 0 ? static_cast<int32_t>(1000.0 / ActualCount) : kProgressMaximum;

      ResultsWindow()->Hide();
      rb::Ref<SearchProgressWindowClass> progress = SearchProgressWindow();
      progress->Show();
      progress->Control<rb::StaticText>("searchstatic")
          ->SetText("Copying " + (target ? target->Name() : name) + " to " + destName);
      total = std::min(total + step, kProgressMaximum);
      rb::Ref<rb::ProgressBar> bar = progress->Control<rb::ProgressBar>("ProgressBar");
      bar->SetMaximum(kProgressMaximum);
      bar->SetValue(total);
      if (gBeforeCopy) gBeforeCopy();

      const rb::String sourceProblem = SourceProblem(path, source);
      if (!sourceProblem.Empty()) {
        failures.push_back({name, sourceProblem});
      } else if (!target) {
        failures.push_back({name, "its name cannot be used in " + Quoted(destName)});
      } else if (target->Name() == rb::String(kReportName)) {
        // The report is written under this name at the end of the run, also
        // where the destination does not tell letter cases apart.
        failures.push_back({name, "the report of this run is written under that name"});
      } else if (target->Exists()) {
        failures.push_back(
            {name, "a file of that name is already in " + Quoted(destName) + "; it was left unchanged"});
      } else {
        // A link is copied as the file it leads to, as cp does.
        const bool link = source->IsLink();
        const rb::Ref<rb::FolderItem> file = link ? source->LinkTarget() : source;
        if (!file) {
          failures.push_back({name, "it is a link that leads nowhere"});
        } else {
          file->CopyFileTo(target);
          const int code = file->LastErrorCode();
          if (code == rb::FileErrors::None) {
            ++copied;
          } else if (code == rb::FileErrors::AlreadyExists) {
            failures.push_back(
                {name, "a file of that name is already in " + Quoted(destName) + "; it was left unchanged"});
          } else if (link && code == rb::FileErrors::NotAFile) {
            failures.push_back({name, "it is a link to something that is not a file"});
          } else {
            failures.push_back({name, FileErrorWords(*file)});
          }
        }
      }
    }
    rb::RuntimeBackgroundTask();
    // Quit during the yield: the copies made so far stay (each one is
    // complete, since a copy never yields), and no report is written.
    if (rb::Quitting()) return;
  }

  rb::Ref<StatisticsWindowClass> statistics = StatisticsWindow();
  rb::Ref<rb::EditField> statfield = statistics->Control<rb::EditField>("statfield");
  const rb::String report = rb::ConvertEncoding(statfield->Text(), rb::Encodings::WindowsANSI);
  const rb::String reportProblem = WriteWhole(dest, kReportName, report);
  if (!reportProblem.Empty()) {
    rb::MsgBox("The report could not be written into " + Quoted(destName) + ": " + reportProblem +
                   ". The statistics have been kept.",
               kCaution);
  }
  StatisticsWindow()->Hide();
  if (reportProblem.Empty()) StatisticsWindow()->Control<rb::EditField>("statfield")->SetText("");
  ResultsWindow()->Hide();
  rb::MsgBox(ClosingMessage(copied, destName, failures), failures.empty() ? 0 : kCaution);
  ActualCount = 0;
  SearchProgressWindow()->Close();
  SearchWindow()->Show();
}

}  // namespace Archive

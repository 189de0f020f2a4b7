// Message boxes and the folder dialog. Tests can answer both in place of
// a person and read what was shown.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/gui_types.h"

namespace rb {

class FolderItem;
class Window;

// Shows a modal message box and answers the button pressed: 1 OK,
// 2 Cancel, 6 Yes, 7 No. Buttons code: 0 OK, 1 OK/Cancel, 4 Yes/No, 3
// Yes/No/Cancel; plus the icon: 16 stop, 32 question, 48 caution, 64 note.
int MsgBox(const String& text, int buttons = 0, const String& title = "");

class SelectFolderDialog : public Object {
 public:
  SelectFolderDialog();
  ~SelectFolderDialog() override;
  String Title() const { return title_; }
  void SetTitle(const String& s) { title_ = s; }
  String PromptText() const { return prompt_; }
  void SetPromptText(const String& s) { prompt_ = s; }
  String ActionButtonCaption() const { return action_; }
  void SetActionButtonCaption(const String& s) { action_ = s; }
  // The folder shown first; one that does not exist gives the home folder.
  Ref<FolderItem> InitialDirectory() const;
  void SetInitialDirectory(const Ref<FolderItem>& f);

  // Runs the dialog modal; the chosen folder, nil when cancelled.
  Ref<FolderItem> ShowModal();
  Ref<FolderItem> ShowModalWithin(const Ref<Window>& parent);

 private:
  String title_, prompt_, action_;
  Ref<FolderItem> initial_;
};

// What a message box showed.
struct MessageBoxRecord {
  String text;
  int buttons = 0;  // the code passed; (buttons & 0x70) is the icon
  String title;
};
// What a folder dialog showed.
struct FolderDialogRecord {
  String title, prompt, actionCaption;
  std::string initialDirectory;  // path of InitialDirectory, empty for none
  std::string shownDirectory;    // the folder the dialog opened in
  std::string parentWindowClass; // ShowModalWithin's window, empty for none
};

// Tests: while an answerer is set, no dialog is shown; the answerer's
// result is the answer. Every box and dialog is recorded either way.
void SetMessageBoxAnswerer(std::function<int(const MessageBoxRecord&)> answerer);
void SetFolderDialogAnswerer(std::function<Ref<FolderItem>(const FolderDialogRecord&)> answerer);
const std::vector<MessageBoxRecord>& ShownMessageBoxes();
const std::vector<FolderDialogRecord>& ShownFolderDialogs();
void ClearShownDialogs();

}  // namespace rb

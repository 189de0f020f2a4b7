#include "framework/dialogs.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <cstdlib>

#include "framework/folder_item.h"
#include "framework/gui_private.h"
#include "framework/screen.h"
#include "framework/window.h"

namespace rb {

namespace {
struct DialogState {
  std::function<int(const MessageBoxRecord&)> boxAnswerer;
  std::function<Ref<FolderItem>(const FolderDialogRecord&)> folderAnswerer;
  std::vector<MessageBoxRecord> boxes;
  std::vector<FolderDialogRecord> folders;
};
DialogState& dialogs() {
  static auto* s = new DialogState;
  return *s;
}

// The toolkit's dialogs keep what they remember (a folder dialog its view,
// columns, side bar, history and last folder) in the user's settings file.
// The program stores no settings: the toolkit's user settings are pointed
// at the resource file system, where nothing can be created or written.
void KeepNoToolkitSettings() {
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(format, QSettings::UserScope, QStringLiteral(":/no-settings"));
}

// What folder dialogs remember lasts for the run: each one starts as the
// last one was left.
QByteArray& FolderDialogMemory() {
  static auto* state = new QByteArray;
  return *state;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

namespace {
// The key that dismissed a modal dialog comes up after it has gone, often
// in no window of ours: what is down is learnt afresh.
struct ForgetKeysOnReturn {
  ~ForgetKeysOnReturn() { _ForgetKeysDown(); }
};
}  // namespace

int MsgBox(const String& text, int buttons, const String& title) {
  ForgetKeysOnReturn forget;
  MessageBoxRecord rec{text, buttons, title};
  DialogState& s = dialogs();
  s.boxes.push_back(rec);
  if (s.boxAnswerer) {
    auto answerer = s.boxAnswerer;
    return answerer(rec);
  }
  EnsureGuiApplication();
  QMessageBox box;
  switch (buttons & 0x70) {
    case 16: box.setIcon(QMessageBox::Critical); break;
    case 32: box.setIcon(QMessageBox::Question); break;
    case 48: box.setIcon(QMessageBox::Warning); break;
    case 64: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
  }
  box.setTextFormat(Qt::PlainText);
  box.setText(ToQ(text));
  box.setWindowTitle(ToQ(title));
  QMessageBox::StandardButtons b;
  switch (buttons & 0x0F) {
    case 1: b = QMessageBox::Ok | QMessageBox::Cancel; break;
    case 2: b = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore; break;
    case 3: b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case 4: b = QMessageBox::Yes | QMessageBox::No; break;
    case 5: b = QMessageBox::Retry | QMessageBox::Cancel; break;
    default: b = QMessageBox::Ok; break;
  }
  box.setStandardButtons(b);
  ModalDialogScope modal(&box);
  switch (box.exec()) {
    case QMessageBox::Ok: return 1;
    case QMessageBox::Cancel: return 2;
    case QMessageBox::Abort: return 3;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Ignore: return 5;
    case QMessageBox::Yes: return 6;
    case QMessageBox::No: return 7;
    default: return (buttons & 0x0F) == 0 ? 1 : 2;
  }
}

SelectFolderDialog::SelectFolderDialog() = default;
SelectFolderDialog::~SelectFolderDialog() = default;

Ref<FolderItem> SelectFolderDialog::InitialDirectory() const { return initial_; }
void SelectFolderDialog::SetInitialDirectory(const Ref<FolderItem>& f) { initial_ = f; }

Ref<FolderItem> SelectFolderDialog::ShowModal() { return ShowModalWithin(nullptr); }

Ref<FolderItem> SelectFolderDialog::ShowModalWithin(const Ref<Window>& parent) {
  ForgetKeysOnReturn forget;
  FolderDialogRecord rec;
  rec.title = title_;
  rec.prompt = prompt_;
  rec.actionCaption = action_;
  rec.initialDirectory = initial_ ? initial_->Path() : std::string();
  if (IsFolder(rec.initialDirectory)) {
    rec.shownDirectory = rec.initialDirectory;
  } else {
    const char* home = std::getenv("HOME");
    rec.shownDirectory = home && IsFolder(home) ? home : "/";
  }
  rec.parentWindowClass = parent ? parent->_ClassName().Utf8() : std::string();
  DialogState& s = dialogs();
  s.folders.push_back(rec);
  if (s.folderAnswerer) {
    auto answerer = s.folderAnswerer;
    return answerer(rec);
  }
  EnsureGuiApplication();
  KeepNoToolkitSettings();
  QFileDialog dlg(parent ? parent->_TopWidget() : nullptr);
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  if (!FolderDialogMemory().isEmpty()) dlg.restoreState(FolderDialogMemory());
  dlg.setOption(QFileDialog::ShowDirsOnly, true);
  dlg.setFileMode(QFileDialog::Directory);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setWindowTitle(ToQ(title_));
  if (!action_.Empty()) dlg.setLabelText(QFileDialog::Accept, ToQ(action_));
  dlg.setDirectory(QFile::decodeName(QByteArray::fromStdString(rec.shownDirectory)));
  if (!prompt_.Empty()) {
    if (auto* grid = qobject_cast<QGridLayout*>(dlg.layout())) {
      auto* label = new QLabel(ToQ(prompt_));
      label->setWordWrap(true);
      grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    }
  }
  if (parent) dlg.setWindowModality(Qt::WindowModal);
  int answer;
  {
    ModalDialogScope modal(&dlg);
    answer = dlg.exec();
  }
  FolderDialogMemory() = dlg.saveState();
  if (answer != QDialog::Accepted) return nullptr;
  QStringList chosen = dlg.selectedFiles();
  if (chosen.isEmpty()) return nullptr;
  std::string path = QFile::encodeName(chosen.first()).toStdString();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return Ref<FolderItem>::New(path);
}

void SetMessageBoxAnswerer(std::function<int(const MessageBoxRecord&)> answerer) {
  dialogs().boxAnswerer = std::move(answerer);
}

void SetFolderDialogAnswerer(std::function<Ref<FolderItem>(const FolderDialogRecord&)> answerer) {
  dialogs().folderAnswerer = std::move(answerer);
}

const std::vector<MessageBoxRecord>& ShownMessageBoxes() { return dialogs().boxes; }
const std::vector<FolderDialogRecord>& ShownFolderDialogs() { return dialogs().folders; }

void ClearShownDialogs() {
  dialogs().boxes.clear();
  dialogs().folders.clear();
}

}  // namespace rb

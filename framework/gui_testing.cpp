#include "framework/gui_testing.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <memory>

#include "framework/application.h"
#include "framework/gui_private.h"
#include "framework/listbox.h"
#include "framework/picture.h"
#include "framework/window.h"

// The toolkit's own entry for delivering a key as the platform would (its
// test library uses it).
void qt_handleKeyEvent(QWindow* window, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers,
                       const QString& text, bool autorepeat, ushort count);

namespace rb {

namespace {
void SendClick(QWidget* target, QPoint local, bool dbl = false) {
  QPointF global = target->mapToGlobal(QPointF(local));
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(local), global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(target, &release);
  if (dbl) {
    QMouseEvent dclick(QEvent::MouseButtonDblClick, QPointF(local), global, Qt::LeftButton, Qt::LeftButton,
                       Qt::NoModifier);
    QApplication::sendEvent(target, &dclick);
    QApplication::sendEvent(target, &release);
  }
}

void SendKey(QWidget* w, int key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(w, &release);
}
}  // namespace

namespace {
// A drag of the data onto the middle of the widget, as the toolkit delivers
// one: enter, then move, then drop, each only after the one before was
// accepted.
bool DragAndDrop(QWidget* w, const QMimeData* mime, Qt::DropAction a) {
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) w = area->viewport();  // where the toolkit sends it
  const QPoint centre(w->width() / 2, w->height() / 2);
  QDragEnterEvent enter(centre, a, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &enter);
  if (!enter.isAccepted()) return false;
  QDragMoveEvent move(centre, a, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &move);
  if (!move.isAccepted()) return false;
  QDropEvent drop(QPointF(centre), a, mime, Qt::LeftButton, Qt::NoModifier);
  drop.setDropAction(a);
  QApplication::sendEvent(w, &drop);
  return drop.isAccepted();
}

// New data of a kind; nil for OfferedData::None.
QMimeData* NewOfferedData(OfferedData kind, const String& text) {
  if (kind == OfferedData::None) return nullptr;
  auto* mime = new QMimeData;
  switch (kind) {
    case OfferedData::Urls: mime->setUrls({QUrl::fromLocalFile(ToQ(text))}); break;
    case OfferedData::Picture: {
      QImage picture(4, 4, QImage::Format_RGB32);
      picture.fill(Qt::red);
      mime->setImageData(picture);
      break;
    }
    case OfferedData::Text: mime->setText(ToQ(text)); break;
    case OfferedData::None:
    case OfferedData::Empty: break;
  }
  return mime;
}
}  // namespace

bool DropUriListForTesting(const Ref<RectControl>& target, const std::string& uriList, int action) {
  if (!target) throw NilObjectException();
  QWidget* w = target->_Widget();
  if (!w) return false;
  QMimeData mime;
  mime.setData("text/uri-list", QByteArray::fromStdString(uriList));
  return DragAndDrop(w, &mime, action == 2 ? Qt::MoveAction : action == 3 ? Qt::LinkAction : Qt::CopyAction);
}

bool DropDataForTesting(const Ref<RectControl>& target, OfferedData kind, const String& text) {
  if (!target) throw NilObjectException();
  QWidget* w = target->_Widget();
  if (!w) return false;
  std::unique_ptr<QMimeData> mime(NewOfferedData(kind, text));
  return DragAndDrop(w, mime.get(), Qt::CopyAction);
}

void ClickForTesting(const Ref<Window>& window, int x, int y) {
  if (!window) throw NilObjectException();
  QWidget* content = window->_ContentWidget();
  if (!content) return;
  QWidget* target = content->childAt(x, y);
  if (!target) target = content;
  SendClick(target, target->mapFrom(content, QPoint(x, y)));
}

void ClickControlForTesting(const Ref<RectControl>& control) {
  if (!control) throw NilObjectException();
  if (QWidget* w = control->_Widget()) SendClick(w, QPoint(w->width() / 2, w->height() / 2));
}

void DoubleClickRowForTesting(const Ref<Listbox>& list, int row) {
  if (!list) throw NilObjectException();
  auto* view = qobject_cast<QAbstractItemView*>(list->_Widget());
  if (!view || !view->model()) return;
  QRect r = view->visualRect(view->model()->index(row, 0));
  SendClick(view->viewport(), r.center(), true);
}

void ResizeWindowForTesting(const Ref<Window>& window, int width, int height) {
  if (!window) throw NilObjectException();
  QWidget* top = window->_TopWidget();
  QWidget* content = window->_ContentWidget();
  if (!top || !content) return;
  int extraW = top->width() - content->width(), extraH = top->height() - content->height();
  QSize size(width + extraW, height + extraH);
  top->resize(size.expandedTo(top->minimumSizeHint()).boundedTo(top->maximumSize()));
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents();
}

void TypeTextForTesting(const Ref<RectControl>& control, const String& text) {
  if (!control) throw NilObjectException();
  QWidget* w = control->_Widget();
  if (!w) return;
  for (QChar c : ToQ(text)) {
    int key = c.isLetterOrNumber() && c.unicode() < 128 ? c.toUpper().unicode() : 0;
    if (c == QChar(' ')) key = Qt::Key_Space;
    SendKey(w, key, QString(c));
  }
}

void PressKeyForTesting(const Ref<RectControl>& control, int keyCode) {
  if (!control) throw NilObjectException();
  QWidget* w = control->_Widget();
  if (!w) return;
  switch (keyCode) {
    case 0x24: SendKey(w, Qt::Key_Return, QStringLiteral("\r")); break;
    case 0x4C: SendKey(w, Qt::Key_Enter, QStringLiteral("\r"), Qt::KeypadModifier); break;
    case 0x30: SendKey(w, Qt::Key_Tab, QStringLiteral("\t")); break;
    case 0x35: SendKey(w, Qt::Key_Escape, QString(QChar(27))); break;
    case 0x31: SendKey(w, Qt::Key_Space, QStringLiteral(" ")); break;
    case 0x33: SendKey(w, Qt::Key_Backspace, QString(QChar(8))); break;
    default: break;
  }
}

namespace {
void KeyClickIn(QWindow* target, const String& keys) {
  QKeySequence sequence = QKeySequence::fromString(ToQ(keys), QKeySequence::PortableText);
  if (!target || sequence.isEmpty()) return;
  const QKeyCombination combination = sequence[0];
  const int key = combination.key();
  const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
  QString text;
  if (key == Qt::Key_Escape) text = QString(QChar(27));
  else if (key == Qt::Key_Return) text = QStringLiteral("\r");
  else if (!(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && key >= 0x20 && key < 0x7f)
    text = QString(QChar(key)).toLower();
  qt_handleKeyEvent(target, QEvent::KeyPress, key, mods, text, false, 1);
  qt_handleKeyEvent(target, QEvent::KeyRelease, key, mods, text, false, 1);
}
}  // namespace

void KeyClickForTesting(const Ref<Window>& window, const String& keys) {
  if (!window) throw NilObjectException();
  // A person presses keys in a window on screen: the loop has run since
  // the program showed it.
  _ShowPendingWindows();
  QWidget* top = window->_TopWidget();
  KeyClickIn(top ? top->windowHandle() : nullptr, keys);
}

void PostKeyClickForTesting(const String& keys, int delayMs) {
  QTimer::singleShot(delayMs, qApp, [keys] {
    QWindow* target = QGuiApplication::focusWindow();
    if (!target && QApplication::activeWindow()) target = QApplication::activeWindow()->windowHandle();
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (!target && top->isVisible()) target = top->windowHandle();
    }
    KeyClickIn(target, keys);
  });
}

Ref<Picture> GrabControlForTesting(const Ref<RectControl>& control) {
  if (!control) throw NilObjectException();
  QWidget* w = control->_Widget();
  if (!w) return nullptr;
  return Ref<Picture>::New(w->grab().toImage());
}

Color PixelForTesting(const Ref<Picture>& picture, int x, int y) {
  if (!picture) throw NilObjectException();
  return FromQColor(picture->_Image().pixelColor(x, y));
}

std::vector<MenuEntryForTesting> MenuEntriesForTesting(const Ref<Window>& window, int menuIndex) {
  if (!window) throw NilObjectException();
  std::vector<MenuEntryForTesting> entries;
  QWidget* top = window->_TopWidget();
  auto* bar = top ? top->findChild<QMenuBar*>() : nullptr;
  if (!bar || menuIndex < 0 || menuIndex >= bar->actions().size()) return entries;
  QMenu* menu = bar->actions().at(menuIndex)->menu();
  if (!menu) return entries;
  for (QAction* a : menu->actions()) {
    entries.push_back({a->isSeparator(), a->text().toStdString(),
                       a->shortcut().toString(QKeySequence::PortableText).toStdString(), a->isEnabled()});
  }
  return entries;
}

int RunProgramLoopForTesting(const std::function<void()>& action, int timeoutMs) {
  EnsureGuiApplication();
  QTimer start, guard;
  start.setSingleShot(true);
  guard.setSingleShot(true);
  QObject::connect(&start, &QTimer::timeout, [&action] { GuardedCall(action); });
  QObject::connect(&guard, &QTimer::timeout, [] { Quit(-1); });
  start.start(5);
  guard.start(timeoutMs);
  return _RuntimeRun();
}

void AnswerToolkitFolderDialogForTesting(std::function<std::string(const ToolkitFolderDialogForTesting&)> answer) {
  EnsureGuiApplication();
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    poll->deleteLater();
    poll->stop();
    ToolkitFolderDialogForTesting shown;
    shown.title = dialog->windowTitle().toStdString();
    shown.directory = QFile::encodeName(dialog->directory().absolutePath()).toStdString();
    for (const QString& folder : dialog->history()) shown.history.push_back(QFile::encodeName(folder).toStdString());
    const std::string path = answer(shown);
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!buttons || !name) return dialog->reject();
    if (!path.empty()) name->setText(QFile::decodeName(QByteArray::fromStdString(path)));
    if (QPushButton* b = buttons->button(path.empty() ? QDialogButtonBox::Cancel : QDialogButtonBox::Open)) b->click();
  });
  poll->start(10);
}

namespace {
class ShowRecorder : public QObject {
 public:
  std::vector<String> shown;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show) {
      for (const Ref<Window>& w : OpenWindows()) {
        if (w->_TopWidget() == o) shown.push_back(w->_ClassName());
      }
    }
    return QObject::eventFilter(o, e);
  }
};
ShowRecorder* gShowRecorder = nullptr;
}  // namespace

void RecordToolkitShowsForTesting() {
  EnsureGuiApplication();
  if (!gShowRecorder) {
    gShowRecorder = new ShowRecorder;
    qApp->installEventFilter(gShowRecorder);
  }
  gShowRecorder->shown.clear();
}

std::vector<String> ToolkitShowsForTesting() { return gShowRecorder ? gShowRecorder->shown : std::vector<String>{}; }

String ActiveWindowForTesting() {
  QWidget* active = QApplication::activeWindow();
  if (!active) return "";
  if (active == _OpenModalDialog()) return "message box";
  for (const Ref<Window>& w : OpenWindows()) {
    if (w->_TopWidget() == active) return w->_ClassName();
  }
  return "other";
}

void ActivateForTesting(const Ref<Window>& window) {
  if (!window) throw NilObjectException();
  if (QWidget* top = window->_TopWidget()) top->activateWindow();
}

void MoveByWindowManagerForTesting(const Ref<Window>& window, int x, int y) {
  if (!window) throw NilObjectException();
  // What the toolkit makes of it: the window's position is now that one.
  if (QWidget* top = window->_TopWidget()) top->move(x, y);
}

void ToolkitPlaceForTesting(const Ref<Window>& window, int* x, int* y) {
  if (!window) throw NilObjectException();
  QWidget* content = window->_ContentWidget();
  const QPoint p = content ? content->mapToGlobal(QPoint(0, 0)) : QPoint();
  *x = p.x();
  *y = p.y();
}

bool DismissModalDialogForTesting() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal) return false;
  modal->close();
  return true;
}

void RunLaterForTesting(std::function<void()> action, int delayMs) {
  QTimer::singleShot(delayMs, qApp, [action = std::move(action)] { GuardedCall(action); });
}

String ClipboardTextForTesting() { return FromQ(QGuiApplication::clipboard()->text()); }

void SetClipboardTextForTesting(const String& text) { QGuiApplication::clipboard()->setText(ToQ(text)); }

void SetClipboardDataForTesting(OfferedData kind, const String& text) {
  EnsureGuiApplication();
  if (QMimeData* mime = NewOfferedData(kind, text)) QGuiApplication::clipboard()->setMimeData(mime);
  else QGuiApplication::clipboard()->clear();
}

std::vector<std::pair<std::string, std::string>> ClipboardDataForTesting() {
  std::vector<std::pair<std::string, std::string>> data;
  if (const QMimeData* m = QGuiApplication::clipboard()->mimeData())
    for (const QString& format : m->formats()) data.emplace_back(format.toStdString(), m->data(format).toStdString());
  return data;
}

AccessibleTextForTesting AccessibleTextOfForTesting(const Ref<RectControl>& control, const std::vector<int>& offsets) {
  AccessibleTextForTesting r;
  QWidget* w = control ? control->_Widget() : nullptr;
  QAccessibleInterface* i = w ? QAccessible::queryAccessibleInterface(w) : nullptr;
  QAccessibleTextInterface* t = i ? i->textInterface() : nullptr;
  if (!t) return r;
  r.value = FromQ(i->text(QAccessible::Value));
  r.count = t->characterCount();
  r.text = FromQ(t->text(0, r.count));
  r.cursor = t->cursorPosition();
  t->selection(0, &r.selectionStart, &r.selectionEnd);
  const QPoint corner = w->mapToGlobal(QPoint(0, 0));
  for (int offset : offsets) {
    QString line = QString::number(offset) + u':';
    for (int kind = 0; kind < 3; ++kind) {
      for (int b = QAccessible::CharBoundary; b <= QAccessible::LineBoundary; ++b) {
        const auto type = static_cast<QAccessible::TextBoundaryType>(b);
        int from = 0, to = 0;
        const QString piece = kind == 0   ? t->textAtOffset(offset, type, &from, &to)
                              : kind == 1 ? t->textBeforeOffset(offset, type, &from, &to)
                                          : t->textAfterOffset(offset, type, &from, &to);
        line += QString(" [%1 %2 %3]").arg(piece.size() > 24 ? piece.left(12) + "..." + piece.right(12) : piece).arg(from).arg(to);
      }
    }
    int from = 0, to = 0;
    const QString attributes = t->attributes(offset, &from, &to);
    const QRect box = t->characterRect(offset);
    line += QString(" {%1 %2 %3} (%4,%5 %6x%7) %8")
                .arg(attributes)
                .arg(from)
                .arg(to)
                .arg(box.x() - corner.x())
                .arg(box.y() - corner.y())
                .arg(box.width())
                .arg(box.height())
                .arg(box.isValid() ? t->offsetAtPoint(box.center()) : -1);
    r.answers.push_back(line.toStdString());
  }
  return r;
}

void AccessibleSelectForTesting(const Ref<RectControl>& control, int start, int end) {
  QWidget* w = control ? control->_Widget() : nullptr;
  QAccessibleInterface* i = w ? QAccessible::queryAccessibleInterface(w) : nullptr;
  if (QAccessibleTextInterface* t = i ? i->textInterface() : nullptr) t->setSelection(0, start, end);
}

}  // namespace rb

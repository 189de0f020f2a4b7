#include "framework/controls.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleOptionFrame>
#include <QImage>

#include "framework/dragitem.h"
#include "framework/filetype.h"
#include "framework/folder_item.h"
#include "framework/graphics.h"
#include "framework/gui_private.h"
#include "framework/picture.h"

namespace rb {

// ---- DragItem ---------------------------------------------------------------------

DragItem::DragItem(std::vector<Entry> entries) : entries_(std::move(entries)) {}
DragItem::~DragItem() = default;

bool DragItem::FolderItemAvailable() const {
  return current_ < entries_.size() && !entries_[current_].path.empty();
}

Ref<rb::FolderItem> DragItem::FolderItem() const {
  if (!FolderItemAvailable()) return nullptr;
  return Ref<rb::FolderItem>::New(entries_[current_].path);
}

bool DragItem::TextAvailable() const { return current_ < entries_.size() && !entries_[current_].text.Empty(); }

String DragItem::Text() const { return current_ < entries_.size() ? entries_[current_].text : String(); }

bool DragItem::NextItem() {
  if (current_ + 1 >= entries_.size()) return false;
  ++current_;
  return true;
}

// ---- CheckBox ------------------------------------------------------------------------

namespace {
using CheckWidget = OwnedWidget<QCheckBox>;
using ButtonWidget = OwnedWidget<QPushButton>;
using BarWidget = OwnedWidget<QProgressBar>;
}  // namespace

CheckBox::CheckBox() : RectControl(NewWidget<CheckWidget>()) {
  auto* w = static_cast<CheckWidget*>(_Widget());
  QObject::connect(w, &QCheckBox::clicked, [w] {
    if (auto* self = static_cast<CheckBox*>(w->owner)) GuardedCall([self] { self->RaiseAction("Action"); });
  });
  FontChanged();
}

String CheckBox::Caption() const {
  auto* w = static_cast<QCheckBox*>(_Widget());
  return w ? FromQ(w->text()) : String();
}

void CheckBox::SetCaption(const String& s) {
  if (auto* w = static_cast<QCheckBox*>(_Widget())) w->setText(ToQ(s));
}

bool CheckBox::Value() const {
  auto* w = static_cast<QCheckBox*>(_Widget());
  return w && w->isChecked();
}

void CheckBox::SetValue(bool v) {
  auto* w = static_cast<QCheckBox*>(_Widget());
  if (!w || w->isChecked() == v) return;
  w->setChecked(v);
  RaiseAction("Action");
}

void CheckBox::FontChanged() { RectControl::FontChanged(); }

bool CheckBox::_SetProperty(const char* name, const PropertyValue& v) {
  if (NameIs(name, "Caption")) SetCaption(v.AsText());
  else if (NameIs(name, "Value")) SetValue(v.AsBoolean());
  else if (NameIs(name, "State")) SetValue(v.AsInteger() == 1);
  else return RectControl::_SetProperty(name, v);
  return true;
}

// ---- PushButton ------------------------------------------------------------------------

PushButton::PushButton() : RectControl(NewWidget<ButtonWidget>()) {
  auto* w = static_cast<ButtonWidget*>(_Widget());
  w->setAutoDefault(false);
  QObject::connect(w, &QPushButton::clicked, [w] {
    if (auto* self = static_cast<PushButton*>(w->owner)) GuardedCall([self] { self->RaiseAction("Action"); });
  });
  FontChanged();
}

String PushButton::Caption() const {
  auto* w = static_cast<QPushButton*>(_Widget());
  return w ? FromQ(w->text()) : String();
}

void PushButton::SetCaption(const String& s) {
  if (auto* w = static_cast<QPushButton*>(_Widget())) w->setText(ToQ(s));
}

void PushButton::SetDefault(bool v) {
  default_ = v;
  if (auto* w = static_cast<QPushButton*>(_Widget())) w->setDefault(v);
}

void PushButton::Push() {
  if (!Enabled()) return;
  RaiseAction("Action");
}

void PushButton::FontChanged() { RectControl::FontChanged(); }

bool PushButton::_SetProperty(const char* name, const PropertyValue& v) {
  if (NameIs(name, "Caption")) SetCaption(v.AsText());
  else if (NameIs(name, "Default")) SetDefault(v.AsBoolean());
  else if (NameIs(name, "Cancel")) SetCancel(v.AsBoolean());
  else return RectControl::_SetProperty(name, v);
  return true;
}

// ---- StaticText ---------------------------------------------------------------------------

namespace {

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Local paths (as bytes) of the file URIs of a text/uri-list.
std::vector<std::string> LocalPathsOfUriList(const QByteArray& data) {
  std::vector<std::string> paths;
  std::string all(data.constData(), static_cast<size_t>(data.size()));
  size_t pos = 0;
  char host[256] = {0};
  gethostname(host, sizeof host - 1);
  while (pos <= all.size()) {
    size_t end = all.find('\n', pos);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(pos, end - pos);
    pos = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line.size() < 5 || strncasecmp(line.c_str(), "file:", 5) != 0) continue;
    std::string rest = line.substr(5);
    if (rest.compare(0, 2, "//") == 0) {
      size_t slash = rest.find('/', 2);
      if (slash == std::string::npos) continue;
      std::string authority = rest.substr(2, slash - 2);
      if (!authority.empty() && authority != "localhost" && authority != host) continue;
      rest = rest.substr(slash);
    }
    if (rest.empty() || rest[0] != '/') continue;
    std::string path;
    for (size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] == '%' && i + 2 < rest.size() + 0 && Hex(rest[i + 1]) >= 0 && Hex(rest[i + 2]) >= 0) {
        path.push_back(static_cast<char>(Hex(rest[i + 1]) * 16 + Hex(rest[i + 2])));
        i += 2;
      } else {
        path.push_back(rest[i]);
      }
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    paths.push_back(path);
  }
  return paths;
}

bool PathMatches(const std::string& path, const std::vector<String>& typeNames) {
  // A link is taken for what it points to, as the folder dialogs do.
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  bool folder = S_ISDIR(st.st_mode);
  for (const String& name : typeNames) {
    if (Ref<FileType> ft = FindFileType(name)) {
      if (ft->Matches(path, folder)) return true;
    } else if (name == String("special/folder")) {
      if (folder) return true;
    } else if (name == String("special/any")) {
      return true;
    }
  }
  return false;
}

std::vector<DragItem::Entry> MatchingEntries(const QMimeData* mime, const std::vector<String>& types) {
  std::vector<DragItem::Entry> entries;
  if (!mime || types.empty() || !mime->hasFormat("text/uri-list")) return entries;
  for (const std::string& path : LocalPathsOfUriList(mime->data("text/uri-list"))) {
    if (PathMatches(path, types)) entries.push_back({path, String()});
  }
  return entries;
}

int DropActionCode(Qt::DropAction a) {
  switch (a) {
    case Qt::CopyAction: return 1;
    case Qt::MoveAction: return 2;
    case Qt::LinkAction: return 3;
    default: return 0;
  }
}

class LabelWidget : public OwnedWidget<QLabel> {
 protected:
  StaticText* self() const { return static_cast<StaticText*>(owner); }
  void dragEnterEvent(QDragEnterEvent* e) override {
    if (self() && !MatchingEntries(e->mimeData(), self()->_AcceptedFileTypes()).empty()) e->acceptProposedAction();
    else e->ignore();
  }
  void dragMoveEvent(QDragMoveEvent* e) override {
    if (self()) e->acceptProposedAction();
    else e->ignore();
  }
  void dropEvent(QDropEvent* e) override {
    StaticText* st = self();
    if (!st) return e->ignore();
    auto entries = MatchingEntries(e->mimeData(), st->_AcceptedFileTypes());
    if (entries.empty()) return e->ignore();
    e->acceptProposedAction();
    Ref<StaticText> keep(st);
    auto item = Ref<DragItem>::New(std::move(entries));
    int action = DropActionCode(e->dropAction());
    GuardedCall([&] { st->_Dropped(item, action); });
  }
};

}  // namespace

StaticText::StaticText() : RectControl(NewWidget<LabelWidget>()) {
  auto* w = static_cast<QLabel*>(_Widget());
  w->setTextFormat(Qt::PlainText);
  w->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  FontChanged();
}

void StaticText::SetText(const String& s) {
  text_ = s;
  if (auto* w = static_cast<QLabel*>(_Widget())) w->setText(ToQ(s));
}

void StaticText::SetTextAlign(int a) {
  align_ = a;
  Qt::Alignment h = a == 1 ? Qt::AlignHCenter : a == 2 ? Qt::AlignRight : Qt::AlignLeft;
  if (auto* w = static_cast<QLabel*>(_Widget())) w->setAlignment(h | Qt::AlignTop);
}

void StaticText::SetMultiLine(bool v) {
  multiLine_ = v;
  if (auto* w = static_cast<QLabel*>(_Widget())) w->setWordWrap(v);
}

void StaticText::SetTextColor(Color c) {
  color_ = c;
  if (auto* w = static_cast<QLabel*>(_Widget())) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, ToQColor(c));
    w->setPalette(p);
  }
}

void StaticText::AcceptFileDrop(const String& fileTypeName) {
  for (const String& n : accepted_) {
    if (n == fileTypeName) return;
  }
  accepted_.push_back(fileTypeName);
  if (QWidget* w = _Widget()) w->setAcceptDrops(true);
}

void StaticText::_Dropped(const Ref<DragItem>& item, int action) { RaiseDrop("DropObject", item, action); }

void StaticText::FontChanged() { RectControl::FontChanged(); }

bool StaticText::_SetProperty(const char* name, const PropertyValue& v) {
  if (NameIs(name, "Text")) SetText(v.AsText());
  else if (NameIs(name, "TextAlign")) SetTextAlign(v.AsInteger());
  else if (NameIs(name, "MultiLine")) SetMultiLine(v.AsBoolean());
  else if (NameIs(name, "TextColor")) SetTextColor(static_cast<Color>(v.AsInteger()));
  else if (NameIs(name, "DataField") || NameIs(name, "DataSource")) {
  } else return RectControl::_SetProperty(name, v);
  return true;
}

// ---- GroupBox, Separator, ProgressBar ---------------------------------------------------

namespace {
// Without a caption the frame fills the box: the style leaves room above
// it for a caption that is not there, and the box is drawn that much higher.
class GroupWidget : public OwnedWidget<QGroupBox> {
 protected:
  void paintEvent(QPaintEvent* e) override {
    if (!title().isEmpty()) return QGroupBox::paintEvent(e);
    QStyleOptionFrame frame = FrameOption(rect());
    const int gap = RoomAboveFrame();
    frame.rect.adjust(0, -gap, 0, 0);
    QPainter p(this);
    style()->drawPrimitive(QStyle::PE_FrameGroupBox, &frame, &p, this);
  }
  void changeEvent(QEvent* e) override {
    if (e->type() == QEvent::StyleChange || e->type() == QEvent::FontChange) roomFor_ = QSize();
    QGroupBox::changeEvent(e);
  }

 private:
  QStyleOptionFrame FrameOption(const QRect& r) const {
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = r;
    frame.lineWidth = 1;
    frame.midLineWidth = 0;
    frame.features = QStyleOptionFrame::None;
    return frame;
  }
  // The rows the style leaves empty above the frame, found by drawing it.
  int RoomAboveFrame() {
    if (roomFor_ == size()) return room_;
    QImage probe(size(), QImage::Format_ARGB32_Premultiplied);
    probe.fill(Qt::transparent);
    {
      QPainter p(&probe);
      QStyleOptionFrame frame = FrameOption(probe.rect());
      style()->drawPrimitive(QStyle::PE_FrameGroupBox, &frame, &p, this);
    }
    room_ = 0;
    const int x = probe.width() / 2;
    while (room_ < probe.height() / 2 && qAlpha(probe.pixel(x, room_)) == 0) ++room_;
    if (room_ == probe.height() / 2) room_ = 0;  // nothing drawn there
    roomFor_ = size();
    return room_;
  }
  QSize roomFor_;
  int room_ = 0;
};
}  // namespace

GroupBox::GroupBox() : RectControl(NewWidget<GroupWidget>()) { FontChanged(); }

String GroupBox::Caption() const {
  auto* w = static_cast<QGroupBox*>(_Widget());
  return w ? FromQ(w->title()) : String();
}

void GroupBox::SetCaption(const String& s) {
  if (auto* w = static_cast<QGroupBox*>(_Widget())) w->setTitle(ToQ(s));
}

void GroupBox::FontChanged() { RectControl::FontChanged(); }

bool GroupBox::_SetProperty(const char* name, const PropertyValue& v) {
  if (NameIs(name, "Caption")) SetCaption(v.AsText());
  else return RectControl::_SetProperty(name, v);
  return true;
}

namespace {
class LineWidget : public OwnedWidget<QFrame> {
 public:
  LineWidget() {
    setFrameShape(QFrame::HLine);
    setFrameShadow(QFrame::Sunken);
  }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    setFrameShape(width() >= height() ? QFrame::HLine : QFrame::VLine);
    QFrame::resizeEvent(e);
  }
};
}  // namespace

Separator::Separator() : RectControl(NewWidget<LineWidget>()) {}

ProgressBar::ProgressBar() : RectControl(NewWidget<BarWidget>()) {
  static_cast<QProgressBar*>(_Widget())->setTextVisible(false);
  Sync();
}

void ProgressBar::SetMaximum(int v) {
  maximum_ = v;
  Sync();
}

void ProgressBar::SetValue(int v) {
  value_ = v;
  Sync();
}

void ProgressBar::Sync() {
  auto* w = static_cast<QProgressBar*>(_Widget());
  if (!w) return;
  // A bar with maximum 0 stands empty and still: an animated one would
  // repaint all through a search.
  int max = maximum_ < 0 ? 0 : maximum_;
  w->setRange(0, max > 0 ? max : 1);
  w->setValue(max > 0 ? (value_ < 0 ? 0 : (value_ > max ? max : value_)) : 0);
}

bool ProgressBar::_SetProperty(const char* name, const PropertyValue& v) {
  if (NameIs(name, "Maximum")) SetMaximum(v.AsInteger());
  else if (NameIs(name, "Value")) SetValue(v.AsInteger());
  else if (NameIs(name, "Minimum")) {
  } else return RectControl::_SetProperty(name, v);
  return true;
}

// ---- Canvas ------------------------------------------------------------------------------

namespace {
class CanvasWidget : public OwnedWidget<QWidget> {
 protected:
  Canvas* self() const { return static_cast<Canvas*>(owner); }
  void paintEvent(QPaintEvent*) override {
    Canvas* c = self();
    if (!c) return;
    Ref<Canvas> keep(c);
    QPainter p(this);
    Graphics g(&p, width(), height());
    GuardedPaintCall([&] { c->_Paint(g); });
  }
  void mousePressEvent(QMouseEvent* e) override {
    Canvas* c = self();
    if (!c || !c->_HasEventHandler("MouseDown")) return e->ignore();
    Ref<Canvas> keep(c);
    QPoint pos = e->position().toPoint();
    bool handled = false;
    GuardedCall([&] { handled = c->_MouseDown(pos.x(), pos.y()); });
    if (handled) e->accept();
    else e->ignore();
  }
};
}  // namespace

Canvas::Canvas() : RectControl(NewWidget<CanvasWidget>()) { _Widget()->setFocusPolicy(Qt::NoFocus); }
Canvas::~Canvas() = default;

Ref<Picture> Canvas::Backdrop() const { return backdrop_; }

void Canvas::SetBackdrop(const Ref<Picture>& p) {
  backdrop_ = p;
  Refresh();
}

void Canvas::_Paint(Graphics& g) {
  if (backdrop_) g.DrawPicture(backdrop_, 0, 0);
  RaisePaint("Paint", g);
}

bool Canvas::_MouseDown(int x, int y) { return RaiseMouse("MouseDown", x, y); }

bool Canvas::_SetProperty(const char* name, const PropertyValue& v) {
  if (NameIs(name, "EraseBackground") || NameIs(name, "AcceptFocus") || NameIs(name, "AcceptTabs") ||
      NameIs(name, "UseFocusRing") || NameIs(name, "DoubleBuffer")) {
    if (NameIs(name, "AcceptFocus") && v.AsBoolean()) _Widget()->setFocusPolicy(Qt::StrongFocus);
    return true;
  }
  return RectControl::_SetProperty(name, v);
}

}  // namespace rb

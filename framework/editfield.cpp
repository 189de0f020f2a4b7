#include "framework/editfield.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <cmath>

#include "framework/gui_private.h"

namespace rb {

namespace {

// Per-character and per-paragraph style properties of our own.
constexpr int kFontName = QTextFormat::UserProperty + 1;
constexpr int kOutline = QTextFormat::UserProperty + 2;
constexpr int kShadow = QTextFormat::UserProperty + 3;
constexpr int kExtend = QTextFormat::UserProperty + 4;
constexpr int kCondense = QTextFormat::UserProperty + 5;
constexpr int kAlignment = QTextFormat::UserProperty + 6;

// Line ends as the widget keeps them: LF.
QString DisplayForm(const String& s) {
  QString q = ToQ(s);
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  q.replace(QChar('\r'), QChar('\n'));
  return q;
}

String KeyText(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Return: return String("\r");
    case Qt::Key_Enter: return String("\x03");
    case Qt::Key_Tab: return String("\t");
    case Qt::Key_Backspace: return String("\x08");
    case Qt::Key_Delete: return String("\x7f");
    case Qt::Key_Escape: return String("\x1b");
    case Qt::Key_Left: return String("\x1c");
    case Qt::Key_Right: return String("\x1d");
    case Qt::Key_Up: return String("\x1e");
    case Qt::Key_Down: return String("\x1f");
    default: return FromQ(e->text());
  }
}

class FieldWidget : public OwnedWidget<QTextEdit> {
 public:
  FieldWidget() {
    QObject::connect(this, &QTextEdit::textChanged, [this] {
      if (auto* f = field()) {
        if (!f->_Updating()) f->_UserEdited();
      }
    });
  }
  EditField* field() const { return static_cast<EditField*>(owner); }

 protected:
  bool event(QEvent* e) override {
    // A menu shortcut (Ctrl+A, Ctrl+C, ...) reaches its item, which acts
    // on this field when no handler takes it.
    if (e->type() == QEvent::ShortcutOverride && _MenuTakesKey(this, static_cast<QKeyEvent*>(e))) {
      e->ignore();
      return true;
    }
    return QTextEdit::event(e);
  }
  void keyPressEvent(QKeyEvent* e) override {
    EditField* f = field();
    if (!f) return QTextEdit::keyPressEvent(e);
    Ref<EditField> keep(f);
    String key = KeyText(e);
    if (!key.Empty()) {
      bool consumed = false;
      GuardedCall([&] { consumed = f->_KeyDown(key); });
      if (consumed) return e->accept();
    }
    bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && (!f->MultiLine() || f->ReadOnly())) return e->ignore();
    if (f->LimitText() > 0 && !f->ReadOnly()) {
      QString typed = e->text();
      bool printable = enter || (!typed.isEmpty() && typed.at(0).isPrint());
      if (printable) {
        int now = static_cast<int>(toPlainText().size());
        int selected = static_cast<int>(textCursor().selectedText().size());
        int adding = enter ? 1 : static_cast<int>(typed.size());
        if (now - selected + adding > f->LimitText()) return e->accept();
      }
    }
    QTextEdit::keyPressEvent(e);
  }
  void insertFromMimeData(const QMimeData* source) override {
    EditField* f = field();
    if (!f || !source->hasText()) return QTextEdit::insertFromMimeData(source);
    QString t = source->text();
    if (!f->MultiLine()) {
      t.replace(QChar('\r'), QChar(' '));
      t.replace(QChar('\n'), QChar(' '));
    }
    if (f->LimitText() > 0) {
      int room = f->LimitText() - static_cast<int>(toPlainText().size()) +
                 static_cast<int>(textCursor().selectedText().size());
      if (room < 0) room = 0;
      t.truncate(room);
    }
    textCursor().insertText(t);
  }
  void focusInEvent(QFocusEvent* e) override {
    QTextEdit::focusInEvent(e);
    if (EditField* f = field()) {
      Ref<EditField> keep(f);
      GuardedCall([&] { f->_GotFocus(); });
    }
  }
  void focusOutEvent(QFocusEvent* e) override {
    QTextEdit::focusOutEvent(e);
    if (EditField* f = field()) {
      Ref<EditField> keep(f);
      GuardedCall([&] { f->_LostFocus(); });
    }
  }
};

FieldWidget* W(const EditField* f) { return static_cast<FieldWidget*>(f->_Widget()); }

}  // namespace

EditField::EditField() : RectControl(NewWidget<FieldWidget>()) {
  FieldWidget* w = W(this);
  w->setAcceptRichText(false);
  w->setTabChangesFocus(true);
  SetMultiLine(false);
  SetTextColor(textColor_);
  SetBackColor(backColor_);
  FontChanged();
}

struct EditField::EditBlock {
  QTextCursor cursor;
};

EditField::~EditField() = default;

// ---- Text -----------------------------------------------------------------------------

String EditField::Text() const {
  if (exactValid_) return exact_;
  FieldWidget* w = W(this);
  return w ? FromQ(w->toPlainText()) : String();
}

void EditField::SetText(const String& s) {
  exact_ = s;
  exactValid_ = true;
  if (FieldWidget* w = W(this)) {
    ++updating_;
    w->setPlainText(DisplayForm(s));
    --updating_;
  }
}

void EditField::AppendText(const String& s) {
  if (exactValid_) exact_ += s;
  if (FieldWidget* w = W(this)) {
    ++updating_;
    QTextCursor c(w->document());
    c.movePosition(QTextCursor::End);
    c.insertText(DisplayForm(s));
    --updating_;
  }
}

void EditField::_UserEdited() {
  if (!exactValid_) return;
  // Margins, fonts and formats changed from code also report a change; the
  // exact text stays valid while the characters are the same.
  FieldWidget* w = W(this);
  if (w && w->toPlainText() == DisplayForm(exact_)) return;
  exactValid_ = false;
}

void EditField::SelectAll() {
  if (FieldWidget* w = W(this)) w->selectAll();
}

// ---- Settings ---------------------------------------------------------------------------

void EditField::SetMultiLine(bool v) {
  multiLine_ = v;
  FieldWidget* w = W(this);
  if (!w) return;
  w->setLineWrapMode(v ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
  w->document()->setDocumentMargin(v ? 4 : 1);
  ApplyFrame();
}

void EditField::SetReadOnly(bool v) {
  readOnly_ = v;
  if (FieldWidget* w = W(this)) {
    w->setReadOnly(v);
    // Nothing to undo in a field the user cannot edit.
    w->document()->setUndoRedoEnabled(!v);
  }
}

void EditField::SetAcceptTabs(bool v) {
  acceptTabs_ = v;
  if (FieldWidget* w = W(this)) w->setTabChangesFocus(!v);
}

void EditField::SetBorder(bool v) {
  border_ = v;
  ApplyFrame();
}

void EditField::SetScrollBarVertical(bool v) {
  scrollV_ = v;
  ApplyFrame();
}

void EditField::SetScrollBarHorizontal(bool v) {
  scrollH_ = v;
  ApplyFrame();
}

void EditField::ApplyFrame() {
  FieldWidget* w = W(this);
  if (!w) return;
  w->setFrameShape(border_ ? QFrame::StyledPanel : QFrame::NoFrame);
  w->setVerticalScrollBarPolicy(multiLine_ && scrollV_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  w->setHorizontalScrollBarPolicy(multiLine_ && scrollH_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void EditField::SetAlignment(int a) {
  alignment_ = a;
  FieldWidget* w = W(this);
  if (!w) return;
  QTextOption o = w->document()->defaultTextOption();
  o.setAlignment(a == 2 ? Qt::AlignHCenter : a == 3 ? Qt::AlignRight : Qt::AlignLeft);
  w->document()->setDefaultTextOption(o);
}

namespace {
// The colours of an enabled field; a disabled one keeps the toolkit's
// dimmed ones.
void SetEnabledColor(QWidget* w, QPalette::ColorRole role, Color c) {
  QPalette p = w->palette();
  p.setColor(QPalette::Active, role, ToQColor(c));
  p.setColor(QPalette::Inactive, role, ToQColor(c));
  w->setPalette(p);
}
}  // namespace

void EditField::SetTextColor(Color c) {
  textColor_ = c;
  if (FieldWidget* w = W(this)) SetEnabledColor(w, QPalette::Text, c);
}

void EditField::SetBackColor(Color c) {
  backColor_ = c;
  if (FieldWidget* w = W(this)) SetEnabledColor(w, QPalette::Base, c);
}

void EditField::FontChanged() {
  FieldWidget* w = W(this);
  if (!w) return;
  QFont f = MakeFont(TextFont(), TextSize(), Bold(), Italic(), Underline());
  w->setFont(f);
  w->document()->setDefaultFont(f);
}

int EditField::ScrollPosition() const {
  FieldWidget* w = W(this);
  if (!w) return 0;
  int line = w->fontMetrics().lineSpacing();
  return line > 0 ? w->verticalScrollBar()->value() / line : 0;
}

void EditField::SetScrollPosition(int lineNo) {
  FieldWidget* w = W(this);
  if (!w) return;
  int line = w->fontMetrics().lineSpacing();
  w->verticalScrollBar()->setValue(lineNo < 0 ? 0 : lineNo * line);
}

// ---- Selection ------------------------------------------------------------------------

// The cursor that selection and insertions use.
struct EditFieldCursor {
  static QTextCursor Get(const EditField* f) {
    if (f->block_) return f->block_->cursor;
    FieldWidget* w = W(f);
    return w ? w->textCursor() : QTextCursor();
  }
  static void Set(EditField* f, const QTextCursor& c) {
    if (f->block_) {
      f->block_->cursor = c;
    } else if (FieldWidget* w = W(f)) {
      w->setTextCursor(c);
    }
  }
  static QTextCharFormat Format(const EditField* f) {
    if (f->block_) return f->block_->cursor.charFormat();
    FieldWidget* w = W(f);
    return w ? w->currentCharFormat() : QTextCharFormat();
  }
  static void SetFormat(EditField* f, const QTextCharFormat& fmt) {
    if (f->block_) {
      f->block_->cursor.setCharFormat(fmt);
    } else if (FieldWidget* w = W(f)) {
      w->setCurrentCharFormat(fmt);
    }
  }
  static void MergeFormat(EditField* f, const QTextCharFormat& fmt) {
    if (f->block_) {
      f->block_->cursor.mergeCharFormat(fmt);
    } else if (FieldWidget* w = W(f)) {
      w->mergeCurrentCharFormat(fmt);
    }
  }
};

int EditField::SelStart() const { return EditFieldCursor::Get(this).selectionStart(); }

void EditField::SetSelStart(int pos) {
  FieldWidget* w = W(this);
  if (!w) return;
  QTextCursor c = EditFieldCursor::Get(this);
  int end = static_cast<int>(w->document()->characterCount()) - 1;
  c.setPosition(pos < 0 ? 0 : (pos > end ? end : pos));
  EditFieldCursor::Set(this, c);
}

int EditField::SelLength() const {
  QTextCursor c = EditFieldCursor::Get(this);
  return c.selectionEnd() - c.selectionStart();
}

void EditField::SetSelLength(int n) {
  FieldWidget* w = W(this);
  if (!w) return;
  QTextCursor c = EditFieldCursor::Get(this);
  int start = c.selectionStart();
  int end = static_cast<int>(w->document()->characterCount()) - 1;
  int stop = start + (n < 0 ? 0 : n);
  c.setPosition(start);
  c.setPosition(stop > end ? end : stop, QTextCursor::KeepAnchor);
  EditFieldCursor::Set(this, c);
}

String EditField::SelText() const {
  FieldWidget* w = W(this);
  if (!w) return String();
  QString t = EditFieldCursor::Get(this).selectedText();
  t.replace(QChar::ParagraphSeparator, QChar('\n'));
  return FromQ(t);
}

void EditField::SetSelText(const String& s) {
  FieldWidget* w = W(this);
  if (!w) return;
  ++updating_;
  QTextCursor c = EditFieldCursor::Get(this);
  QTextCharFormat f = EditFieldCursor::Format(this);
  c.insertText(DisplayForm(s), f);
  EditFieldCursor::Set(this, c);
  EditFieldCursor::SetFormat(this, f);
  --updating_;
  exactValid_ = false;
}

void EditField::BeginEditBlock() {
  FieldWidget* w = W(this);
  if (!w || editBlocks_++ > 0) return;
  block_ = std::make_unique<EditBlock>(EditBlock{w->textCursor()});
  block_->cursor.beginEditBlock();
}

void EditField::EndEditBlock() {
  FieldWidget* w = W(this);
  if (!w || editBlocks_ == 0 || --editBlocks_ > 0) return;
  QTextCursor c = block_->cursor;
  block_.reset();
  ++updating_;
  c.endEditBlock();
  QTextCharFormat f = c.charFormat();
  // The widget's cursor moved along with insertions at its place; setting it
  // again would lay the whole text out at once to show the insertion point.
  QTextCursor now = w->textCursor();
  if (now.position() != c.position() || now.anchor() != c.anchor()) w->setTextCursor(c);
  w->setCurrentCharFormat(f);
  --updating_;
}

// ---- Selection styles ---------------------------------------------------------------------

namespace {
void Merge(EditField* f, const QTextCharFormat& fmt) { EditFieldCursor::MergeFormat(f, fmt); }
QTextCharFormat Current(const EditField* f) {
  return EditFieldCursor::Format(f);
}
}  // namespace

String EditField::SelTextFont() const {
  QTextCharFormat f = Current(this);
  if (f.hasProperty(kFontName)) return FromQ(f.stringProperty(kFontName));
  QStringList fams = f.fontFamilies().toStringList();
  if (!fams.isEmpty() && !fams.first().isEmpty()) return FromQ(fams.first());
  return TextFont();
}

void EditField::SetSelTextFont(const String& name) {
  QTextCharFormat f;
  QString family = IsSystemFont(name) ? QApplication::font().family() : ToQ(name);
  f.setFontFamilies(QStringList{family});
  f.setProperty(kFontName, ToQ(name));
  Merge(this, f);
}

int EditField::SelTextSize() const {
  QTextCharFormat f = Current(this);
  if (f.hasProperty(QTextFormat::FontPixelSize)) return f.intProperty(QTextFormat::FontPixelSize);
  if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0)
    return static_cast<int>(std::lround(f.fontPointSize()));
  if (TextSize() > 0) return TextSize();
  FieldWidget* w = W(this);
  return w ? QFontInfo(w->font()).pixelSize() : 12;
}

void EditField::SetSelTextSize(int size) {
  if (size <= 0) return;
  QTextCharFormat f;
  f.setProperty(QTextFormat::FontPixelSize, size);
  Merge(this, f);
}

Color EditField::SelTextColor() const {
  QTextCharFormat f = Current(this);
  if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
    return FromQColor(f.foreground().color());
  return textColor_;
}

void EditField::SetSelTextColor(Color c) {
  QTextCharFormat f;
  f.setForeground(ToQColor(c));
  Merge(this, f);
}

bool EditField::SelBold() const {
  QTextCharFormat f = Current(this);
  if (f.hasProperty(QTextFormat::FontWeight)) return f.fontWeight() >= QFont::DemiBold;
  return Bold();
}

void EditField::SetSelBold(bool v) {
  QTextCharFormat f;
  f.setFontWeight(v ? QFont::Bold : QFont::Normal);
  Merge(this, f);
}

bool EditField::SelItalic() const {
  QTextCharFormat f = Current(this);
  if (f.hasProperty(QTextFormat::FontItalic)) return f.fontItalic();
  return Italic();
}

void EditField::SetSelItalic(bool v) {
  QTextCharFormat f;
  f.setFontItalic(v);
  Merge(this, f);
}

bool EditField::SelUnderline() const {
  QTextCharFormat f = Current(this);
  if (f.hasProperty(QTextFormat::TextUnderlineStyle)) return f.fontUnderline();
  return Underline();
}

void EditField::SetSelUnderline(bool v) {
  QTextCharFormat f;
  f.setFontUnderline(v);
  Merge(this, f);
}

bool EditField::SelOutline() const { return Current(this).boolProperty(kOutline); }
void EditField::SetSelOutline(bool v) {
  QTextCharFormat f;
  f.setProperty(kOutline, v);
  Merge(this, f);
}

bool EditField::SelShadow() const { return Current(this).boolProperty(kShadow); }
void EditField::SetSelShadow(bool v) {
  QTextCharFormat f;
  f.setProperty(kShadow, v);
  Merge(this, f);
}

bool EditField::SelExtend() const { return Current(this).boolProperty(kExtend); }
void EditField::SetSelExtend(bool v) {
  QTextCharFormat f;
  f.setProperty(kExtend, v);
  bool condense = SelCondense();
  f.setFontLetterSpacingType(QFont::PercentageSpacing);
  f.setFontLetterSpacing(v ? 110 : condense ? 90 : 100);
  Merge(this, f);
}

bool EditField::SelCondense() const { return Current(this).boolProperty(kCondense); }
void EditField::SetSelCondense(bool v) {
  QTextCharFormat f;
  f.setProperty(kCondense, v);
  bool extend = SelExtend();
  f.setFontLetterSpacingType(QFont::PercentageSpacing);
  f.setFontLetterSpacing(v ? 90 : extend ? 110 : 100);
  Merge(this, f);
}

int EditField::SelAlignment() const {
  FieldWidget* w = W(this);
  if (!w) return 0;
  QTextBlockFormat b = EditFieldCursor::Get(this).blockFormat();
  if (b.hasProperty(kAlignment)) return b.intProperty(kAlignment);
  Qt::Alignment a = b.alignment();
  if (a & Qt::AlignHCenter) return 2;
  if (a & Qt::AlignRight) return 3;
  return 0;
}

void EditField::SetSelAlignment(int a) {
  FieldWidget* w = W(this);
  if (!w) return;
  QTextBlockFormat b;
  b.setAlignment(a == 2 ? Qt::AlignHCenter : a == 3 ? Qt::AlignRight : Qt::AlignLeft);
  b.setProperty(kAlignment, a);
  QTextCursor c = EditFieldCursor::Get(this);
  QTextCharFormat keep = EditFieldCursor::Format(this);
  c.mergeBlockFormat(b);
  EditFieldCursor::Set(this, c);
  EditFieldCursor::SetFormat(this, keep);
}

// ---- Events and properties ----------------------------------------------------------------

bool EditField::_KeyDown(const String& key) { return RaiseKey("KeyDown", key); }
void EditField::_GotFocus() { RaiseAction("GotFocus"); }
void EditField::_LostFocus() { RaiseAction("LostFocus"); }

bool EditField::_SetProperty(const char* name, const PropertyValue& v) {
  if (NameIs(name, "Text")) SetText(v.AsText());
  else if (NameIs(name, "MultiLine")) SetMultiLine(v.AsBoolean());
  else if (NameIs(name, "ReadOnly")) SetReadOnly(v.AsBoolean());
  else if (NameIs(name, "Styled")) SetStyled(v.AsBoolean());
  else if (NameIs(name, "Password")) SetPassword(v.AsBoolean());
  else if (NameIs(name, "AcceptTabs")) SetAcceptTabs(v.AsBoolean());
  else if (NameIs(name, "Border")) SetBorder(v.AsBoolean());
  else if (NameIs(name, "ScrollBarVertical")) SetScrollBarVertical(v.AsBoolean());
  else if (NameIs(name, "ScrollBarHorizontal")) SetScrollBarHorizontal(v.AsBoolean());
  else if (NameIs(name, "LimitText")) SetLimitText(v.AsInteger());
  else if (NameIs(name, "Alignment")) SetAlignment(v.AsInteger());
  else if (NameIs(name, "TextColor")) SetTextColor(static_cast<Color>(v.AsInteger()));
  else if (NameIs(name, "BackColor")) SetBackColor(static_cast<Color>(v.AsInteger()));
  else if (NameIs(name, "Format") || NameIs(name, "Mask") || NameIs(name, "DataField") ||
           NameIs(name, "DataSource")) {
  } else return RectControl::_SetProperty(name, v);
  return true;
}

}  // namespace rb

#include "framework/editfield.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QBuffer>
#include <QFocusEvent>
#include <QFontInfo>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextDocumentWriter>
#include <QTextEdit>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <vector>

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

// The pen that draws outlined text.
QPen OutlinePen(const QColor& color) { return QPen(QBrush(color), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

// The colour text of a format is shown in: the outline's for outlined text.
QColor TextColorOf(const QTextCharFormat& f, const QColor& fallback) {
  if (f.boolProperty(kOutline) && f.hasProperty(QTextFormat::TextOutline)) return f.textOutline().color();
  if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
    return f.foreground().color();
  return fallback;
}

// Line ends as the widget keeps them: LF.
QString DisplayForm(const String& s) {
  QString q = ToQ(s);
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  q.replace(QChar('\r'), QChar('\n'));
  return q;
}

// Characters of text laid out at a time while an edit block lasts, and the
// length from which a paragraph is cut where a line starts. A paragraph is
// always laid out whole; with many style runs and no place to break a line
// that takes time that grows with the square of its length.
constexpr int kPieceChars = 1000;
constexpr int kLongParagraph = 1000;
// Characters of the blocks of a cut paragraph given a changed paragraph
// format at a time, while an edit block lasts. The toolkit lays out the
// block after the ones changed again too, so a piece takes several blocks.
constexpr int kRestyleChars = 4000;

// Whether the width that lines wrap at is the one the field keeps: the
// field is shown, and its vertical scroll bar will not come or go.
bool WidthSettled(const QTextEdit* w) {
  return w->isVisible() &&
         (w->verticalScrollBarPolicy() != Qt::ScrollBarAsNeeded || w->verticalScrollBar()->isVisible());
}

// Text positions leave out the breaks that cut long paragraphs (`cuts`,
// ascending document positions).
int TextPosition(const std::vector<int>& cuts, int position) {
  return position - static_cast<int>(std::lower_bound(cuts.begin(), cuts.end(), position) - cuts.begin());
}

int DocumentPosition(const std::vector<int>& cuts, int text) {
  // The k-th cut (from 0) stands at text position cuts[k] - k.
  size_t low = 0, high = cuts.size();
  while (low < high) {
    const size_t mid = (low + high) / 2;
    if (cuts[mid] - static_cast<int>(mid) < text) low = mid + 1;
    else high = mid;
  }
  return text + static_cast<int>(low);
}

// The text between two document positions with line ends as LF and without
// the cuts. Unlike toPlainText, non-breaking spaces stay what they are.
QString FieldText(const QTextEdit* w, const std::vector<int>& cuts, int from = 0, int to = -1) {
  const QString raw = w->document()->toRawText();
  if (to < 0 || to > raw.size()) to = static_cast<int>(raw.size());
  if (from < 0) from = 0;
  QString t;
  t.reserve(to > from ? to - from : 0);
  auto cut = std::lower_bound(cuts.begin(), cuts.end(), from);
  for (int i = from; i < to; ++i) {
    if (cut != cuts.end() && *cut == i) {
      ++cut;
      continue;
    }
    const char16_t u = raw.at(i).unicode();
    const bool lineEnd = u == QChar::ParagraphSeparator || u == QChar::LineSeparator || u == 0xFDD0 || u == 0xFDD1;
    t += lineEnd ? QChar(u'\n') : raw.at(i);
  }
  return t;
}

// The plain text that data offers; URLs (which the toolkit also gives as
// text) and pictures are none.
QString PlainTextOf(const QMimeData* data) {
  if (!data) return QString();
  if (!data->hasFormat(QStringLiteral("text/plain")) && !data->hasFormat(QStringLiteral("text/plain;charset=utf-8")))
    return QString();
  return data->text();
}

// Whether a block continues the paragraph before it, cut from it.
bool ContinuesCut(const std::vector<int>& cuts, const QTextBlock& block) {
  return block.isValid() && std::binary_search(cuts.begin(), cuts.end(), block.position() - 1);
}

// The cuts between two document positions, counted from the first.
std::vector<int> CutsWithin(const std::vector<int>& cuts, int from, int to) {
  std::vector<int> inside;
  for (auto it = std::lower_bound(cuts.begin(), cuts.end(), from); it != cuts.end() && *it < to; ++it)
    inside.push_back(*it - from);
  return inside;
}

// What a copy or drag of a field's selection holds: the field's text and,
// made only when a client asks for them (as the toolkit's own text edit
// does), the rich forms of the selection, without the cuts.
class SelectionMimeData : public QMimeData {
 public:
  SelectionMimeData(const QString& text, const QTextDocumentFragment& part, std::vector<int> cuts)
      : part_(part), cuts_(std::move(cuts)) {
    setText(text);
  }
  QStringList formats() const override {
    if (part_.isEmpty()) return QMimeData::formats();
    return {QStringLiteral("text/plain"), QStringLiteral("text/html"), QStringLiteral("text/markdown"),
            QStringLiteral("application/vnd.oasis.opendocument.text")};
  }

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
    if (!part_.isEmpty()) MakeRichForms();
    return QMimeData::retrieveData(mimeType, type);
  }

 private:
  void MakeRichForms() const {
    QTextDocumentFragment whole = part_;
    if (!cuts_.empty()) {
      // The cut paragraphs joined again.
      QTextDocument copy;
      copy.setUndoRedoEnabled(false);
      QTextCursor at(&copy);
      at.insertFragment(part_);
      for (auto it = cuts_.rbegin(); it != cuts_.rend(); ++it) {
        at.setPosition(*it);
        at.deleteChar();
      }
      whole = QTextDocumentFragment(&copy);
    }
    auto* self = const_cast<SelectionMimeData*>(this);
    self->setData(QStringLiteral("text/html"), whole.toHtml().toUtf8());
    self->setData(QStringLiteral("text/markdown"), whole.toMarkdown().toUtf8());
    QBuffer odf;
    QTextDocumentWriter(&odf, "ODF").write(whole);
    self->setData(QStringLiteral("application/vnd.oasis.opendocument.text"), odf.data());
    part_ = QTextDocumentFragment();
  }
  mutable QTextDocumentFragment part_;
  std::vector<int> cuts_;  // positions in part_
};

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
  // Only plain text is pasted or dropped. The toolkit's own insertion is
  // never used: it reads the first format of the data, and the data of an
  // empty selection or of a clipboard whose owner has quit has none.
  bool canInsertFromMimeData(const QMimeData* source) const override { return !PlainTextOf(source).isEmpty(); }
  void insertFromMimeData(const QMimeData* source) override {
    QString t = PlainTextOf(source);
    if (t.isEmpty() || !(textInteractionFlags() & Qt::TextEditable)) return;
    EditField* f = field();
    if (f && !f->MultiLine()) {
      t.replace(QChar('\r'), QChar(' '));
      t.replace(QChar('\n'), QChar(' '));
    }
    if (f && f->LimitText() > 0) {
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
  void paintEvent(QPaintEvent* e) override {
    PaintShadows(e->rect());
    QTextEdit::paintEvent(e);
  }
  // What is copied, dragged or selected holds the field's text, without
  // the cuts, in every form.
  QMimeData* createMimeDataFromSelection() const override {
    const QTextCursor c = textCursor();
    const std::vector<int>& cuts = Cuts();
    return new SelectionMimeData(FieldText(this, cuts, c.selectionStart(), c.selectionEnd()), QTextDocumentFragment(c),
                                 CutsWithin(cuts, c.selectionStart(), c.selectionEnd()));
  }

 public:
  const std::vector<int>& Cuts() const {
    static const std::vector<int> none;
    const EditField* f = field();
    return f ? f->_Cuts() : none;
  }

 private:
  // Shadowed text: the toolkit has no such format, so its glyphs are drawn
  // once more, lighter and a little lower right, under the text.
  void PaintShadows(const QRect& area) {
    QTextDocument* doc = document();
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    const QPointF scrolled(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    QPainter painter(viewport());
    for (QTextBlock block = cursorForPosition(area.topLeft()).block(); block.isValid(); block = block.next()) {
      const QRectF box = layout->blockBoundingRect(block).translated(scrolled);
      if (box.top() > area.bottom()) break;
      const QTextLayout* lines = block.layout();
      if (!lines) continue;
      for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment piece = it.fragment();
        const QTextCharFormat format = piece.charFormat();
        if (!piece.isValid() || !format.boolProperty(kShadow)) continue;
        QColor shade = TextColorOf(format, palette().color(QPalette::Text));
        shade.setAlphaF(0.4f);
        painter.setPen(shade);
        const qreal size = format.hasProperty(QTextFormat::FontPixelSize) ? format.intProperty(QTextFormat::FontPixelSize)
                                                                          : QFontInfo(font()).pixelSize();
        const qreal step = size < 24 ? 1.0 : size / 12.0;
        const QPointF at = scrolled + lines->position() + QPointF(step, step);
        for (const QGlyphRun& run : lines->glyphRuns(piece.position() - block.position(), piece.length()))
          painter.drawGlyphRun(at, run);
      }
    }
  }
};

// What assistive technology reads of a field: the toolkit's own text edit
// interface, told in the field's text, which leaves the cuts out.
class FieldAccessible : public QAccessibleWidget,
                        public QAccessibleTextInterface,
                        public QAccessibleEditableTextInterface {
 public:
  explicit FieldAccessible(FieldWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}

  static QAccessibleInterface* Factory(const QString&, QObject* object) {
    auto* w = dynamic_cast<FieldWidget*>(object);
    return w ? new FieldAccessible(w) : nullptr;
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface) return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }
  QAccessible::State state() const override {
    QAccessible::State st = QAccessibleWidget::state();
    st.selectableText = true;
    st.multiLine = true;
    if (Edit()->isReadOnly())
      st.readOnly = true;
    else
      st.editable = true;
    return st;
  }
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Value) return QAccessibleWidget::text(t);
    // The toolkit's plain text keeps one character for each of the
    // document's, the cuts where they stand.
    const QString plain = Edit()->toPlainText();
    const std::vector<int>& cuts = Cuts();
    if (cuts.empty()) return plain;
    QString value;
    value.reserve(plain.size());
    int from = 0;
    for (int cut : cuts) {
      value += QStringView(plain).mid(from, cut - from);
      from = cut + 1;
    }
    value += QStringView(plain).mid(from);
    return value;
  }
  void setText(QAccessible::Text t, const QString& text) override {
    if (t != QAccessible::Value) return QAccessibleWidget::setText(t, text);
    if (!Edit()->isReadOnly()) Edit()->setText(text);
  }

  // ---- Text ----
  QString text(int startOffset, int endOffset) const override {
    QTextCursor c = Edit()->textCursor();
    c.setPosition(ToDocument(startOffset));
    c.setPosition(ToDocument(endOffset), QTextCursor::KeepAnchor);
    return FieldText(Edit(), Cuts(), c.selectionStart(), c.selectionEnd());
  }
  int characterCount() const override { return static_cast<int>(Edit()->document()->characterCount()) - 1 - static_cast<int>(Cuts().size()); }
  QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset, int* endOffset) const override {
    int at = CursorAt(offset);
    return Piece(Boundaries(at, type), startOffset, endOffset);
  }
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset, int* endOffset) const override {
    int at = CursorAt(offset);
    at = CursorAt(Boundaries(at, type).first - 1, at);
    return Piece(Boundaries(at, type), startOffset, endOffset);
  }
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset, int* endOffset) const override {
    int at = CursorAt(offset);
    at = CursorAt(Boundaries(at, type).second, at);
    return Piece(Boundaries(at, type), startOffset, endOffset);
  }
  QString attributes(int offset, int* startOffset, int* endOffset) const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override {
    QPoint p = Edit()->viewport()->mapFromGlobal(point) + ScrollBarPosition();
    QTextDocument* doc = Edit()->document();
    const int at = doc->documentLayout()->hitTest(p, Qt::ExactHit);
    if (at < 0) return at;
    // The blank that a line wrapped at lies beyond it, also where a cut follows.
    const QTextBlock block = doc->findBlock(at);
    if (at == block.position() + block.length() - 2 && ContinuesCut(Cuts(), block.next()) && doc->characterAt(at).isSpace())
      return -1;
    return ToText(at);
  }
  void scrollToSubstring(int startIndex, int endIndex) override {
    QTextEdit* edit = Edit();
    QTextCursor c = edit->textCursor();
    c.setPosition(ToDocument(startIndex));
    QRect r = edit->cursorRect(c);
    c.setPosition(ToDocument(endIndex));
    r.setBottomRight(edit->cursorRect(c).bottomRight());
    r.moveTo(r.x() + edit->horizontalScrollBar()->value(), r.y() + edit->verticalScrollBar()->value());
    QMetaObject::invokeMethod(edit, "_q_ensureVisible", Q_ARG(QRectF, r));
  }

  // ---- Selection and insertion point ----
  void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = 0;
    const QTextCursor c = Edit()->textCursor();
    if (selectionIndex != 0 || !c.hasSelection()) return;
    *startOffset = ToText(c.selectionStart());
    *endOffset = ToText(c.selectionEnd());
  }
  int selectionCount() const override { return Edit()->textCursor().hasSelection() ? 1 : 0; }
  void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
  void removeSelection(int selectionIndex) override {
    if (selectionIndex != 0) return;
    QTextCursor c = Edit()->textCursor();
    c.clearSelection();
    Edit()->setTextCursor(c);
  }
  void setSelection(int selectionIndex, int startOffset, int endOffset) override {
    if (selectionIndex != 0) return;
    Edit()->setTextCursor(Range(startOffset, endOffset));
  }
  int cursorPosition() const override { return ToText(Edit()->textCursor().position()); }
  void setCursorPosition(int position) override {
    QTextCursor c = Edit()->textCursor();
    c.setPosition(ToDocument(position));
    Edit()->setTextCursor(c);
  }

  // ---- Editing ----
  void deleteText(int startOffset, int endOffset) override { Range(startOffset, endOffset).removeSelectedText(); }
  void insertText(int offset, const QString& text) override {
    QTextCursor c = Edit()->textCursor();
    c.setPosition(ToDocument(offset));
    c.insertText(text);
  }
  void replaceText(int startOffset, int endOffset, const QString& text) override {
    QTextCursor c = Range(startOffset, endOffset);
    c.removeSelectedText();
    c.insertText(text);
  }

 private:
  FieldWidget* Edit() const;
  const std::vector<int>& Cuts() const;
  int ToText(int position) const { return TextPosition(Cuts(), position); }
  // Where the toolkit's cursor goes for a text position: before a cut
  // (out of range stays out of range).
  int ToDocument(int text) const { return text < 0 ? text : DocumentPosition(Cuts(), text); }
  // The document position of the character at a text position: after a cut.
  int CharacterAt(int text) const {
    const int at = ToDocument(text);
    return std::binary_search(Cuts().begin(), Cuts().end(), at) ? at + 1 : at;
  }
  QPoint ScrollBarPosition() const {
    return {Edit()->horizontalScrollBar()->sliderPosition(), Edit()->verticalScrollBar()->sliderPosition()};
  }
  // A cursor of the toolkit's set to a text position stays where it was
  // when the position is out of range; it starts at the insertion point.
  int CursorAt(int text, int otherwise = -1) const {
    if (text >= 0 && text <= characterCount()) return text;
    return otherwise >= 0 ? otherwise : cursorPosition();
  }
  QTextCursor Range(int startOffset, int endOffset) const {
    QTextCursor c = Edit()->textCursor();
    c.setPosition(ToDocument(startOffset));
    c.setPosition(ToDocument(endOffset), QTextCursor::KeepAnchor);
    return c;
  }
  QString Piece(std::pair<int, int> range, int* startOffset, int* endOffset) const {
    *startOffset = range.first;
    *endOffset = range.second;
    return text(range.first, range.second);
  }
  // The toolkit's boundaries around a text position. Words, sentences and
  // paragraphs are found in the paragraph's text with the cuts left out.
  std::pair<int, int> Boundaries(int text, QAccessible::TextBoundaryType type) const;
};

FieldWidget* W(const EditField* f) { return static_cast<FieldWidget*>(f->_Widget()); }

FieldWidget* FieldAccessible::Edit() const { return static_cast<FieldWidget*>(widget()); }
const std::vector<int>& FieldAccessible::Cuts() const { return Edit()->Cuts(); }

std::pair<int, int> FieldAccessible::Boundaries(int text, QAccessible::TextBoundaryType type) const {
  QTextDocument* doc = Edit()->document();
  const std::vector<int>& cuts = Cuts();
  QTextCursor c(doc);
  c.setPosition(CharacterAt(text));
  if (type == QAccessible::WordBoundary || type == QAccessible::SentenceBoundary ||
      type == QAccessible::ParagraphBoundary) {
    QTextBlock first = c.block(), last = c.block();
    while (ContinuesCut(cuts, first)) first = first.previous();
    while (ContinuesCut(cuts, last.next())) last = last.next();
    if (first != last) {
      const int start = ToText(first.position());
      QTextDocument paragraph;
      paragraph.setPlainText(FieldText(Edit(), cuts, first.position(), last.position() + last.length() - 1));
      QTextCursor in(&paragraph);
      in.setPosition(text - start);
      const QPair<int, int> b = QAccessible::qAccessibleTextBoundaryHelper(in, type);
      return {start + b.first, start + b.second};
    }
  }
  QPair<int, int> b = QAccessible::qAccessibleTextBoundaryHelper(c, type);
  // A line that a cut follows ends as when it wrapped: before the blank
  // that it wrapped at.
  const QTextBlock block = c.block();
  if (type == QAccessible::LineBoundary && b.second > b.first && b.second == block.position() + block.length() - 1 &&
      ContinuesCut(cuts, block.next()) && doc->characterAt(b.second - 1).isSpace())
    --b.second;
  return {ToText(b.first), ToText(b.second)};
}

QRect FieldAccessible::characterRect(int offset) const {
  const int at = CharacterAt(offset);
  const QTextBlock block = Edit()->document()->findBlock(at);
  if (!block.isValid()) return QRect();
  QTextLayout* layout = block.layout();
  const QPointF layoutPosition = layout->position();
  const int relative = at - block.position();
  const QTextLine line = layout->lineForTextPosition(relative);
  QRect r;
  if (line.isValid()) {
    const qreal x = line.cursorToX(relative);
    // A paragraph's end shows in the format before it.
    QTextCursor before(Edit()->document());
    before.setPosition(at);
    QTextCharFormat format = before.charFormat();
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const int from = fragment.position() - block.position();
      if (relative >= from && relative < from + fragment.length()) {
        format = fragment.charFormat();
        break;
      }
    }
    const QFontMetrics metrics(format.font());
    const QString ch = text(offset, offset + 1);
    if (!ch.isEmpty()) {
      const int h = metrics.height();
      r = QRect(layoutPosition.x() + x, layoutPosition.y() + line.y() + line.ascent() + metrics.descent() - h,
                metrics.horizontalAdvance(ch), h);
      r.moveTo(Edit()->viewport()->mapToGlobal(r.topLeft()));
    }
    r.translate(-ScrollBarPosition());
  }
  return r;
}

QString FieldAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
  if (offset == -2) offset = cursorPosition();
  const int count = characterCount();
  if (offset == -1 || offset == count) offset = count - 1;
  if (offset < 0 || offset > count) {
    *startOffset = *endOffset = -1;
    return QString();
  }
  const std::vector<int>& cuts = Cuts();
  QTextCursor c = Edit()->textCursor();
  const int at = CharacterAt(offset);
  c.setPosition(at);
  const QTextBlock block = c.block();
  const int blockStart = block.position();
  const int blockEnd = blockStart + block.length();
  QTextBlock::iterator it = block.begin();
  int lastFragmentEnd = blockStart;
  for (; !it.atEnd(); ++it) {
    const QTextFragment f = it.fragment();
    if (f.position() + f.length() > at) break;
    lastFragmentEnd = f.position() + f.length();
  }
  QTextCharFormat charFormat;
  int from, to;
  if (!it.atEnd()) {
    const QTextFragment fragment = it.fragment();
    charFormat = fragment.charFormat();
    from = std::max(fragment.position(), blockStart);
    to = std::min(fragment.position() + fragment.length(), blockEnd);
  } else {
    // The paragraph's own format: its first block's.
    QTextBlock head = block;
    while (ContinuesCut(cuts, head)) head = head.previous();
    charFormat = head.charFormat();
    from = lastFragmentEnd;
    to = blockEnd;
  }
  // A run of one format goes on across the cuts.
  const int index = it.atEnd() ? -1 : it.fragment().charFormatIndex();
  for (QTextBlock b = block; index >= 0 && from == b.position() && ContinuesCut(cuts, b);) {
    b = b.previous();
    QTextFragment last;
    for (QTextBlock::iterator i = b.begin(); !i.atEnd(); ++i) last = i.fragment();
    if (!last.isValid() || last.charFormatIndex() != index || last.position() + last.length() != b.position() + b.length() - 1)
      break;
    from = last.position();
  }
  for (QTextBlock b = block; index >= 0 && to == b.position() + b.length() - 1 && ContinuesCut(cuts, b.next());) {
    b = b.next();
    const QTextBlock::iterator first = b.begin();
    if (first.atEnd() || first.fragment().charFormatIndex() != index || first.fragment().position() != b.position()) break;
    to = first.fragment().position() + first.fragment().length();
  }
  *startOffset = ToText(from);
  *endOffset = ToText(to);
  const QTextBlockFormat blockFormat = c.blockFormat();
  const QFont font = charFormat.font();

  QString result;
  auto add = [&result](const char* name, const QString& value) { result += QLatin1String(name) + u':' + value + u';'; };
  QString family = font.families().value(0, QString());
  if (!family.isEmpty()) {
    for (const char* special : {"\\", ":", ",", "=", ";", "\""})
      family.replace(QLatin1String(special), QLatin1String("\\") + QLatin1String(special));
    add("font-family", u'"' + family + u'"');
  }
  const int size = static_cast<int>(font.pointSize());
  if (size) add("font-size", QString::fromLatin1("%1pt").arg(size));
  add("font-weight", font.weight() > QFont::Normal ? "bold" : "normal");
  const QFont::Style style = font.style();
  add("font-style", style == QFont::StyleItalic ? "italic" : style == QFont::StyleOblique ? "oblique" : "normal");
  QTextCharFormat::UnderlineStyle underline = charFormat.underlineStyle();
  if (underline == QTextCharFormat::NoUnderline && font.underline()) underline = QTextCharFormat::SingleUnderline;
  QString underlineStyle;
  switch (underline) {
    case QTextCharFormat::SingleUnderline: underlineStyle = "solid"; break;
    case QTextCharFormat::DashUnderline:
    case QTextCharFormat::DotLine: underlineStyle = "dash"; break;
    case QTextCharFormat::DashDotLine: underlineStyle = "dot-dash"; break;
    case QTextCharFormat::DashDotDotLine: underlineStyle = "dot-dot-dash"; break;
    case QTextCharFormat::WaveUnderline:
    case QTextCharFormat::SpellCheckUnderline: underlineStyle = "wave"; break;
    default: break;
  }
  if (!underlineStyle.isNull()) {
    add("text-underline-style", underlineStyle);
    add("text-underline-type", "single");
  }
  if (block.textDirection() == Qt::RightToLeft) add("writing-mode", "rl");
  const QTextCharFormat::VerticalAlignment vertical = charFormat.verticalAlignment();
  add("text-position", vertical == QTextCharFormat::AlignSubScript     ? "sub"
                                 : vertical == QTextCharFormat::AlignSuperScript ? "super"
                                                                                 : "baseline");
  auto rgb = [](const QColor& c) { return QString::fromLatin1("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue()); };
  if (charFormat.background().style() == Qt::SolidPattern) add("background-color", rgb(charFormat.background().color()));
  if (charFormat.foreground().style() == Qt::SolidPattern) add("color", rgb(charFormat.foreground().color()));
  switch (blockFormat.alignment() & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify)) {
    case Qt::AlignLeft:
    case Qt::AlignJustify: add("text-align", "left"); break;
    case Qt::AlignRight: add("text-align", "right"); break;
    case Qt::AlignHCenter: add("text-align", "center"); break;
    default: break;
  }
  return result;
}

}  // namespace

EditField::EditField() : RectControl(NewWidget<FieldWidget>()) {
  static const bool accessible = [] {
    QAccessible::installFactory(&FieldAccessible::Factory);
    return true;
  }();
  (void)accessible;
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
  int pending = 0;  // characters inserted since the last piece was laid out
  // Blocks of cut paragraphs that still take a paragraph format set at a
  // later block of theirs: each a selection from the first to the last of
  // them, oldest first.
  struct Restyle {
    QTextCursor blocks;
    QTextBlockFormat format;
  };
  std::deque<Restyle> restyle;
};

EditField::~EditField() = default;

// ---- Text -----------------------------------------------------------------------------

String EditField::Text() const {
  if (exactValid_) return exact_;
  FieldWidget* w = W(this);
  return w ? FromQ(FieldText(w, cuts_)) : String();
}

void EditField::SetText(const String& s) {
  exact_ = s;
  exactValid_ = true;
  cuts_.clear();
  if (block_) block_->restyle.clear();
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
  if (w && FieldText(w, cuts_) == DisplayForm(exact_)) return;
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
  // What the user edits moves the cuts: from now on they are paragraph ends.
  if (!v) cuts_.clear();
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

int EditField::SelStart() const { return TextPosition(cuts_, EditFieldCursor::Get(this).selectionStart()); }

void EditField::SetSelStart(int pos) {
  FieldWidget* w = W(this);
  if (!w) return;
  QTextCursor c = EditFieldCursor::Get(this);
  int end = static_cast<int>(w->document()->characterCount()) - 1;
  pos = DocumentPosition(cuts_, pos < 0 ? 0 : pos);
  c.setPosition(pos > end ? end : pos);
  EditFieldCursor::Set(this, c);
}

int EditField::SelLength() const {
  QTextCursor c = EditFieldCursor::Get(this);
  return TextPosition(cuts_, c.selectionEnd()) - TextPosition(cuts_, c.selectionStart());
}

void EditField::SetSelLength(int n) {
  FieldWidget* w = W(this);
  if (!w) return;
  QTextCursor c = EditFieldCursor::Get(this);
  int start = c.selectionStart();
  int end = static_cast<int>(w->document()->characterCount()) - 1;
  int stop = DocumentPosition(cuts_, TextPosition(cuts_, start) + (n < 0 ? 0 : n));
  c.setPosition(start);
  c.setPosition(stop > end ? end : stop, QTextCursor::KeepAnchor);
  EditFieldCursor::Set(this, c);
}

String EditField::SelText() const {
  FieldWidget* w = W(this);
  if (!w) return String();
  QTextCursor c = EditFieldCursor::Get(this);
  return FromQ(FieldText(w, cuts_, c.selectionStart(), c.selectionEnd()));
}

void EditField::SetSelText(const String& s) {
  FieldWidget* w = W(this);
  if (!w) return;
  ++updating_;
  QTextCursor c = EditFieldCursor::Get(this);
  QTextCharFormat f = EditFieldCursor::Format(this);
  const int from = c.selectionStart();
  const int to = c.selectionEnd();
  c.insertText(DisplayForm(s), f);
  EditFieldCursor::Set(this, c);
  EditFieldCursor::SetFormat(this, f);
  // Cuts in the replaced text go with it; those after it move.
  const int added = c.position() - from;
  auto first = std::lower_bound(cuts_.begin(), cuts_.end(), from);
  auto last = std::lower_bound(first, cuts_.end(), to > from ? to : from);
  for (auto it = last; it != cuts_.end(); ++it) *it += added - (to - from);
  cuts_.erase(first, last);
  --updating_;
  exactValid_ = false;
  if (block_ && (block_->pending += added) >= kPieceChars) LayOutPiece();
}

void EditField::BeginEditBlock() {
  FieldWidget* w = W(this);
  if (!w || editBlocks_++ > 0) return;
  block_ = std::make_unique<EditBlock>();
  block_->cursor = w->textCursor();
  block_->cursor.beginEditBlock();
}

void EditField::EndEditBlock() {
  FieldWidget* w = W(this);
  if (!w || editBlocks_ == 0 || --editBlocks_ > 0) return;
  QTextCursor c = block_->cursor;
  ++updating_;
  while (RestylePiece(std::numeric_limits<int>::max())) {
  }
  block_.reset();
  c.endEditBlock();
  QTextCharFormat f = c.charFormat();
  // The widget's cursor moved along with insertions at its place; setting it
  // again would lay the whole text out at once to show the insertion point.
  QTextCursor now = w->textCursor();
  if (now.position() != c.position() || now.anchor() != c.anchor()) w->setTextCursor(c);
  w->setCurrentCharFormat(f);
  --updating_;
}

void EditField::LayOutEdits() {
  // The toolkit lays out at once every block between the first and the last
  // place changed since the last time: the changes in one call lie close.
  block_->cursor.endEditBlock();
  block_->cursor.beginEditBlock();
}

void EditField::LayOutPiece() {
  FieldWidget* w = W(this);
  if (!w || !block_) return;
  QTextCursor& c = block_->cursor;
  block_->pending = 0;
  ++updating_;
  const QTextCharFormat format = c.charFormat();
  LayOutEdits();  // what arrived
  if (RestylePiece(kRestyleChars)) LayOutEdits();
  QTextBlock paragraph = c.block();
  if (readOnly_ && paragraph.length() > kLongParagraph && WidthSettled(w)) {
    w->document()->documentLayout()->blockBoundingRect(paragraph);  // laid out at the field's width
    const QTextLayout* lines = paragraph.layout();
    if (lines && lines->lineCount() > 1) {
      // Lines wrap the same whether the text after the start of the last
      // line follows in this paragraph or starts the next one.
      const int cut = paragraph.position() + lines->lineAt(lines->lineCount() - 1).textStart();
      QTextCursor at(w->document());
      at.setPosition(cut);
      at.insertBlock(paragraph.blockFormat(), at.charFormat());
      auto later = std::upper_bound(cuts_.begin(), cuts_.end(), cut);
      for (auto it = later; it != cuts_.end(); ++it) ++*it;
      cuts_.insert(later, cut);
      c.setCharFormat(format);
    }
  }
  --updating_;
}

bool EditField::LayOutStep() {
  if (!W(this) || !block_ || block_->restyle.empty()) return false;
  ++updating_;
  LayOutEdits();  // what arrived
  RestylePiece(kRestyleChars);
  LayOutEdits();
  --updating_;
  return !block_->restyle.empty();
}

bool EditField::RestylePiece(int chars) {
  if (!block_ || block_->restyle.empty()) return false;
  EditBlock::Restyle& next = block_->restyle.front();
  QTextDocument* doc = next.blocks.document();
  if (!doc) {
    block_->restyle.pop_front();
    return true;
  }
  // Whole blocks from the first left, about `chars` characters of them.
  const QTextBlock first = doc->findBlock(next.blocks.selectionStart());
  const QTextBlock end = doc->findBlock(next.blocks.selectionEnd()).next();
  QTextBlock last = first;
  for (int taken = first.length(); taken < chars && last.next() != end; taken += last.length()) last = last.next();
  QTextCursor piece(doc);
  piece.setPosition(first.position());
  piece.setPosition(last.position(), QTextCursor::KeepAnchor);
  piece.mergeBlockFormat(next.format);
  if (last.next() == end) {
    block_->restyle.pop_front();
  } else {
    const int stop = next.blocks.selectionEnd();
    next.blocks.setPosition(last.next().position());
    next.blocks.setPosition(stop, QTextCursor::KeepAnchor);
  }
  return true;
}

int EditField::LineCount() const {
  FieldWidget* w = W(this);
  if (!w) return 0;
  QTextDocument* doc = w->document();
  doc->documentLayout()->documentSize();  // lays out the rest
  int lines = 0;
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
    if (const QTextLayout* l = b.layout()) lines += l->lineCount();
  return lines;
}

bool EditField::LayoutComplete() const {
  FieldWidget* w = W(this);
  if (!w) return true;
  // The layout proceeds in text order, so the last paragraph is laid out last.
  const QTextLayout* last = w->document()->lastBlock().layout();
  return !last || last->lineCount() > 0;
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

Color EditField::SelTextColor() const { return FromQColor(TextColorOf(Current(this), ToQColor(textColor_))); }

void EditField::SetSelTextColor(Color c) {
  QTextCharFormat f;
  if (SelOutline())
    f.setTextOutline(OutlinePen(ToQColor(c)));
  else
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
  const QColor color = ToQColor(SelTextColor());
  QTextCharFormat f;
  f.setProperty(kOutline, v);
  // Outlined glyphs are hollow: drawn with the text colour round an empty
  // inside.
  f.setTextOutline(v ? OutlinePen(color) : QPen(Qt::NoPen));
  f.setForeground(v ? QColor(Qt::transparent) : color);
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
  // A paragraph that was cut is aligned whole.
  auto continues = [this](const QTextBlock& block) { return ContinuesCut(cuts_, block); };
  const QTextBlock selectedFirst = w->document()->findBlock(c.selectionStart());
  QTextBlock first = selectedFirst;
  while (continues(first)) first = first.previous();
  QTextBlock last = w->document()->findBlock(c.selectionEnd());
  while (continues(last.next())) last = last.next();
  QTextCursor paragraph(w->document());
  if (block_ && first != selectedFirst) {
    // The blocks before the selection's take the format piece by piece, as
    // the edit block goes on, so that no single layout step redoes a long
    // paragraph; the same blocks queued before take this format instead.
    QTextCursor before(w->document());
    before.setPosition(first.position());
    before.setPosition(selectedFirst.previous().position(), QTextCursor::KeepAnchor);
    std::erase_if(block_->restyle, [&before](const EditBlock::Restyle& r) {
      return r.blocks.selectionStart() >= before.selectionStart() && r.blocks.selectionEnd() <= before.selectionEnd();
    });
    block_->restyle.push_back({before, b});
    first = selectedFirst;
  }
  paragraph.setPosition(first.position());
  paragraph.setPosition(last.position(), QTextCursor::KeepAnchor);
  paragraph.mergeBlockFormat(b);
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

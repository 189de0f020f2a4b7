// Text field: one or several lines, plain or styled.
#pragma once

#include <memory>

#include <string>
#include <vector>

#include "framework/control.h"

namespace rb {

class EditField : public RectControl {
 public:
  EditField();
  ~EditField() override;

  // The text exactly as the program set it (line ends included) until the
  // user edits; then the field's own text, lines ending in LF.
  String Text() const;
  void SetText(const String& s);
  // Adds text at the end.
  void AppendText(const String& s);
  void SelectAll();

  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  bool Styled() const { return styled_; }
  void SetStyled(bool v) { styled_ = v; }
  bool Password() const { return password_; }
  void SetPassword(bool v) { password_ = v; }
  bool AcceptTabs() const { return acceptTabs_; }
  void SetAcceptTabs(bool v);
  bool Border() const { return border_; }
  void SetBorder(bool v);
  bool ScrollBarVertical() const { return scrollV_; }
  void SetScrollBarVertical(bool v);
  bool ScrollBarHorizontal() const { return scrollH_; }
  void SetScrollBarHorizontal(bool v);
  // Most characters the user may type; 0 no limit.
  int LimitText() const { return limit_; }
  void SetLimitText(int n) { limit_ = n < 0 ? 0 : n; }
  // 0 default, 1 left, 2 centre, 3 right.
  int Alignment() const { return alignment_; }
  void SetAlignment(int a);
  Color TextColor() const { return textColor_; }
  void SetTextColor(Color c);
  Color BackColor() const { return backColor_; }
  void SetBackColor(Color c);

  // First visible line, from 0. Negative values scroll to the top.
  int ScrollPosition() const;
  void SetScrollPosition(int line);

  // Selection, in characters from 0.
  int SelStart() const;
  void SetSelStart(int pos);
  int SelLength() const;
  void SetSelLength(int n);
  String SelText() const;
  // Replaces the selection; the insertion point ends after the new text,
  // which takes the style set on the selection.
  void SetSelText(const String& s);

  // Style of the selection (of the insertion point when it is empty).
  String SelTextFont() const;
  void SetSelTextFont(const String& f);
  int SelTextSize() const;
  void SetSelTextSize(int size);
  Color SelTextColor() const;
  void SetSelTextColor(Color c);
  bool SelBold() const;
  void SetSelBold(bool v);
  bool SelItalic() const;
  void SetSelItalic(bool v);
  bool SelUnderline() const;
  void SetSelUnderline(bool v);
  bool SelOutline() const;
  void SetSelOutline(bool v);
  bool SelShadow() const;
  void SetSelShadow(bool v);
  bool SelExtend() const;
  void SetSelExtend(bool v);
  bool SelCondense() const;
  void SetSelCondense(bool v);
  int SelAlignment() const;
  void SetSelAlignment(int a);

  // Many edits as one: the field lays out what arrives in pieces of about a
  // thousand characters instead of after every edit, the rest at the
  // outermost EndEditBlock. Calls nest. In a read-only field a paragraph
  // that grows long is cut where one of its lines starts, so that no piece
  // lays a long paragraph out again: the cut shows nowhere, neither on the
  // screen nor in Text or the selection's positions, as long as the
  // field's width stays as it was.
  void BeginEditBlock();
  void EndEditBlock();
  // While an edit block lasts, a paragraph format set in a paragraph that
  // was cut reaches the blocks before the selection's piece by piece, with
  // the pieces laid out; the outermost EndEditBlock gives it to those left.
  // This lays out one more such piece and answers whether any is left, for
  // callers that let the event loop run between pieces.
  bool LayOutStep();
  // Number of lines the text takes at the field's width.
  int LineCount() const;
  // Tests: how many cuts long paragraphs have.
  int _ParagraphCutsForTesting() const { return static_cast<int>(cuts_.size()); }
  // True once the toolkit has laid out the whole text (it lays out what
  // lies below the visible part in steps while idle).
  bool LayoutComplete() const;

  bool _SetProperty(const char* name, const PropertyValue& value) override;

  // Framework-internal, from the widget.
  bool _KeyDown(const String& key);
  void _GotFocus();
  void _LostFocus();
  void _UserEdited();
  bool _Updating() const { return updating_ > 0; }
  // Document positions of the breaks that cut long paragraphs, ascending.
  const std::vector<int>& _Cuts() const { return cuts_; }

 private:
  void FontChanged() override;
  void ApplyFrame();
  String exact_;
  bool exactValid_ = true;
  int updating_ = 0;
  int editBlocks_ = 0;
  // While an edit block lasts, selection and insertions go through a cursor
  // of the field's own; the widget's cursor follows at the end of the block.
  struct EditBlock;
  std::unique_ptr<EditBlock> block_;
  std::vector<int> cuts_;
  void LayOutPiece();
  void LayOutEdits();
  // Gives a paragraph format to about `chars` characters of blocks still
  // waiting for it; false when none wait.
  bool RestylePiece(int chars);
  friend struct EditFieldCursor;
  bool multiLine_ = false, readOnly_ = false, styled_ = false, password_ = false;
  bool acceptTabs_ = false, border_ = true, scrollV_ = false, scrollH_ = false;
  int limit_ = 0;
  int alignment_ = 0;
  Color textColor_ = 0x000000;
  Color backColor_ = 0xFFFFFF;
};

}  // namespace rb

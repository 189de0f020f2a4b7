// A styled multi-line field that an RTF document is read into: each style
// run becomes one insertion carrying its style. While a document loads the
// field is moved below its window's content and put back at the end.
#pragma once

#include <cstdint>

#include "framework/controls.h"
#include "framework/editfield.h"
#include "framework/rbstring.h"
#include "rtf/RtfState.h"
#include "rtf/RtfTarget.h"

class RtfEditField : public rb::EditField, public RtfTarget {
 public:
  RtfEditField();
  ~RtfEditField() override;

  // Flushes the text gathered so far in the old style, then keeps st and
  // applies it to the insertion point.
  void SetState(const rb::Ref<RtfState>& st) override;
  // Gathers text (Mac Roman); nothing is shown until the next flush, or
  // until kLongRun bytes are gathered.
  void Write(const rb::String& s) override;
  void Version() {}
  // Moves the field below its window, clears it, starts from a new state.
  bool Preprocess() override;
  // Flushes the last run and puts the field back where it was.
  bool Postprocess() override;
  // Inserts the gathered text at the insertion point, in capitals or small
  // capitals when the current state asks for them.
  void WriteBuffer();
  // Replays the field's text, one Write per character, into t, with one
  // SetState at the start and at every change of style.
  void Export(RtfTarget* t) override;
  // True when st differs from the style at the insertion point.
  bool StyleChanged(const rb::Ref<RtfState>& st) const;
  // The style at the insertion point.
  rb::Ref<RtfState> GetState() const;

  // Bytes of text (UTF-8) gathered at most before they are inserted.
  static constexpr size_t kLongRun = 1024;

  // Size of a small capital drawn for a lower-case letter of the given size.
  static int SmallCapitalSize(int size);

  rb::Ref<RtfState> currentstate;
  rb::String buffer;
  int32_t oldtop = 0;
  rb::Ref<rb::ProgressBar> progress;

 private:
  void Insert(const rb::String& text);
  // Sets the insertion point's style; only what differs from the style
  // applied last when the insertion point has not moved since.
  void Apply(const RtfState& s);

  // The style applied last, and where the insertion point then was.
  bool batching_ = false;
  bool appliedValid_ = false;
  int appliedAt_ = 0;
  rb::String appliedFont_;
  int appliedSize_ = 0;
  rb::Color appliedColor_ = 0;
  bool appliedBold_ = false, appliedItalic_ = false, appliedUnderline_ = false;
  bool appliedExtend_ = false, appliedCondense_ = false;
  bool appliedOutline_ = false, appliedShadow_ = false;
  int appliedAlignment_ = 0;
};

#include "rtf/RtfEditField.h"

#include <cmath>
#include <string>

#include "framework/background_task.h"
#include "framework/dialogs.h"
#include "framework/window.h"
#include "rtf/RtfModule.h"
#include "rtf/RtfParser.h"

namespace {

bool IsAsciiOnly(const std::string& b) {
  for (char c : b)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The text as UTF-8, for display.
rb::String AsUtf8(const rb::String& s) {
  if (s.Encoding() == rb::Encodings::UTF8) return s;
  if (s.Encoding() == rb::Encodings::ASCII || IsAsciiOnly(s.Bytes()))
    return rb::String::FromBytes(s.Bytes(), rb::Encodings::UTF8);
  return rb::ConvertEncoding(s, rb::Encodings::UTF8);
}

// Length of the UTF-8 sequence that starts with byte b.
size_t Utf8Length(unsigned char b) {
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) return 2;
  if ((b & 0xF0) == 0xE0) return 3;
  if ((b & 0xF8) == 0xF0) return 4;
  return 1;
}

// Whether text shows alike in the two states.
bool SameLook(const RtfState& a, const RtfState& b) {
  auto shown = [](int32_t alignment) { return alignment < 4 ? alignment : 1; };
  return rb::Identical(a.font, b.font) &&
         RtfModule::RtfToInt32(a.textsize) == RtfModule::RtfToInt32(b.textsize) &&
         a.foregroundcolor == b.foregroundcolor && a.bold == b.bold && a.italic == b.italic &&
         a.underline == b.underline && (a.expanded > 0) == (b.expanded > 0) &&
         (a.expanded < 0) == (b.expanded < 0) && a.outline == b.outline && a.shadow == b.shadow &&
         shown(a.alignment) == shown(b.alignment) && a.capitals == b.capitals &&
         a.smallcapitals == b.smallcapitals;
}

bool IsLineBreak(const rb::String& ch) {
  const std::string& b = ch.Bytes();
  return b == "\n" || b == "\r";
}

}  // namespace

RtfEditField::RtfEditField() = default;

RtfEditField::~RtfEditField() {
  if (batching_) EndEditBlock();
}

int RtfEditField::SmallCapitalSize(int size) { return static_cast<int>(std::ceil(size * 0.8)); }

void RtfEditField::Insert(const rb::String& text) {
  const bool tracked = appliedValid_ && SelStart() == appliedAt_;
  SetSelText(text);
  // The inserted text takes the insertion point's style, which stays set.
  if (tracked) appliedAt_ = SelStart();
}

bool RtfEditField::Preprocess() {
  rb::Ref<rb::Window> w = Window();
  oldtop = Top();
  SetTop(w->Height() + 1);
  // A delivery that ended without Postprocess left its block open.
  if (batching_) EndEditBlock();
  SetText("");
  // The document is laid out once, when it is complete.
  BeginEditBlock();
  batching_ = true;
  appliedValid_ = false;
  buffer = rb::String();
  currentstate = rb::Ref<RtfState>::New();
  return true;
}

void RtfEditField::Write(const rb::String& s) {
  if (s.Empty()) return;
  buffer += AsUtf8(s);
  // A long run goes in as it arrives, in pieces the field lays out one by
  // one, rather than in one insertion at its end.
  if (buffer.Bytes().size() >= kLongRun) WriteBuffer();
}

void RtfEditField::WriteBuffer() {
  if (buffer.Empty()) return;
  // Held here: events handled during the yields below may change both.
  const rb::Ref<RtfState> state = currentstate;
  const RtfState& st = *state;
  const rb::String text = buffer;
  buffer = rb::String();
  if (st.smallcapitals) {
    // Characters that Uppercase leaves alone keep the size; the others are
    // shown as capitals four fifths as big. Neighbours of one kind go in as
    // one insertion.
    std::string run;
    bool runSmall = false;
    auto flush = [this, &run, &runSmall] {
      if (run.empty()) return;
      const rb::String piece = rb::String::FromBytes(run, rb::Encodings::UTF8);
      run.clear();
      if (!runSmall) {
        Insert(piece);
        return;
      }
      const int size = SelTextSize();
      SetSelTextSize(SmallCapitalSize(size));
      Insert(piece);
      SetSelTextSize(size);
    };
    const std::string& bytes = text.Bytes();
    for (size_t i = 0; i < bytes.size();) {
      const size_t n = Utf8Length(static_cast<unsigned char>(bytes[i]));
      const rb::String ch = rb::String::FromBytes(bytes.substr(i, n), rb::Encodings::UTF8);
      i += n;
      const rb::String upper = rb::Uppercase(ch);
      const bool small = !rb::Identical(upper, ch);
      if (small != runSmall) flush();
      runSmall = small;
      run += upper.Bytes();
      rb::RuntimeBackgroundTask();
    }
    flush();
  } else if (st.capitals) {
    Insert(rb::Uppercase(text));
  } else {
    Insert(text);
  }
}

void RtfEditField::SetState(const rb::Ref<RtfState>& st) {
  const RtfState& s = *st;
  // Text goes on gathering while the look stays the same (escapes, special
  // characters and words that change nothing shown), so that each run of
  // one look is one insertion.
  if (!(appliedValid_ && currentstate && SameLook(*currentstate, s))) WriteBuffer();
  currentstate = st;
  Apply(s);
}

void RtfEditField::Apply(const RtfState& s) {
  const bool all = !appliedValid_ || SelStart() != appliedAt_;
  const int size = RtfModule::RtfToInt32(s.textsize);
  const bool extend = s.expanded > 0;
  const bool condense = s.expanded < 0;
  // Justified text is shown left-aligned.
  const int alignment = s.alignment < 4 ? s.alignment : 1;
  if (all || !rb::Identical(s.font, appliedFont_)) SetSelTextFont(s.font);
  if (all || size != appliedSize_) SetSelTextSize(size);
  if (all || s.foregroundcolor != appliedColor_) SetSelTextColor(s.foregroundcolor);
  if (all || s.bold != appliedBold_) SetSelBold(s.bold);
  if (all || s.italic != appliedItalic_) SetSelItalic(s.italic);
  if (all || s.underline != appliedUnderline_) SetSelUnderline(s.underline);
  if (all || extend != appliedExtend_ || condense != appliedCondense_) {
    SetSelExtend(extend);
    SetSelCondense(condense);
  }
  if (all || s.outline != appliedOutline_) SetSelOutline(s.outline);
  if (all || s.shadow != appliedShadow_) SetSelShadow(s.shadow);
  if (all || alignment != appliedAlignment_) SetSelAlignment(alignment);
  appliedValid_ = true;
  appliedAt_ = SelStart();
  appliedFont_ = s.font;
  appliedSize_ = size;
  appliedColor_ = s.foregroundcolor;
  appliedBold_ = s.bold;
  appliedItalic_ = s.italic;
  appliedUnderline_ = s.underline;
  appliedExtend_ = extend;
  appliedCondense_ = condense;
  appliedOutline_ = s.outline;
  appliedShadow_ = s.shadow;
  appliedAlignment_ = alignment;
}

bool RtfEditField::Postprocess() {
  WriteBuffer();
  if (batching_) {
    // A long paragraph whose alignment changed at its end is laid out again
    // piece by piece, the event loop running in between.
    while (LayOutStep()) rb::RuntimeBackgroundTask();
    batching_ = false;
    EndEditBlock();
  }
  SetTop(oldtop);
  return true;
}

rb::Ref<RtfState> RtfEditField::GetState() const {
  rb::Ref<RtfState> st = rb::Ref<RtfState>::New();
  RtfState& s = *st;
  s.font = SelTextFont();
  s.textsize = static_cast<double>(SelTextSize());
  s.foregroundcolor = SelTextColor();
  s.bold = SelBold();
  s.italic = SelItalic();
  s.underline = SelUnderline();
  s.expanded = SelExtend() ? 3.0 : SelCondense() ? -3.0 : 0.0;
  s.outline = SelOutline();
  s.shadow = SelShadow();
  s.alignment = SelAlignment();
  return st;
}

bool RtfEditField::StyleChanged(const rb::Ref<RtfState>& st) const {
  const RtfState& s = *st;
  if (!(s.font == SelTextFont())) return true;
  if (s.textsize != static_cast<double>(SelTextSize())) return true;
  if (s.foregroundcolor != SelTextColor()) return true;
  if (s.bold != SelBold()) return true;
  if (s.italic != SelItalic()) return true;
  if (s.underline != SelUnderline()) return true;
  if (s.outline != SelOutline()) return true;
  if (s.shadow != SelShadow()) return true;
  const int32_t e = RtfModule::RtfToInt32(s.expanded);
  if (e == 3 && !SelExtend()) return true;
  if (e == 0 && (SelExtend() || SelCondense())) return true;
  if (e == -3 && !SelCondense()) return true;
  if (s.alignment == 4) return SelAlignment() != 1;
  return SelAlignment() != s.alignment;
}

void RtfEditField::Export(RtfTarget* t) {
  if (!t) throw rb::NilObjectException();
  // One character of the field's text as the reader would send it: Mac
  // Roman, line ends as carriage returns.
  auto character = [](const rb::String& ch) {
    if (IsLineBreak(ch)) return RtfModule::RtfByteText(13);
    return rb::ConvertEncoding(ch, rb::Encodings::MacRoman);
  };
  if (progress) progress->SetMaximum(100);
  if (!t->Preprocess()) return;
  SetSelStart(1);
  rb::Ref<RtfState> st = GetState();
  if (!st) {
    rb::MsgBox("st nil in rtfeditfield");
    return;
  }
  t->SetState(st);
  t->Write(character(rb::Left(Text(), 1)));
  for (int i = 2; i <= rb::Len(Text()); ++i) {
    if (RtfParser::UserCancelled()) break;
    if (progress && i % 100 == 0)
      progress->SetValue(RtfModule::RtfToInt32(static_cast<double>(i) * 100.0 / rb::Len(Text())));
    const rb::String ch = rb::Mid(Text(), i, 1);
    // Just after a line break the insertion point shows the next
    // paragraph's style; the break keeps the style of the text before it.
    if (!IsLineBreak(ch)) {
      SetSelStart(i);
      if (StyleChanged(st)) {
        st = GetState();
        if (!st) {
          rb::MsgBox("st nil in rtfeditfield");
          return;
        }
        t->SetState(st);
      }
    }
    t->Write(character(ch));
    rb::RuntimeBackgroundTask();
  }
  t->Postprocess();
}

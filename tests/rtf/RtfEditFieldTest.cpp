// The styled field as the reader's target: style runs, capitals and small
// capitals, the move out of view while loading, the writer side (GetState,
// StyleChanged, Export) and documents parsed into the real field.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/background_task.h"
#include "framework/controls.h"
#include "framework/gui_testing.h"
#include "framework/window.h"
#include "rtf/RtfEditField.h"
#include "rtf/RtfFont.h"
#include "rtf/RtfParser.h"
#include "tests/rtf/RtfTestSupport.h"

using rtftest::RecordingTarget;

namespace {

// A window with a field placed as the help window's; read-only as there, or
// one the user may edit.
template <bool kReadOnly, class Field = RtfEditField>
class FieldHostOf : public rb::Window {
 public:
  void Layout() override {
    _ApplyProperties({{"Title", "Field"}, {"Width", 653}, {"Height", 462}, {"Visible", true}});
  }
  void CreateControls() override {
    _NewControl<Field>("Field", {{"Left", 0}, {"Top", 230}, {"Width", 653}, {"Height", 212},
                                 {"MultiLine", true}, {"Styled", true}, {"ReadOnly", kReadOnly},
                                 {"ScrollBarVertical", true}});
  }
};
using FieldHost = FieldHostOf<true>;
using EditableHost = FieldHostOf<false>;

rb::Ref<FieldHost> Host() { return rb::ImplicitWindow<FieldHost>("RtfFieldHost"); }

rb::Ref<RtfState> State(const std::function<void(RtfState&)>& change = nullptr) {
  rb::Ref<RtfState> s = rb::Ref<RtfState>::New();
  if (change) change(*s);
  return s;
}

rb::String Mac(const std::string& bytes) { return rb::String::FromBytes(bytes, rb::Encodings::MacRoman); }

class RtfEditFieldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rb::EnsureApplicationForTesting();
    rb::ResetGuiForTesting();
    field = Host()->Control<RtfEditField>("Field");
    ASSERT_TRUE(field);
  }
  void TearDown() override {
    RtfFont::SetInstalledFontsSource(nullptr);
    RtfParser::SetUserCancelledSource(nullptr);
    field = nullptr;
    rb::ResetGuiForTesting();
  }

  // Parses a document into the field, or into another.
  void Render(const std::string& rtf, RtfEditField* into = nullptr) {
    // The field's window on screen, as the help window is once the reader
    // has first yielded.
    rb::_ShowPendingWindows();
    rb::Ref<RtfParser> parser = rb::Ref<RtfParser>::New();
    parser->RTFparser();
    parser->Parse(rtftest::StreamOf(rtf), into ? into : field.get());
  }
  // The document where nothing is cut: in the field of a window like the
  // host's, where the user may edit.
  rb::Ref<RtfEditField> Uncut(const std::string& rtf) {
    rb::Ref<RtfEditField> whole = rb::ImplicitWindow<EditableHost>("RtfEditableHost")->Control<RtfEditField>("Field");
    Render(rtf, whole.get());
    return whole;
  }

  // The insertion point just after the first occurrence of `text` (UTF-8)
  // ends, so that the Sel* style getters describe its last character.
  void After(const std::string& text) { ASSERT_TRUE(rtftest::CaretAfter(*field, text)); }
  // The style of the i-th character (from 1).
  int SizeAt(int i) {
    field->SetSelStart(i);
    return field->SelTextSize();
  }

  rb::Ref<RtfEditField> field;
};

TEST_F(RtfEditFieldTest, SmallCapitalSizes) {
  EXPECT_EQ(RtfEditField::SmallCapitalSize(12), 10);
  EXPECT_EQ(RtfEditField::SmallCapitalSize(10), 8);
  EXPECT_EQ(RtfEditField::SmallCapitalSize(9), 8);
  EXPECT_EQ(RtfEditField::SmallCapitalSize(24), 20);

  ASSERT_TRUE(field->Preprocess());
  field->SetState(State([](RtfState& s) { s.smallcapitals = true; s.textsize = 12; }));
  field->Write(Mac("Ab1c"));
  field->WriteBuffer();
  EXPECT_EQ(field->Text().Utf8(), "AB1C");
  EXPECT_EQ(field->SelTextSize(), 12);  // the insertion point is back at 12
  EXPECT_TRUE(field->buffer.Empty());
  EXPECT_EQ(SizeAt(1), 12);
  EXPECT_EQ(SizeAt(2), 10);
  EXPECT_EQ(SizeAt(3), 12);
  EXPECT_EQ(SizeAt(4), 10);
  field->Postprocess();
}

TEST_F(RtfEditFieldTest, CapitalsAndSmallCapitalsTogetherUseSmallCapitals) {
  field->Preprocess();
  field->SetState(State([](RtfState& s) { s.capitals = true; s.textsize = 20; }));
  field->Write(Mac("caps "));
  field->SetState(State([](RtfState& s) { s.capitals = true; s.smallcapitals = true; s.textsize = 20; }));
  field->Write(Mac("x\x8e"));  // x and e-acute in Mac Roman
  field->Postprocess();
  EXPECT_EQ(field->Text().Utf8(), "CAPS X\xC3\x89");
  EXPECT_EQ(SizeAt(4), 20);
  EXPECT_EQ(SizeAt(6), 16);
  EXPECT_EQ(SizeAt(7), 16);
}

TEST_F(RtfEditFieldTest, LoadingMovesTheFieldBelowItsWindowAndBack) {
  field->SetText("old text");
  ASSERT_EQ(field->Top(), 230);
  ASSERT_TRUE(field->Preprocess());
  EXPECT_EQ(field->Top(), 463);
  EXPECT_EQ(field->oldtop, 230);
  EXPECT_TRUE(field->Text().Empty());
  ASSERT_TRUE(field->currentstate);
  EXPECT_EQ(*field->currentstate, *State());
  field->Write(Mac("still hidden"));
  EXPECT_TRUE(field->Text().Empty());  // gathered, not shown yet
  EXPECT_TRUE(field->Postprocess());
  EXPECT_EQ(field->Top(), 230);
  EXPECT_EQ(field->Text().Utf8(), "still hidden");

  // A second delivery starts from an empty field again.
  field->Preprocess();
  field->Write(Mac("new"));
  field->Postprocess();
  EXPECT_EQ(field->Text().Utf8(), "new");
}

TEST_F(RtfEditFieldTest, EachStyleRunIsInsertedInTheStyleItArrivedIn) {
  field->Preprocess();
  const int clearedSize = field->SelTextSize();
  // Text before the first state takes the style the cleared field has.
  field->Write(Mac("pre "));
  field->SetState(State());  // the defaults: still flushes what came before
  EXPECT_EQ(field->Text().Utf8(), "pre ");
  field->SetState(State([](RtfState& s) { s.bold = true; s.textsize = 30; }));
  field->Write(Mac("bold "));
  // Two states with no text between them insert nothing.
  field->SetState(State([](RtfState& s) { s.italic = true; }));
  field->SetState(State([](RtfState& s) { s.underline = true; s.foregroundcolor = rb::RGB(153, 0, 0); }));
  EXPECT_EQ(field->Text().Utf8(), "pre bold ");
  field->Write(Mac("red"));
  field->Postprocess();

  After("pre");
  EXPECT_EQ(field->SelTextSize(), clearedSize);
  EXPECT_FALSE(field->SelBold());
  After("bold");
  EXPECT_TRUE(field->SelBold());
  EXPECT_EQ(field->SelTextSize(), 30);
  After("red");
  EXPECT_FALSE(field->SelBold());
  EXPECT_FALSE(field->SelItalic());
  EXPECT_TRUE(field->SelUnderline());
  EXPECT_EQ(field->SelTextColor(), rb::RGB(153, 0, 0));
}

TEST_F(RtfEditFieldTest, AlignmentAndSpacingAsTheFieldShowsThem) {
  field->Preprocess();
  field->SetState(State([](RtfState& s) { s.alignment = 2; }));
  EXPECT_EQ(field->SelAlignment(), 2);
  field->SetState(State([](RtfState& s) { s.alignment = 3; }));
  EXPECT_EQ(field->SelAlignment(), 3);
  field->SetState(State([](RtfState& s) { s.alignment = 4; }));
  EXPECT_EQ(field->SelAlignment(), 1);

  field->SetState(State([](RtfState& s) { s.expanded = 0.25; }));
  EXPECT_TRUE(field->SelExtend());
  EXPECT_FALSE(field->SelCondense());
  field->SetState(State([](RtfState& s) { s.expanded = -0.25; }));
  EXPECT_FALSE(field->SelExtend());
  EXPECT_TRUE(field->SelCondense());
  field->SetState(State([](RtfState& s) { s.expanded = 0; s.outline = true; s.shadow = true; }));
  EXPECT_FALSE(field->SelExtend());
  EXPECT_FALSE(field->SelCondense());
  EXPECT_TRUE(field->SelOutline());
  EXPECT_TRUE(field->SelShadow());
  field->Postprocess();
}

TEST_F(RtfEditFieldTest, GetStateReadsTheInsertionPointAndStyleChangedComparesWithIt) {
  field->Preprocess();
  field->SetState(State([](RtfState& s) {
    s.font = "Courier";
    s.textsize = 18;
    s.bold = true;
    s.underline = true;
    s.foregroundcolor = rb::RGB(0, 102, 51);
    s.expanded = 1.5;
    s.alignment = 3;
  }));
  rb::Ref<RtfState> st = field->GetState();
  EXPECT_EQ(st->font.Bytes(), "Courier");
  EXPECT_EQ(st->textsize, 18.0);
  EXPECT_TRUE(st->bold);
  EXPECT_FALSE(st->italic);
  EXPECT_TRUE(st->underline);
  EXPECT_EQ(st->foregroundcolor, rb::RGB(0, 102, 51));
  EXPECT_EQ(st->expanded, 3.0);
  EXPECT_EQ(st->alignment, 3);
  EXPECT_FALSE(field->StyleChanged(st));

  std::vector<std::function<void(RtfState&)>> changes = {
      [](RtfState& s) { s.font = "Times"; },          [](RtfState& s) { s.textsize = 18.5; },
      [](RtfState& s) { s.foregroundcolor = 0; },     [](RtfState& s) { s.bold = false; },
      [](RtfState& s) { s.italic = true; },           [](RtfState& s) { s.underline = false; },
      [](RtfState& s) { s.outline = true; },          [](RtfState& s) { s.shadow = true; },
      [](RtfState& s) { s.expanded = 0; },            [](RtfState& s) { s.expanded = -3; },
      [](RtfState& s) { s.alignment = 2; },           [](RtfState& s) { s.alignment = 4; }};
  for (size_t k = 0; k < changes.size(); ++k) {
    rb::Ref<RtfState> other = st->Clone();
    changes[k](*other);
    EXPECT_TRUE(field->StyleChanged(other)) << "change " << k;
  }
  rb::Ref<RtfState> sameName = st->Clone();
  sameName->font = "COURIER";  // font names ignore case
  EXPECT_FALSE(field->StyleChanged(sameName));
  rb::Ref<RtfState> unusual = st->Clone();
  unusual->expanded = 1.5;  // neither 3, 0 nor -3: not compared
  EXPECT_FALSE(field->StyleChanged(unusual));

  field->SetState(State([](RtfState& s) { s.alignment = 1; }));
  rb::Ref<RtfState> justified = field->GetState();
  justified->alignment = 4;  // shown left-aligned
  EXPECT_FALSE(field->StyleChanged(justified));
  field->Postprocess();
}

TEST_F(RtfEditFieldTest, ExportOfAnEmptyField) {
  field->SetText("");
  rb::Ref<RecordingTarget> t = rb::Ref<RecordingTarget>::New();
  field->Export(t.get());
  using E = RecordingTarget::Event;
  ASSERT_EQ(t->events.size(), 4u);
  EXPECT_EQ(t->events[0].kind, E::kPreprocess);
  EXPECT_EQ(t->events[1].kind, E::kSetState);
  EXPECT_EQ(t->events[2].kind, E::kWrite);
  EXPECT_EQ(t->events[2].text, "");
  EXPECT_EQ(t->events[3].kind, E::kPostprocess);

  // A target that refuses gets nothing more.
  rb::Ref<RecordingTarget> refusing = rb::Ref<RecordingTarget>::New();
  refusing->accept = false;
  field->SetText("abc");
  field->Export(refusing.get());
  ASSERT_EQ(refusing->events.size(), 1u);
}

TEST_F(RtfEditFieldTest, ExportReportsProgressInHundredthsOfTheText) {
  field->SetText(std::string(250, 'x'));
  field->progress = rb::Ref<rb::ProgressBar>::New();
  field->progress->SetMaximum(7);
  field->progress->SetValue(0);

  // Records the bar's value at every character written.
  class ProgressTarget : public RecordingTarget {
   public:
    rb::Ref<rb::ProgressBar> bar;
    std::vector<int> values;
    void Write(const rb::String& s) override {
      values.push_back(bar->Value());
      RecordingTarget::Write(s);
    }
  };
  rb::Ref<ProgressTarget> t = rb::Ref<ProgressTarget>::New();
  t->bar = field->progress;
  field->Export(t.get());
  EXPECT_EQ(field->progress->Maximum(), 100);
  ASSERT_EQ(t->values.size(), 250u);
  EXPECT_EQ(t->values[98], 0);    // character 99
  EXPECT_EQ(t->values[99], 40);   // character 100
  EXPECT_EQ(t->values[199], 80);  // character 200
  EXPECT_EQ(t->values[249], 80);  // never 100
  EXPECT_EQ(t->Count(RecordingTarget::Event::kWrite), 250);
  EXPECT_EQ(t->Count(RecordingTarget::Event::kSetState), 1);
  EXPECT_EQ(t->Text(), std::string(250, 'x'));
}

TEST_F(RtfEditFieldTest, ExportReplaysTextAndStylesCharacterByCharacter) {
  Render("{\\rtf1 ab{\\b cd}e\\par {\\pard\\qc\\i f\\'8e\\par}}");
  ASSERT_EQ(field->Text().Utf8(), "abcde\nf\xC3\xA9\n");

  rb::Ref<RecordingTarget> t = rb::Ref<RecordingTarget>::New();
  field->Export(t.get());
  EXPECT_EQ(t->Count(RecordingTarget::Event::kWrite), 9);  // one per character
  EXPECT_EQ(t->Text(), "abcde\rf\x8e\r");                   // Mac Roman, CR line ends
  // One state at the start and one at each change: plain, bold, plain,
  // centred italic.
  EXPECT_EQ(t->Count(RecordingTarget::Event::kSetState), 4);
  EXPECT_TRUE(t->StateOf("c")->bold);
  EXPECT_FALSE(t->StateOf("e")->bold);
  EXPECT_EQ(t->StateOf("e\r")->alignment, 1);  // the line break keeps its paragraph's style
  EXPECT_TRUE(t->StateOf("f")->italic);
  EXPECT_EQ(t->StateOf("f")->alignment, 2);

  // Into a second field: the same text and styles.
  class SecondHost : public FieldHost {};
  rb::Ref<SecondHost> other = rb::ImplicitWindow<SecondHost>("RtfSecondFieldHost");
  rb::Ref<RtfEditField> copy = other->Control<RtfEditField>("Field");
  field->Export(copy.get());
  EXPECT_EQ(copy->Text().Utf8(), field->Text().Utf8());
  EXPECT_EQ(copy->Top(), 230);
  for (int i = 1; i <= 8; ++i) {
    if (i == 6) continue;  // the first line break
    field->SetSelStart(i);
    copy->SetSelStart(i);
    EXPECT_FALSE(copy->StyleChanged(field->GetState())) << "character " << i;
  }
  other->Close();
}

TEST_F(RtfEditFieldTest, ExportStopsWhenTheUserCancelsButStillEnds) {
  field->SetText("abcdef");
  int polls = 0;
  RtfParser::SetUserCancelledSource([&polls] { return ++polls >= 3; });
  rb::Ref<RecordingTarget> t = rb::Ref<RecordingTarget>::New();
  field->Export(t.get());
  EXPECT_EQ(t->Text(), "abc");
  EXPECT_EQ(t->Count(RecordingTarget::Event::kPostprocess), 1);
}

// Documents parsed into the real field: one state per control word, and the
// field shows what the word means.
TEST_F(RtfEditFieldTest, EachControlWordReachesTheField) {
  RtfFont::SetInstalledFontsSource([] { return std::vector<rb::String>{"Courier", "Times"}; });
  const std::string tables =
      "{\\fonttbl{\\f0\\froman Times;}{\\f1\\fmodern Courier;}{\\f2\\fswiss Nowhere Sans;}}"
      "{\\colortbl;\\red153\\green0\\blue0;\\red0\\green0\\blue255;}"
      "{\\stylesheet{\\s1\\fs40\\b Heading;}{\\s2\\sbasedon1\\i Sub;}}";
  struct Case {
    const char* words;
    std::function<void(RtfEditField&)> check;
  };
  const std::vector<Case> cases = {
      {"\\b", [](RtfEditField& f) { EXPECT_TRUE(f.SelBold()); }},
      {"\\b\\b0", [](RtfEditField& f) { EXPECT_FALSE(f.SelBold()); }},
      {"\\b\\b2", [](RtfEditField& f) { EXPECT_FALSE(f.SelBold()); }},
      {"\\i", [](RtfEditField& f) { EXPECT_TRUE(f.SelItalic()); }},
      {"\\ul", [](RtfEditField& f) { EXPECT_TRUE(f.SelUnderline()); }},
      {"\\uld0", [](RtfEditField& f) { EXPECT_TRUE(f.SelUnderline()); }},
      {"\\ul\\ulnone", [](RtfEditField& f) { EXPECT_FALSE(f.SelUnderline()); }},
      {"\\outl", [](RtfEditField& f) { EXPECT_TRUE(f.SelOutline()); }},
      {"\\shad", [](RtfEditField& f) { EXPECT_TRUE(f.SelShadow()); }},
      {"\\fs40", [](RtfEditField& f) { EXPECT_EQ(f.SelTextSize(), 20); }},
      {"\\fs21", [](RtfEditField& f) { EXPECT_EQ(f.SelTextSize(), 10); }},
      {"\\expnd4", [](RtfEditField& f) { EXPECT_TRUE(f.SelExtend()); }},
      {"\\expnd-4", [](RtfEditField& f) { EXPECT_TRUE(f.SelCondense()); }},
      {"\\qc", [](RtfEditField& f) { EXPECT_EQ(f.SelAlignment(), 2); }},
      {"\\qr", [](RtfEditField& f) { EXPECT_EQ(f.SelAlignment(), 3); }},
      {"\\qj", [](RtfEditField& f) { EXPECT_EQ(f.SelAlignment(), 1); }},
      {"\\qc\\pard", [](RtfEditField& f) { EXPECT_EQ(f.SelAlignment(), 1); }},
      {"\\b\\i\\fs40\\plain", [](RtfEditField& f) {
         EXPECT_FALSE(f.SelBold() || f.SelItalic());
         EXPECT_EQ(f.SelTextSize(), 20);
       }},
      {"\\f1", [](RtfEditField& f) { EXPECT_EQ(f.SelTextFont().Bytes(), "Courier"); }},
      {"\\f2", [](RtfEditField& f) { EXPECT_EQ(f.SelTextFont().Bytes(), "System"); }},
      {"\\cf1", [](RtfEditField& f) { EXPECT_EQ(f.SelTextColor(), rb::RGB(153, 0, 0)); }},
      {"\\cf2\\cf0", [](RtfEditField& f) { EXPECT_EQ(f.SelTextColor(), rb::RGB(0, 0, 0)); }},
      {"\\s2", [](RtfEditField& f) {
         EXPECT_TRUE(f.SelBold() && f.SelItalic());
         EXPECT_EQ(f.SelTextSize(), 20);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words);
    // Paragraph formatting is that of the paragraph's end.
    Render("{\\rtf1\\ansi\\deff0" + tables + "x" + c.words + " text\\par}");
    ASSERT_EQ(field->Text().Utf8(), "xtext\n");
    After("xte");
    c.check(*field);
    EXPECT_EQ(field->Top(), 230);
  }

  // Words that write text.
  Render("{\\rtf1\\ansi a\\tab b\\line c\\par d\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote"
         "\\{\\}\\\\ caf\\'e9 \\u8230\\'85 \\u8212? \\mac\\'8e}");
  EXPECT_EQ(field->Text().Utf8(),
            "a b\nc\nd\xE2\x80\x94\xE2\x80\x93\xE2\x80\xA2\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D"
            "{}\\ caf\xC3\xA9 \xE2\x80\xA6 \xE2\x80\x94 \xC3\xA9");
}

// Counts what the reader sends to a real field.
class CountingField : public RtfEditField {
 public:
  void SetState(const rb::Ref<RtfState>& st) override {
    ++states;
    RtfEditField::SetState(st);
  }
  int states = 0;
};

class CountingHost : public rb::Window {
 public:
  void Layout() override { _ApplyProperties({{"Width", 300}, {"Height", 200}, {"Visible", true}}); }
  void CreateControls() override {
    _NewControl<CountingField>("Field", {{"Left", 0}, {"Top", 0}, {"Width", 300}, {"Height", 200},
                                         {"MultiLine", true}, {"Styled", true}});
  }
};

TEST_F(RtfEditFieldTest, OneStatePerControlWordAndPerClosedGroup) {
  rb::Ref<CountingHost> host = rb::ImplicitWindow<CountingHost>("RtfCountingHost");
  rb::Ref<CountingField> counting = host->Control<CountingField>("Field");
  rb::Ref<RtfParser> parser = rb::Ref<RtfParser>::New();
  parser->RTFparser();
  // Eight words (rtf, b, i, ul, fs, cf, qc, par), a symbol, and two closing
  // braces that restore the enclosing state.
  parser->Parse(rtftest::StreamOf("{\\rtf1\\b\\i\\ul\\fs30\\cf0\\qc x\\~{y}\\par}"), counting.get());
  EXPECT_EQ(counting->states, 8 + 1 + 2);
  EXPECT_EQ(counting->Text().Utf8(), "x\xC2\xA0y\n");
  host->Close();
}

TEST_F(RtfEditFieldTest, TextAfterAGroupIsShownInTheEnclosingFormat) {
  Render("{\\rtf1 {\\b bold} plain {\\fs40\\i big} small}");
  ASSERT_EQ(field->Text().Utf8(), "bold plain big small");
  After("bold");
  EXPECT_TRUE(field->SelBold());
  After("plain");
  EXPECT_FALSE(field->SelBold());
  After("big");
  EXPECT_EQ(field->SelTextSize(), 20);
  After("small");
  EXPECT_EQ(field->SelTextSize(), 12);
  EXPECT_FALSE(field->SelItalic());
}

TEST_F(RtfEditFieldTest, LongParagraphsAreCutWhereALineStartsAndShowAsOne) {
  // A long paragraph of words and runs, centred by a word at its end, and
  // one of runs without a place to break a line.
  std::string doc = "{\\rtf1\\ansi ";
  for (int i = 0; i < 400; ++i) doc += "{\\b word" + std::to_string(i) + "} {\\i and} more ";
  doc += "\\qc\\par\\ql ";
  for (int i = 0; i < 700; ++i) doc += "{\\b a}{\\i b}c";
  doc += "\\par end}";
  Render(doc);
  rb::Ref<RtfEditField> whole = Uncut(doc);

  EXPECT_GT(field->_ParagraphCutsForTesting(), 5);
  EXPECT_EQ(whole->_ParagraphCutsForTesting(), 0);
  // Neither the text nor its lines show the cuts.
  const std::string text = field->Text().Utf8();
  EXPECT_EQ(text, whole->Text().Utf8());
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
  EXPECT_EQ(field->LineCount(), whole->LineCount());
  EXPECT_GT(field->LineCount(), 50);
  // Positions and selections count the characters of the text.
  After("word399");
  EXPECT_TRUE(field->SelBold());
  After("word399 and");
  EXPECT_TRUE(field->SelItalic());
  const int at = static_cast<int>(text.find("word250"));
  field->SetSelStart(at);
  field->SetSelLength(40);
  EXPECT_EQ(field->SelStart(), at);
  EXPECT_EQ(field->SelLength(), 40);
  EXPECT_EQ(field->SelText().Utf8(), text.substr(static_cast<size_t>(at), 40));
  // The alignment at the paragraph's end holds for all of it.
  field->SetSelStart(0);
  EXPECT_EQ(field->SelAlignment(), 2);
  After("word399");
  EXPECT_EQ(field->SelAlignment(), 2);
  After("abcabc");
  EXPECT_EQ(field->SelAlignment(), 1);
  whole->Window()->Close();
}

// Counts the event loop's runs while a delivery ends.
class EndingField : public RtfEditField {
 public:
  bool Postprocess() override {
    ending = true;
    const bool done = RtfEditField::Postprocess();
    ending = false;
    return done;
  }
  static inline bool ending = false;
  static inline int runsWhileEnding = 0;
};

TEST_F(RtfEditFieldTest, AlignmentChangedAtTheEndOfALongParagraphReachesAllOfItInStepsTheEventLoopRunsBetween) {
  // Every yield finds the event loop due.
  static int64_t now = 0;
  rb::SetBackgroundClockForTesting([] { return now += 10'000'000; });
  rb::SetEventProcessorForTesting([] {
    if (EndingField::ending) ++EndingField::runsWhileEnding;
  });
  rb::NoteEventLoopRan();
  std::string runs;
  for (int i = 0; i < 6000; ++i) runs += "{\\b a}{\\i b}c ";
  struct Case {
    std::string doc;
    int alignment;  // of the long paragraph once loaded
  };
  // Centred as it arrives, left-aligned by the closing brace; left-aligned as
  // it arrives, right-aligned by a word at its end.
  const Case cases[] = {{"{\\rtf1\\ansi\\qc " + runs + "}", 1}, {"{\\rtf1\\ansi " + runs + "\\qr\\par}", 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.doc.substr(0, 20));
    rb::Ref<FieldHostOf<true, EndingField>> host = rb::ImplicitWindow<FieldHostOf<true, EndingField>>("RtfEndingHost");
    rb::Ref<EndingField> cut = host->Control<EndingField>("Field");
    EndingField::runsWhileEnding = 0;
    Render(c.doc, cut.get());
    const int runs = EndingField::runsWhileEnding;
    rb::Ref<RtfEditField> whole = Uncut(c.doc);
    ASSERT_GT(cut->_ParagraphCutsForTesting(), 15);
    EXPECT_GE(runs, 3);
    // Aligned whole, lines as in the field that was not cut.
    const int length = rb::Len(cut->Text());
    for (int at : {0, 1, length / 3, length / 2, length - 2}) {
      cut->SetSelStart(at);
      EXPECT_EQ(cut->SelAlignment(), c.alignment) << at;
    }
    EXPECT_EQ(cut->Text().Utf8(), whole->Text().Utf8());
    EXPECT_EQ(cut->LineCount(), whole->LineCount());
    host->Close();
    whole->Window()->Close();
  }
  rb::SetBackgroundClockForTesting(nullptr);
  rb::SetEventProcessorForTesting(nullptr);
  rb::NoteEventLoopRan();
}

// What a copy of the whole field holds, every format, as another program
// reads it.
std::vector<std::pair<std::string, std::string>> CopyAll(const rb::Ref<RtfEditField>& f) {
  rb::SetClipboardTextForTesting("");
  f->SetFocus();
  f->SelectAll();
  rb::KeyClickForTesting(f->Window(), "Ctrl+C");
  return rb::ClipboardDataForTesting();
}

TEST_F(RtfEditFieldTest, CopiedAndAccessibleTextIsTheDocumentsOwnWithoutTheCuts) {
  // Long paragraphs of words, of runs with no place to break a line, and
  // centred.
  std::string doc = "{\\rtf1\\ansi Short first paragraph.\\par ";
  for (int i = 0; i < 300; ++i) doc += "Some {\\b bold} words " + std::to_string(i) + " and a sentence here. ";
  doc += "\\par ";
  for (int i = 0; i < 700; ++i) doc += "{\\b a}{\\i b}c";
  doc += "\\par\\qc ";
  for (int i = 0; i < 500; ++i) doc += "{\\i x}yz";
  doc += "\\par\\ql Last line.}";
  Render(doc);
  rb::Ref<RtfEditField> whole = Uncut(doc);
  ASSERT_GT(field->_ParagraphCutsForTesting(), 10);
  ASSERT_EQ(whole->_ParagraphCutsForTesting(), 0);
  const std::string text = field->Text().Utf8();
  ASSERT_EQ(text, whole->Text().Utf8());
  ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), 4);

  // Copied: the text, and every richer form as from the field never cut.
  const auto copied = CopyAll(field);
  const auto copiedWhole = CopyAll(whole);
  ASSERT_EQ(copied.size(), copiedWhole.size());
  for (size_t i = 0; i < copied.size(); ++i) {
    SCOPED_TRACE(copied[i].first);
    EXPECT_EQ(copied[i].first, copiedWhole[i].first);
    if (copied[i].first == "application/vnd.oasis.opendocument.text") {  // a zip, stamped with the time
      EXPECT_EQ(copied[i].second.size(), copiedWhole[i].second.size());
    } else {
      EXPECT_EQ(copied[i].second, copiedWhole[i].second);
    }
    if (copied[i].first == "text/plain") {
      EXPECT_EQ(copied[i].second, text);
    }
    if (copied[i].first == "text/html") {
      const std::string& html = copied[i].second;
      size_t paragraphs = 0;
      for (size_t at = html.find("<p "); at != std::string::npos; at = html.find("<p ", at + 1)) ++paragraphs;
      EXPECT_EQ(paragraphs, 5u);
    }
  }
  std::vector<std::string> formats;
  for (const auto& [format, bytes] : copied) formats.push_back(format);
  EXPECT_EQ(formats, (std::vector<std::string>{"text/plain", "text/html", "text/markdown",
                                               "application/vnd.oasis.opendocument.text"}));

  // Read by assistive technology: the text, and at the offsets around every
  // cut and some more, the same answers as from the field never cut.
  std::vector<int> offsets = {-1, 0, 5, 30, static_cast<int>(text.size()) - 3, static_cast<int>(text.size())};
  const std::vector<int>& cuts = field->_Cuts();
  for (size_t k = 0; k < cuts.size(); ++k)
    for (int d = -2; d <= 2; ++d) offsets.push_back(cuts[k] - static_cast<int>(k) + d);
  const rb::AccessibleTextForTesting read = rb::AccessibleTextOfForTesting(field, offsets);
  const rb::AccessibleTextForTesting readWhole = rb::AccessibleTextOfForTesting(whole, offsets);
  EXPECT_EQ(read.text.Utf8(), text);
  EXPECT_EQ(read.value.Utf8(), text);
  EXPECT_EQ(read.count, static_cast<int>(text.size()));
  ASSERT_EQ(read.answers.size(), readWhole.answers.size());
  for (size_t i = 0; i < read.answers.size(); ++i) EXPECT_EQ(read.answers[i], readWhole.answers[i]);

  // The selection and the insertion point, both ways.
  for (const rb::Ref<RtfEditField>& f : {field, whole}) {
    f->SetSelStart(cuts[3] - 3 - 10);
    f->SetSelLength(25);
  }
  const rb::AccessibleTextForTesting selected = rb::AccessibleTextOfForTesting(field, {});
  EXPECT_EQ(selected.selectionStart, field->SelStart());
  EXPECT_EQ(selected.selectionEnd, field->SelStart() + 25);
  EXPECT_EQ(selected.cursor, selected.selectionEnd);
  EXPECT_EQ(selected.selectionEnd, rb::AccessibleTextOfForTesting(whole, {}).selectionEnd);
  rb::AccessibleSelectForTesting(field, cuts[5] - 5 - 7, cuts[6] - 6 + 3);
  EXPECT_EQ(field->SelStart(), cuts[5] - 5 - 7);
  EXPECT_EQ(field->SelLength(), cuts[6] - 6 + 3 - (cuts[5] - 5 - 7));
  EXPECT_EQ(field->SelText().Utf8(), text.substr(static_cast<size_t>(field->SelStart()), static_cast<size_t>(field->SelLength())));
  whole->Window()->Close();
}

TEST_F(RtfEditFieldTest, FieldWithoutAWindowCannotLoad) {
  rb::Ref<RtfEditField> loose = rb::Ref<RtfEditField>::New();
  EXPECT_THROW(loose->Preprocess(), rb::NilObjectException);
  EXPECT_THROW(field->SetState(nullptr), rb::NilObjectException);
}

}  // namespace

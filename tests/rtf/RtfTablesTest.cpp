// Style sheets, font table and colour table: reading, lookups and writing.
#include <gtest/gtest.h>

#include "rtf/RtfColor.h"
#include "rtf/RtfFont.h"
#include "rtf/RtfModule.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfStylesheet.h"
#include "tests/rtf/RtfTestSupport.h"

using rtftest::Parse;
using rtftest::Ready;
using rtftest::Rest;
using rtftest::StreamOf;

namespace {

rb::Ref<RtfStylesheet> Entry(const std::string& afterBrace, std::string* rest = nullptr) {
  auto entry = rb::Ref<RtfStylesheet>::New();
  entry->RTFstylesheet();
  auto s = StreamOf(afterBrace);
  entry->Parse(s);
  if (rest) *rest = Rest(s);
  return entry;
}

std::vector<std::string> Names(const std::vector<rb::String>& v) {
  std::vector<std::string> out;
  for (const rb::String& s : v) out.push_back(s.Bytes());
  return out;
}

// Installed fonts for the duration of a test.
class InstalledFonts {
 public:
  explicit InstalledFonts(std::vector<rb::String> fonts) {
    RtfFont::SetInstalledFontsSource([fonts] { return fonts; });
  }
  ~InstalledFonts() { RtfFont::SetInstalledFontsSource(nullptr); }
};

}  // namespace

TEST(RtfStylesheet, ReadsAnEntry) {
  std::string rest;
  auto e = Entry("\\s1\\sbasedon0\\snext1\\fs28\\b heading 1;}after", &rest);
  EXPECT_EQ(e->id, 1);
  EXPECT_EQ(e->sbasedon, 0);
  EXPECT_EQ(e->snext, 1);
  EXPECT_EQ(Names(e->commands), (std::vector<std::string>{"fs", "b"}));
  EXPECT_EQ(e->parameters, (std::vector<int32_t>{28, 1}));
  EXPECT_EQ(e->label.Bytes(), "heading 1");
  EXPECT_EQ(rest, "after");

  // Without an s word the entry keeps 222.
  e = Entry("\\b Plain;}");
  EXPECT_EQ(e->id, 222);
  EXPECT_EQ(e->sbasedon, 222);
  EXPECT_EQ(e->snext, -1);
  // A label interrupted by a word keeps only the text after it.
  e = Entry("first \\i second;}");
  EXPECT_EQ(e->label.Bytes(), "second");
  // A starred entry is skipped whole.
  e = Entry("\\*\\cs10\\b Char;}after", &rest);
  EXPECT_EQ(e->id, 222);
  EXPECT_TRUE(e->commands.empty());
  EXPECT_EQ(e->label.Bytes(), "");
  EXPECT_EQ(rest, "after");
}

TEST(RtfStylesheet, EscapesBelongToTheNameAndNeverReachTheText) {
  rb::Ref<RtfState> ansi = rb::Ref<RtfState>::New();
  ansi->SetEncoding("ansi", 0);
  auto entry = rb::Ref<RtfStylesheet>::New();
  entry->RTFstylesheet();
  auto s = StreamOf("\\s5\\b \\'dcberschrift 1;}");
  entry->Parse(s, ansi.get());
  EXPECT_EQ(entry->label.Bytes(), "\x86" "berschrift 1");
  EXPECT_EQ(Names(entry->commands), (std::vector<std::string>{"b"}));
  s = StreamOf("\\s1 Gr\\u252\\'fc\\u223\\'dfe\\{x\\};}");
  entry->RTFstylesheet();
  entry->Parse(s, ansi.get());
  EXPECT_EQ(entry->label.Bytes(), "Gr\x9F\xA7" "e{x}");
  EXPECT_TRUE(entry->commands.empty());

  // Selecting the styles writes nothing of their names, and the words after
  // the selection act.
  rtftest::Run run = Parse(
      "\\ansi{\\stylesheet{\\s5\\b \\'dcberschrift;}{\\s1\\i \\u220\\'dc Titel;}}"
      "\\s5 A\\par\\plain\\s1\\qc Text");
  EXPECT_EQ(run.target->Text(), "A\rText");
  EXPECT_TRUE(run.target->StateOf("A")->bold);
  EXPECT_TRUE(run.target->StateOf("Text")->italic);
  EXPECT_EQ(run.target->StateOf("Text")->alignment, 2);
}

TEST(RtfStylesheet, OnlyFormattingWordsAreReplayed) {
  rtftest::Run run = Ready("{after}");
  auto entry = rb::Ref<RtfStylesheet>::New();
  entry->RTFstylesheet();
  entry->id = 7;
  entry->commands = {"par", "tab", "fonttbl", "field", "u", "'", "b", "uc", "qr", "li"};
  entry->parameters = {1, 1, 1, 1, 65, 65, 1, 0, 1, 720};
  run.parser->stylesheets.push_back(entry);
  run.parser->DoCommand("s", 7);
  EXPECT_EQ(run.target->Text(), "");
  EXPECT_EQ(Rest(run.parser->input), "{after}");  // nothing read from the document
  // b, uc and qr, then the s word.
  EXPECT_EQ(run.target->Count(rtftest::RecordingTarget::Event::kSetState), 4);
  EXPECT_TRUE(run.parser->Top().bold);
  EXPECT_EQ(run.parser->Top().uc, 0);
  EXPECT_EQ(run.parser->Top().alignment, 3);
}

TEST(RtfStylesheet, ParseStylesheetCollectsEveryEntry) {
  rtftest::Run run = Ready("\\b {\\s1 One;}\r\n{\\*\\cs2 Char;}{\\s3\\i Three;}}tail");
  run.parser->ParseStylesheet();
  ASSERT_EQ(run.parser->stylesheets.size(), 3u);
  EXPECT_EQ(run.parser->stylesheets[0]->label.Bytes(), "One");
  EXPECT_EQ(run.parser->stylesheets[1]->id, 222);
  EXPECT_EQ(run.parser->stylesheets[2]->id, 3);
  EXPECT_EQ(Rest(run.parser->input), "tail");
  // The word outside the entries had no effect.
  EXPECT_FALSE(run.parser->Top().bold);
}

TEST(RtfStylesheet, ApplyingReplaysTheBaseStyleFirst) {
  rtftest::Run run = Parse(
      "{\\stylesheet{\\s0\\fs20 Normal;}{\\s1\\sbasedon0\\b\\fs28 Heading;}{\\s1\\i Dup;}"
      "{\\s5\\sbasedon5\\ul Self;}{\\b\\qc NoNumber;}}"
      "\\s1 A\\plain\\s5 B\\plain\\fs24\\s222 C\\s9 D");
  auto a = run.target->StateOf("A");
  EXPECT_TRUE(a->bold);
  EXPECT_EQ(a->textsize, 14.0);  // base 10, then the style's own 14
  EXPECT_FALSE(a->italic);      // the second entry numbered 1 is never used
  EXPECT_TRUE(run.target->StateOf("B")->underline);
  auto c = run.target->StateOf("C");
  EXPECT_TRUE(c->bold);
  EXPECT_EQ(c->alignment, 2);
  // An unknown style changes nothing.
  EXPECT_TRUE(*run.target->StateOf("D") == *c);
}

TEST(RtfStylesheet, OneStateForEveryReplayedWordAndOneForTheStyleWord) {
  rtftest::Run run = Ready();
  auto entry = rb::Ref<RtfStylesheet>::New();
  entry->RTFstylesheet();
  entry->id = 4;
  entry->commands = {"b", "i", "fs"};
  entry->parameters = {1, 1, 40};
  run.parser->stylesheets.push_back(entry);
  run.parser->DoCommand("s", 4);
  EXPECT_EQ(run.target->Count(rtftest::RecordingTarget::Event::kSetState), 4);
  EXPECT_EQ(run.target->LastState()->textsize, 20.0);
}

TEST(RtfStylesheet, CyclesOfBaseStylesEnd) {
  rtftest::Run run = Parse(
      "{\\stylesheet{\\s1\\sbasedon2\\b One;}{\\s2\\sbasedon3\\i Two;}{\\s3\\sbasedon1\\ul Three;}}"
      "\\s1 x");
  auto x = run.target->StateOf("x");
  EXPECT_TRUE(x->bold && x->italic && x->underline);
  // Three replayed words and the s word.
  EXPECT_EQ(run.target->Count(rtftest::RecordingTarget::Event::kSetState), 1 + 4);
}

TEST(RtfFont, ReadsTheTableExample) {
  auto s = StreamOf("{\\f0\\fswiss\\fcharset0 Helvetica;}{\\f1\\fnil\\fcharset2 Symbol;}}after");
  RtfFont t;
  EXPECT_TRUE(t.parse(s));
  EXPECT_EQ(Rest(s), "after");
  ASSERT_EQ(t.count(), 2);
  EXPECT_EQ(t.id[1], 0);
  EXPECT_EQ(t.charset[1], 0);
  EXPECT_EQ(t.family[1].Bytes(), "fswiss");
  EXPECT_EQ(t.name[1].Bytes(), "Helvetica");
  EXPECT_EQ(t.id[2], 1);
  EXPECT_EQ(t.charset[2], 2);
  EXPECT_EQ(t.family[2].Bytes(), "fnil");
  EXPECT_EQ(t.name[2].Bytes(), "Symbol");
}

TEST(RtfFont, LookupsAndFallbacks) {
  InstalledFonts installed({"helvetica", "Times", "Geneva"});
  auto s = StreamOf(
      "{\\f0\\fswiss Helvetica;}{\\f1\\froman Tms Rmn;}{\\f2 NoSet;}{\\f1 Second;}"
      "{\\f3\\fmodern Courier New{\\*\\falt Courier};}{\\f4\\froman Times ; }}");
  RtfFont t;
  ASSERT_TRUE(t.parse(s));
  EXPECT_EQ(t.getfont(0).Bytes(), "Helvetica");  // spelt as the table spells it
  EXPECT_EQ(t.getfont(1).Bytes(), "Times");       // family fallback; the first entry 1 wins
  EXPECT_EQ(t.getfont(2).Bytes(), "Geneva");
  EXPECT_EQ(t.getfont(9).Bytes(), "System");
  EXPECT_EQ(t.name[5].Bytes(), "Courier New");     // the alternative name is skipped
  EXPECT_EQ(t.getfont(3).Bytes(), "System");       // neither it nor "Courier" is installed
  EXPECT_EQ(t.name[6].Bytes(), " ");
  EXPECT_EQ(t.getfont(4).Bytes(), "Times");
  EXPECT_EQ(t.getcharset(2), -1);
  EXPECT_EQ(t.getcharset(9), 0);
  EXPECT_EQ(t.getid("tms rmn"), 1);
  EXPECT_EQ(t.getid("Nothing"), 0);
}

TEST(RtfFont, CutOffTableAndNoInstalledFonts) {
  auto s = StreamOf("{\\f0 Times;}{\\f1 Cour");
  RtfFont t;
  EXPECT_FALSE(t.parse(s));
  EXPECT_EQ(t.count(), 2);
  EXPECT_EQ(t.name[2].Bytes(), "Cour");
  EXPECT_EQ(t.getfont(0).Bytes(), "System");
  // A table cut off in the document leaves the parser without one.
  rtftest::Run run = Parse("{\\fonttbl{\\f0 Times;}");
  EXPECT_FALSE(run.parser->fonttable);
  // Fonts without groups give the same entries.
  s = StreamOf("\\f0\\froman Times;\\f1\\fswiss Arial;}");
  RtfFont flat;
  EXPECT_TRUE(flat.parse(s));
  EXPECT_EQ(flat.count(), 2);
  EXPECT_EQ(flat.name[2].Bytes(), "Arial");
}

TEST(RtfFont, WriterSide) {
  RtfFont t;
  t.addfont("Courier");
  EXPECT_EQ(t.id[1], 1);
  EXPECT_EQ(t.charset[1], 0);
  EXPECT_EQ(t.family[1].Bytes(), "fmodern");
  EXPECT_EQ(t.getstring().Bytes(), "{\\fonttbl{\\f1\\fmodern Courier;}}");
  t.addfont("Monaco");
  EXPECT_EQ(t.family[2].Bytes(), "fnil");
  EXPECT_EQ(t.getid("monaco"), 2);

  RtfFont osaka;
  auto s = StreamOf("{\\f2\\fswiss\\fcharset77 Osaka;}}");
  ASSERT_TRUE(osaka.parse(s));
  EXPECT_EQ(osaka.getstring().Bytes(), "{\\fonttbl{\\f2\\fcharset77\\fswiss Osaka;}}");
}

TEST(RtfColor, ReadsTheTableExample) {
  auto s = StreamOf(";\\red255\\green0\\blue0;\\red0\\green0\\blue255;}after");
  RtfColor t;
  EXPECT_TRUE(t.parse(s));
  EXPECT_EQ(Rest(s), "after");
  ASSERT_EQ(t.count(), 3);
  EXPECT_EQ(t.c[0], rb::RGB(0, 0, 0));
  EXPECT_EQ(t.c[1], rb::RGB(255, 0, 0));
  EXPECT_EQ(t.c[2], rb::RGB(0, 0, 255));
  EXPECT_EQ(t.c[3], rb::RGB(0, 0, 255));
  EXPECT_EQ(t.getcolor(1), rb::RGB(255, 0, 0));
  EXPECT_EQ(t.getcolor(0), rb::RGB(0, 0, 0));
  EXPECT_EQ(t.getcolor(4), rb::RGB(0, 0, 0));
  EXPECT_EQ(t.getcolor(-1), rb::RGB(0, 0, 0));
  EXPECT_EQ(t.getid(rb::RGB(0, 0, 255)), 2);
  EXPECT_EQ(t.getid(rb::RGB(0, 0, 0)), 0);
}

TEST(RtfColor, ComponentsCarryOverAndOddTables) {
  auto s = StreamOf("\\red255\\green128\\blue0;\\blue255;{\\*\\other \\red9;}\\red;}");
  RtfColor t;
  EXPECT_TRUE(t.parse(s));
  // No leading ";": the first colour is entry 0; the brace repeats the last.
  ASSERT_EQ(t.count(), 3);
  EXPECT_EQ(t.c[0], rb::RGB(255, 128, 0));
  EXPECT_EQ(t.c[1], rb::RGB(255, 128, 255));
  EXPECT_EQ(t.c[2], rb::RGB(1, 128, 255));
  EXPECT_EQ(t.c[3], rb::RGB(1, 128, 255));

  RtfColor empty;
  s = StreamOf("}");
  EXPECT_TRUE(empty.parse(s));
  EXPECT_EQ(empty.count(), 0);
  EXPECT_EQ(empty.getcolor(1), rb::RGB(0, 0, 0));

  RtfColor cut;
  s = StreamOf(";\\red5;\\red7");
  EXPECT_TRUE(cut.parse(s));
  EXPECT_EQ(cut.count(), 1);
}

TEST(RtfColor, WriterSide) {
  RtfColor t;
  t.addcolor(rb::RGB(255, 0, 0));
  EXPECT_EQ(t.getstring().Bytes(), "{\\colortbl;\\red255\\green0\\blue0;}");
  EXPECT_EQ(t.getid(rb::RGB(255, 0, 0)), 1);
  EXPECT_EQ(t.getid(rb::RGB(0, 0, 0)), 0);
}

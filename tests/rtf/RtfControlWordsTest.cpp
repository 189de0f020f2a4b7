// Control words: what each word does to the state and which text it writes.
#include <gtest/gtest.h>

#include <algorithm>

#include "rtf/RtfFont.h"
#include "rtf/RtfParser.h"
#include "tests/rtf/RtfTestSupport.h"

using rtftest::Parse;
using rtftest::Ready;
using rtftest::RecordingTarget;

namespace {

// The state after the given words, applied one by one to a fresh parser.
rb::Ref<RtfState> After(const std::string& words) { return Parse(words).target->LastState(); }

}  // namespace

TEST(RtfControlWords, WordsWithoutANumberActWithOne) {
  EXPECT_TRUE(After("\\b")->bold);
  EXPECT_EQ(After("\\fs")->textsize, 0.5);
  EXPECT_EQ(After("\\expnd")->expanded, 0.25);
  RtfFont::SetInstalledFontsSource([] { return std::vector<rb::String>{"Courier", "Times"}; });
  EXPECT_EQ(After("{\\fonttbl{\\f0 Times;}{\\f1 Courier;}}\\f")->font.Bytes(), "Courier");
  RtfFont::SetInstalledFontsSource(nullptr);
  EXPECT_TRUE(After("{\\stylesheet{\\s1\\i Emphasis;}}\\s")->italic);
}

TEST(RtfControlWords, OnlyTheValueOneSetsAStyleFlag) {
  EXPECT_FALSE(After("\\b\\b0")->bold);
  EXPECT_FALSE(After("\\b\\b2")->bold);
  EXPECT_TRUE(After("\\uld0")->underline);
  EXPECT_FALSE(After("\\ul\\ul0")->underline);
  EXPECT_FALSE(After("\\ul\\ulnone")->underline);
  EXPECT_TRUE(After("\\i\\outl\\shad\\caps\\smcaps\\uldb")->smallcapitals);
  rb::Ref<RtfState> all = After("\\i\\outl\\shad\\caps\\smcaps\\ulw");
  EXPECT_TRUE(all->italic && all->outline && all->shadow && all->capitals && all->underline);
  EXPECT_TRUE(After("\\B")->bold);  // names ignore case
}

TEST(RtfControlWords, SizesAndSpacing) {
  EXPECT_EQ(After("\\fs21")->textsize, 10.5);
  EXPECT_EQ(After("\\expnd-4")->expanded, -1.0);
}

TEST(RtfControlWords, ParagraphAndPlain) {
  RtfFont::SetInstalledFontsSource([] { return std::vector<rb::String>{"Times"}; });
  rb::Ref<RtfState> s = After("{\\fonttbl{\\f0 Times;}}{\\colortbl;\\red255\\green0\\blue0;}"
                              "\\f0\\fs30\\b\\cf1\\qc\\pard");
  EXPECT_EQ(s->alignment, 1);
  EXPECT_TRUE(s->bold);
  EXPECT_EQ(s->textsize, 15.0);
  EXPECT_EQ(s->font.Bytes(), "Times");
  s = After("{\\fonttbl{\\f0 Times;}}{\\colortbl;\\red255\\green0\\blue0;}"
            "\\f0\\fs30\\b\\i\\ul\\outl\\shad\\caps\\smcaps\\expnd8\\cf1\\cb1\\qr\\plain");
  RtfFont::SetInstalledFontsSource(nullptr);
  EXPECT_FALSE(s->bold || s->italic || s->underline || s->outline || s->shadow || s->capitals || s->smallcapitals);
  EXPECT_EQ(s->expanded, 0.0);
  EXPECT_EQ(s->font.Bytes(), "Times");
  EXPECT_EQ(s->textsize, 15.0);
  EXPECT_EQ(s->foregroundcolor, rb::RGB(255, 0, 0));
  EXPECT_EQ(s->backgroundcolor, rb::RGB(255, 0, 0));
  EXPECT_EQ(s->alignment, 3);
  EXPECT_EQ(After("\\qj")->alignment, 4);
  EXPECT_EQ(After("\\qc\\ql")->alignment, 1);
}

TEST(RtfControlWords, WordsThatWriteText) {
  EXPECT_EQ(Parse("a\\tab b").target->Text(), "a b");
  EXPECT_EQ(Parse("a\\par b\\line c").target->Text(), "a\rb\rc");
  EXPECT_EQ(Parse("a\\\nb\\\rc").target->Text(), "a\rb\rc");
  EXPECT_EQ(Parse("\\{\\}\\\\").target->Text(), "{}\\");
  EXPECT_EQ(Parse("\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote").target->Text(),
            "\xD1\xD0\xA5\xD4\xD5\xD2\xD3");
  // A non-breaking space is Mac Roman 0xCA, a non-breaking hyphen a hyphen;
  // the optional hyphen and the colon write nothing.
  EXPECT_EQ(Parse("non\\~breaking, e\\_mail, hy\\-phen\\:").target->Text(), "non\xCA" "breaking, e-mail, hyphen");
  // A cell ends with a blank, as a tab does; rows, sections and pages end
  // with a line break, as a paragraph does.
  EXPECT_EQ(Parse("A1\\cell B1\\cell\\row A2\\cell\\row").target->Text(), "A1 B1 \rA2 \r");
  // Cells and rows of a table inside a cell end the same way.
  EXPECT_EQ(Parse("a\\nestcell b\\nestcell\\nestrow c\\nestcell\\nestrow").target->Text(), "a b \rc \r");
  EXPECT_EQ(Parse("three\\sect four\\page five").target->Text(), "three\rfour\rfive");
}

TEST(RtfControlWords, HexadecimalEscapesFollowTheDocumentEncoding) {
  EXPECT_EQ(Parse("\\ansi \\'e9").target->Text(), "\x8E");
  EXPECT_EQ(Parse("\\mac \\'e9").target->Text(), "\xE9");
  // O with stroke in code page 1257, a diaeresis in 1252.
  EXPECT_EQ(Parse("\\ansi\\ansicpg1257 \\'a8").target->Text(), "\xAF");
  EXPECT_EQ(Parse("\\ansi \\'a8").target->Text(), "\xAC");
}

TEST(RtfControlWords, UnicodeEscapeSkipsItsFallbackCharacters) {
  // One fallback character by default: an escape or a literal character.
  EXPECT_EQ(Parse("\\ansi\\u8212\\'97 x").target->Text(), "\xD1 x");
  EXPECT_EQ(Parse("\\ansi\\u8212?x").target->Text(), "\xD1x");
  EXPECT_EQ(Parse("\\ansi\\u8212\\{x").target->Text(), "\xD1x");
  // A control word is never taken for the fallback: it acts and sends its
  // state.
  rtftest::Run run = Parse("\\ansi\\u8212\\par x");
  EXPECT_EQ(run.target->Text(), "\xD1\rx");
  EXPECT_EQ(run.target->Count(RecordingTarget::Event::kSetState), 3);
  EXPECT_EQ(Parse("\\ansi\\u8220\\u8221").target->Text(), "\xD2\xD3");
  // uc sets the count: none, or two escapes for a double-byte fallback.
  EXPECT_EQ(Parse("\\ansi\\uc0\\u960 \\u937 ").target->Text(), "\xB9\xBD");
  EXPECT_EQ(Parse("\\ansi\\uc1\\u8364?").target->Text(), "\xDB");
  EXPECT_EQ(Parse("\\ansi\\uc2\\u8212\\'81\\'5c;").target->Text(), "\xD1;");
  // A character Mac Roman lacks still shows as a question mark.
  EXPECT_EQ(Parse("\\ansi\\uc2\\u20870\\'89\\'7e").target->Text(), "?");
  // Line breaks in the fallback are not counted; a brace or a control word
  // ends it early.
  EXPECT_EQ(Parse("\\ansi\\uc2\\u8212\r\n?!x").target->Text(), "\xD1x");
  EXPECT_EQ(Parse("\\ansi{\\uc3\\u8212?}x").target->Text(), "\xD1x");
  EXPECT_EQ(Parse("\\ansi\\uc3\\u8212?\\tab x").target->Text(), "\xD1 x");
  // The count is kept per group.
  EXPECT_EQ(Parse("\\ansi{\\uc2\\u8212 ab}\\u8212 cd").target->Text(), "\xD1\xD1" "d");
  EXPECT_EQ(After("\\uc3")->uc, 3);
  EXPECT_EQ(After("\\uc-1")->uc, 0);
  // Negative parameters are code units above 32767; a pair of surrogates is
  // one character.
  EXPECT_EQ(Parse("\\ansi\\u-1279?").target->Text(), "\xDE");
  EXPECT_EQ(Parse("\\ansi\\u-10179?\\u-8704?x").target->Text(), "?x");
  // At the end of the input nothing is read again.
  EXPECT_EQ(Parse("\\u65").target->Text(), "A");
}

TEST(RtfControlWords, ColoursNeedATable) {
  EXPECT_EQ(After("\\cf2")->foregroundcolor, rb::RGB(0, 0, 0));
  EXPECT_EQ(After("{\\colortbl;\\red0\\green0\\blue255;}\\cb1\\cb3")->backgroundcolor, rb::RGB(0, 0, 0));
  const std::string table = "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}";
  EXPECT_EQ(After(table + "\\cf2")->foregroundcolor, rb::RGB(0, 128, 0));
  EXPECT_EQ(After(table + "\\cf1\\cf0")->foregroundcolor, rb::RGB(0, 0, 0));
  EXPECT_EQ(After(table + "\\cf1\\cf9")->foregroundcolor, rb::RGB(0, 0, 0));
}

TEST(RtfControlWords, FontCharacterSetDecidesHowEscapesAreRead) {
  const std::string table = "{\\fonttbl{\\f1\\fswiss Helvetica;}{\\f3\\fcharset77 Mac Font;}{\\f4\\fcharset0 Win;}}";
  rtftest::Run run = Parse("\\ansi" + table + "\\f3 \\'e9\\f1 \\'e9\\f4 \\'e9");
  EXPECT_EQ(run.target->Text(), "\xE9\xE9\x8E");
  // Without a table the font and encoding stay.
  rb::Ref<RtfState> s = After("\\ansi\\f3");
  EXPECT_EQ(s->font.Bytes(), "System");
  EXPECT_EQ(s->encoding, 0x500);
}

TEST(RtfControlWords, DefaultFontAppliesToTheTextAfterTheTable) {
  RtfFont::SetInstalledFontsSource([] { return std::vector<rb::String>{"Helvetica", "Times"}; });
  rtftest::Run run = Parse("{\\rtf1\\deff1{\\fonttbl{\\f0\\froman Times;}{\\f1\\fswiss Arial;}}body}");
  RtfFont::SetInstalledFontsSource(nullptr);
  EXPECT_EQ(run.target->StateOf("body")->font.Bytes(), "Helvetica");
  EXPECT_EQ(run.parser->rtfversion, 1);
  EXPECT_EQ(run.parser->defaultfontid, 1);
}

TEST(RtfControlWords, SkippedDestinationsWriteNothing) {
  EXPECT_EQ(Parse("{\\info{\\title T}{\\author A}}a{\\*\\generator G;}b{\\header H}c{\\pict\\pngblip 89504e47}d")
                .target->Text(),
            "abcd");
  // A field shows its result, not its instruction.
  EXPECT_EQ(Parse("see {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt here}}, page "
                  "{\\field{\\fldinst PAGE}{\\fldrslt 4}}.")
                .target->Text(),
            "see here, page 4.");
}

TEST(RtfControlWords, EveryWordSendsOneNewCopyOfTheTopState) {
  rtftest::Run run = Ready("?rest");
  const char* words[] = {"b", "uc", "", "pard", "par", "'", "u", "~", "zzz", "fonttbl", "bin"};
  int expected = 0;
  for (const char* w : words) {
    run.parser->DoCommand(w, 1);
    ++expected;
    ASSERT_EQ(run.target->Count(RecordingTarget::Event::kSetState), expected) << w;
    rb::Ref<RtfState> sent = run.target->LastState();
    EXPECT_TRUE(*sent == run.parser->Top()) << w;
    EXPECT_NE(sent.get(), run.parser->state.front().get()) << w;
  }
  // Unknown words, and a backslash at the end of the input, only send the state.
  run = Parse("\\uc1 x\\");
  EXPECT_EQ(run.target->Text(), "x");
  EXPECT_EQ(run.target->Count(RecordingTarget::Event::kSetState), 2);
}

TEST(RtfControlWords, DateAndTimeWordsWriteText) {
  rtftest::Run run = Parse("\\chdate|\\chdpa|\\chtime");
  const std::string text = run.target->Text();
  EXPECT_EQ(std::count(text.begin(), text.end(), '|'), 2);
  EXPECT_GT(text.size(), 10u);
  EXPECT_NE(text.find(':'), std::string::npos);
  EXPECT_NE(text.find('/'), std::string::npos);
}

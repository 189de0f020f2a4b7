// Parser driver: delivery order, groups, binary data, early ends.
#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/application.h"
#include "framework/controls.h"
#include "rtf/RtfParser.h"
#include "tests/rtf/RtfTestSupport.h"

using rtftest::Parse;
using rtftest::RecordingTarget;
using rtftest::StreamOf;
using Kind = RecordingTarget::Event::Kind;

TEST(RtfParser, NewParserIsConstructedByRTFparser) {
  RtfParser p;
  ASSERT_EQ(p.state.size(), 1u);
  EXPECT_FALSE(p.state.front());
  EXPECT_EQ(p.stylesheets.size(), 1u);
  p.RTFparser();
  ASSERT_TRUE(p.state.front());
  EXPECT_TRUE(*p.state.front() == RtfState());
  EXPECT_TRUE(p.stylesheets.empty());
  EXPECT_EQ(p.encoding.Bytes(), "ansi");
  EXPECT_FALSE(p.fonttable);
  EXPECT_FALSE(p.colortable);
}

TEST(RtfParser, EmptyDocumentAndRefusedDocument) {
  rtftest::Run run = Parse("");
  ASSERT_EQ(run.target->events.size(), 2u);
  EXPECT_EQ(run.target->events[0].kind, Kind::kPreprocess);
  EXPECT_EQ(run.target->events[1].kind, Kind::kPostprocess);

  auto target = rb::Ref<RecordingTarget>::New();
  target->accept = false;
  auto parser = rb::Ref<RtfParser>::New();
  parser->RTFparser();
  auto stream = StreamOf("{\\rtf1 text}");
  parser->Parse(stream, target.get());
  ASSERT_EQ(target->events.size(), 1u);
  EXPECT_EQ(target->events[0].kind, Kind::kPreprocess);
  EXPECT_EQ(stream->Position(), 0);
}

TEST(RtfParser, LineBreaksInTheTextNeverReachTheTarget) {
  EXPECT_EQ(Parse("a\rb\nc\x03" "d\r\n").target->Text(), "abcd");
}

TEST(RtfParser, EveryTextArrivesInMacRoman) {
  rtftest::Run run = Parse(
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset77 M;}}a\\'e9\\u8212?\\u-3\\'\\emdash\\tab\\par\\{"
      "\\chdate\\chtime\\f0\\'e9\\ansicpg1251\\'e9\\u1234 z}");
  int writes = 0;
  for (const auto& e : run.target->events) {
    if (e.kind != Kind::kWrite) continue;
    ++writes;
    EXPECT_EQ(e.encoding, rb::Encodings::MacRoman) << writes;
  }
  EXPECT_GT(writes, 12);
  run.target->events.clear();
  run.parser->Test();
  for (const auto& e : run.target->events) EXPECT_EQ(e.encoding, rb::Encodings::MacRoman);
}

TEST(RtfParser, BinaryDataIsSkippedUnseen) {
  EXPECT_EQ(Parse("a\\bin5 {}\\x}b").target->Text(), "ab");
  // A negative length skips nothing, so the parse still ends.
  EXPECT_EQ(Parse("a\\bin-3 bc").target->Text(), "abc");
  // A length past the end stops at the end.
  rtftest::Run run = Parse("a\\bin100 bc");
  EXPECT_EQ(run.target->Text(), "a");
  EXPECT_EQ(run.target->events.back().kind, Kind::kPostprocess);
}

TEST(RtfParser, AnUnmatchedClosingBraceEndsTheDocument) {
  rtftest::Run run = Parse("{a}}b");
  EXPECT_EQ(run.target->Text(), "a");
  EXPECT_EQ(run.target->events.back().kind, Kind::kPostprocess);
  EXPECT_EQ(run.target->Count(Kind::kPostprocess), 1);
}

TEST(RtfParser, GroupsRestoreTheEnclosingStateForTheTextAfterThem) {
  rtftest::Run run = Parse("{\\rtf1 {\\b bold} plain {\\i it{\\ul both}} again}");
  EXPECT_EQ(run.target->Text(), "bold plain itboth again");
  EXPECT_TRUE(run.target->StateOf("bold")->bold);
  EXPECT_FALSE(run.target->StateOf("bold plain")->bold);
  EXPECT_TRUE(run.target->StateOf("it")->italic);
  EXPECT_TRUE(run.target->StateOf("both")->italic);
  EXPECT_TRUE(run.target->StateOf("both")->underline);
  rb::Ref<RtfState> after = run.target->StateOf(" again");
  EXPECT_FALSE(after->italic || after->underline || after->bold);
  // Every group was closed: only the base state is left.
  EXPECT_EQ(run.parser->state.size(), 1u);
}

TEST(RtfParser, GroupsThatReadersConsumeCloseAsAnyOther) {
  rtftest::Run run = Parse("{\\rtf1{\\fonttbl{\\f0 A;}}{\\colortbl;}{\\stylesheet{\\s0 Normal;}}text");
  EXPECT_EQ(run.target->Text(), "text");
  // Only the entry of the rtf group is left above the base.
  EXPECT_EQ(run.parser->state.size(), 2u);

  // Formatting set in a group ends with it, whichever reader took its
  // closing brace.
  for (const char* consumed : {"{\\*\\bkmkend a}", "{\\info{\\title T}}", "{\\header H}", "{\\pict 0a}",
                               "{\\fonttbl{\\f0 A;}}", "{\\colortbl;}", "{\\stylesheet{\\s0 N;}}",
                               "{\\*\\fldinst PAGE}"}) {
    SCOPED_TRACE(consumed);
    run = Parse(std::string("{\\rtf1 {\\b bold") + consumed + " still} after\\par end}");
    EXPECT_EQ(run.target->Text(), "bold still after\rend");
    EXPECT_TRUE(run.target->StateOf("still")->bold);
    EXPECT_FALSE(run.target->StateOf(" after")->bold);
    EXPECT_FALSE(run.target->LastState()->bold);
    EXPECT_EQ(run.parser->state.size(), 1u);
  }
  // A consumed brace that closes no group ends the document, as any other.
  run = Parse("a\\*\\x} b");
  EXPECT_EQ(run.target->Text(), "a");
  EXPECT_EQ(run.target->events.back().kind, Kind::kPostprocess);
}

TEST(RtfParser, UserCancelEndsTheParseWithPostprocess) {
  int polls = 0;
  RtfParser::SetUserCancelledSource([&polls] { return ++polls >= 3; });
  rtftest::Run run = Parse("abcdef");
  RtfParser::SetUserCancelledSource(nullptr);
  EXPECT_EQ(run.target->Text(), "ab");
  EXPECT_EQ(run.target->events.back().kind, Kind::kPostprocess);
}

TEST(RtfParser, MissingTargetOrConstructionRaisesWithoutPostprocess) {
  auto parser = rb::Ref<RtfParser>::New();
  parser->RTFparser();
  EXPECT_THROW(parser->Parse(StreamOf("x"), nullptr), rb::NilObjectException);
  EXPECT_THROW(parser->Parse(nullptr, rb::Ref<RecordingTarget>::New().get()), rb::NilObjectException);

  auto raw = rb::Ref<RtfParser>::New();
  auto target = rb::Ref<RecordingTarget>::New();
  EXPECT_THROW(raw->Parse(StreamOf("{x}"), target.get()), rb::NilObjectException);
  EXPECT_EQ(target->Count(Kind::kPostprocess), 0);
}

TEST(RtfParser, ProgressMovesInHundredths) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  rb::EnsureApplicationForTesting();
  auto bar = rb::Ref<rb::ProgressBar>::New();
  bar->SetMaximum(7);
  auto parser = rb::Ref<RtfParser>::New();
  parser->RTFparser();
  parser->SetProgressBar(bar);
  // The cancel poll comes once per byte: it samples the bar as it goes.
  std::vector<int> seen;
  RtfParser::SetUserCancelledSource([&] {
    if (seen.empty() || seen.back() != bar->Value()) seen.push_back(bar->Value());
    return false;
  });
  auto target = rb::Ref<RecordingTarget>::New();
  parser->Parse(StreamOf(std::string(1000, 'x')), target.get());
  RtfParser::SetUserCancelledSource(nullptr);
  EXPECT_EQ(bar->Maximum(), 100);
  EXPECT_EQ(bar->Value(), 100);
  ASSERT_EQ(seen.size(), 100u);  // 0, then 1 to 99
  for (int i = 0; i < 100; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], i);

  // A stream shorter than 100 bytes has no step and shows no progress.
  auto small = rb::Ref<rb::ProgressBar>::New();
  parser = rb::Ref<RtfParser>::New();
  parser->RTFparser();
  parser->SetProgressBar(small);
  parser->Parse(StreamOf("short"), target.get());
  EXPECT_EQ(small->Maximum(), 100);
  EXPECT_EQ(small->Value(), 0);
}

TEST(RtfParser, TestDumpsTheTables) {
  rtftest::Run run = Parse(
      "{\\rtf1{\\fonttbl{\\f0\\fswiss Helvetica;}}{\\colortbl;\\red255\\green0\\blue10;}"
      "{\\stylesheet{\\s1\\b\\fs28 Head;}}");
  run.target->events.clear();
  run.parser->Test();
  EXPECT_EQ(run.target->Text(),
            "\rFonttable\r1 fswiss Helvetica\r"
            "\rColortable\rFF000A\rFF000A\r"
            "\rStylesheets\r1 Head1\rb\rfs\r"
            "\rEncoding ansi");
}

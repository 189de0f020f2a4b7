// Tokenizer: control words, symbols, escapes, labels and skipped groups.
#include <gtest/gtest.h>

#include "rtf/RtfModule.h"
#include "tests/rtf/RtfTestSupport.h"

using namespace RtfModule;
using rtftest::Rest;
using rtftest::StreamOf;

namespace {

struct Token {
  std::string cmd;
  int32_t param;
  std::string rest;
};

Token Command(const std::string& input, int32_t param = -77) {
  auto s = StreamOf(input);
  rb::String cmd = "unset";
  RtfParseCommand(s, cmd, param);
  return {cmd.Bytes(), param, Rest(s)};
}

}  // namespace

TEST(RtfParseCommand, ReadsTheTypicalInputs) {
  struct Row {
    std::string input, cmd;
    int32_t param;
    std::string rest;
  } rows[] = {
      {"b text", "b", 1, "text"},
      {"fs24 T", "fs", 24, "T"},
      {"li-720\\x", "li", -720, "\\x"},
      {"b0}", "b", 0, "}"},
      {"par\rmore", "par", 1, "\rmore"},
      {"'e9x", "'", 233, "x"},
      {"{after", "{", -77, "after"},
      {"li- next", "li", 0, "next"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.input);
    const Token t = Command(r.input);
    EXPECT_EQ(t.cmd, r.cmd);
    EXPECT_EQ(t.param, r.param);
    EXPECT_EQ(t.rest, r.rest);
  }
}

TEST(RtfParseCommand, SymbolsKeepTheParameterOfTheWordBefore) {
  auto s = StreamOf("fs24\\~x");
  rb::String cmd;
  int32_t param = 0;
  RtfParseCommand(s, cmd, param);
  EXPECT_EQ(param, 24);
  ASSERT_EQ(s->Read(1).Bytes(), "\\");
  RtfParseCommand(s, cmd, param);
  EXPECT_EQ(cmd.Bytes(), "~");
  EXPECT_EQ(param, 24);
  EXPECT_EQ(Rest(s), "x");
}

TEST(RtfParseCommand, OnlyABlankIsSwallowedAfterAWord) {
  EXPECT_EQ(Command("b{x").rest, "{x");
  EXPECT_EQ(Command("b;x").rest, ";x");
  EXPECT_EQ(Command("b\nx").rest, "\nx");
  EXPECT_EQ(Command("b  x").rest, " x");
  // The blank after a hexadecimal escape is text.
  EXPECT_EQ(Command("'41 x").rest, " x");
  // Letters after the number start the text.
  const Token t = Command("fs20abc");
  EXPECT_EQ(t.param, 20);
  EXPECT_EQ(t.rest, "abc");
}

TEST(RtfParseCommand, SymbolsAndTheEndOfTheStream) {
  EXPECT_EQ(Command("\r").cmd, "\r");
  EXPECT_EQ(Command("\\x").cmd, "\\");
  EXPECT_EQ(Command("*\\x").cmd, "*");
  // Nothing to read: empty word, parameter untouched.
  const Token empty = Command("");
  EXPECT_EQ(empty.cmd, "");
  EXPECT_EQ(empty.param, -77);
  // A word or number cut off by the end is kept whole, nothing is re-read.
  const Token cut = Command("fs2");
  EXPECT_EQ(cut.cmd, "fs");
  EXPECT_EQ(cut.param, 2);
  EXPECT_EQ(cut.rest, "");
  const Token letter = Command("b");
  EXPECT_EQ(letter.cmd, "b");
  EXPECT_EQ(letter.param, 1);
  EXPECT_EQ(letter.rest, "");
  // Numbers beyond 32 bits saturate.
  EXPECT_EQ(Command("fs99999999999 ").param, INT32_MAX);
}

TEST(RtfClassify, LettersAndNumbers) {
  EXPECT_TRUE(RtfIsAlpha("a"));
  EXPECT_TRUE(RtfIsAlpha("Z"));
  EXPECT_FALSE(RtfIsAlpha("1"));
  EXPECT_FALSE(RtfIsAlpha(" "));
  EXPECT_FALSE(RtfIsAlpha(rb::String::FromBytes("\xE9", rb::Encodings::MacRoman)));
  EXPECT_TRUE(RtfIsNumeric("7"));
  EXPECT_TRUE(RtfIsNumeric("-"));
  EXPECT_FALSE(RtfIsNumeric("x"));
  EXPECT_FALSE(RtfIsNumeric("+"));
}

TEST(RtfParseLabel, EndsAtSemicolonOrLeavesTheBraceOrBackslash) {
  auto s = StreamOf("Times New Roman;}");
  EXPECT_EQ(RtfParseLabel(s).Bytes(), "Times New Roman");
  EXPECT_EQ(Rest(s), "}");
  s = StreamOf("heading\r 1}x");
  EXPECT_EQ(RtfParseLabel(s).Bytes(), "heading\r 1");
  EXPECT_EQ(Rest(s), "}x");
  s = StreamOf("abc\\b");
  EXPECT_EQ(RtfParseLabel(s).Bytes(), "abc");
  EXPECT_EQ(Rest(s), "\\b");
  s = StreamOf("unended");
  EXPECT_EQ(RtfParseLabel(s).Bytes(), "unended");
}

TEST(RtfIgnoreGroup, SkipsToTheMatchingBrace) {
  auto s = StreamOf("a{b\\}c}\\{d}after");
  RtfIgnoreGroup(s);
  EXPECT_EQ(Rest(s), "after");
  // Braces inside binary data are skipped unseen.
  s = StreamOf("\\bin3 }}{}after");
  RtfIgnoreGroup(s);
  EXPECT_EQ(Rest(s), "after");
  // "bin" without digits skips one byte.
  s = StreamOf("\\bin }}x");
  RtfIgnoreGroup(s);
  EXPECT_EQ(Rest(s), "x");
  // A hexadecimal escape of a brace is no brace.
  s = StreamOf("\\'7d}x");
  RtfIgnoreGroup(s);
  EXPECT_EQ(Rest(s), "x");
}

TEST(RtfIgnoreGroup, BinaryLengthsThatCannotBeSkippedEndTheGroupSafely) {
  // A negative length skips nothing: the stream never moves back.
  auto s = StreamOf("\\bin-5 }x");
  RtfIgnoreGroup(s);
  EXPECT_EQ(Rest(s), "x");
  // A length beyond the end stops at the end.
  s = StreamOf("\\bin999 ab}");
  RtfIgnoreGroup(s);
  EXPECT_TRUE(s->EOF());
  EXPECT_EQ(s->Position(), s->Length());
}

TEST(RtfHex2, TwoDigits) {
  EXPECT_EQ(Hex2(10).Bytes(), "0A");
  EXPECT_EQ(Hex2(255).Bytes(), "FF");
  EXPECT_EQ(Hex2(0).Bytes(), "00");
  EXPECT_EQ(Hex2(16).Bytes(), "10");
}

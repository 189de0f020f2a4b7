// Format record: defaults, plain, clones, encodings and escaped characters.
#include <gtest/gtest.h>

#include "rtf/RtfState.h"
#include "tests/rtf/RtfTestSupport.h"

using rtftest::MacRoman;

TEST(RtfState, NewStateHoldsTheDefaults) {
  RtfState s;
  EXPECT_EQ(s.font.Bytes(), "System");
  EXPECT_EQ(s.textsize, 12.0);
  EXPECT_FALSE(s.bold || s.italic || s.underline || s.outline || s.shadow || s.capitals || s.smallcapitals);
  EXPECT_EQ(s.expanded, 0.0);
  EXPECT_EQ(s.foregroundcolor, rb::RGB(0, 0, 0));
  EXPECT_EQ(s.backgroundcolor, 0u);
  EXPECT_EQ(s.alignment, 1);
  EXPECT_EQ(s.encoding, 0);
  EXPECT_EQ(s.nativeencoding, 0);
}

TEST(RtfState, PlainClearsStylesButKeepsFontSizeColoursAndAlignment) {
  RtfState s;
  s.textsize = 20.0;
  s.font = "Times";
  s.foregroundcolor = rb::RGB(255, 0, 0);
  s.alignment = 3;
  s.encoding = 0x500;
  s.bold = s.italic = s.underline = s.outline = s.shadow = s.capitals = s.smallcapitals = true;
  s.expanded = 2.5;
  s.SetPlain();
  EXPECT_EQ(s.textsize, 20.0);
  EXPECT_EQ(s.font.Bytes(), "Times");
  EXPECT_EQ(s.foregroundcolor, rb::RGB(255, 0, 0));
  EXPECT_EQ(s.alignment, 3);
  EXPECT_EQ(s.encoding, 0x500);
  EXPECT_FALSE(s.bold || s.italic || s.underline || s.outline || s.shadow || s.capitals || s.smallcapitals);
  EXPECT_EQ(s.expanded, 0.0);
}

TEST(RtfState, CloneIsEqualAndIndependent) {
  RtfState s;
  s.bold = true;
  s.font = "Courier";
  s.textsize = 10.5;
  s.backgroundcolor = rb::RGB(1, 2, 3);
  s.expanded = -1.0;
  s.encoding = 0x502;
  s.smallcapitals = true;
  s.alignment = 4;
  rb::Ref<RtfState> copy = s.Clone();
  EXPECT_TRUE(*copy == s);
  copy->bold = false;
  copy->font = "Geneva";
  copy->alignment = 2;
  EXPECT_TRUE(s.bold);
  EXPECT_EQ(s.font.Bytes(), "Courier");
  EXPECT_EQ(s.alignment, 4);
  EXPECT_FALSE(*copy == s);
}

TEST(RtfState, SetEncodingFollowsTheWordsCodePagesAndCharacterSets) {
  RtfState s;
  s.SetEncoding("ansi", 0);
  EXPECT_EQ(s.encoding, 0x500);
  s.SetEncoding("fcharset", 77);
  EXPECT_EQ(s.encoding, 0);
  s.SetEncoding("fcharset", 1);
  EXPECT_EQ(s.encoding, 0);
  s.SetEncoding("fcharset", -1);
  EXPECT_EQ(s.encoding, 0);
  s.SetEncoding("fcharset", 0);
  EXPECT_EQ(s.encoding, 0x500);
  s.SetEncoding("fcharset", 136);
  EXPECT_EQ(s.encoding, 0xA03);
  s.SetEncoding("ansicpg", 1251);
  EXPECT_EQ(s.encoding, 0x502);
  s.SetEncoding("ansicpg", 850);
  EXPECT_EQ(s.encoding, 0x502);
  s.SetEncoding("ansicpg", 10000);
  EXPECT_EQ(s.encoding, 0x502);
  s.SetEncoding("deflang", 1033);
  EXPECT_EQ(s.encoding, 0x502);
  s.SetEncoding("mac", 0);
  EXPECT_EQ(s.encoding, 0);
  s.SetEncoding("PCA", 0);
  EXPECT_EQ(s.encoding, 0x500);
  s.SetEncoding("unknown", 5);
  EXPECT_EQ(s.encoding, 0x500);
}

TEST(RtfState, DecodeConvertsFromTheDocumentEncodingIntoMacRoman) {
  RtfState s;
  EXPECT_EQ(MacRoman(s.Decode(0x8E)), "\x8E");
  s.encoding = 0x500;
  EXPECT_EQ(MacRoman(s.Decode(0xE9)), "\x8E");  // e acute
  EXPECT_EQ(MacRoman(s.Decode(0x80)), "\xDB");  // euro sign
  s.encoding = 0x502;
  s.SetEncoding("ansicpg", 1250);
  EXPECT_EQ(MacRoman(s.Decode(0xE9)), "\x8E");
  s.encoding = 0x7777;  // no such encoding: the character is dropped
  EXPECT_EQ(s.Decode(0x41).Bytes(), "");
}

TEST(RtfState, DecodeUnicodeGivesMacRomanWhateverTheDocumentEncoding) {
  RtfState s;
  s.encoding = 0x500;
  EXPECT_EQ(MacRoman(s.DecodeUnicode(8212)), "\xD1");  // em dash
  EXPECT_EQ(MacRoman(s.DecodeUnicode(233)), "\x8E");
  s.encoding = 0;
  EXPECT_EQ(MacRoman(s.DecodeUnicode(8212)), "\xD1");
  EXPECT_EQ(MacRoman(s.DecodeUnicode(233)), "\x8E");
  // Code units above 32767 arrive negative: -1279 is U+FB01, the fi ligature.
  EXPECT_EQ(MacRoman(s.DecodeUnicode(-1279)), "\xDE");
  EXPECT_EQ(s.DecodeUnicode(70000).Bytes(), "");
  EXPECT_EQ(s.DecodeUnicode(-70000).Bytes(), "");
}

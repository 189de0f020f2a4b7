#include "platform/name_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace platform;

namespace {

TEST(NameCodec, AnyBytesComeBackUnchanged) {
  const std::vector<std::string> names = {
      "plain.txt",
      "Caf\xc3\xa9",                   // NFC
      "Cafe\xcc\x81",                  // NFD
      "bad\xff\xfe.bin",               // not UTF-8
      "\xc0\xaf",                      // overlong '/'
      "\xed\xa0\x80",                  // encoded surrogate
      "\xf0\x9f\x98\x80 smile",        // outside the BMP
      "\xe2\x82",                      // cut short
      "\xf4\x90\x80\x80",              // above U+10FFFF
      "\xf0\x9f\x98\x80\x80",          // valid pair followed by a stray byte
  };
  for (const std::string& n : names) {
    std::u16string u = NameBytesToUtf16(n);
    EXPECT_EQ(n, Utf16ToNameBytes(u)) << n;
    std::string exact;
    EXPECT_TRUE(Utf16ToNameBytesExact(u, &exact));
    EXPECT_EQ(n, exact);
  }
  // Every single byte, and random byte strings.
  for (int b = 1; b < 256; ++b) {
    std::string s(1, static_cast<char>(b));
    EXPECT_EQ(s, Utf16ToNameBytes(NameBytesToUtf16(s))) << b;
  }
  std::mt19937 rng(12345);
  for (int i = 0; i < 2000; ++i) {
    std::string s(1 + rng() % 40, '\0');
    for (char& c : s) c = static_cast<char>(1 + rng() % 255);
    ASSERT_EQ(s, Utf16ToNameBytes(NameBytesToUtf16(s)));
  }
}

TEST(NameCodec, ValidUtf8IsOrdinaryUtf16AndInvalidBytesAreLoneSurrogates) {
  EXPECT_EQ(u"Caf\u00e9", NameBytesToUtf16("Caf\xc3\xa9"));
  EXPECT_EQ(u"\U0001F600", NameBytesToUtf16("\xf0\x9f\x98\x80"));
  EXPECT_EQ(std::u16string(u"a\xDCFF\xDCFE"), NameBytesToUtf16("a\xff\xfe"));
  EXPECT_EQ(std::u16string(u"\xDCED\xDCA0\xDC80"), NameBytesToUtf16("\xed\xa0\x80"));
  EXPECT_TRUE(IsValidUtf8("Caf\xc3\xa9"));
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));
}

TEST(NameCodec, DisplayShowsInvalidBytesAsReplacementCharacter) {
  EXPECT_EQ(u"bad\uFFFD\uFFFD.bin", NameBytesToDisplayUtf16("bad\xff\xfe.bin"));
  EXPECT_EQ(u"Caf\u00e9", NameBytesToDisplayUtf16("Caf\xc3\xa9"));
}

TEST(NameCodec, SurrogatesWithoutByteFormAreRejectedOrReplaced) {
  std::u16string loneHigh = u"a";
  loneHigh.push_back(static_cast<char16_t>(0xD800));
  std::string out;
  EXPECT_FALSE(Utf16ToNameBytesExact(loneHigh, &out));
  EXPECT_EQ("a\xef\xbf\xbd", Utf16ToNameBytes(loneHigh));
  std::u16string lowBelowRange(1, static_cast<char16_t>(0xDC41));
  EXPECT_FALSE(Utf16ToNameBytesExact(lowBelowRange, &out));
}

TEST(NameCodec, MacRomanTableIsOneToOne) {
  for (int b = 0; b < 256; ++b) {
    std::string mr(1, static_cast<char>(b));
    std::string back;
    ASSERT_TRUE(Utf8ToMacRoman(MacRomanToUtf8(mr), &back)) << b;
    EXPECT_EQ(mr, back) << b;
    EXPECT_EQ(b, UnicodeToMacRoman(MacRomanToUnicode(static_cast<uint8_t>(b))));
  }
  EXPECT_EQ(0x8E, UnicodeToMacRoman(U'\u00e9'));
  EXPECT_EQ(0xDB, UnicodeToMacRoman(U'\u20ac'));
  EXPECT_EQ(0xBD, UnicodeToMacRoman(U'\u03a9'));
  EXPECT_EQ(0xAA, UnicodeToMacRoman(U'\u2122'));
  EXPECT_EQ(-1, UnicodeToMacRoman(U'\u4e2d'));
  EXPECT_EQ(-1, UnicodeToMacRoman(U'\u0301'));  // combining marks have no form
}

TEST(NameCodec, MacRomanConversionsFailForCharactersWithoutForm) {
  std::string out;
  EXPECT_TRUE(Utf8ToMacRoman("Caf\xc3\xa9", &out));
  EXPECT_EQ("Caf\x8e", out);
  EXPECT_FALSE(Utf8ToMacRoman("Cafe\xcc\x81", &out));
  EXPECT_FALSE(Utf8ToMacRoman("bad\xff", &out));
  EXPECT_FALSE(Utf16ToMacRoman(u"\u4e2d", &out));
  EXPECT_FALSE(Utf16ToMacRoman(std::u16string(1, static_cast<char16_t>(0xDCFF)), &out));
  EXPECT_TRUE(Utf16ToMacRoman(u"\u2122\u20ac", &out));
  EXPECT_EQ("\xaa\xdb", out);
  EXPECT_EQ(u"\u2122\u20ac", MacRomanToUtf16("\xaa\xdb"));
}

}  // namespace

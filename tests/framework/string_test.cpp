#include <gtest/gtest.h>

#include <vector>

#include "framework/rbstring.h"
#include "framework/text_encoding.h"
#include "platform/name_codec.h"

using namespace rb;

namespace {

String Bytes(const std::string& b, uint32_t enc = Encodings::UTF8) {
  return String::FromBytes(b, enc);
}

}  // namespace

TEST(StringEquality, IgnoresCaseInAsciiAndBeyond) {
  EXPECT_TRUE(String("Hello.TXT") == String("hello.txt"));
  EXPECT_TRUE(String("É") == String("é"));
  EXPECT_TRUE(String("ÀÉÎÕÜ.jpg") == String("àéîõü.JPG"));
  EXPECT_TRUE(String("ΣΑΣ") == String("σας"));  // final sigma folds like sigma
  EXPECT_TRUE(String("\u212A") == String("k"));  // Kelvin sign: longer bytes, same letter
  EXPECT_FALSE(String("abc") == String("abd"));
  EXPECT_FALSE(String("abc") == String("ab"));
  EXPECT_FALSE(String("ab") == String("abé"));
  EXPECT_FALSE(String("é") == String("e"));
  EXPECT_TRUE(String("a") != String("b"));
  EXPECT_TRUE(String() == String(""));
}

TEST(StringEquality, SameTextInDifferentEncodingsIsEqual) {
  String utf8("Café Noël");
  EXPECT_TRUE(utf8 == ConvertEncoding(utf8, Encodings::MacRoman));
  EXPECT_TRUE(utf8 == ConvertEncoding(utf8, Encodings::WindowsANSI));
  EXPECT_TRUE(utf8 == String::FromUtf16(u"CAFÉ NOËL"));
  EXPECT_TRUE(Bytes("caf\xC3\xA9", Encodings::Unknown) == String("CAFÉ"));
  EXPECT_TRUE(Bytes("abc", Encodings::ASCII) == String::FromUtf16(u"ABC"));
  EXPECT_FALSE(Bytes("caf\xE9", Encodings::MacRoman) == String("café"));  // 0xE9 is È in Mac Roman
}

TEST(StringEquality, InvalidNamesStayDistinct) {
  String a = Bytes("photo\xFF.jpg");
  String b = Bytes("photo\xFE.jpg");
  EXPECT_FALSE(a == b);
  EXPECT_TRUE(a == Bytes("PHOTO\xFF.JPG"));
  // A Latin-1 byte is not the character it would be in Latin-1.
  EXPECT_FALSE(Bytes("caf\xE9") == String("café"));
  EXPECT_FALSE(Bytes("\xC3") == String("Ã"));
  // The same name carried as UTF-16 with escapes.
  EXPECT_TRUE(a == String::FromUtf16(u"photo\xDCFF.jpg"));
  EXPECT_FALSE(b == String::FromUtf16(u"photo\xDCFF.jpg"));
}

TEST(StringEquality, CaseFoldedKeysAreSharedExactlyByEqualStrings) {
  // Every pair of a pool of names in several scripts and encodings: the
  // keys agree with equality both ways.
  std::vector<String> pool;
  for (const char* t : {"IMG_1.jpg", "img_1.JPG", "IMG_1.jpg ", "k.jpg", "\u212A.jpg", "s", "\u017F", "ss",
                        "\u00DF", "\u00C9t\u00E9", "\u00E9T\u00C9", "\u03A3\u0391\u03A3",
                        "\u03C3\u03B1\u03C2", "\u0416\u0443\u043A", "\u0436\u0423\u041A",
                        "\u5199\u771F", "\u5199\u771E", "\U0001D400", "\U0001D401", "\u0130", "i"}) {
    pool.push_back(String(t));
    pool.push_back(String::FromUtf16(String(t).Utf16()));
    pool.push_back(ConvertEncoding(String(t), Encodings::MacRoman));
  }
  for (const std::string& b : {std::string("x\xFF"), std::string("X\xFF"), std::string("x\xFE")}) {
    pool.push_back(Bytes(b));
    pool.push_back(Bytes(b, Encodings::Unknown));
  }
  pool.push_back(Bytes("caf\xE9", Encodings::WindowsANSI));
  pool.push_back(Bytes("CAF\x83", Encodings::MacRoman));
  pool.push_back(Bytes("abc", Encodings::ASCII));
  pool.push_back(String("ABC"));
  for (const String& a : pool) {
    for (const String& b : pool) {
      EXPECT_EQ(a == b, CaseFoldedKey(a) == CaseFoldedKey(b)) << a.Utf8() << " / " << b.Utf8();
    }
  }
  // Names beyond ASCII that differ get different keys.
  EXPECT_NE(CaseFoldedKey(String("\u5199\u771F")), CaseFoldedKey(String("\u5199\u771E")));
}

TEST(StringConcatenation, KeepsOrConvertsEncodings) {
  String mac = ConvertEncoding(String("é"), Encodings::MacRoman);
  String same = mac + mac;
  EXPECT_EQ(same.Encoding(), Encodings::MacRoman);
  EXPECT_EQ(same.Bytes(), "\x8E\x8E");

  String mixed = mac + String("€");
  EXPECT_EQ(mixed.Encoding(), Encodings::UTF8);
  EXPECT_EQ(mixed.Bytes(), "é€");

  String ascii = Bytes("ab", Encodings::ASCII) + String("ü");
  EXPECT_EQ(ascii.Encoding(), Encodings::UTF8);
  EXPECT_EQ(ascii.Bytes(), "abü");

  // A path joined to an invalid name carried as UTF-16 stays lossless.
  String path = String("/tmp/") + String::FromUtf16(u"n\xDCFFme");
  EXPECT_EQ(path.Bytes(), "/tmp/n\xFFme");

  String empty;
  empty += mac;
  EXPECT_EQ(empty.Encoding(), Encodings::MacRoman);

  String b = ChrB(0x41);
  b += ChrB(0xE9);
  EXPECT_EQ(b.Encoding(), Encodings::Unknown);
  EXPECT_EQ(b.Bytes(), "A\xE9");
}

TEST(StringCharacters, CountCharactersNotBytes) {
  String s("aé€😀b");
  EXPECT_EQ(Len(s), 5);
  EXPECT_EQ(LenB(s), 1 + 2 + 3 + 4 + 1);
  EXPECT_EQ(Left(s, 2).Bytes(), "aé");
  EXPECT_EQ(Right(s, 2).Bytes(), "😀b");
  EXPECT_EQ(Mid(s, 3, 2).Bytes(), "€😀");
  EXPECT_EQ(Mid(s, 3).Bytes(), "€😀b");
  EXPECT_EQ(Mid(s, 9).Bytes(), "");
  EXPECT_EQ(Left(s, 99).Bytes(), s.Bytes());
  EXPECT_EQ(Right(s, 0).Bytes(), "");

  String utf16 = String::FromUtf16(u"x😀y");
  EXPECT_EQ(Len(utf16), 3);
  EXPECT_EQ(Mid(utf16, 2, 1).Utf8(), "😀");
  EXPECT_EQ(Mid(utf16, 2, 1).Encoding(), Encodings::UTF16);

  // Every invalid byte is a character of its own; untagged text counts bytes.
  EXPECT_EQ(Len(Bytes("a\xFF\xC3z")), 4);
  EXPECT_EQ(Len(Bytes("é", Encodings::Unknown)), 2);
  EXPECT_EQ(Mid(Bytes("é!", Encodings::Unknown), 2, 1).Bytes(), "\xA9");
}

TEST(StringCharacters, MultiByteCodePage) {
  String sjis = ConvertEncoding(String("日本語a"), 0x420);
  ASSERT_EQ(sjis.Encoding(), 0x420u);
  EXPECT_EQ(LenB(sjis), 7);
  EXPECT_EQ(Len(sjis), 4);
  EXPECT_EQ(Mid(sjis, 2, 1).Utf8(), "本");
  EXPECT_EQ(Right(sjis, 1).Utf8(), "a");
  EXPECT_EQ(InStr(sjis, String("A")), 4);
  EXPECT_TRUE(sjis == String("日本語A"));
  // The trail byte 0x5C of "ソ" is no backslash.
  String so = ConvertEncoding(String("ソ"), 0x420);
  ASSERT_EQ(so.Bytes(), "\x83\x5C");
  EXPECT_EQ(InStr(so, String("\\")), 0);
  EXPECT_EQ(CountFields(so, String("\\")), 1);
}

TEST(StringSearch, InStrIgnoresCaseAndCountsCharacters) {
  EXPECT_EQ(InStr(String("éaBc"), String("bC")), 3);
  EXPECT_EQ(InStr(String("xÉyé"), String("é")), 2);
  EXPECT_EQ(InStr(3, String("xÉyé"), String("É")), 4);
  EXPECT_EQ(InStr(String("abc"), String("d")), 0);
  EXPECT_EQ(InStr(String(""), String("a")), 0);
  EXPECT_EQ(InStr(5, String("abcabc"), String("abc")), 0);
  EXPECT_EQ(InStr(2, String("abcabc"), String("ABC")), 4);
  EXPECT_EQ(InStr(String("ſ"), String("S")), 1);  // long s folds to s
  String mac = ConvertEncoding(String("Noël"), Encodings::MacRoman);
  EXPECT_EQ(InStr(mac, String("ËL")), 3);
  EXPECT_EQ(Replace(String("a-b-c"), String("-"), String("+")).Bytes(), "a+b-c");
  EXPECT_EQ(ReplaceAll(String("aXbxc"), String("x"), String("é")).Bytes(), "aébéc");
}

TEST(StringFields, ClassicEdgeCases) {
  EXPECT_EQ(CountFields(String(""), String(",")), 0);
  EXPECT_EQ(CountFields(String("a"), String(",")), 1);
  EXPECT_EQ(CountFields(String("a,,b"), String(",")), 3);
  EXPECT_EQ(CountFields(String("a,"), String(",")), 2);
  EXPECT_EQ(CountFields(String(","), String(",")), 2);
  EXPECT_EQ(CountFields(String("abc"), String("")), 1);

  String s("a,,b");
  EXPECT_EQ(NthField(s, String(","), 1).Bytes(), "a");
  EXPECT_EQ(NthField(s, String(","), 2).Bytes(), "");
  EXPECT_EQ(NthField(s, String(","), 3).Bytes(), "b");
  EXPECT_EQ(NthField(s, String(","), 4).Bytes(), "");
  EXPECT_EQ(NthField(s, String(","), 0).Bytes(), "");
  EXPECT_EQ(NthField(s, String(","), -1).Bytes(), "");

  // Longer and case-insensitive separators, non-ASCII text.
  EXPECT_EQ(CountFields(String("x::y::z"), String("::")), 3);
  EXPECT_EQ(NthField(String("x::y::z"), String("::"), 2).Bytes(), "y");
  EXPECT_EQ(CountFields(String("aXbxc"), String("x")), 3);
  EXPECT_EQ(NthField(String("éa→bé→c"), String("→"), 2).Bytes(), "bé");
  EXPECT_EQ(NthField(String("1ÉÉ2éé3"), String("éé"), 3).Bytes(), "3");
  EXPECT_EQ(NthField(String("a\tb"), String("\t"), 2).Bytes(), "b");
}

TEST(StringNumbers, StrFormatsLikeTheClassicFramework) {
  EXPECT_EQ(Str(3).Bytes(), "3");
  EXPECT_EQ(Str(-2).Bytes(), "-2");
  EXPECT_EQ(Str(0).Bytes(), "0");
  EXPECT_EQ(Str(-0.0).Bytes(), "0");
  EXPECT_EQ(Str(1.5).Bytes(), "1.5");
  EXPECT_EQ(Str(0.1).Bytes(), "0.1");
  EXPECT_EQ(Str(1234567).Bytes(), "1234567");
  EXPECT_EQ(Str(12345678).Bytes(), "1.234568e+7");
  EXPECT_EQ(Str(1e20).Bytes(), "1.000000e+20");
  EXPECT_EQ(Str(0.00001).Bytes(), "1.000000e-5");
  EXPECT_EQ(Str(2.0 / 3).Bytes(), "0.6666667");
}

TEST(StringNumbers, ValReadsTheLeadingNumber) {
  EXPECT_EQ(Val(String("12abc")), 12);
  EXPECT_EQ(Val(String("&h1F")), 31);
  EXPECT_EQ(Val(String("&HfF")), 255);
  EXPECT_EQ(Val(String("&b101")), 5);
  EXPECT_EQ(Val(String("  -3.5e2x")), -350);
  EXPECT_EQ(Val(String("+.5")), 0.5);
  EXPECT_EQ(Val(String("1e")), 1);
  EXPECT_EQ(Val(String("1.2.3")), 1.2);
  EXPECT_EQ(Val(String("abc")), 0);
  EXPECT_EQ(Val(String("")), 0);
  EXPECT_EQ(Val(String("-")), 0);
  EXPECT_EQ(Val(String("inf")), 0);
  EXPECT_EQ(Val(String("nan")), 0);
  EXPECT_EQ(Val(String::FromUtf16(u"42")), 42);
  EXPECT_EQ(Val(Str(12345678)), 12345680);
}

TEST(StringEncodings, ConvertToWindowsAnsi) {
  String ansi = ConvertEncoding(String("é€ł."), Encodings::WindowsANSI);
  EXPECT_EQ(ansi.Encoding(), Encodings::WindowsANSI);
  EXPECT_EQ(ansi.Bytes(), "\xE9\x80?.");
  EXPECT_EQ(ansi.Utf8(), "é€?.");
  EXPECT_EQ(ConvertEncoding(String("aé"), Encodings::ASCII).Bytes(), "a?");
  // An invalid byte is no character of the target either.
  EXPECT_EQ(ConvertEncoding(Bytes("a\xFF"), Encodings::WindowsANSI).Bytes(), "a?");
}

TEST(StringEncodings, MacRomanRoundTrip) {
  String text("Café € ™ ñ ß ∞ ©");
  String mac = ConvertEncoding(text, Encodings::MacRoman);
  EXPECT_EQ(mac.Bytes(), "Caf\x8E \xDB \xAA \x96 \xA7 \xB0 \xA9");
  String back = ConvertEncoding(mac, Encodings::UTF8);
  EXPECT_EQ(back.Bytes(), text.Bytes());
  EXPECT_EQ(mac.Utf8(), text.Bytes());
  EXPECT_EQ(mac.PathBytes(), text.Bytes());
  EXPECT_EQ(Len(mac), Len(text));
  EXPECT_EQ(Asc(Mid(mac, 6, 1)), 0x20AC);
}

TEST(StringEncodings, Utf16EscapesGiveBackTheBytes) {
  std::u16string units = u"a";
  units += char16_t(0xDCFF);
  units += char16_t(0xDC80);
  units += u"é";
  String s = String::FromUtf16(units);
  EXPECT_EQ(s.PathBytes(), "a\xFF\x80\xC3\xA9");
  EXPECT_EQ(s.Utf8(), "a\uFFFD\uFFFDé");
  EXPECT_EQ(ConvertEncoding(s, Encodings::UTF8).Bytes(), "a\xFF\x80\xC3\xA9");

  // Any bytes survive UTF-16 and back.
  std::string raw;
  for (int b = 1; b < 256; ++b) raw += static_cast<char>(b);
  raw += "\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE2\x82";
  String name = Bytes(raw);
  String viaUtf16 = String::FromUtf16(name.Utf16());
  EXPECT_EQ(viaUtf16.PathBytes(), raw);
  EXPECT_EQ(ConvertEncoding(name, Encodings::UTF16).PathBytes(), raw);
  EXPECT_TRUE(viaUtf16 == name);

  // A lone surrogate that is no escape has no byte form.
  EXPECT_EQ(String::FromUtf16(u"x\xD800").PathBytes(), "x\xEF\xBF\xBD");
}

TEST(StringEncodings, AgreesWithTheFileNameLayer) {
  // Names reach the program both through the platform layer and as strings.
  const std::string names[] = {"plain.txt", "caf\xC3\xA9", "a\xFF\xFE", "\xC0\xAF",
                               "\xED\xA0\x80x", "\xF0\x9F\x98\x80", "\xE2\x82"};
  for (const std::string& n : names) {
    EXPECT_EQ(Bytes(n).Utf16(), platform::NameBytesToUtf16(n)) << n;
    EXPECT_EQ(String::FromUtf16(platform::NameBytesToUtf16(n)).PathBytes(), n) << n;
  }
  for (int b = 0x80; b < 0x100; ++b) {
    std::string one(1, static_cast<char>(b));
    std::u16string units = Bytes(one, Encodings::MacRoman).Utf16();
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0], platform::MacRomanToUnicode(static_cast<uint8_t>(b))) << b;
    EXPECT_EQ(ConvertEncoding(String::FromUtf16(units), Encodings::MacRoman).Bytes(), one) << b;
  }
}

TEST(StringEncodings, DisplayFormReplacesInvalidSequences) {
  EXPECT_EQ(Bytes("a\xFF" "b").Utf8(), "a\uFFFDb");
  EXPECT_EQ(Bytes("\xC0\xAF").Utf8(), "\uFFFD\uFFFD");           // overlong
  EXPECT_EQ(Bytes("\xED\xA0\x80").Utf8(), "\uFFFD\uFFFD\uFFFD");  // surrogate
  EXPECT_EQ(Bytes("ok é").Utf8(), "ok é");
  EXPECT_EQ(Bytes("\xE9t\xE9", Encodings::WindowsANSI).Utf8(), "été");
}

TEST(StringCase, TrimUpperLower) {
  EXPECT_EQ(Trim(String(" \t a b \r\n")).Bytes(), "a b");
  EXPECT_EQ(Trim(String("\u00A0x\u3000")).Bytes(), "x");
  EXPECT_EQ(LTrim(String("  x ")).Bytes(), "x ");
  EXPECT_EQ(RTrim(String("  x ")).Bytes(), "  x");
  EXPECT_EQ(Trim(String("   ")).Bytes(), "");
  EXPECT_EQ(Uppercase(String("éa-ß")).Bytes(), "ÉA-ß");
  EXPECT_EQ(Lowercase(String("ÉA")).Bytes(), "éa");
  String mac = Uppercase(ConvertEncoding(String("noël"), Encodings::MacRoman));
  EXPECT_EQ(mac.Encoding(), Encodings::MacRoman);
  EXPECT_EQ(mac.Utf8(), "NOËL");
  EXPECT_EQ(Uppercase(Bytes("a\xFF")).Bytes(), "A\xFF");
}

TEST(StringBytes, ChrAscAndByteFunctions) {
  EXPECT_EQ(Chr(0x20AC).Bytes(), "€");
  EXPECT_EQ(Chr(65).Bytes(), "A");
  EXPECT_EQ(Chr(0xD800).Bytes(), "");
  EXPECT_EQ(Asc(String("€uro")), 0x20AC);
  EXPECT_EQ(Asc(String("")), 0);
  EXPECT_EQ(AscB(String("€")), 0xE2);
  EXPECT_EQ(ChrB(0xE9).Bytes(), "\xE9");
  EXPECT_EQ(ChrB(0xE9).Encoding(), Encodings::Unknown);
  EXPECT_EQ(Asc(ChrB(0xE9)), 0xE9);
  EXPECT_EQ(MidB(String("abcdef"), 2, 3).Bytes(), "bcd");
  EXPECT_EQ(MidB(String("abc"), 3, 9).Bytes(), "c");
  EXPECT_EQ(MidB(String("abc"), 9, 1).Bytes(), "");
  EXPECT_EQ(EndOfLine().Bytes(), "\n");
  EXPECT_EQ(EndOfLineWindows().Bytes(), "\r\n");
}

TEST(StringBoundary, RealStringRoundTrip) {
  REALstring r = Bytes("x\xFF", Encodings::Unknown).NewREAL();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(Object::FromREAL(r)->RefCount(), 1);
  String back = String::FromREAL(r);
  EXPECT_EQ(back.Bytes(), "x\xFF");
  EXPECT_EQ(back.Encoding(), Encodings::Unknown);
  Object::FromREAL(r)->Unlock();
  EXPECT_TRUE(String::FromREAL(nullptr).Empty());
}

TEST(TextEncodings, EncodingsAndConverters) {
  Ref<TextEncoding> ansi = GetTextEncoding(0x500);
  ASSERT_TRUE(ansi);
  EXPECT_EQ(ansi->Base(), 0x500u);
  EXPECT_FALSE(GetTextEncoding(0x7777));
  Ref<TextEncoding> utf8 = GetTextEncoding(0x100, 0, 2);
  ASSERT_TRUE(utf8);
  EXPECT_EQ(utf8->Code(), Encodings::UTF8);
  EXPECT_EQ(GetTextEncoding(Encodings::UTF8)->Code(), Encodings::UTF8);
  EXPECT_EQ(GetTextEncoding(0x100)->Code(), Encodings::UTF16);

  Ref<TextConverter> toUtf8 = GetTextConverter(ansi, utf8);
  ASSERT_TRUE(toUtf8);
  // The converter reads the bytes as its source, whatever their tag.
  String out = toUtf8->convert(Bytes("\xE9\x80", Encodings::Unknown));
  EXPECT_EQ(out.Encoding(), Encodings::UTF8);
  EXPECT_EQ(out.Bytes(), "é€");

  Ref<TextConverter> toMac = GetTextConverter(utf8, GetTextEncoding(Encodings::MacRoman));
  ASSERT_TRUE(toMac);
  EXPECT_EQ(toMac->convert(String("é")).Bytes(), "\x8E");
  EXPECT_FALSE(GetTextConverter(nullptr, utf8));
}

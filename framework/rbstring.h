// Framework strings: bytes tagged with a text encoding.
//
// A String is a value (bytes + encoding). Equality ignores case. Character
// functions count characters, not bytes, in multi-byte encodings; text with
// no known encoding (Encodings::Unknown) and ASCII count bytes.
//
// File names are bytes. As UTF-16, a byte that is not part of valid UTF-8
// travels as the lone surrogate U+DC00+byte (U+DC80..U+DCFF); PathBytes
// turns such text back into the very same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/object.h"
#include "framework/plugin_api.h"

namespace rb {

namespace Encodings {
constexpr uint32_t MacRoman = 0;
constexpr uint32_t UTF16 = 0x100;  // machine byte order
constexpr uint32_t ASCII = 0x600;
constexpr uint32_t UTF8 = 0x08000100;
constexpr uint32_t WindowsANSI = 0x500;  // code page 1252
constexpr uint32_t Unknown = 0xFFFF;

// The iconv name of an encoding value (UTF8 included); nullptr when the
// value has none.
const char* IconvName(uint32_t encoding);
}  // namespace Encodings

// The boundary form of a string (REALstring).
class StringObject : public Object {
 public:
  StringObject(std::string bytes, uint32_t encoding)
      : bytes(std::move(bytes)), encoding(encoding) {}
  std::string bytes;
  uint32_t encoding;
};

class String {
 public:
  String() = default;
  String(const char* utf8) : bytes_(utf8 ? utf8 : "") {}
  String(std::string utf8) : bytes_(std::move(utf8)) {}

  static String FromBytes(std::string bytes, uint32_t encoding);
  // Copies the string object; nil is the empty string.
  static String FromREAL(REALstring s);
  // UTF-16 units, tagged UTF16 (stored in machine order).
  static String FromUtf16(std::u16string_view units);

  // A new string object holding one reference, owned by the caller.
  REALstring NewREAL() const;

  const std::string& Bytes() const { return bytes_; }
  uint32_t Encoding() const { return encoding_; }
  bool Empty() const { return bytes_.empty(); }

  // Readable UTF-8: invalid sequences become U+FFFD.
  std::string Utf8() const;
  // Lossless bytes for a file name: UTF-8, ASCII and untagged bytes as they
  // are; UTF-16 with U+DC80..U+DCFF back to the bytes 0x80..0xFF; other
  // encodings converted to UTF-8.
  std::string PathBytes() const;
  // UTF-16 form, invalid bytes as U+DC80..U+DCFF.
  std::u16string Utf16() const;

  // Equality ignores case (Unicode simple case folding; plain ASCII takes a
  // fast path). Two different invalid names never compare equal.
  friend bool operator==(const String& a, const String& b);
  friend bool operator!=(const String& a, const String& b) { return !(a == b); }

  // Same encoding: bytes appended. Otherwise both as UTF-8 (ASCII counts as
  // UTF-8), converted losslessly as PathBytes does.
  String& operator+=(const String& other);
  friend String operator+(const String& a, const String& b) {
    String r = a;
    r += b;
    return r;
  }

 private:
  std::string bytes_;
  uint32_t encoding_ = Encodings::UTF8;
};

// A text that two strings share exactly when they are equal (==): their
// characters case-folded. For indexes of names.
std::string CaseFoldedKey(const String& s);

// Case-sensitive comparison of bytes and encoding.
inline bool Identical(const String& a, const String& b) {
  return a.Encoding() == b.Encoding() && a.Bytes() == b.Bytes();
}

// Character functions. Positions count from 1.
int Len(const String& s);
String Left(const String& s, int n);
String Right(const String& s, int n);
String Mid(const String& s, int start, int len = -1);
// Position of find in src (ignoring case), 0 when not found.
int InStr(const String& src, const String& find);
int InStr(int start, const String& src, const String& find);

// Fields split on sep (ignoring case), from 1. An empty text has no fields;
// an empty separator makes the whole text one field.
int CountFields(const String& s, const String& sep);
String NthField(const String& s, const String& sep, int n);

// Decimal text of a number, up to 7 significant digits: "3", "1.5",
// "1.234568e+7".
String Str(double value);
// The number a text starts with ("12abc" is 12, "&h1F" is 31); 0 when none.
double Val(const String& s);

String Trim(const String& s);
String LTrim(const String& s);
String RTrim(const String& s);
String Uppercase(const String& s);
String Lowercase(const String& s);

// Re-encodes the text; characters the target lacks become "?".
String ConvertEncoding(const String& s, uint32_t encoding);
// The same bytes with another encoding.
String DefineEncoding(const String& s, uint32_t encoding);

// One character (UTF-8); the empty string for a value that is no character.
String Chr(int codepoint);
// Code point of the first character; 0 for the empty string.
int Asc(const String& s);
// One byte, untagged.
String ChrB(int byte);
// First byte; 0 for the empty string.
int AscB(const String& s);
int LenB(const String& s);
String LeftB(const String& s, int n);
String RightB(const String& s, int n);
String MidB(const String& s, int start, int len = -1);

String EndOfLine();         // LF
String EndOfLineWindows();  // CR LF

// Replaces the first (every) occurrence of find, ignoring case.
String Replace(const String& s, const String& find, const String& with);
String ReplaceAll(const String& s, const String& find, const String& with);

}  // namespace rb

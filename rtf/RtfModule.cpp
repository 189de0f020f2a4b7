#include "rtf/RtfModule.h"

#include <cmath>
#include <cstring>
#include <string>

#include "framework/background_task.h"
#include "framework/text_encoding.h"

namespace RtfModule {
namespace {

// Next byte, or -1 at the end of the stream.
int ReadByte(rb::BinaryStream& s) { return s.ReadByte(); }

void StepBack(rb::BinaryStream& s) { s.SetPosition(s.Position() - 1); }

bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsNumberByte(int c) { return (c >= '0' && c <= '9') || c == '-'; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive search of needle in haystack (ASCII letters folded).
bool FoundIn(const std::string& needle, const char* haystack) {
  if (needle.empty()) return false;
  std::string n;
  n.reserve(needle.size());
  for (char c : needle) n += AsciiLower(c);
  return std::string(haystack).find(n) != std::string::npos;
}

}  // namespace

int32_t RtfToInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

rb::String RtfByteText(int byte) {
  return rb::String::FromBytes(std::string(1, static_cast<char>(byte & 0xFF)), rb::Encodings::MacRoman);
}

bool RtfWordIs(const rb::String& word, const char* literal) {
  const std::string& b = word.Bytes();
  const size_t n = std::strlen(literal);
  if (b.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (AsciiLower(b[i]) != AsciiLower(literal[i])) return false;
  return true;
}

void RtfParseCommand(const rb::Ref<rb::BinaryStream>& stream, rb::String& cmd, int32_t& param) {
  rb::BinaryStream& s = *stream;
  cmd = rb::String();
  if (s.EOF()) return;
  const int c = ReadByte(s);
  if (c < 0) return;

  if (c == '\'') {
    cmd = RtfByteText('\'');
    std::string digits = "&h";
    for (int i = 0; i < 2; ++i) {
      const int h = ReadByte(s);
      if (h < 0) break;
      digits += static_cast<char>(h);
    }
    param = RtfToInt32(rb::Val(rb::String::FromBytes(digits, rb::Encodings::MacRoman)));
    return;
  }

  if (!IsLetter(c)) {
    cmd = RtfByteText(c);
    return;
  }

  std::string word(1, static_cast<char>(c));
  rb::RuntimeBackgroundTask();
  int held = ReadByte(s);
  while (held >= 0 && IsLetter(held)) {
    word += static_cast<char>(held);
    rb::RuntimeBackgroundTask();
    held = ReadByte(s);
  }
  std::string number;
  while (held >= 0 && IsNumberByte(held)) {
    number += static_cast<char>(held);
    rb::RuntimeBackgroundTask();
    held = ReadByte(s);
  }
  cmd = rb::String::FromBytes(word, rb::Encodings::MacRoman);
  param = number.empty() ? 1 : RtfToInt32(rb::Val(rb::String::FromBytes(number, rb::Encodings::MacRoman)));
  // At the end of the stream there is no delimiter to give back.
  if (held >= 0 && held != ' ') StepBack(s);
}

bool RtfIsAlpha(const rb::String& s) {
  // The letters twice over, so that "Za" (found across "Z" and "a") matches.
  return FoundIn(s.Bytes(), "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz");
}

bool RtfIsNumeric(const rb::String& s) {
  const std::string& b = s.Bytes();
  if (!b.empty() && b[0] == '-') return true;
  return FoundIn(b, "0123456789");
}

rb::String RtfParseLabel(const rb::Ref<rb::BinaryStream>& stream) {
  rb::BinaryStream& s = *stream;
  std::string label;
  while (!s.EOF()) {
    const int c = ReadByte(s);
    if (c < 0) break;
    if (c == ';') break;
    if (c == '\\' || c == '{' || c == '}') {
      StepBack(s);
      break;
    }
    label += static_cast<char>(c);
    rb::RuntimeBackgroundTask();
  }
  return rb::String::FromBytes(label, rb::Encodings::MacRoman);
}

void RtfSkipBinary(rb::BinaryStream& stream, int32_t n) {
  if (n <= 0) return;
  int64_t to = stream.Position() + n;
  const int64_t length = stream.Length();
  if (to > length) to = length;
  stream.SetPosition(to);
}

void RtfSkipFallback(const rb::Ref<rb::BinaryStream>& stream, int32_t n) {
  rb::BinaryStream& s = *stream;
  while (n > 0 && !s.EOF()) {
    const int c = ReadByte(s);
    if (c < 0) break;
    if (c == '{' || c == '}') {
      StepBack(s);
      break;
    }
    if (c == '\\') {
      const int next = ReadByte(s);
      if (next == '\'') {
        // The two digits, as RtfParseCommand reads them.
        if (ReadByte(s) >= 0) ReadByte(s);
      } else if (next != '\\' && next != '{' && next != '}') {
        // A control word (or symbol) is never part of the fallback.
        if (next >= 0) StepBack(s);
        StepBack(s);
        break;
      }
    }
    if (c != '\r' && c != '\n') --n;
    rb::RuntimeBackgroundTask();
  }
}

void RtfIgnoreGroup(const rb::Ref<rb::BinaryStream>& stream) {
  rb::BinaryStream& s = *stream;
  int depth = 1;
  rb::String cmd;
  int32_t param = 0;
  while (!s.EOF()) {
    const int c = ReadByte(s);
    if (c < 0) break;
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      --depth;
    } else if (c == '\\') {
      RtfParseCommand(stream, cmd, param);
      if (RtfWordIs(cmd, "bin")) RtfSkipBinary(s, param);
    }
    if (depth == 0) break;
    rb::RuntimeBackgroundTask();
  }
}

rb::String Hex2(int32_t n) {
  static const char kDigits[] = "0123456789ABCDEF";
  uint32_t u = static_cast<uint32_t>(n);
  std::string hex;
  do {
    hex.insert(hex.begin(), kDigits[u & 15]);
    u >>= 4;
  } while (u != 0);
  if (n < 16) hex.insert(hex.begin(), '0');
  return rb::String::FromBytes(hex, rb::Encodings::MacRoman);
}

}  // namespace RtfModule

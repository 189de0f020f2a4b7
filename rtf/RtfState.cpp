#include "rtf/RtfState.h"

#include <string>
#include <unordered_map>

#include "framework/text_encoding.h"

namespace {

constexpr int32_t kUnicode = 0x100;

rb::String Nothing() { return rb::String::FromBytes(std::string(), rb::Encodings::MacRoman); }

int32_t CodePageEncoding(int32_t codePage, int32_t current) {
  switch (codePage) {
    case 860: return 0x415;
    case 862: return 0x417;
    case 863: return 0x418;
    case 864: return 0x419;
    case 865: return 0x41A;
    case 866: return 0x41B;
    case 874: return 0x41D;
    case 932: return 0x420;
    case 936: return 0x421;
    case 949: return 0x422;
    case 950: return 0x423;
    case 1250: return 0x501;
    case 1251: return 0x502;
    case 1252: return 0x500;
    case 1253: return 0x503;
    case 1254: return 0x504;
    case 1255: return 0x505;
    case 1256: return 0x506;
    case 1257: return 0x507;
    case 1258: return 0x508;
    case 1361: return 0x510;
    default: return current;
  }
}

int32_t CharsetEncoding(int32_t charset, int32_t current) {
  switch (charset) {
    case 0: return 0x500;
    case 77: return 0;
    case 136: return 0xA03;
    default: return current;
  }
}

rb::String ConvertOnce(const std::string& bytes, int32_t from, int32_t to);

// Converts bytes of one encoding into another; empty when no converter exists.
// Escapes repeat the same few characters, so each conversion is made once
// and remembered.
rb::String Convert(const std::string& bytes, int32_t from, int32_t to) {
  static std::unordered_map<std::string, rb::String> known;
  std::string key(reinterpret_cast<const char*>(&from), sizeof from);
  key.append(reinterpret_cast<const char*>(&to), sizeof to);
  key += bytes;
  auto it = known.find(key);
  if (it != known.end()) return it->second;
  rb::String result = ConvertOnce(bytes, from, to);
  known.emplace(std::move(key), result);
  return result;
}

rb::String ConvertOnce(const std::string& bytes, int32_t from, int32_t to) {
  rb::Ref<rb::TextEncoding> source = rb::GetTextEncoding(static_cast<uint32_t>(from), 0, 0);
  rb::Ref<rb::TextEncoding> target = rb::GetTextEncoding(static_cast<uint32_t>(to), 0, 0);
  if (!source || !target) return Nothing();
  rb::Ref<rb::TextConverter> converter = rb::GetTextConverter(source, target);
  if (!converter) return Nothing();
  return converter->convert(rb::String::FromBytes(bytes, static_cast<uint32_t>(from)));
}

}  // namespace

RtfState::RtfState() {
  font = "System";
  textsize = 12.0;
  SetPlain();
  foregroundcolor = rb::RGB(0, 0, 0);
  alignment = 1;
  nativeencoding = 0;
}

void RtfState::SetPlain() {
  bold = false;
  italic = false;
  underline = false;
  expanded = 0.0;
  outline = false;
  shadow = false;
  capitals = false;
  smallcapitals = false;
}

rb::Ref<RtfState> RtfState::Clone() const {
  rb::Ref<RtfState> copy = rb::Ref<RtfState>::New();
  RtfState& s = *copy;
  s.bold = bold;
  s.italic = italic;
  s.underline = underline;
  s.font = font;
  s.textsize = textsize;
  s.outline = outline;
  s.shadow = shadow;
  s.foregroundcolor = foregroundcolor;
  s.backgroundcolor = backgroundcolor;
  s.expanded = expanded;
  s.encoding = encoding;
  s.capitals = capitals;
  s.smallcapitals = smallcapitals;
  s.alignment = alignment;
  s.nativeencoding = nativeencoding;
  s.uc = uc;
  return copy;
}

void RtfState::SetEncoding(const rb::String& name, int32_t value) {
  if (name == rb::String("mac")) {
    encoding = 0;
  } else if (name == rb::String("ansi") || name == rb::String("pc") || name == rb::String("pca")) {
    encoding = 0x500;
  } else if (name == rb::String("ansicpg")) {
    encoding = CodePageEncoding(value, encoding);
  } else if (name == rb::String("deflang")) {
    // The language changes nothing here.
  } else if (name == rb::String("fcharset")) {
    encoding = CharsetEncoding(value, encoding);
  }
}

rb::String RtfState::Decode(int32_t code) const {
  const std::string byte(1, static_cast<char>(code & 0xFF));
  if (encoding > 0) return Convert(byte, encoding, nativeencoding);
  return rb::String::FromBytes(byte, rb::Encodings::MacRoman);
}

rb::String RtfState::DecodeUnicode(int32_t code) const {
  // Writers put code units above 32767 as negative numbers.
  if (code < 0) code += 65536;
  if (code < 0 || code > 0xFFFF) return Nothing();
  // A character beyond the first 65536 comes as two code units; the native
  // encoding has none of them, so the first unit stands for the whole
  // character and the second adds nothing.
  if (code >= 0xDC00 && code <= 0xDFFF) return Nothing();
  if (code >= 0xD800 && code <= 0xDBFF) code = 0xFFFD;
  // The code unit is a character whatever the document's 8-bit encoding is,
  // so it is always converted into the native encoding.
  const char16_t unit = static_cast<char16_t>(code);
  const std::string bytes(reinterpret_cast<const char*>(&unit), sizeof unit);
  return Convert(bytes, kUnicode, nativeencoding);
}

bool operator==(const RtfState& a, const RtfState& b) {
  return a.bold == b.bold && a.italic == b.italic && a.underline == b.underline && a.font == b.font &&
         a.textsize == b.textsize && a.outline == b.outline && a.shadow == b.shadow &&
         a.foregroundcolor == b.foregroundcolor && a.backgroundcolor == b.backgroundcolor &&
         a.expanded == b.expanded && a.encoding == b.encoding && a.capitals == b.capitals &&
         a.smallcapitals == b.smallcapitals && a.alignment == b.alignment &&
         a.nativeencoding == b.nativeencoding && a.uc == b.uc;
}

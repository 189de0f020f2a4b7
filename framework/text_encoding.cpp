#include "framework/text_encoding.h"

#include <iconv.h>

namespace rb {

TextEncoding::TextEncoding(uint32_t base, uint32_t variant, uint32_t format, uint32_t code,
                           std::string iconvName)
    : base_(base), variant_(variant), format_(format), code_(code),
      iconvName_(std::move(iconvName)) {}

Ref<TextEncoding> GetTextEncoding(uint32_t base, uint32_t variant, uint32_t format) {
  if (base > 0xFFFF) {  // a full value: format, variant and base in one
    format = base >> 26;
    variant = (base >> 16) & 0x3FF;
    base &= 0xFFFF;
  }
  uint32_t full = (format << 26) | ((variant & 0x3FF) << 16) | base;
  uint32_t code = full;
  const char* name = Encodings::IconvName(full);
  if (!name) {
    code = base;
    name = Encodings::IconvName(base);
  }
  if (!name) return nullptr;
  return Ref<TextEncoding>::New(base, variant, format, code, name);
}

Ref<TextEncoding> EncodingOf(const String& s) {
  if (s.Encoding() == Encodings::Unknown) return nullptr;
  return GetTextEncoding(s.Encoding());
}

String TextConverter::convert(const String& s) const {
  return ConvertEncoding(DefineEncoding(s, from_->Code()), to_->Code());
}

Ref<TextConverter> GetTextConverter(const Ref<TextEncoding>& from, const Ref<TextEncoding>& to) {
  if (!from || !to) return nullptr;
  iconv_t cd = iconv_open(to->IconvName().c_str(), from->IconvName().c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
  iconv_close(cd);
  return Ref<TextConverter>::New(from, to);
}

}  // namespace rb

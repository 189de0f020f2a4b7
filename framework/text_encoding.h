// Text encodings and converters (glibc iconv underneath).
#pragma once

#include <cstdint>
#include <string>

#include "framework/object.h"
#include "framework/rbstring.h"

namespace rb {

// An encoding by base, variant and format. Code() is the value strings are
// tagged with (Encodings::UTF8 for base 0x100 in format 2).
class TextEncoding : public Object {
 public:
  TextEncoding(uint32_t base, uint32_t variant, uint32_t format, uint32_t code,
               std::string iconvName);
  uint32_t Base() const { return base_; }
  uint32_t Variant() const { return variant_; }
  uint32_t Format() const { return format_; }
  uint32_t Code() const { return code_; }
  const std::string& IconvName() const { return iconvName_; }
  // Same bytes, tagged with this encoding.
  String Define(const String& s) const { return DefineEncoding(s, code_); }

 private:
  uint32_t base_;
  uint32_t variant_;
  uint32_t format_;
  uint32_t code_;
  std::string iconvName_;
};

// Nil for an encoding with no iconv name. A full encoding value (such as
// Encodings::UTF8) is accepted as the base.
Ref<TextEncoding> GetTextEncoding(uint32_t base, uint32_t variant = 0, uint32_t format = 0);
// The encoding a string is tagged with; nil when it has none.
Ref<TextEncoding> EncodingOf(const String& s);

// Reads text as bytes of one encoding and writes them in another;
// characters the target lacks become "?".
class TextConverter : public Object {
 public:
  TextConverter(Ref<TextEncoding> from, Ref<TextEncoding> to)
      : from_(std::move(from)), to_(std::move(to)) {}
  String convert(const String& s) const;
  const Ref<TextEncoding>& Source() const { return from_; }
  const Ref<TextEncoding>& Destination() const { return to_; }

 private:
  Ref<TextEncoding> from_;
  Ref<TextEncoding> to_;
};

// Nil when either is nil or iconv cannot convert between the two.
Ref<TextConverter> GetTextConverter(const Ref<TextEncoding>& from, const Ref<TextEncoding>& to);

}  // namespace rb

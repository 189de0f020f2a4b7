// Immutable reference-counted UTF-16 strings.
#include "platform/cf_string.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/name_codec.h"

struct __CFString {
  std::atomic<long> refs;
  uint32_t magic;
  CFIndex length;
  // followed by length UTF-16 units
};

namespace {

constexpr uint32_t kStringMagic = 0x43465354;

__CFString* Mutable(CFStringRef s) { return const_cast<__CFString*>(s); }

const UniChar* Units(CFStringRef s) {
  return reinterpret_cast<const UniChar*>(reinterpret_cast<const char*>(s) + sizeof(__CFString));
}

bool IsString(CFTypeRef cf) {
  return cf && static_cast<const __CFString*>(cf)->magic == kStringMagic;
}

bool Encode(std::u16string_view units, CFStringEncoding encoding, std::string* out) {
  switch (encoding) {
    case kCFStringEncodingASCII:
      for (char16_t u : units) {
        if (u > 0x7F) return false;
        out->push_back(static_cast<char>(u));
      }
      return true;
    case kCFStringEncodingUTF8: {
      for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
          ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
          return false;  // lone surrogate
        }
        platform::AppendUtf8(out, c);
      }
      return true;
    }
    case kCFStringEncodingMacRoman:
      return platform::Utf16ToMacRoman(units, out);
    default:
      return false;
  }
}

}  // namespace

extern "C" {

CFStringRef CFStringCreateWithCharacters(void* alloc, const UniChar* chars, CFIndex numChars) {
  if (numChars < 0 || (numChars > 0 && !chars)) return nullptr;
  size_t bytes = sizeof(__CFString) + static_cast<size_t>(numChars) * sizeof(UniChar);
  void* mem = std::malloc(bytes);
  if (!mem) return nullptr;
  auto* s = new (mem) __CFString;
  s->refs.store(1, std::memory_order_relaxed);
  s->magic = kStringMagic;
  s->length = numChars;
  if (numChars > 0)
    std::memcpy(reinterpret_cast<char*>(mem) + sizeof(__CFString), chars,
                static_cast<size_t>(numChars) * sizeof(UniChar));
  return s;
}

CFIndex CFStringGetLength(CFStringRef string) { return IsString(string) ? string->length : 0; }

Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding) {
  if (!buffer || bufferSize <= 0) return false;
  buffer[0] = '\0';
  if (!IsString(string)) return false;
  try {
    std::string out;
    out.reserve(static_cast<size_t>(string->length));
    if (!Encode(std::u16string_view(reinterpret_cast<const char16_t*>(Units(string)),
                                    static_cast<size_t>(string->length)),
                encoding, &out))
      return false;
    if (out.size() + 1 > static_cast<size_t>(bufferSize)) return false;
    std::memcpy(buffer, out.c_str(), out.size() + 1);
    return true;
  } catch (...) {
    buffer[0] = '\0';
    return false;
  }
}

void CFStringGetCharacters(CFStringRef string, CFRange range, UniChar* buffer) {
  if (!IsString(string) || !buffer || range.length <= 0) return;
  // Only the part of the range inside the string is copied.
  CFIndex start = range.location < 0 ? 0 : range.location;
  CFIndex end = range.location + range.length;
  if (end > string->length) end = string->length;
  if (start >= end) return;
  std::memcpy(buffer + (start - range.location), Units(string) + start,
              static_cast<size_t>(end - start) * sizeof(UniChar));
}

CFTypeRef CFRetain(CFTypeRef cf) {
  if (IsString(cf))
    Mutable(static_cast<CFStringRef>(cf))->refs.fetch_add(1, std::memory_order_relaxed);
  return cf;
}

void CFRelease(CFTypeRef cf) {
  if (!IsString(cf)) return;
  __CFString* s = Mutable(static_cast<CFStringRef>(cf));
  if (s->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    s->magic = 0;
    s->~__CFString();
    std::free(s);
  }
}

}  // extern "C"

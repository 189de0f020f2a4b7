// Immutable reference-counted UTF-16 strings.
#pragma once

#include "platform/types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef const struct __CFString* CFStringRef;
typedef const void* CFTypeRef;
typedef long CFIndex;
typedef struct CFRange {
  CFIndex location;
  CFIndex length;
} CFRange;

typedef uint32_t CFStringEncoding;
enum {
  kCFStringEncodingMacRoman = 0,
  kCFStringEncodingUnicode = 0x0100,
  kCFStringEncodingASCII = 0x0600,
  kCFStringEncodingUTF8 = 0x08000100
};

// New string of the given UTF-16 units; the caller releases it.
CFStringRef CFStringCreateWithCharacters(void* alloc, const UniChar* chars,
                                         CFIndex numChars);
CFIndex CFStringGetLength(CFStringRef string);
// Writes the string zero-terminated into buffer; false when it does not fit
// or a character has no form in the encoding.
Boolean CFStringGetCString(CFStringRef string, char* buffer,
                           CFIndex bufferSize, CFStringEncoding encoding);
void CFStringGetCharacters(CFStringRef string, CFRange range, UniChar* buffer);
CFTypeRef CFRetain(CFTypeRef cf);
void CFRelease(CFTypeRef cf);

#ifdef __cplusplus
}
#endif

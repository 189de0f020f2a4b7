// Conversions between file-name bytes, UTF-16 and Mac Roman.
//
// File names are bytes, usually UTF-8. As UTF-16, every byte that is not part
// of valid UTF-8 travels as the lone surrogate U+DC00+byte (U+DC80..U+DCFF),
// so that any name converts back to the very same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Name bytes as UTF-16; invalid bytes become U+DC80..U+DCFF.
std::u16string NameBytesToUtf16(std::string_view bytes);
// The inverse of NameBytesToUtf16. A lone surrogate outside U+DC80..U+DCFF
// has no byte form and is written as U+FFFD (EF BF BD).
std::string Utf16ToNameBytes(std::u16string_view units);
// Like Utf16ToNameBytes, but false for a lone surrogate outside
// U+DC80..U+DCFF (out is then unspecified).
bool Utf16ToNameBytesExact(std::u16string_view units, std::string* out);
// Name bytes as readable text: invalid bytes show as U+FFFD.
std::u16string NameBytesToDisplayUtf16(std::string_view bytes);
// True when the bytes are valid UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// Mac Roman byte of a code point, or -1 when it has none.
int UnicodeToMacRoman(char32_t c);
char32_t MacRomanToUnicode(uint8_t b);
// Mac Roman text to UTF-8 (always succeeds).
std::string MacRomanToUtf8(std::string_view macRoman);
// UTF-8 to Mac Roman; false when the text is not valid UTF-8 or a character
// has no Mac Roman form.
bool Utf8ToMacRoman(std::string_view utf8, std::string* out);
std::u16string MacRomanToUtf16(std::string_view macRoman);
// False for a character without a Mac Roman form (lone surrogates included).
bool Utf16ToMacRoman(std::u16string_view units, std::string* out);

// Decodes one UTF-8 sequence at s[i]; answers its length (0 when the byte
// at i does not start a valid sequence) and stores the code point.
size_t DecodeUtf8At(std::string_view s, size_t i, char32_t* cp);
void AppendUtf8(std::string* out, char32_t cp);

}  // namespace platform

// Lexical layer of the RTF reader: reads control words, labels and groups
// from a byte stream one byte at a time.
#pragma once

#include <cstdint>

#include "framework/object.h"
#include "framework/rbstring.h"
#include "framework/streams.h"

namespace RtfModule {

// Reads what follows a backslash: a control word with its parameter (1 when
// it has none), a control symbol (param untouched) or a hexadecimal escape
// (cmd "'", param the byte). A blank after a word is consumed; any other
// delimiter is left to be read next.
void RtfParseCommand(const rb::Ref<rb::BinaryStream>& stream, rb::String& cmd, int32_t& param);

// True when s is found in "A..Za..z".
bool RtfIsAlpha(const rb::String& s);
// True when s is found in "0123456789" or starts with "-".
bool RtfIsNumeric(const rb::String& s);

// Text up to ";" (consumed) or up to "\", "{" or "}" (left unread).
rb::String RtfParseLabel(const rb::Ref<rb::BinaryStream>& stream);

// Skips the rest of a group whose opening brace has been read, its closing
// brace included, and the data of any "bin" word inside it.
void RtfIgnoreGroup(const rb::Ref<rb::BinaryStream>& stream);

// Two hexadecimal digits for 0 to 255.
rb::String Hex2(int32_t n);

// Skips the fallback of a Unicode escape: up to n characters, where a
// hexadecimal escape, an escaped brace or backslash, or one literal byte
// counts as one; line breaks are not counted. Stops early, reading nothing
// more, before a brace or any other control word or symbol.
void RtfSkipFallback(const rb::Ref<rb::BinaryStream>& stream, int32_t n);

// Skips n bytes of binary data: nothing when n is not positive, and never
// beyond the end of the stream.
void RtfSkipBinary(rb::BinaryStream& stream, int32_t n);

// Number to 32-bit integer: truncates toward zero, saturates at the ends of
// the range, NaN gives 0.
int32_t RtfToInt32(double v);

// One byte of the native encoding (Mac Roman) as text.
rb::String RtfByteText(int byte);

// ASCII case-insensitive comparison of a word with a literal.
bool RtfWordIs(const rb::String& word, const char* literal);

}  // namespace RtfModule

// Character and paragraph format in force at one point of an RTF document,
// with the encoding its 8-bit escapes are read in.
#pragma once

#include <cstdint>

#include "framework/object.h"
#include "framework/rbstring.h"
#include "rtf/RtfColor.h"

class RtfState : public rb::Object {
 public:
  // Font "System", 12 points, plain, black, left-aligned, Mac Roman.
  RtfState();

  // Clears the seven style flags and the spacing; keeps font, size,
  // colours, alignment and encodings.
  void SetPlain();
  // An independent copy with all fields equal.
  rb::Ref<RtfState> Clone() const;
  // The byte `code` in `encoding`, as text in the native encoding; empty when
  // the two encodings cannot be converted.
  rb::String Decode(int32_t code) const;
  // Sets `encoding` from "mac", "ansi", "pc", "pca", "ansicpg" (a code page),
  // "deflang" (no change) or "fcharset" (a character-set number).
  void SetEncoding(const rb::String& name, int32_t value);
  // The UTF-16 code unit `code` as text in the native encoding. A negative
  // code is taken plus 65536; one outside 0 to 65535 gives the empty text.
  // Of a surrogate pair the first unit gives the character the native
  // encoding shows for a character it lacks, the second nothing.
  rb::String DecodeUnicode(int32_t code) const;
  void Version() {}

  bool bold = false;
  bool italic = false;
  bool underline = false;
  rb::String font;
  double textsize = 0.0;
  bool outline = false;
  bool shadow = false;
  rb::Color foregroundcolor = 0;
  rb::Color backgroundcolor = 0;
  double expanded = 0.0;
  // Text-encoding base value of the document's 8-bit text; 0 is Mac Roman.
  int32_t encoding = 0;
  bool capitals = false;
  bool smallcapitals = false;
  // 1 left, 2 centred, 3 right, 4 justified.
  int32_t alignment = 0;
  int32_t nativeencoding = 0;
  // Fallback characters that follow a Unicode escape (the uc word).
  int32_t uc = 1;
};

// All sixteen fields equal (the font name ignoring case).
bool operator==(const RtfState& a, const RtfState& b);

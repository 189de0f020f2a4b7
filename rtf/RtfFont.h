// The font table of an RTF document.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/object.h"
#include "framework/rbstring.h"
#include "framework/streams.h"

class RtfFont : public rb::Object {
 public:
  // Only the placeholder entry at index 0.
  RtfFont();

  // Reads the rest of a font-table group; true when its closing brace was
  // read, false when the input ended first.
  bool parse(const rb::Ref<rb::BinaryStream>& input);
  // Number of entries (the placeholder is not counted).
  int32_t count() const;
  // The installed font to use for font number n: the table's name when it
  // is installed, else the family's fallback when that is, else "System".
  rb::String getfont(int32_t n) const;
  // The declared character set of font number n (-1 when none); 0 when the
  // number is not in the table.
  int32_t getcharset(int32_t n) const;
  void Version() {}
  // Number of the first entry named s; 0 when none.
  int32_t getid(const rb::String& s) const;
  // Appends an entry numbered count() + 1.
  void addfont(const rb::String& s);
  // The table as font-table text.
  rb::String getstring() const;

  // Where the names of the installed fonts come from. By default the list is
  // empty, so every lookup answers "System".
  using InstalledFontsSource = std::function<std::vector<rb::String>()>;
  static void SetInstalledFontsSource(InstalledFontsSource source);
  static bool HasInstalledFontsSource();
  static bool IsInstalled(const rb::String& fontName);

  std::vector<rb::String> name;
  std::vector<int32_t> id;
  std::vector<rb::String> family;
  std::vector<int32_t> charset;

 private:
  int32_t IndexOf(int32_t n) const;
  void Append(int32_t fontId, int32_t fontCharset, const rb::String& fontFamily, const rb::String& fontName);
};

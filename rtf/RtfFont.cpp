#include "rtf/RtfFont.h"

#include <string>
#include <utility>

#include "framework/background_task.h"
#include "framework/text_encoding.h"
#include "rtf/RtfModule.h"

namespace {

RtfFont::InstalledFontsSource& FontsSource() {
  static RtfFont::InstalledFontsSource source;
  return source;
}

rb::String Native(const std::string& bytes) { return rb::String::FromBytes(bytes, rb::Encodings::MacRoman); }

}  // namespace

void RtfFont::SetInstalledFontsSource(InstalledFontsSource source) { FontsSource() = std::move(source); }

bool RtfFont::HasInstalledFontsSource() { return static_cast<bool>(FontsSource()); }

bool RtfFont::IsInstalled(const rb::String& fontName) {
  if (!FontsSource()) return false;
  for (const rb::String& installed : FontsSource()())
    if (installed == fontName) return true;
  return false;
}

RtfFont::RtfFont() { Append(0, 0, rb::String(), rb::String()); }

void RtfFont::Append(int32_t fontId, int32_t fontCharset, const rb::String& fontFamily, const rb::String& fontName) {
  name.push_back(fontName);
  id.push_back(fontId);
  family.push_back(fontFamily);
  charset.push_back(fontCharset);
}

bool RtfFont::parse(const rb::Ref<rb::BinaryStream>& input) {
  rb::BinaryStream& s = *input;
  int depth = 1;
  size_t current = 0;
  // True after a group inside an entry (an alternative name, a panose
  // number): the text that follows goes on with the name read before it.
  bool afterGroup = false;
  rb::String cmd;
  int32_t param = 0;
  while (true) {
    if (s.EOF()) return false;
    const std::string ch = s.Read(1).Bytes();
    if (ch.empty()) return false;
    const char c = ch[0];
    if (c == '{') {
      ++depth;
      if (depth > 2) {
        RtfModule::RtfIgnoreGroup(input);
        depth = 2;
        afterGroup = true;
      }
    } else if (c == '}') {
      --depth;
    } else if (c == '\\') {
      afterGroup = false;
      RtfModule::RtfParseCommand(input, cmd, param);
      if (RtfModule::RtfWordIs(cmd, "f")) {
        Append(param, -1, rb::String(), rb::String());
        current = id.size() - 1;
      } else if (RtfModule::RtfWordIs(cmd, "fcharset")) {
        charset[current] = param;
      } else if (RtfModule::RtfWordIs(cmd, "froman") || RtfModule::RtfWordIs(cmd, "fswiss") ||
                 RtfModule::RtfWordIs(cmd, "fmodern") || RtfModule::RtfWordIs(cmd, "fscript") ||
                 RtfModule::RtfWordIs(cmd, "fdecor") || RtfModule::RtfWordIs(cmd, "ftech") ||
                 RtfModule::RtfWordIs(cmd, "fnil")) {
        family[current] = cmd;
      }
    } else if (c == '\r' || c == '\n') {
      // Line breaks between entries mean nothing.
    } else {
      s.SetPosition(s.Position() - 1);
      const rb::String text = RtfModule::RtfParseLabel(input);
      name[current] = afterGroup ? name[current] + text : text;
      afterGroup = false;
    }
    if (depth == 0) return true;
    rb::RuntimeBackgroundTask();
  }
}

int32_t RtfFont::count() const { return static_cast<int32_t>(id.size()) - 1; }

int32_t RtfFont::IndexOf(int32_t n) const {
  for (int32_t i = 1; i <= count(); ++i)
    if (id[static_cast<size_t>(i)] == n) return i;
  return 0;
}

rb::String RtfFont::getfont(int32_t n) const {
  const int32_t i = IndexOf(n);
  if (i == 0) return Native("System");
  const rb::String& fontName = name[static_cast<size_t>(i)];
  if (IsInstalled(fontName)) return fontName;
  const rb::String& fam = family[static_cast<size_t>(i)];
  rb::String fallback;
  if (RtfModule::RtfWordIs(fam, "froman")) fallback = Native("Times");
  else if (RtfModule::RtfWordIs(fam, "fswiss")) fallback = Native("Helvetica");
  else if (RtfModule::RtfWordIs(fam, "fmodern")) fallback = Native("Courier");
  else if (RtfModule::RtfWordIs(fam, "fscript")) fallback = Native("Script");
  else if (RtfModule::RtfWordIs(fam, "fdecor")) fallback = Native("Zapf Chancery");
  else if (RtfModule::RtfWordIs(fam, "ftech")) fallback = Native("Symbol");
  else fallback = Native("Geneva");
  if (IsInstalled(fallback)) return fallback;
  return Native("System");
}

int32_t RtfFont::getcharset(int32_t n) const {
  const int32_t i = IndexOf(n);
  return i == 0 ? 0 : charset[static_cast<size_t>(i)];
}

int32_t RtfFont::getid(const rb::String& s) const {
  for (int32_t i = 1; i <= count(); ++i)
    if (name[static_cast<size_t>(i)] == s) return id[static_cast<size_t>(i)];
  return 0;
}

void RtfFont::addfont(const rb::String& s) {
  const char* fam = "fnil";
  if (s == rb::String("Times")) fam = "froman";
  else if (s == rb::String("Helvetica")) fam = "fswiss";
  else if (s == rb::String("Courier")) fam = "fmodern";
  Append(count() + 1, 0, Native(fam), s);
}

rb::String RtfFont::getstring() const {
  rb::String out = Native("{\\fonttbl");
  for (int32_t i = 1; i <= count(); ++i) {
    const size_t k = static_cast<size_t>(i);
    std::string head = "{\\f" + std::to_string(id[k]);
    if (charset[k] > 0) head += "\\fcharset" + std::to_string(charset[k]);
    if (!family[k].Bytes().empty()) head += "\\" + family[k].Bytes();
    head += " ";
    out = out + Native(head) + name[k] + Native(";}");
  }
  return out + Native("}");
}

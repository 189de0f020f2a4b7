#include "rtf/RtfColor.h"

#include <algorithm>
#include <string>

#include "framework/background_task.h"
#include "framework/text_encoding.h"
#include "rtf/RtfModule.h"

RtfColor::RtfColor() : c(1, rb::RGB(0, 0, 0)) {}

rb::Color RtfColor::getcolor(int32_t i) const {
  if (i > 0 && i <= count()) return c[static_cast<size_t>(i)];
  return rb::RGB(0, 0, 0);
}

bool RtfColor::parse(const rb::Ref<rb::BinaryStream>& input) {
  rb::BinaryStream& s = *input;
  c.clear();
  int32_t r = 0, g = 0, b = 0;
  rb::String cmd;
  int32_t param = 0;
  while (!s.EOF()) {
    const std::string ch = s.Read(1).Bytes();
    if (ch.empty()) break;
    switch (ch[0]) {
      case '{':
        RtfModule::RtfIgnoreGroup(input);
        break;
      case '}':
        c.push_back(rb::RGB(r, g, b));
        return true;
      case ';':
        c.push_back(rb::RGB(r, g, b));
        break;
      case '\\':
        RtfModule::RtfParseCommand(input, cmd, param);
        if (RtfModule::RtfWordIs(cmd, "red")) r = param;
        else if (RtfModule::RtfWordIs(cmd, "green")) g = param;
        else if (RtfModule::RtfWordIs(cmd, "blue")) b = param;
        break;
      default:
        break;
    }
    rb::RuntimeBackgroundTask();
  }
  return true;
}

int32_t RtfColor::count() const { return static_cast<int32_t>(c.size()) - 1; }

int32_t RtfColor::getid(rb::Color k) const {
  for (int32_t i = 1; i <= count(); ++i)
    if (c[static_cast<size_t>(i)] == k) return i;
  return 0;
}

void RtfColor::addcolor(rb::Color k) { c.push_back(k); }

rb::String RtfColor::getstring() const {
  std::string out = "{\\colortbl;";
  for (int32_t i = 1; i <= count(); ++i) {
    const rb::Color& k = c[static_cast<size_t>(i)];
    out += "\\red" + std::to_string(RtfRed(k)) + "\\green" + std::to_string(RtfGreen(k)) + "\\blue" +
           std::to_string(RtfBlue(k)) + ";";
  }
  out += "}";
  return rb::String::FromBytes(out, rb::Encodings::MacRoman);
}

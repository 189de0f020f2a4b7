#include "rtf/RtfStylesheet.h"

#include <string>

#include "framework/background_task.h"
#include "rtf/RtfModule.h"
#include "rtf/RtfParser.h"

RtfStylesheet::RtfStylesheet() : commands(1), parameters(1, 0) {}

void RtfStylesheet::RTFstylesheet() {
  id = kNone;
  sbasedon = kNone;
  snext = -1;
  commands.clear();
  parameters.clear();
}

void RtfStylesheet::Parse(const rb::Ref<rb::BinaryStream>& stream) {
  rb::BinaryStream& s = *stream;
  int depth = 1;
  rb::String cmd;
  int32_t param = 0;
  while (!s.EOF()) {
    const std::string ch = s.Read(1).Bytes();
    if (ch.empty()) break;
    const char c = ch[0];
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      --depth;
    } else if (c == '\\') {
      RtfModule::RtfParseCommand(stream, cmd, param);
      if (RtfModule::RtfWordIs(cmd, "s")) {
        id = param;
      } else if (RtfModule::RtfWordIs(cmd, "sbasedon")) {
        sbasedon = param;
      } else if (RtfModule::RtfWordIs(cmd, "snext")) {
        snext = param;
      } else if (RtfModule::RtfWordIs(cmd, "*")) {
        RtfModule::RtfIgnoreGroup(stream);
        --depth;
      } else {
        commands.push_back(cmd);
        parameters.push_back(param);
      }
    } else if (c == ' ' || c == '\r' || c == '\n') {
      // Blanks and line breaks between control words.
    } else {
      s.SetPosition(s.Position() - 1);
      label = RtfModule::RtfParseLabel(stream);
    }
    if (depth == 0) break;
    rb::RuntimeBackgroundTask();
  }
}

void RtfStylesheet::Apply(RtfParser& parser) {
  for (size_t i = 0; i < commands.size(); ++i) {
    parser.DoCommand(commands[i], parameters[i]);
    rb::RuntimeBackgroundTask();
  }
}

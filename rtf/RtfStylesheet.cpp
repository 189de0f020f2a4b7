#include "rtf/RtfStylesheet.h"

#include <string>

#include "framework/background_task.h"
#include "rtf/RtfModule.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfState.h"

RtfStylesheet::RtfStylesheet() : commands(1), parameters(1, 0) {}

void RtfStylesheet::RTFstylesheet() {
  id = kNone;
  sbasedon = kNone;
  snext = -1;
  commands.clear();
  parameters.clear();
}

void RtfStylesheet::Parse(const rb::Ref<rb::BinaryStream>& stream, const RtfState* text) {
  rb::BinaryStream& s = *stream;
  rb::Ref<RtfState> fallbackState;
  if (!text) {
    fallbackState = rb::Ref<RtfState>::New();
    text = fallbackState.get();
  }
  int depth = 1;
  rb::String cmd;
  int32_t param = 0;
  // True while the name goes on: after an escaped character, or after text
  // that stopped at a backslash. Any other control word starts it afresh.
  bool naming = false;
  auto name = [this, &naming](const rb::String& part) {
    label = naming ? label + part : part;
    naming = true;
  };
  while (!s.EOF()) {
    const std::string ch = s.Read(1).Bytes();
    if (ch.empty()) break;
    const char c = ch[0];
    if (c == '{') {
      ++depth;
      naming = false;
    } else if (c == '}') {
      --depth;
      naming = false;
    } else if (c == '\\') {
      RtfModule::RtfParseCommand(stream, cmd, param);
      if (RtfModule::RtfWordIs(cmd, "'")) {
        name(text->Decode(param));
      } else if (RtfModule::RtfWordIs(cmd, "u")) {
        name(text->DecodeUnicode(param));
        RtfModule::RtfSkipFallback(stream, text->uc);
      } else if (RtfModule::RtfWordIs(cmd, "\\") || RtfModule::RtfWordIs(cmd, "{") ||
                 RtfModule::RtfWordIs(cmd, "}")) {
        name(cmd);
      } else {
        naming = false;
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
      }
    } else if ((c == ' ' || c == '\r' || c == '\n') && !naming) {
      // Blanks and line breaks between control words.
    } else {
      s.SetPosition(s.Position() - 1);
      const int64_t from = s.Position();
      const rb::String part = RtfModule::RtfParseLabel(stream);
      name(part);
      // A semicolon ends the name; a backslash, brace or the end does not.
      const bool ended = s.Position() - from > static_cast<int64_t>(part.Bytes().size());
      if (ended) naming = false;
    }
    if (depth == 0) break;
    rb::RuntimeBackgroundTask();
  }
}

void RtfStylesheet::Apply(RtfParser& parser) {
  for (size_t i = 0; i < commands.size(); ++i) {
    if (!RtfParser::IsFormattingWord(commands[i])) continue;
    parser.DoCommand(commands[i], parameters[i]);
    rb::RuntimeBackgroundTask();
  }
}

// One named style of an RTF document's style sheet.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/object.h"
#include "framework/rbstring.h"
#include "framework/streams.h"

class RtfParser;
class RtfState;

class RtfStylesheet : public rb::Object {
 public:
  // No style number, meaning also "based on no style".
  static constexpr int32_t kNone = 222;

  // One placeholder element in each list until RTFstylesheet runs.
  RtfStylesheet();

  // Sets id and sbasedon to 222, snext to -1, and empties both lists.
  void RTFstylesheet();
  // Reads one entry whose opening brace has been read, its closing brace
  // included. Escaped characters belong to the name; `text` (the document's
  // state, or a default one when none is given) decodes them.
  void Parse(const rb::Ref<rb::BinaryStream>& stream, const RtfState* text = nullptr);
  // Replays the recorded formatting words through the parser, in order;
  // words that write text or read groups are not replayed.
  void Apply(RtfParser& parser);
  void Version() {}

  int32_t sbasedon = 0;
  int32_t snext = 0;
  std::vector<rb::String> commands;
  std::vector<int32_t> parameters;
  int32_t id = 0;
  rb::String label;
};

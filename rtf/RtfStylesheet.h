// One named style of an RTF document's style sheet.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/object.h"
#include "framework/rbstring.h"
#include "framework/streams.h"

class RtfParser;

class RtfStylesheet : public rb::Object {
 public:
  // No style number, meaning also "based on no style".
  static constexpr int32_t kNone = 222;

  // One placeholder element in each list until RTFstylesheet runs.
  RtfStylesheet();

  // Sets id and sbasedon to 222, snext to -1, and empties both lists.
  void RTFstylesheet();
  // Reads one entry whose opening brace has been read, its closing brace
  // included.
  void Parse(const rb::Ref<rb::BinaryStream>& stream);
  // Replays the recorded control words through the parser, in order.
  void Apply(RtfParser& parser);
  void Version() {}

  int32_t sbasedon = 0;
  int32_t snext = 0;
  std::vector<rb::String> commands;
  std::vector<int32_t> parameters;
  int32_t id = 0;
  rb::String label;
};

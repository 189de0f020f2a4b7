// Reads one RTF document from a byte stream and drives an RtfTarget with it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "framework/controls.h"
#include "framework/object.h"
#include "framework/rbstring.h"
#include "framework/streams.h"
#include "rtf/RtfColor.h"
#include "rtf/RtfFont.h"
#include "rtf/RtfState.h"
#include "rtf/RtfStylesheet.h"
#include "rtf/RtfTarget.h"

class RtfParser : public rb::Object {
 public:
  // One empty state entry and one empty style-sheet entry until RTFparser.
  RtfParser();

  // Reads the whole stream into the target: Preprocess, then text and
  // states, then Postprocess. Ends early, with Postprocess, at a closing
  // brace that closes no group or when the user cancels.
  void Parse(const rb::Ref<rb::BinaryStream>& stream, RtfTarget* target);
  // The constructor method: encoding "ansi", no style sheets, a new state.
  void RTFparser();
  // Reads the rest of the style-sheet group into `stylesheets`.
  void ParseStylesheet();
  // Skips the rest of the info group.
  void ParseInfo();
  // Acts on one control word or symbol, then sends a copy of the top state
  // to the target.
  void DoCommand(const rb::String& cmd, int32_t param);
  // Applies style sid after its chain of base styles; a chain that comes
  // back to a style already in it stops there.
  void ApplyStyle(int32_t sid);
  // Text to the target, if there is one.
  void Write(const rb::String& s);
  // Diagnostic dump of the tables into the target.
  void Test();
  void Version() {}
  void SetProgressBar(const rb::Ref<rb::ProgressBar>& p);

  // True for the words that only change the current state (character and
  // paragraph format, font, colours, encoding): the words a style replays.
  static bool IsFormattingWord(const rb::String& cmd);

  // The user's cancel request, polled once per byte read by Parse: the
  // framework's UserCancelled unless another source is set (nullptr: nobody
  // cancels).
  using CancelSource = std::function<bool()>;
  static void SetUserCancelledSource(CancelSource source);
  static bool UserCancelled();

  // The current state (entry 0 of `state`); nil-object exception when none.
  RtfState& Top() const;

  rb::String encoding;
  // The state stack; entry 0 is the current state.
  std::deque<rb::Ref<RtfState>> state;
  int32_t rtfversion = 0;
  rb::String currentgroup;
  rb::String carstring;
  rb::String numstring;
  rb::Ref<rb::BinaryStream> input;
  rb::Ref<rb::Object> output;
  std::vector<rb::Ref<RtfStylesheet>> stylesheets;
  rb::Ref<RtfColor> colortable;
  rb::Ref<RtfFont> fonttable;
  int32_t defaultfontid = 0;
  RtfTarget* currenttarget = nullptr;
  rb::Ref<rb::ProgressBar> progress;

 private:
  RtfTarget& Target() const;
  void SendState();
  void UnicodeCharacter(int32_t code);
  // A reader consumed the closing brace of the current group: its state
  // goes as at any closing brace; with no group open, reading ends.
  void CloseConsumedGroup();

  // Reference held on the target when it is a framework object.
  rb::Ref<rb::Object> targetRef_;
  // Set when a consumed closing brace closed no group.
  bool ended_ = false;
};

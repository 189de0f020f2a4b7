// Shared helpers of the RTF reader tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>

#include <stdexcept>

#include <gtest/gtest.h>

#include "framework/editfield.h"
#include "framework/object.h"
#include "framework/rbstring.h"
#include "framework/streams.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfState.h"
#include "rtf/RtfTarget.h"
#include "support/test_support.h"

namespace rtftest {

// A byte stream over the given bytes (a file in a folder that lives as long
// as the test program).
inline rb::Ref<rb::BinaryStream> StreamOf(const std::string& bytes) {
  static testsupport::TempDir dir;
  static int serial = 0;
  const std::string path = dir / ("doc" + std::to_string(++serial) + ".rtf");
  testsupport::WriteFile(path, bytes);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  return rb::Ref<rb::BinaryStream>::New(fd, false);
}

// Puts the field's insertion point just after the first occurrence of text
// (UTF-8), so that its selection styles describe the text's last character.
inline ::testing::AssertionResult CaretAfter(rb::EditField& field, const std::string& text) {
  const std::u16string all = field.Text().Utf16();
  const std::u16string want = rb::String(text).Utf16();
  const size_t at = all.find(want);
  if (at == std::u16string::npos)
    return ::testing::AssertionFailure() << text << " not in " << field.Text().Utf8();
  field.SetSelStart(static_cast<int>(at + want.size()));
  return ::testing::AssertionSuccess();
}

// What is left in the stream.
inline std::string Rest(const rb::Ref<rb::BinaryStream>& s) {
  std::string out;
  while (!s->EOF()) out += s->Read(1).Bytes();
  return out;
}

// Bytes of a text in Mac Roman.
inline std::string MacRoman(const rb::String& s) {
  if (s.Encoding() == rb::Encodings::MacRoman) return s.Bytes();
  return rb::ConvertEncoding(s, rb::Encodings::MacRoman).Bytes();
}

// Records every call it receives.
class RecordingTarget : public rb::Object, public RtfTarget {
 public:
  struct Event {
    enum Kind { kSetState, kWrite, kPreprocess, kPostprocess } kind;
    std::string text;          // Write: the bytes in Mac Roman
    rb::Ref<RtfState> state;   // SetState: the copy received
    uint32_t encoding = 0;     // Write: the encoding the text was tagged with
  };

  void SetState(const rb::Ref<RtfState>& st) override { events.push_back({Event::kSetState, "", st}); }
  void Write(const rb::String& s) override { events.push_back({Event::kWrite, MacRoman(s), nullptr, s.Encoding()}); }
  bool Preprocess() override {
    events.push_back({Event::kPreprocess, "", nullptr});
    return accept;
  }
  bool Postprocess() override {
    events.push_back({Event::kPostprocess, "", nullptr});
    return true;
  }
  void Export(RtfTarget* t) override {}

  // All text written, in order.
  std::string Text() const {
    std::string out;
    for (const Event& e : events)
      if (e.kind == Event::kWrite) out += e.text;
    return out;
  }
  int Count(Event::Kind kind) const {
    int n = 0;
    for (const Event& e : events) n += e.kind == kind;
    return n;
  }
  // The state received last.
  rb::Ref<RtfState> LastState() const {
    for (auto it = events.rbegin(); it != events.rend(); ++it)
      if (it->kind == Event::kSetState) return it->state;
    return nullptr;
  }
  // The state in force when the given text was written.
  rb::Ref<RtfState> StateOf(const std::string& text) const {
    rb::Ref<RtfState> current;
    std::string written;
    for (const Event& e : events) {
      if (e.kind == Event::kSetState) current = e.state;
      if (e.kind == Event::kWrite) {
        written += e.text;
        if (written.size() >= text.size() && written.compare(written.size() - text.size(), text.size(), text) == 0)
          return current;
      }
    }
    return nullptr;
  }

  bool accept = true;
  std::vector<Event> events;
};

// A parser constructed and run over the bytes, with its target.
struct Run {
  rb::Ref<RtfParser> parser;
  rb::Ref<RecordingTarget> target;
};

inline Run Parse(const std::string& rtf) {
  Run run{rb::Ref<RtfParser>::New(), rb::Ref<RecordingTarget>::New()};
  run.parser->RTFparser();
  run.parser->Parse(StreamOf(rtf), run.target.get());
  return run;
}

// A constructed parser reading from the bytes, with a target, for calling
// DoCommand and the table readers directly.
inline Run Ready(const std::string& rest = "") {
  Run run{rb::Ref<RtfParser>::New(), rb::Ref<RecordingTarget>::New()};
  run.parser->RTFparser();
  run.parser->input = StreamOf(rest);
  run.parser->currenttarget = run.target.get();
  return run;
}

}  // namespace rtftest

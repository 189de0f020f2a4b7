// Fuzz target: the whole RTF reader (tokenizer, parser driver, control
// words, style sheets, font and colour tables) over one document, into a
// recording target that checks the calling contract.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "framework/object.h"
#include "framework/rbstring.h"
#include "framework/streams.h"
#include "rtf/RtfFont.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfState.h"
#include "rtf/RtfTarget.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

class CheckingTarget : public rb::Object, public RtfTarget {
 public:
  void SetState(const rb::Ref<RtfState>& st) override {
    Check(preprocessed && !postprocessed);
    Check(st.get() != nullptr && st.get() != last.get());
    last = st;
    ++states;
  }
  void Write(const rb::String& s) override {
    Check(preprocessed && !postprocessed);
    written += s.Bytes().size();
  }
  bool Preprocess() override {
    Check(!preprocessed);
    preprocessed = true;
    return true;
  }
  bool Postprocess() override {
    Check(preprocessed && !postprocessed);
    postprocessed = true;
    return true;
  }
  void Export(RtfTarget*) override {}

  bool preprocessed = false;
  bool postprocessed = false;
  rb::Ref<RtfState> last;
  size_t states = 0;
  size_t written = 0;
};

rb::Ref<rb::BinaryStream> StreamOver(const uint8_t* data, size_t size) {
  const int fd = memfd_create("rtf", MFD_CLOEXEC);
  Check(fd >= 0);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    Check(n > 0);
    done += static_cast<size_t>(n);
  }
  return rb::Ref<rb::BinaryStream>::New(fd, false);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A few installed fonts, so that table names and family fallbacks are both
  // taken.
  RtfFont::SetInstalledFontsSource([] { return std::vector<rb::String>{"Times", "Helvetica", "Courier"}; });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rb::Ref<CheckingTarget> target = rb::Ref<CheckingTarget>::New();
  {
    rb::Ref<RtfParser> parser = rb::Ref<RtfParser>::New();
    parser->RTFparser();
    parser->Parse(StreamOver(data, size), target.get());
    Check(target->preprocessed && target->postprocessed);
    Check(!parser->state.empty());
    // The diagnostic dump walks every table the document defined.
    target->postprocessed = false;
    parser->Test();
  }
  return 0;
}

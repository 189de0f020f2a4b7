// The RTF reader rendering a generated 1 MB document into the help window's
// field (offscreen), timed against "unrtf --text" on the same file.
//   rtf_bench [size-in-bytes]
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "framework/application.h"
#include "framework/streams.h"
#include "rtf/RtfEditField.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfTarget.h"
#include "ui/HelpWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

// Takes the document and drops it: the reader's own share of the time.
class NullTarget : public rb::Object, public RtfTarget {
 public:
  void SetState(const rb::Ref<RtfState>&) override { ++states; }
  void Write(const rb::String& s) override { bytes += s.Bytes().size(); }
  bool Preprocess() override { return true; }
  bool Postprocess() override { return true; }
  void Export(RtfTarget*) override {}
  size_t states = 0;
  size_t bytes = 0;
};

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// A document of about `size` bytes: tables, style sheet, styled runs,
// escapes and a table grid in every tenth paragraph.
std::string Document(size_t size) {
  std::string d =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
      "{\\fonttbl{\\f0\\fswiss\\fcharset0 Helvetica;}{\\f1\\froman\\fcharset0 Times;}"
      "{\\f2\\fmodern\\fcharset0 Courier;}{\\f3\\fnil\\fcharset77 Geneva;}}"
      "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green51\\blue102;\\red153\\green0\\blue0;}"
      "{\\stylesheet{\\s0\\f0\\fs22 Normal;}{\\s1\\sbasedon0\\snext0\\fs32\\b\\cf2 Heading 1;}"
      "{\\s2\\sbasedon1\\snext0\\fs26\\i Heading 2;}}"
      "{\\info{\\title Generated}{\\author bench}}\n";
  for (int n = 0; d.size() < size; ++n) {
    const std::string num = std::to_string(n);
    if (n % 10 == 0) {
      d += "{\\pard\\s1 Section " + num + "\\par}\n";
      d += "\\trowd\\trgaph108\\cellx3000\\cellx6000\\cellx9000\n";
      for (int r = 0; r < 3; ++r) {
        d += "\\pard\\intbl Name " + num + "\\cell {\\b Size} " + std::to_string(r * 1024) +
             "\\cell {\\i caf\\'e9}\\cell\\row\n";
      }
    }
    d += "{\\pard\\s0\\qj Paragraph " + num +
         " of plain text that runs on for a while, with {\\b bold words}, {\\i italic ones}, "
         "{\\ul underlined}, {\\cf3 coloured} and {\\f2\\fs20 monospaced IMG_" + num +
         ".jpg} runs. Escapes: r\\'e9sum\\'e9, M\\'fcller, \\u8212\\'97 dash, \\emdash, "
         "\\lquote quoted\\rquote, \\{braces\\}, \\bullet  and a tab\\tab here. "
         "{\\smcaps Small Caps} and {\\caps capitals} close it.\\par}\n";
  }
  d += "}\n";
  return d;
}

// Wall time of one "unrtf --text" run over the file, output discarded;
// negative when it cannot be run.
double TimeUnrtf(const std::string& path) {
  const Clock::time_point start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execlp("unrtf", "unrtf", "--text", path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const Clock::time_point end = Clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return Seconds(start, end);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const size_t size = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1024 * 1024;
  // "reader" as the second argument times the reader alone (for profiling).
  const bool readerOnly = argc > 2 && std::string(argv[2]) == "reader";
  const std::string doc = Document(size);
  char path[] = "/tmp/rtf_bench_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return 1;
  if (write(fd, doc.data(), doc.size()) != static_cast<ssize_t>(doc.size())) return 1;
  close(fd);

  rb::EnsureApplicationForTesting();
  rb::Ref<RtfEditField> field = HelpWindow()->Control<RtfEditField>("EditField1");

  const int rounds = 3;
  double ours = 1e9, theirs = 1e9, reader = 1e9;
  size_t states = 0;
  size_t chars = 0;
  for (int r = 0; r < rounds; ++r) {
    // The reader alone, into a target that drops everything.
    rb::Ref<NullTarget> null = rb::Ref<NullTarget>::New();
    rb::Ref<RtfParser> alone = rb::Ref<RtfParser>::New();
    alone->RTFparser();
    const int in0 = ::open(path, O_RDONLY | O_CLOEXEC);
    const Clock::time_point start0 = Clock::now();
    alone->Parse(rb::Ref<rb::BinaryStream>::New(in0, false), null.get());
    reader = std::min(reader, Seconds(start0, Clock::now()));
    states = null->states;

    // Into the help field: until the document is complete and the field is
    // back in view (the toolkit lays out what lies below the visible part
    // later, while idle).
    if (!readerOnly) {
      const int in = ::open(path, O_RDONLY | O_CLOEXEC);
      rb::Ref<RtfParser> parser = rb::Ref<RtfParser>::New();
      parser->RTFparser();
      const Clock::time_point start = Clock::now();
      parser->Parse(rb::Ref<rb::BinaryStream>::New(in, false), field.get());
      ours = std::min(ours, Seconds(start, Clock::now()));
      chars = field->Text().Bytes().size();
      // Let the idle layout finish before anything else is timed.
      rb::RunEventLoopFor(300);
    }

    const double u = TimeUnrtf(path);
    if (u < 0) {
      std::fprintf(stderr, "unrtf --text could not be run (apt-get install -y unrtf)\n");
      unlink(path);
      return 2;
    }
    theirs = std::min(theirs, u);
  }
  unlink(path);
  std::printf("document: %zu bytes, %zu bytes of text in the field\n", doc.size(), chars);
  std::printf("reader alone (discarding target): %.3f s, %zu states sent\n", reader, states);
  std::printf("help field: %.3f s   unrtf --text: %.3f s   (best of %d)\n", ours, theirs, rounds);
  if (!readerOnly) std::printf("ratio: %.2f (target at most 2)\n", ours / theirs);
  std::printf("reader alone vs unrtf: %.2f\n", reader / theirs);
  return 0;
}

// The RTF reader rendering generated documents into the help window's field
// (offscreen), timed against "unrtf --text" on the same files:
//   mixed      about 1 MB of styled paragraphs, escapes, tables and styles
//   table      a 3 MB table of 30,000 formatted rows
//   paragraph  40,000 repeats of {\b a}{\i b}c without a paragraph mark
//   centred    the same paragraph after \qc, and the document's closing
//              brace, which brings back the left alignment: the paragraph is
//              aligned once as it arrives and once more, whole, at its end
//   right      the same after \qr
// For each it prints the time until the document is in the field and laid
// out (best of the rounds), the longest time the event loop went without
// running meanwhile (the largest over the rounds), and the ratio of the
// time against unrtf.
//   rtf_bench [mixed-size-in-bytes] [reader] [once] [mixed|table|paragraph|centred|right]...
// "reader" times the reader alone into a target that drops everything,
// "once" runs one round instead of the best of three (for profiling).
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/streams.h"
#include "framework/timer.h"
#include "rtf/RtfEditField.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfTarget.h"
#include "ui/HelpWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// Takes the document and drops it: the reader's own share of the time.
class NullTarget : public rb::Object, public RtfTarget {
 public:
  void SetState(const rb::Ref<RtfState>&) override {}
  void Write(const rb::String&) override {}
  bool Preprocess() override { return true; }
  bool Postprocess() override { return true; }
  void Export(RtfTarget*) override {}
};

// A timer that fires as often as the event loop lets it and keeps the
// longest interval between two firings: how long the window could not
// repaint.
class GapMeter : public rb::Timer {
 public:
  GapMeter() {
    SetMode(ModeMultiple);
    SetPeriod(2);
  }
  void Start() {
    running_ = true;
    last_ = Clock::now();
    longest = 0;
  }
  void Stop() {
    Note();
    running_ = false;
  }
  void Action() override {
    if (running_) Note();
  }
  double longest = 0;

 private:
  void Note() {
    const Clock::time_point now = Clock::now();
    longest = std::max(longest, Seconds(last_, now));
    last_ = now;
  }
  Clock::time_point last_;
  bool running_ = false;
};

const char kHead[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Helvetica;}{\\f1\\froman\\fcharset0 Times;}"
    "{\\f2\\fmodern\\fcharset0 Courier;}{\\f3\\fnil\\fcharset77 Geneva;}}"
    "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green51\\blue102;\\red153\\green0\\blue0;}";

// About `size` bytes: tables, style sheet, styled runs, escapes and a table
// grid in every tenth paragraph.
std::string Mixed(size_t size) {
  std::string d = std::string(kHead) +
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
  return d + "}\n";
}

// 30,000 rows of a three-column table, each cell formatted: about 3 MB.
std::string Table() {
  std::string d = std::string(kHead) + "\\f0\\fs22\n";
  for (int n = 0; n < 30000; ++n) {
    const std::string num = std::to_string(n);
    d += "\\trowd\\cellx3000\\cellx6000\\cellx9000\\intbl{\\b IMG_" + num + ".jpg}\\cell{\\i caf\\'e9 " + num +
         "}\\cell{\\f2 " + std::to_string(n * 4096) + "}\\cell\\row\n";
  }
  return d + "}\n";
}

// One paragraph of 120,000 style runs, aligned by the given word ("" for
// left).
std::string Paragraph(const std::string& alignment = "") {
  std::string d = std::string(kHead) + "\\f0\\fs24" + alignment + " ";
  for (int n = 0; n < 40000; ++n) d += "{\\b a}{\\i b}c";
  return d + "}\n";
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

rb::Ref<rb::BinaryStream> Open(const std::string& path) {
  return rb::Ref<rb::BinaryStream>::New(::open(path.c_str(), O_RDONLY | O_CLOEXEC), false);
}

struct Figures {
  double field = 1e9, loaded = 1e9, gap = 0, reader = 1e9, unrtf = 1e9;
  size_t chars = 0;
};

// Best of `rounds` for the times, the worst for the gap.
bool Measure(const std::string& path, int rounds, bool readerOnly, Figures& f) {
  rb::Ref<RtfEditField> field = HelpWindow()->Control<RtfEditField>("EditField1");
  rb::Ref<GapMeter> meter = rb::Ref<GapMeter>::New();
  for (int r = 0; r < rounds; ++r) {
    rb::Ref<NullTarget> null = rb::Ref<NullTarget>::New();
    rb::Ref<RtfParser> alone = rb::Ref<RtfParser>::New();
    alone->RTFparser();
    const Clock::time_point start0 = Clock::now();
    alone->Parse(Open(path), null.get());
    f.reader = std::min(f.reader, Seconds(start0, Clock::now()));

    if (!readerOnly) {
      rb::Ref<RtfParser> parser = rb::Ref<RtfParser>::New();
      parser->RTFparser();
      rb::RunEventLoopFor(50);
      meter->Start();
      const Clock::time_point start = Clock::now();
      parser->Parse(Open(path), field.get());
      f.loaded = std::min(f.loaded, Seconds(start, Clock::now()));
      // Until the toolkit has laid out the whole text, which it finishes in
      // steps while idle.
      while (!field->LayoutComplete()) rb::RunEventLoopFor(1);
      const Clock::time_point end = Clock::now();
      meter->Stop();
      f.field = std::min(f.field, Seconds(start, end));
      f.gap = std::max(f.gap, meter->longest);
      f.chars = field->Text().Bytes().size();
    }

    const double u = TimeUnrtf(path);
    if (u < 0) return false;
    f.unrtf = std::min(f.unrtf, u);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  size_t size = 1024 * 1024;
  bool readerOnly = false;
  int rounds = 3;
  std::vector<std::string> only;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "reader") readerOnly = true;
    else if (a == "once") rounds = 1;
    else if (a == "mixed" || a == "table" || a == "paragraph" || a == "centred" || a == "right") only.push_back(a);
    else size = std::strtoul(a.c_str(), nullptr, 10);
  }
  if (only.empty()) only = {"mixed", "table", "paragraph", "centred", "right"};

  rb::EnsureApplicationForTesting();
  std::printf("%-10s %9s %8s %9s %9s %9s %9s %8s %7s\n", "input", "bytes", "text", "reader", "loaded", "field", "unrtf",
              "ratio", "gap ms");
  for (const std::string& name : only) {
    const std::string doc = name == "mixed"     ? Mixed(size)
                            : name == "table"   ? Table()
                            : name == "centred" ? Paragraph("\\qc")
                            : name == "right"   ? Paragraph("\\qr")
                                                : Paragraph();
    char path[] = "/tmp/rtf_bench_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return 1;
    const bool written = write(fd, doc.data(), doc.size()) == static_cast<ssize_t>(doc.size());
    close(fd);
    Figures f;
    const bool ok = written && Measure(path, rounds, readerOnly, f);
    unlink(path);
    if (!ok) {
      std::fprintf(stderr, "unrtf --text could not be run (apt-get install -y unrtf)\n");
      return 2;
    }
    if (readerOnly)
      std::printf("%-10s %9zu %8s %8.3fs %9s %9s %8.3fs %8.2f %7s\n", name.c_str(), doc.size(), "-", f.reader, "-", "-",
                  f.unrtf, f.reader / f.unrtf, "-");
    else
      std::printf("%-10s %9zu %8zu %8.3fs %8.3fs %8.3fs %8.3fs %8.2f %7.0f\n", name.c_str(), doc.size(), f.chars, f.reader, f.loaded,
                  f.field, f.unrtf, f.field / f.unrtf, f.gap * 1000);
    std::fflush(stdout);
  }
  std::printf("loaded: until the reader returns; field: until the toolkit has also laid out the whole text.\n"
              "ratio: help field against unrtf --text; targets: mixed and table at most 2, paragraph a few\n"
              "seconds in the field; gap: longest time the event loop did not run while a document loaded,\n"
              "at most 100 ms. Times best of %d, gaps the largest of %d.\n",
              rounds, rounds);
  return 0;
}

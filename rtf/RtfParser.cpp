#include "rtf/RtfParser.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "framework/application.h"
#include "framework/background_task.h"
#include "framework/text_encoding.h"
#include "rtf/RtfDate.h"
#include "rtf/RtfModule.h"

namespace {

enum class Word {
  Rtf,
  Encoding,
  AnsiCodePage,
  DefaultFont,
  FontTable,
  Stylesheet,
  Style,
  ColorTable,
  Info,
  SkipGroup,
  AlignLeft,
  AlignCenter,
  AlignRight,
  AlignJustify,
  Plain,
  Bold,
  Italic,
  Underline,
  Outline,
  Shadow,
  Capitals,
  SmallCapitals,
  UnderlineOn,
  UnderlineOff,
  FontSize,
  Expand,
  Font,
  Foreground,
  Background,
  LongDate,
  ShortDate,
  ShortTime,
  LineBreak,
  Tab,
  Special,
  Literal,
  Hex,
  Unicode,
  UnicodeCount,
};

struct Action {
  Word word;
  int special = 0;  // Mac Roman code of a special character
};

const std::unordered_map<std::string, Action>& Words() {
  static const std::unordered_map<std::string, Action> words = [] {
    std::unordered_map<std::string, Action> w;
    auto add = [&w](std::initializer_list<const char*> names, Word word, int special = 0) {
      for (const char* n : names) w.emplace(n, Action{word, special});
    };
    add({"rtf"}, Word::Rtf);
    add({"ansi", "mac", "pc", "pca", "deflang"}, Word::Encoding);
    add({"ansicpg"}, Word::AnsiCodePage);
    add({"deff"}, Word::DefaultFont);
    add({"fonttbl"}, Word::FontTable);
    add({"stylesheet"}, Word::Stylesheet);
    add({"s"}, Word::Style);
    add({"colortbl"}, Word::ColorTable);
    add({"info"}, Word::Info);
    // Groups skipped whole. A field is not: its result (fldrslt) is read as
    // ordinary text, and only its instruction is skipped.
    add({"macpict", "pmmetafile", "wmetafile", "dibitmap", "wbitmap", "header", "headerl", "headerr",
         "headerf", "footer", "footerl", "footerr", "footerf", "fldinst", "xe", "tc", "object", "pict", "*"},
        Word::SkipGroup);
    add({"pard", "ql"}, Word::AlignLeft);
    add({"qc"}, Word::AlignCenter);
    add({"qr"}, Word::AlignRight);
    add({"qj"}, Word::AlignJustify);
    add({"plain"}, Word::Plain);
    add({"b"}, Word::Bold);
    add({"i"}, Word::Italic);
    add({"ul"}, Word::Underline);
    add({"outl"}, Word::Outline);
    add({"shad"}, Word::Shadow);
    add({"caps"}, Word::Capitals);
    add({"smcaps"}, Word::SmallCapitals);
    add({"uld", "uldb", "ulw"}, Word::UnderlineOn);
    add({"ulnone"}, Word::UnderlineOff);
    add({"fs"}, Word::FontSize);
    add({"expnd"}, Word::Expand);
    add({"f"}, Word::Font);
    add({"cf"}, Word::Foreground);
    add({"cb"}, Word::Background);
    add({"chdate", "chdpl"}, Word::LongDate);
    add({"chdpa"}, Word::ShortDate);
    add({"chtime"}, Word::ShortTime);
    add({"par", "line", "row", "nestrow", "sect", "page", "\r", "\n", "\x03"}, Word::LineBreak);
    add({"tab", "cell", "nestcell"}, Word::Tab);
    add({"~"}, Word::Special, 0xCA);  // non-breaking space
    add({"_"}, Word::Special, '-');   // non-breaking hyphen
    add({"emdash"}, Word::Special, 0xD1);
    add({"endash"}, Word::Special, 0xD0);
    add({"bullet"}, Word::Special, 0xA5);
    add({"lquote"}, Word::Special, 0xD4);
    add({"rquote"}, Word::Special, 0xD5);
    add({"ldblquote"}, Word::Special, 0xD2);
    add({"rdblquote"}, Word::Special, 0xD3);
    add({"{", "}", "\\"}, Word::Literal);
    add({"'"}, Word::Hex);
    add({"u"}, Word::Unicode);
    add({"uc"}, Word::UnicodeCount);
    // Every other word (page layout, borders, tables, indents, hidden text
    // and so on) is read and dropped.
    return w;
  }();
  return words;
}

std::string LowerAscii(const std::string& s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

const Action* Find(const rb::String& cmd) {
  const auto& words = Words();
  const auto found = words.find(LowerAscii(cmd.Bytes()));
  return found == words.end() ? nullptr : &found->second;
}

RtfParser::CancelSource& CancelHook() {
  static RtfParser::CancelSource source = rb::UserCancelled;
  return source;
}

}  // namespace

void RtfParser::SetUserCancelledSource(CancelSource source) { CancelHook() = std::move(source); }

bool RtfParser::UserCancelled() { return CancelHook() && CancelHook()(); }

RtfParser::RtfParser() : state(1), stylesheets(1) {}

bool RtfParser::IsFormattingWord(const rb::String& cmd) {
  const Action* action = Find(cmd);
  if (!action) return false;
  switch (action->word) {
    case Word::Encoding:
    case Word::AnsiCodePage:
    case Word::AlignLeft:
    case Word::AlignCenter:
    case Word::AlignRight:
    case Word::AlignJustify:
    case Word::Plain:
    case Word::Bold:
    case Word::Italic:
    case Word::Underline:
    case Word::Outline:
    case Word::Shadow:
    case Word::Capitals:
    case Word::SmallCapitals:
    case Word::UnderlineOn:
    case Word::UnderlineOff:
    case Word::FontSize:
    case Word::Expand:
    case Word::Font:
    case Word::Foreground:
    case Word::Background:
    case Word::UnicodeCount:
      return true;
    default:
      return false;
  }
}

void RtfParser::CloseConsumedGroup() {
  if (state.size() > 1)
    state.pop_front();
  else
    ended_ = true;
}

void RtfParser::RTFparser() {
  encoding = rb::String::FromBytes("ansi", rb::Encodings::MacRoman);
  stylesheets.clear();
  state[0] = rb::Ref<RtfState>::New();
}

RtfState& RtfParser::Top() const {
  if (state.empty()) throw rb::NilObjectException();
  return *state.front();
}

RtfTarget& RtfParser::Target() const {
  if (!currenttarget) throw rb::NilObjectException();
  return *currenttarget;
}

void RtfParser::SendState() { Target().SetState(Top().Clone()); }

void RtfParser::SetProgressBar(const rb::Ref<rb::ProgressBar>& p) { progress = p; }

void RtfParser::Write(const rb::String& s) {
  if (currenttarget) currenttarget->Write(s);
}

void RtfParser::Parse(const rb::Ref<rb::BinaryStream>& stream, RtfTarget* target) {
  input = stream;
  currenttarget = target;
  targetRef_ = rb::Ref<rb::Object>(dynamic_cast<rb::Object*>(target));
  if (progress) progress->SetMaximum(100);
  rb::BinaryStream& in = *input;
  const int64_t step = static_cast<int64_t>(static_cast<double>(in.Length()) / 100.0);
  if (!Target().Preprocess()) return;

  rb::String cmd;
  int32_t param = 0;
  ended_ = false;
  while (!in.EOF()) {
    const int next = in.ReadByte();
    if (next < 0) break;
    if (UserCancelled()) break;
    if (progress && step > 0) {
      const int64_t pos = in.Position();
      if (pos % step == 0) progress->SetValue(RtfModule::RtfToInt32(static_cast<double>(pos / step)));
    }
    const unsigned char c = static_cast<unsigned char>(next);
    bool end = false;
    switch (c) {
      case '{':
        state.push_front(Top().Clone());
        break;
      case '}':
        if (state.size() > 1) {
          state.pop_front();
          // Text after the group is shown in the enclosing group's format.
          SendState();
        } else {
          end = true;
        }
        break;
      case '\\':
        RtfModule::RtfParseCommand(input, cmd, param);
        if (RtfModule::RtfWordIs(cmd, "bin"))
          RtfModule::RtfSkipBinary(in, param);
        else
          DoCommand(cmd, param);
        // A table or destination reader took the closing brace of a group
        // that closes no group.
        end = ended_;
        break;
      case 13:
      case 10:
      case 3:
        break;
      default:
        Write(RtfModule::RtfByteText(c));
        break;
    }
    if (end) break;
    rb::RuntimeBackgroundTask();
  }
  Target().Postprocess();
}

void RtfParser::ParseInfo() { RtfModule::RtfIgnoreGroup(input); }

void RtfParser::ParseStylesheet() {
  rb::BinaryStream& in = *input;
  int depth = 1;
  while (!in.EOF()) {
    const std::string ch = in.Read(1).Bytes();
    if (ch.empty()) break;
    if (ch[0] == '{') {
      rb::Ref<RtfStylesheet> entry = rb::Ref<RtfStylesheet>::New();
      entry->RTFstylesheet();
      entry->Parse(input, &Top());
      stylesheets.push_back(entry);
    } else if (ch[0] == '}') {
      --depth;
    }
    if (depth == 0) break;
    rb::RuntimeBackgroundTask();
  }
}

void RtfParser::ApplyStyle(int32_t sid) {
  auto find = [this](int32_t wanted) -> rb::Ref<RtfStylesheet> {
    for (const rb::Ref<RtfStylesheet>& entry : stylesheets) {
      if (entry->id == wanted) return entry;
      rb::RuntimeBackgroundTask();
    }
    return nullptr;
  };
  // The chain from the style down to its last base, without repeats.
  std::vector<rb::Ref<RtfStylesheet>> chain;
  std::unordered_set<int32_t> seen;
  rb::Ref<RtfStylesheet> entry = find(sid);
  while (entry) {
    chain.push_back(entry);
    seen.insert(entry->id);
    const int32_t base = entry->sbasedon;
    if (base == RtfStylesheet::kNone || base == entry->id || seen.count(base)) break;
    entry = find(base);
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) (*it)->Apply(*this);
}

void RtfParser::UnicodeCharacter(int32_t code) {
  Write(Top().DecodeUnicode(code));
  RtfModule::RtfSkipFallback(input, Top().uc);
}

void RtfParser::DoCommand(const rb::String& cmd, int32_t param) {
  if (const Action* found = Find(cmd)) {
    const int32_t n = param;
    switch (found->word) {
      case Word::Rtf:
        rtfversion = n;
        break;
      case Word::Encoding:
        Top().SetEncoding(cmd, 0);
        break;
      case Word::AnsiCodePage:
        Top().SetEncoding(cmd, n);
        break;
      case Word::DefaultFont:
        defaultfontid = n;
        break;
      case Word::FontTable: {
        fonttable = rb::Ref<RtfFont>::New();
        const bool complete = fonttable->parse(input);
        CloseConsumedGroup();
        if (!complete) {
          fonttable = nullptr;
        } else {
          // The default font holds for the text after the table.
          const rb::String name = fonttable->getfont(defaultfontid);
          if (!name.Bytes().empty()) Top().font = name;
        }
        break;
      }
      case Word::Stylesheet:
        ParseStylesheet();
        CloseConsumedGroup();
        break;
      case Word::Style:
        ApplyStyle(n);
        break;
      case Word::ColorTable:
        colortable = rb::Ref<RtfColor>::New();
        if (!colortable->parse(input)) colortable = nullptr;
        CloseConsumedGroup();
        break;
      case Word::Info:
        ParseInfo();
        CloseConsumedGroup();
        break;
      case Word::SkipGroup:
        RtfModule::RtfIgnoreGroup(input);
        CloseConsumedGroup();
        break;
      case Word::AlignLeft:
        Top().alignment = 1;
        break;
      case Word::AlignCenter:
        Top().alignment = 2;
        break;
      case Word::AlignRight:
        Top().alignment = 3;
        break;
      case Word::AlignJustify:
        Top().alignment = 4;
        break;
      case Word::Plain:
        Top().SetPlain();
        break;
      case Word::Bold:
        Top().bold = n == 1;
        break;
      case Word::Italic:
        Top().italic = n == 1;
        break;
      case Word::Underline:
        Top().underline = n == 1;
        break;
      case Word::Outline:
        Top().outline = n == 1;
        break;
      case Word::Shadow:
        Top().shadow = n == 1;
        break;
      case Word::Capitals:
        Top().capitals = n == 1;
        break;
      case Word::SmallCapitals:
        Top().smallcapitals = n == 1;
        break;
      case Word::UnderlineOn:
        Top().underline = true;
        break;
      case Word::UnderlineOff:
        Top().underline = false;
        break;
      case Word::FontSize:
        Top().textsize = n / 2.0;
        break;
      case Word::Expand:
        Top().expanded = n / 4.0;
        break;
      case Word::Font:
        if (fonttable) {
          Top().font = fonttable->getfont(n);
          Top().SetEncoding(rb::String::FromBytes("fcharset", rb::Encodings::MacRoman), fonttable->getcharset(n));
        }
        break;
      case Word::Foreground:
        if (colortable) Top().foregroundcolor = colortable->getcolor(n);
        break;
      case Word::Background:
        if (colortable) Top().backgroundcolor = colortable->getcolor(n);
        break;
      case Word::LongDate:
        Write(RtfDate().LongDate());
        break;
      case Word::ShortDate:
        Write(RtfDate().ShortDate());
        break;
      case Word::ShortTime:
        Write(RtfDate().ShortTime());
        break;
      case Word::LineBreak:
        Write(RtfModule::RtfByteText(13));
        break;
      case Word::Tab:
        Write(RtfModule::RtfByteText(' '));
        break;
      case Word::Special:
        Write(RtfModule::RtfByteText(found->special));
        break;
      case Word::Literal:
        Write(cmd);
        break;
      case Word::Hex:
        Write(Top().Decode(n));
        break;
      case Word::Unicode:
        UnicodeCharacter(n);
        break;
      case Word::UnicodeCount:
        Top().uc = n < 0 ? 0 : n;
        break;
    }
  }
  SendState();
}

void RtfParser::Test() {
  const rb::String nl = RtfModule::RtfByteText(13);
  auto text = [](const std::string& s) { return rb::String::FromBytes(s, rb::Encodings::MacRoman); };
  if (fonttable) {
    Write(nl + text("Fonttable") + nl);
    for (int32_t i = 1; i <= fonttable->count(); ++i) {
      const size_t k = static_cast<size_t>(i);
      Write(text(rb::Str(i).Bytes() + " ") + fonttable->family[k] + text(" ") + fonttable->name[k] + nl);
    }
  }
  if (colortable) {
    Write(nl + text("Colortable") + nl);
    for (int32_t i = 1; i <= colortable->count(); ++i) {
      const rb::Color k = colortable->getcolor(i);
      Write(RtfModule::Hex2(RtfRed(k)) + RtfModule::Hex2(RtfGreen(k)) + RtfModule::Hex2(RtfBlue(k)) + nl);
    }
  }
  Write(nl + text("Stylesheets") + nl);
  for (const rb::Ref<RtfStylesheet>& sheet : stylesheets) {
    Write(text(rb::Str(sheet->id).Bytes() + " ") + sheet->label +
          text(rb::Str(static_cast<double>(sheet->commands.size()) - 1).Bytes()) + nl);
    for (const rb::String& command : sheet->commands) Write(command + nl);
  }
  Write(nl + text("Encoding ") + encoding);
}

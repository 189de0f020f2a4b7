#include "framework/rbstring.h"

#include <iconv.h>

#include <QChar>
#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/name_codec.h"

namespace rb {

namespace {

constexpr bool kLittleEndian = std::endian::native == std::endian::little;
const char* const kUtf16Host = kLittleEndian ? "UTF-16LE" : "UTF-16BE";
const char* const kUtf32Host = kLittleEndian ? "UTF-32LE" : "UTF-32BE";

struct IconvNameEntry {
  uint32_t value;
  const char* name;
};

const IconvNameEntry kIconvNames[] = {
    {0x0, "MACINTOSH"}, {0x600, "ASCII"},   {0x08000100, "UTF-8"},
    {0x415, "CP860"},   {0x417, "CP862"},   {0x418, "CP863"},
    {0x419, "CP864"},   {0x41A, "CP865"},   {0x41B, "CP866"},
    {0x41D, "CP874"},   {0x420, "CP932"},   {0x421, "CP936"},
    {0x422, "CP949"},   {0x423, "CP950"},   {0x500, "CP1252"},
    {0x501, "CP1250"},  {0x502, "CP1251"},  {0x503, "CP1253"},
    {0x504, "CP1254"},  {0x505, "CP1255"},  {0x506, "CP1256"},
    {0x507, "CP1257"},  {0x508, "CP1258"},  {0x510, "JOHAB"},
    {0xA03, "BIG5"},
};

// How the bytes of an encoding split into characters.
enum class Kind {
  Utf8,    // UTF-8; an invalid byte is a character of its own
  Utf16,   // machine-order units; a pair is one character
  Bytes,   // ASCII, untagged and unknown values: one byte, one character
  Single,  // a one-byte code page read through iconv
  Multi,   // a multi-byte code page read through iconv
};

Kind KindOf(uint32_t e) {
  switch (e) {
    case Encodings::UTF8: return Kind::Utf8;
    case Encodings::UTF16: return Kind::Utf16;
    case Encodings::ASCII: return Kind::Bytes;
    case 0x420: case 0x421: case 0x422: case 0x423: case 0x510: case 0xA03:
      return Kind::Multi;
    default:
      return Encodings::IconvName(e) ? Kind::Single : Kind::Bytes;
  }
}

// Every ASCII byte is that ASCII character, and never part of another one.
bool AsciiCompatible(uint32_t e) {
  switch (KindOf(e)) {
    case Kind::Utf8:
    case Kind::Bytes: return true;
    case Kind::Single: return e != 0x419;  // CP864 has its own percent sign
    default: return false;
  }
}

bool IsAscii(const char* p, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ull) return false;
  }
  for (; i < n; ++i) {
    if (static_cast<unsigned char>(p[i]) & 0x80) return false;
  }
  return true;
}
bool IsAscii(const std::string& s) { return IsAscii(s.data(), s.size()); }

inline unsigned char AsciiLower(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}
inline unsigned char AsciiUpper(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}
inline bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
inline bool IsEscape(char32_t c) { return c >= 0xDC80 && c <= 0xDCFF; }
inline char32_t Escape(unsigned char b) { return b >= 0x80 ? 0xDC00 + b : 0xFFFD; }

inline char32_t Fold(char32_t c) {
  if (c < 0x80) return AsciiLower(static_cast<unsigned char>(c));
  if (IsSurrogate(c) || c > 0x10FFFF) return c;
  return QChar::toCaseFolded(c);
}
inline char32_t FoldAscii(char32_t c) {
  return c < 0x80 ? AsciiLower(static_cast<unsigned char>(c)) : c;
}

// One UTF-8 sequence at p (n > 0 bytes left). An invalid byte is one
// character, answered as the escape U+DC00+byte.
inline size_t Utf8Step(const unsigned char* p, size_t n, char32_t& cp) {
  unsigned c = p[0];
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  auto cont = [](unsigned char b) { return (b & 0xC0) == 0x80; };
  if (c >= 0xC2 && c <= 0xDF) {
    if (n >= 2 && cont(p[1])) {
      cp = ((c & 0x1F) << 6) | (p[1] & 0x3F);
      return 2;
    }
  } else if (c >= 0xE0 && c <= 0xEF) {
    if (n >= 3 && cont(p[1]) && cont(p[2])) {
      char32_t v = ((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
      if (v >= 0x800 && !IsSurrogate(v)) {
        cp = v;
        return 3;
      }
    }
  } else if (c >= 0xF0 && c <= 0xF4) {
    if (n >= 4 && cont(p[1]) && cont(p[2]) && cont(p[3])) {
      char32_t v = ((c & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) |
                   (p[3] & 0x3F);
      if (v >= 0x10000 && v <= 0x10FFFF) {
        cp = v;
        return 4;
      }
    }
  }
  cp = 0xDC00 + c;
  return 1;
}

// One UTF-16 character at p (n > 0 bytes left): 2 or 4 bytes; a stray last
// byte is one character.
inline size_t Utf16Step(const unsigned char* p, size_t n, char32_t& cp) {
  if (n < 2) {
    cp = 0xFFFD;
    return n;
  }
  char16_t u;
  std::memcpy(&u, p, 2);
  if (u >= 0xD800 && u <= 0xDBFF && n >= 4) {
    char16_t v;
    std::memcpy(&v, p + 2, 2);
    if (v >= 0xDC00 && v <= 0xDFFF) {
      cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (v - 0xDC00);
      return 4;
    }
  }
  cp = u;
  return 2;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// UTF-8 of a code point sequence. Escapes become their bytes when `raw`,
// else U+FFFD; other lone surrogates are always U+FFFD.
void AppendUtf8Text(std::string& out, char32_t c, bool raw) {
  if (IsSurrogate(c) || c > 0x10FFFF) {
    if (raw && IsEscape(c)) {
      out += static_cast<char>(c - 0xDC00);
    } else {
      out += "\xEF\xBF\xBD";
    }
    return;
  }
  AppendUtf8(out, c);
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c >= 0x10000 && c <= 0x10FFFF) {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else if (c > 0x10FFFF) {
    out += u'\uFFFD';
  } else {
    out += static_cast<char16_t>(c);
  }
}

// iconv descriptors, kept per thread for reuse. A lease takes one out of
// the pool (or opens a new one) and gives it back reset.
struct IconvPool {
  struct Entry {
    const char* to;
    const char* from;
    iconv_t cd;
  };
  std::vector<Entry> entries;
  ~IconvPool() {
    for (auto& e : entries) iconv_close(e.cd);
  }
};
thread_local IconvPool tIconvPool;

class IconvLease {
 public:
  IconvLease(const char* to, const char* from) : to_(to), from_(from) {
    auto& pool = tIconvPool.entries;
    for (size_t i = 0; i < pool.size(); ++i) {
      if (std::strcmp(pool[i].to, to) == 0 && std::strcmp(pool[i].from, from) == 0) {
        cd_ = pool[i].cd;
        pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
    }
    cd_ = iconv_open(to, from);
  }
  ~IconvLease() {
    if (!ok()) return;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    auto& pool = tIconvPool.entries;
    if (pool.size() < 16) {
      pool.push_back({to_, from_, cd_});
    } else {
      iconv_close(cd_);
    }
  }
  IconvLease(const IconvLease&) = delete;
  IconvLease& operator=(const IconvLease&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  const char* to_;
  const char* from_;
  iconv_t cd_;
};

// Code points of a one-byte code page, byte by byte; an undefined byte is
// its escape.
struct ByteTable {
  std::array<char32_t, 256> cp;
};

const ByteTable* TableFor(uint32_t encoding) {
  static std::mutex mutex;
  static std::unordered_map<uint32_t, std::unique_ptr<ByteTable>> tables;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = tables.find(encoding);
  if (it != tables.end()) return it->second.get();
  auto table = std::make_unique<ByteTable>();
  if (encoding == Encodings::MacRoman) {  // the same table as the file-name layer
    for (int b = 0; b < 256; ++b) table->cp[b] = platform::MacRomanToUnicode(static_cast<uint8_t>(b));
    const ByteTable* result = table.get();
    tables.emplace(encoding, std::move(table));
    return result;
  }
  const char* name = Encodings::IconvName(encoding);
  std::optional<IconvLease> cd;
  if (name) cd.emplace(kUtf32Host, name);
  for (int b = 0; b < 256; ++b) {
    table->cp[b] = Escape(static_cast<unsigned char>(b));
    if (b < 0x80) table->cp[b] = static_cast<char32_t>(b);
    if (!cd || !cd->ok()) continue;
    char in = static_cast<char>(b);
    char* ip = &in;
    size_t inLeft = 1;
    char32_t out[4];
    char* op = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    iconv(cd->get(), nullptr, nullptr, nullptr, nullptr);
    size_t r = iconv(cd->get(), &ip, &inLeft, &op, &outLeft);
    if (r == static_cast<size_t>(-1)) continue;
    iconv(cd->get(), nullptr, nullptr, &op, &outLeft);
    if (sizeof out - outLeft == sizeof(char32_t)) table->cp[b] = out[0];
  }
  const ByteTable* result = table.get();
  tables.emplace(encoding, std::move(table));
  return result;
}

// Whole-text decoding through iconv; undecodable bytes become escapes.
std::u32string IconvDecode(const std::string& bytes, const char* name) {
  std::u32string out;
  IconvLease cd(kUtf32Host, name);
  if (!cd.ok()) {
    for (unsigned char b : bytes) out += b < 0x80 ? char32_t(b) : Escape(b);
    return out;
  }
  out.resize(bytes.size() + 8);
  size_t produced = 0;
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  bool flushed = false;
  while (true) {
    if (out.size() - produced < 8) out.resize(out.size() * 2 + 8);
    char* op = reinterpret_cast<char*>(out.data() + produced);
    size_t outLeft = (out.size() - produced) * sizeof(char32_t);
    size_t r = inLeft ? iconv(cd.get(), &in, &inLeft, &op, &outLeft)
                      : iconv(cd.get(), nullptr, nullptr, &op, &outLeft);
    produced = static_cast<size_t>(reinterpret_cast<char32_t*>(op) - out.data());
    if (r != static_cast<size_t>(-1)) {
      if (inLeft == 0) {
        if (flushed) break;
        flushed = true;
      }
      continue;
    }
    if (errno == E2BIG) continue;
    if ((errno == EILSEQ || errno == EINVAL) && inLeft > 0) {
      // A character held back for a following mark comes out first.
      if (out.size() - produced < 8) out.resize(out.size() * 2 + 8);
      char* fp = reinterpret_cast<char*>(out.data() + produced);
      size_t fl = (out.size() - produced) * sizeof(char32_t);
      iconv(cd.get(), nullptr, nullptr, &fp, &fl);
      produced = static_cast<size_t>(reinterpret_cast<char32_t*>(fp) - out.data());
      if (out.size() - produced < 8) out.resize(out.size() * 2 + 8);
      out[produced++] = Escape(static_cast<unsigned char>(*in));
      ++in;
      --inLeft;
      continue;
    }
    break;
  }
  out.resize(produced);
  return out;
}

// Code points through iconv into a code page. A character the code page
// lacks becomes "?"; an escape becomes its byte when `raw`.
std::string IconvEncode(const std::u32string& cps, const char* name, bool raw) {
  std::string out;
  IconvLease cd(name, kUtf32Host);
  auto substitute = [&](char32_t c) {
    if (raw && IsEscape(c)) {
      out += static_cast<char>(c - 0xDC00);
    } else {
      out += c < 0x80 ? static_cast<char>(c) : '?';
    }
  };
  if (!cd.ok()) {
    for (char32_t c : cps) substitute(c);
    return out;
  }
  size_t i = 0;
  while (i < cps.size()) {
    if (IsSurrogate(cps[i]) || cps[i] > 0x10FFFF) {
      substitute(cps[i]);
      ++i;
      continue;
    }
    size_t j = i;
    while (j < cps.size() && !IsSurrogate(cps[j]) && cps[j] <= 0x10FFFF) ++j;
    char* in = reinterpret_cast<char*>(const_cast<char32_t*>(cps.data() + i));
    size_t inLeft = (j - i) * sizeof(char32_t);
    while (inLeft > 0) {
      size_t used = out.size();
      out.resize(used + inLeft + 16);
      char* op = out.data() + used;
      size_t outLeft = out.size() - used;
      size_t r = iconv(cd.get(), &in, &inLeft, &op, &outLeft);
      out.resize(static_cast<size_t>(op - out.data()));
      if (r != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) continue;
      if (errno == EILSEQ && inLeft >= sizeof(char32_t)) {
        out += '?';
        in += sizeof(char32_t);
        inLeft -= sizeof(char32_t);
        continue;
      }
      break;
    }
    i = j;
  }
  size_t used = out.size();
  out.resize(used + 16);
  char* op = out.data() + used;
  size_t outLeft = 16;
  iconv(cd.get(), nullptr, nullptr, &op, &outLeft);
  out.resize(static_cast<size_t>(op - out.data()));
  return out;
}

// Text-mode code points: untagged and ASCII bytes read as UTF-8, invalid
// bytes as escapes.
std::u32string DecodeText(const std::string& bytes, uint32_t encoding) {
  std::u32string out;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t n = bytes.size();
  switch (KindOf(encoding)) {
    case Kind::Utf8:
    case Kind::Bytes:
      out.reserve(n);
      for (size_t i = 0; i < n;) {
        char32_t c;
        i += Utf8Step(p + i, n - i, c);
        out += c;
      }
      return out;
    case Kind::Utf16:
      out.reserve(n / 2);
      for (size_t i = 0; i < n;) {
        char32_t c;
        i += Utf16Step(p + i, n - i, c);
        out += c;
      }
      return out;
    case Kind::Single:
      if (encoding != 0x505 && encoding != 0x508) {  // these two compose marks
        const ByteTable* t = TableFor(encoding);
        out.reserve(n);
        for (size_t i = 0; i < n; ++i) out += t->cp[p[i]];
        return out;
      }
      [[fallthrough]];
    case Kind::Multi:
      return IconvDecode(bytes, Encodings::IconvName(encoding));
  }
  return out;
}

// Code points into an encoding. `lossless` keeps escapes as their bytes
// where the target is a code page (for case changes of the same text).
std::string EncodeText(const std::u32string& cps, uint32_t encoding, bool lossless) {
  std::string out;
  switch (KindOf(encoding)) {
    case Kind::Utf8:
      out.reserve(cps.size());
      for (char32_t c : cps) AppendUtf8Text(out, c, true);
      return out;
    case Kind::Bytes:
      out.reserve(cps.size());
      if (encoding == Encodings::ASCII && !lossless) {
        for (char32_t c : cps) out += c < 0x80 ? static_cast<char>(c) : '?';
      } else {
        for (char32_t c : cps) AppendUtf8Text(out, c, true);
      }
      return out;
    case Kind::Utf16: {
      std::u16string u;
      u.reserve(cps.size());
      for (char32_t c : cps) AppendUtf16(u, c);
      return std::string(reinterpret_cast<const char*>(u.data()), u.size() * 2);
    }
    case Kind::Single:
      if (encoding == Encodings::MacRoman) {
        out.reserve(cps.size());
        for (char32_t c : cps) {
          int b = IsSurrogate(c) ? -1 : platform::UnicodeToMacRoman(c);
          if (b >= 0) {
            out += static_cast<char>(b);
          } else {
            out += lossless && IsEscape(c) ? static_cast<char>(c - 0xDC00) : '?';
          }
        }
        return out;
      }
      [[fallthrough]];
    case Kind::Multi:
      return IconvEncode(cps, Encodings::IconvName(encoding), lossless);
  }
  return out;
}

// Text-mode reader: one code point at a time, without copying UTF-8 or
// UTF-16 text.
class TextReader {
 public:
  TextReader(const std::string& bytes, uint32_t encoding)
      : p_(reinterpret_cast<const unsigned char*>(bytes.data())), n_(bytes.size()) {
    switch (KindOf(encoding)) {
      case Kind::Utf8:
      case Kind::Bytes: mode_ = 0; break;
      case Kind::Utf16: mode_ = 1; break;
      default:
        mode_ = 2;
        decoded_ = DecodeText(bytes, encoding);
        n_ = decoded_.size();
        break;
    }
  }
  bool Next(char32_t& c) {
    if (i_ >= n_) return false;
    switch (mode_) {
      case 0: i_ += Utf8Step(p_ + i_, n_ - i_, c); break;
      case 1: i_ += Utf16Step(p_ + i_, n_ - i_, c); break;
      default: c = decoded_[i_++]; break;
    }
    return true;
  }

 private:
  const unsigned char* p_;
  size_t n_;
  size_t i_ = 0;
  int mode_ = 0;
  std::u32string decoded_;
};

// Character-mode reader: the byte range and code point of each character.
// Untagged and ASCII text is one character per byte (code point = byte).
struct Unit {
  size_t off = 0;
  size_t len = 0;
  char32_t cp = 0;
};

class CharReader {
 public:
  CharReader(const std::string& bytes, uint32_t encoding, size_t from = 0,
             size_t to = std::string::npos)
      : p_(reinterpret_cast<const unsigned char*>(bytes.data())),
        n_(std::min(to, bytes.size())),
        i_(from),
        kind_(KindOf(encoding)) {
    if (kind_ == Kind::Single) table_ = TableFor(encoding);
    if (kind_ == Kind::Multi) {
      cd_.emplace(kUtf32Host, Encodings::IconvName(encoding));
      if (!cd_->ok()) kind_ = Kind::Bytes;
    }
  }
  Kind kind() const { return kind_; }
  size_t offset() const { return i_; }

  bool Next(Unit& u) {
    if (i_ >= n_) return false;
    u.off = i_;
    switch (kind_) {
      case Kind::Utf8: u.len = Utf8Step(p_ + i_, n_ - i_, u.cp); break;
      case Kind::Utf16: u.len = Utf16Step(p_ + i_, n_ - i_, u.cp); break;
      case Kind::Bytes:
        u.len = 1;
        u.cp = p_[i_];
        break;
      case Kind::Single:
        u.len = 1;
        u.cp = table_->cp[p_[i_]];
        break;
      case Kind::Multi: MultiStep(u); break;
    }
    i_ += u.len;
    return true;
  }

 private:
  // Converts exactly one character: the output has room for one code point
  // only, so iconv stops after it.
  void MultiStep(Unit& u) {
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(p_ + i_));
    size_t inLeft = n_ - i_;
    char32_t out[4];
    for (size_t room : {sizeof(char32_t), sizeof out}) {
      char* ip = in;
      size_t il = inLeft;
      char* op = reinterpret_cast<char*>(out);
      size_t outLeft = room;
      iconv(cd_->get(), nullptr, nullptr, nullptr, nullptr);
      size_t r = iconv(cd_->get(), &ip, &il, &op, &outLeft);
      if (op != reinterpret_cast<char*>(out) && ip != in) {
        u.len = static_cast<size_t>(ip - in);
        u.cp = out[0];
        return;
      }
      if (r != static_cast<size_t>(-1) || errno != E2BIG) break;
    }
    u.len = 1;
    u.cp = Escape(p_[i_]);
  }

  const unsigned char* p_;
  size_t n_;
  size_t i_;
  Kind kind_;
  const ByteTable* table_ = nullptr;
  std::optional<IconvLease> cd_;
};

size_t CountChars(const std::string& bytes, uint32_t encoding, size_t from, size_t to) {
  switch (KindOf(encoding)) {
    case Kind::Bytes:
    case Kind::Single: return to - from;
    default: break;
  }
  CharReader r(bytes, encoding, from, to);
  Unit u;
  size_t count = 0;
  while (r.Next(u)) ++count;
  return count;
}

// Byte offset `count` characters after byte offset `from` (the end when the
// text is shorter).
size_t AdvanceChars(const std::string& bytes, uint32_t encoding, size_t from, size_t count) {
  switch (KindOf(encoding)) {
    case Kind::Bytes:
    case Kind::Single: return std::min(bytes.size(), from + count);
    default: break;
  }
  CharReader r(bytes, encoding, from);
  Unit u;
  for (size_t i = 0; i < count && r.Next(u); ++i) {
  }
  return r.offset();
}

// The ASCII bytes of a text, when it has no other characters.
bool AsciiForm(const String& s, std::string& out) {
  if (AsciiCompatible(s.Encoding())) {
    if (!IsAscii(s.Bytes())) return false;
    out = s.Bytes();
    return true;
  }
  std::u32string cps = DecodeText(s.Bytes(), s.Encoding());
  out.clear();
  for (char32_t c : cps) {
    if (c >= 0x80) return false;
    out += static_cast<char>(c);
  }
  return true;
}

struct Match {
  size_t begin;
  size_t end;
};

// Non-overlapping occurrences of find in s, ignoring case, from byte offset
// `from` (a character boundary); at most `max`.
std::vector<Match> FindMatches(const String& s, size_t from, const String& find, size_t max) {
  std::vector<Match> matches;
  if (find.Empty() || max == 0 || from >= s.Bytes().size()) return matches;
  const std::string& src = s.Bytes();
  Kind kind = KindOf(s.Encoding());

  std::string ascii;
  if (AsciiCompatible(s.Encoding()) && AsciiForm(find, ascii)) {
    // Outside ASCII only the Kelvin sign and the long s fold onto ASCII
    // letters, and only UTF-8 text can hold them.
    bool exact = kind != Kind::Utf8 ||
                 ascii.find_first_of("kKsS") == std::string::npos ||
                 IsAscii(src.data() + from, src.size() - from);
    if (exact) {
      const size_t m = ascii.size();
      for (char& c : ascii) c = static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
      const unsigned char first = static_cast<unsigned char>(ascii[0]);
      const unsigned char firstUpper = AsciiUpper(first);
      size_t i = from;
      while (i + m <= src.size()) {
        unsigned char c = static_cast<unsigned char>(src[i]);
        if (c == first || c == firstUpper) {
          size_t k = 1;
          while (k < m && AsciiLower(static_cast<unsigned char>(src[i + k])) ==
                              static_cast<unsigned char>(ascii[k])) {
            ++k;
          }
          if (k == m) {
            matches.push_back({i, i + m});
            if (matches.size() >= max) break;
            i += m;
            continue;
          }
        }
        ++i;
      }
      return matches;
    }
  }

  // General case: compare folded code points character by character.
  const bool bytesOnly = kind == Kind::Bytes;
  std::vector<Unit> units;
  {
    CharReader r(src, s.Encoding(), from);
    Unit u;
    while (r.Next(u)) {
      u.cp = bytesOnly ? FoldAscii(u.cp) : Fold(u.cp);
      units.push_back(u);
    }
  }
  std::u32string pattern;
  if (bytesOnly) {
    for (unsigned char b : find.PathBytes()) pattern += FoldAscii(b);
  } else {
    pattern = DecodeText(find.Bytes(), find.Encoding());
    for (char32_t& c : pattern) c = Fold(c);
  }
  const size_t m = pattern.size();
  size_t i = 0;
  while (m > 0 && i + m <= units.size()) {
    size_t k = 0;
    while (k < m && units[i + k].cp == pattern[k]) ++k;
    if (k == m) {
      const Unit& last = units[i + m - 1];
      matches.push_back({units[i].off, last.off + last.len});
      if (matches.size() >= max) break;
      i += m;
    } else {
      ++i;
    }
  }
  return matches;
}

String Slice(const String& s, size_t begin, size_t end) {
  if (end > s.Bytes().size()) end = s.Bytes().size();
  if (begin >= end) return String::FromBytes(std::string(), s.Encoding());
  return String::FromBytes(s.Bytes().substr(begin, end - begin), s.Encoding());
}

bool IsSpaceChar(char32_t c, bool bytesOnly) {
  if (c == ' ' || (c >= 9 && c <= 13)) return true;
  if (bytesOnly || c < 0x80 || IsSurrogate(c) || c > 0x10FFFF) return false;
  return QChar::isSpace(c);
}

enum TrimSides { kTrimLeft = 1, kTrimRight = 2 };

String TrimImpl(const String& s, int sides) {
  const bool bytesOnly = KindOf(s.Encoding()) == Kind::Bytes;
  CharReader r(s.Bytes(), s.Encoding());
  Unit u;
  size_t begin = s.Bytes().size();
  size_t end = 0;
  bool seen = false;
  while (r.Next(u)) {
    if (IsSpaceChar(u.cp, bytesOnly)) continue;
    if (!seen) begin = u.off;
    seen = true;
    end = u.off + u.len;
  }
  if (!seen) {
    if (sides == (kTrimLeft | kTrimRight)) return Slice(s, 0, 0);
    begin = end = (sides & kTrimLeft) ? s.Bytes().size() : 0;
  }
  if (!(sides & kTrimLeft)) begin = 0;
  if (!(sides & kTrimRight)) end = s.Bytes().size();
  return Slice(s, begin, end);
}

String ChangeCase(const String& s, bool upper) {
  if (AsciiCompatible(s.Encoding()) && IsAscii(s.Bytes())) {
    std::string b = s.Bytes();
    for (char& c : b) {
      auto u = static_cast<unsigned char>(c);
      c = static_cast<char>(upper ? AsciiUpper(u) : AsciiLower(u));
    }
    return String::FromBytes(std::move(b), s.Encoding());
  }
  std::u32string cps = DecodeText(s.Bytes(), s.Encoding());
  for (char32_t& c : cps) {
    if (c < 0x80) {
      c = upper ? AsciiUpper(static_cast<unsigned char>(c)) : AsciiLower(static_cast<unsigned char>(c));
    } else if (!IsSurrogate(c) && c <= 0x10FFFF) {
      c = upper ? QChar::toUpper(c) : QChar::toLower(c);
    }
  }
  return String::FromBytes(EncodeText(cps, s.Encoding(), true), s.Encoding());
}

}  // namespace

const char* Encodings::IconvName(uint32_t encoding) {
  if (encoding == Encodings::UTF16) return kUtf16Host;
  for (const auto& e : kIconvNames) {
    if (e.value == encoding) return e.name;
  }
  return nullptr;
}

// ---- String ---------------------------------------------------------------

String String::FromBytes(std::string bytes, uint32_t encoding) {
  String s;
  s.bytes_ = std::move(bytes);
  s.encoding_ = encoding;
  return s;
}

String String::FromREAL(REALstring s) {
  if (!s) return String();
  auto* obj = dynamic_cast<StringObject*>(Object::FromREAL(s));
  if (!obj) return String();
  return FromBytes(obj->bytes, obj->encoding);
}

String String::FromUtf16(std::u16string_view units) {
  return FromBytes(std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2),
                   Encodings::UTF16);
}

REALstring String::NewREAL() const { return (new StringObject(bytes_, encoding_))->AsREAL(); }

std::string String::Utf8() const {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data());
  const size_t n = bytes_.size();
  std::string out;
  switch (KindOf(encoding_)) {
    case Kind::Utf8:
    case Kind::Bytes: {
      if (IsAscii(bytes_)) return bytes_;
      out.reserve(n);
      for (size_t i = 0; i < n;) {
        char32_t c;
        size_t len = Utf8Step(p + i, n - i, c);
        if (IsSurrogate(c)) {
          out += "\xEF\xBF\xBD";
        } else {
          out.append(bytes_, i, len);
        }
        i += len;
      }
      return out;
    }
    default: {
      TextReader r(bytes_, encoding_);
      char32_t c;
      out.reserve(n);
      while (r.Next(c)) AppendUtf8Text(out, c, false);
      return out;
    }
  }
}

std::string String::PathBytes() const {
  switch (KindOf(encoding_)) {
    case Kind::Utf8:
    case Kind::Bytes: return bytes_;
    default: {
      TextReader r(bytes_, encoding_);
      char32_t c;
      std::string out;
      out.reserve(bytes_.size());
      while (r.Next(c)) AppendUtf8Text(out, c, true);
      return out;
    }
  }
}

std::u16string String::Utf16() const {
  if (KindOf(encoding_) == Kind::Utf16) {
    std::u16string u(bytes_.size() / 2, u'\0');
    std::memcpy(u.data(), bytes_.data(), u.size() * 2);
    if (bytes_.size() % 2) u += u'\uFFFD';
    return u;
  }
  TextReader r(bytes_, encoding_);
  char32_t c;
  std::u16string out;
  out.reserve(bytes_.size());
  while (r.Next(c)) AppendUtf16(out, c);
  return out;
}

bool operator==(const String& a, const String& b) {
  const std::string& x = a.bytes_;
  const std::string& y = b.bytes_;
  if (AsciiCompatible(a.encoding_) && AsciiCompatible(b.encoding_)) {
    // Up to the first non-ASCII byte, byte i is character i on both sides.
    const size_t n = std::min(x.size(), y.size());
    size_t i = 0;
    for (; i < n; ++i) {
      auto cx = static_cast<unsigned char>(x[i]);
      auto cy = static_cast<unsigned char>(y[i]);
      if ((cx | cy) & 0x80) break;
      if (cx != cy && AsciiLower(cx) != AsciiLower(cy)) return false;
    }
    if (i == n) {
      if (x.size() == y.size()) return true;
      const std::string& longer = x.size() > y.size() ? x : y;
      if (IsAscii(longer.data() + n, longer.size() - n)) return false;
    }
  }
  if (a.encoding_ == b.encoding_ && x == y) return true;
  TextReader ra(x, a.encoding_);
  TextReader rb(y, b.encoding_);
  char32_t ca = 0, cb = 0;
  while (true) {
    bool ha = ra.Next(ca);
    bool hb = rb.Next(cb);
    if (ha != hb) return false;
    if (!ha) return true;
    if (ca != cb && Fold(ca) != Fold(cb)) return false;
  }
}

std::string CaseFoldedKey(const String& s) {
  const std::string& bytes = s.Bytes();
  std::string key;
  key.reserve(bytes.size());
  if (AsciiCompatible(s.Encoding()) && IsAscii(bytes)) {
    for (unsigned char b : bytes) key += static_cast<char>(AsciiLower(b));
    return key;
  }
  // The code points that equality compares, folded, each as its (generalised)
  // UTF-8 sequence: one key per class of equal strings.
  TextReader r(bytes, s.Encoding());
  char32_t c;
  while (r.Next(c)) AppendUtf8(key, Fold(c));
  return key;
}

String& String::operator+=(const String& other) {
  if (other.bytes_.empty()) return *this;
  if (bytes_.empty()) {
    *this = other;
    return *this;
  }
  if (encoding_ == other.encoding_) {
    bytes_ += other.bytes_;
    return *this;
  }
  auto utf8Like = [](uint32_t e) { return e == Encodings::UTF8 || e == Encodings::ASCII; };
  if (utf8Like(encoding_) && utf8Like(other.encoding_)) {
    bytes_ += other.bytes_;
  } else {
    bytes_ = PathBytes() + other.PathBytes();
  }
  encoding_ = Encodings::UTF8;
  return *this;
}

// ---- Character functions ----------------------------------------------------

int Len(const String& s) {
  return static_cast<int>(CountChars(s.Bytes(), s.Encoding(), 0, s.Bytes().size()));
}

String Left(const String& s, int n) {
  if (n <= 0) return Slice(s, 0, 0);
  return Slice(s, 0, AdvanceChars(s.Bytes(), s.Encoding(), 0, static_cast<size_t>(n)));
}

String Right(const String& s, int n) {
  if (n <= 0) return Slice(s, 0, 0);
  int len = Len(s);
  if (n >= len) return s;
  size_t begin = AdvanceChars(s.Bytes(), s.Encoding(), 0, static_cast<size_t>(len - n));
  return Slice(s, begin, s.Bytes().size());
}

String Mid(const String& s, int start, int len) {
  if (start < 1) start = 1;
  size_t begin = AdvanceChars(s.Bytes(), s.Encoding(), 0, static_cast<size_t>(start - 1));
  if (len < 0) return Slice(s, begin, s.Bytes().size());
  size_t end = AdvanceChars(s.Bytes(), s.Encoding(), begin, static_cast<size_t>(len));
  return Slice(s, begin, end);
}

int InStr(const String& src, const String& find) { return InStr(1, src, find); }

int InStr(int start, const String& src, const String& find) {
  if (start < 1) start = 1;
  if (src.Empty()) return 0;
  if (find.Empty()) return start <= Len(src) ? start : 0;
  size_t from = AdvanceChars(src.Bytes(), src.Encoding(), 0, static_cast<size_t>(start - 1));
  std::vector<Match> m = FindMatches(src, from, find, 1);
  if (m.empty()) return 0;
  return static_cast<int>(CountChars(src.Bytes(), src.Encoding(), 0, m[0].begin)) + 1;
}

int CountFields(const String& s, const String& sep) {
  if (s.Empty()) return 0;
  if (sep.Empty()) return 1;
  return static_cast<int>(FindMatches(s, 0, sep, SIZE_MAX).size()) + 1;
}

String NthField(const String& s, const String& sep, int n) {
  if (n < 1 || s.Empty()) return Slice(s, 0, 0);
  if (sep.Empty()) return n == 1 ? s : Slice(s, 0, 0);
  std::vector<Match> m = FindMatches(s, 0, sep, static_cast<size_t>(n));
  if (static_cast<size_t>(n) > m.size() + 1) return Slice(s, 0, 0);
  size_t begin = n == 1 ? 0 : m[n - 2].end;
  size_t end = static_cast<size_t>(n) <= m.size() ? m[n - 1].begin : s.Bytes().size();
  return Slice(s, begin, end);
}

String Str(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.7g", value);
  if (!std::strchr(buf, 'e')) return buf;
  // Exponent form: six decimals, exponent without leading zeros.
  std::snprintf(buf, sizeof buf, "%.6e", value);
  std::string s = buf;
  size_t e = s.find('e');
  size_t digits = e + 2;
  while (digits + 1 < s.size() && s[digits] == '0') s.erase(digits, 1);
  return s;
}

double Val(const String& s) {
  std::string text = AsciiCompatible(s.Encoding()) ? s.Bytes() : s.Utf8();
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i + 1 < n && text[i] == '&') {
    int base = 0;
    switch (text[i + 1]) {
      case 'h': case 'H': base = 16; break;
      case 'o': case 'O': base = 8; break;
      case 'b': case 'B': base = 2; break;
      default: return 0;
    }
    uint64_t v = 0;
    auto r = std::from_chars(text.data() + i + 2, text.data() + n, v, base);
    return r.ec == std::errc() ? static_cast<double>(v) : 0;
  }
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Only a plain decimal number counts (no "inf", "nan" or hexadecimal).
  size_t j = i;
  while (j < n && text[j] >= '0' && text[j] <= '9') ++j;
  bool digits = j > i;
  if (j < n && text[j] == '.') {
    size_t k = j + 1;
    while (k < n && text[k] >= '0' && text[k] <= '9') ++k;
    digits = digits || k > j + 1;
    j = k;
  }
  if (!digits) return 0;
  if (j < n && (text[j] == 'e' || text[j] == 'E')) {
    size_t k = j + 1;
    if (k < n && (text[k] == '+' || text[k] == '-')) ++k;
    size_t d = k;
    while (k < n && text[k] >= '0' && text[k] <= '9') ++k;
    if (k > d) j = k;
  }
  double v = 0;
  std::string number = text.substr(i, j - i);
  if (number[0] == '.') number.insert(0, "0");
  std::from_chars(number.data(), number.data() + number.size(), v);
  return negative ? -v : v;
}

String Trim(const String& s) { return TrimImpl(s, kTrimLeft | kTrimRight); }
String LTrim(const String& s) { return TrimImpl(s, kTrimLeft); }
String RTrim(const String& s) { return TrimImpl(s, kTrimRight); }
String Uppercase(const String& s) { return ChangeCase(s, true); }
String Lowercase(const String& s) { return ChangeCase(s, false); }

String ConvertEncoding(const String& s, uint32_t encoding) {
  if (s.Encoding() == encoding) return s;
  if (encoding == Encodings::Unknown) return String::FromBytes(s.PathBytes(), encoding);
  // A value with no known form leaves the text as it is.
  if (KindOf(encoding) == Kind::Bytes && encoding != Encodings::ASCII) return s;
  if (AsciiCompatible(s.Encoding()) && AsciiCompatible(encoding) && IsAscii(s.Bytes())) {
    return String::FromBytes(s.Bytes(), encoding);
  }
  std::u32string cps = DecodeText(s.Bytes(), s.Encoding());
  return String::FromBytes(EncodeText(cps, encoding, false), encoding);
}

String DefineEncoding(const String& s, uint32_t encoding) {
  return String::FromBytes(s.Bytes(), encoding);
}

String Chr(int codepoint) {
  if (codepoint < 0 || codepoint > 0x10FFFF || IsSurrogate(static_cast<char32_t>(codepoint))) {
    return String();
  }
  std::string out;
  AppendUtf8(out, static_cast<char32_t>(codepoint));
  return String(std::move(out));
}

int Asc(const String& s) {
  CharReader r(s.Bytes(), s.Encoding());
  Unit u;
  if (!r.Next(u)) return 0;
  if (r.kind() != Kind::Utf16 && r.kind() != Kind::Bytes && IsSurrogate(u.cp)) return 0xFFFD;
  return static_cast<int>(u.cp);
}

String ChrB(int byte) {
  if (byte < 0 || byte > 255) return String::FromBytes(std::string(), Encodings::Unknown);
  return String::FromBytes(std::string(1, static_cast<char>(byte)), Encodings::Unknown);
}

int AscB(const String& s) {
  return s.Empty() ? 0 : static_cast<unsigned char>(s.Bytes()[0]);
}

int LenB(const String& s) { return static_cast<int>(s.Bytes().size()); }

String LeftB(const String& s, int n) {
  return Slice(s, 0, n <= 0 ? 0 : static_cast<size_t>(n));
}

String RightB(const String& s, int n) {
  size_t size = s.Bytes().size();
  if (n <= 0) return Slice(s, 0, 0);
  size_t k = std::min(size, static_cast<size_t>(n));
  return Slice(s, size - k, size);
}

String MidB(const String& s, int start, int len) {
  if (start < 1) start = 1;
  size_t begin = static_cast<size_t>(start - 1);
  if (len < 0) return Slice(s, begin, s.Bytes().size());
  return Slice(s, begin, begin + static_cast<size_t>(len));
}

String EndOfLine() { return String("\n"); }
String EndOfLineWindows() { return String("\r\n"); }

namespace {
String ReplaceImpl(const String& s, const String& find, const String& with, size_t max) {
  std::vector<Match> m = FindMatches(s, 0, find, max);
  if (m.empty()) return s;
  String out = Slice(s, 0, 0);
  size_t pos = 0;
  for (const Match& match : m) {
    out += Slice(s, pos, match.begin);
    out += with;
    pos = match.end;
  }
  out += Slice(s, pos, s.Bytes().size());
  return out;
}
}  // namespace

String Replace(const String& s, const String& find, const String& with) {
  return ReplaceImpl(s, find, with, 1);
}

String ReplaceAll(const String& s, const String& find, const String& with) {
  return ReplaceImpl(s, find, with, SIZE_MAX);
}

}  // namespace rb

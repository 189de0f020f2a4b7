#include "platform/name_codec.h"

#include <array>

namespace platform {

namespace {

// Upper half of Mac Roman.
constexpr char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,  // 80
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,  // 88
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,  // 90
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,  // 98
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,  // A0
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,  // A8
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,  // B0
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,  // B8
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,  // C0
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,  // C8
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,  // D0
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,  // D8
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,  // E0
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,  // E8
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,  // F0
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,  // F8
};

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Appends one code point as UTF-16.
void AppendUtf16(std::u16string* out, char32_t cp) {
  if (cp < 0x10000) {
    out->push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// Reads one code point from UTF-16 at u[i]; a lone surrogate is answered as
// itself. Answers the number of units used.
size_t ReadUtf16(std::u16string_view u, size_t i, char32_t* cp) {
  char16_t a = u[i];
  if (a >= 0xD800 && a <= 0xDBFF && i + 1 < u.size()) {
    char16_t b = u[i + 1];
    if (b >= 0xDC00 && b <= 0xDFFF) {
      *cp = 0x10000 + ((char32_t(a) - 0xD800) << 10) + (char32_t(b) - 0xDC00);
      return 2;
    }
  }
  *cp = a;
  return 1;
}

}  // namespace

size_t DecodeUtf8At(std::string_view s, size_t i, char32_t* cp) {
  const auto b0 = static_cast<uint8_t>(s[i]);
  if (b0 < 0x80) {
    *cp = b0;
    return 1;
  }
  size_t len;
  char32_t c;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2; c = b0 & 0x1F; min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3; c = b0 & 0x0F; min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4; c = b0 & 0x07; min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<uint8_t>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || IsSurrogate(c)) return 0;
  *cp = c;
  return len;
}

void AppendUtf8(std::string* out, char32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsValidUtf8(std::string_view bytes) {
  char32_t cp;
  for (size_t i = 0; i < bytes.size();) {
    size_t n = DecodeUtf8At(bytes, i, &cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

namespace {

// UTF-8 to UTF-16; a byte that is not part of valid UTF-8 becomes the lone
// surrogate U+DC00+byte (lossless) or U+FFFD (for display).
std::u16string DecodeName(std::string_view bytes, bool lossless) {
  std::u16string out;
  out.reserve(bytes.size());
  char32_t cp;
  for (size_t i = 0; i < bytes.size();) {
    size_t n = DecodeUtf8At(bytes, i, &cp);
    if (n == 0) {
      out.push_back(lossless ? static_cast<char16_t>(0xDC00 + static_cast<uint8_t>(bytes[i]))
                             : u'\uFFFD');
      ++i;
    } else {
      AppendUtf16(&out, cp);
      i += n;
    }
  }
  return out;
}

}  // namespace

std::u16string NameBytesToUtf16(std::string_view bytes) { return DecodeName(bytes, true); }

std::u16string NameBytesToDisplayUtf16(std::string_view bytes) { return DecodeName(bytes, false); }

bool Utf16ToNameBytesExact(std::u16string_view units, std::string* out) {
  out->clear();
  out->reserve(units.size());
  char32_t cp;
  for (size_t i = 0; i < units.size();) {
    i += ReadUtf16(units, i, &cp);
    if (cp >= 0xDC80 && cp <= 0xDCFF) {
      out->push_back(static_cast<char>(cp - 0xDC00));
    } else if (IsSurrogate(cp)) {
      return false;
    } else {
      AppendUtf8(out, cp);
    }
  }
  return true;
}

std::string Utf16ToNameBytes(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  char32_t cp;
  for (size_t i = 0; i < units.size();) {
    i += ReadUtf16(units, i, &cp);
    if (cp >= 0xDC80 && cp <= 0xDCFF) {
      out.push_back(static_cast<char>(cp - 0xDC00));
    } else if (IsSurrogate(cp)) {
      AppendUtf8(&out, 0xFFFD);
    } else {
      AppendUtf8(&out, cp);
    }
  }
  return out;
}

char32_t MacRomanToUnicode(uint8_t b) {
  return b < 0x80 ? char32_t(b) : char32_t(kMacRomanHigh[b - 0x80]);
}

int UnicodeToMacRoman(char32_t c) {
  if (c < 0x80) return static_cast<int>(c);
  if (c > 0xFFFF) return -1;
  // Reverse table, built once.
  static const std::array<uint16_t, 128> sortedKeys = [] {
    std::array<uint16_t, 128> k{};
    for (int i = 0; i < 128; ++i) k[i] = static_cast<uint16_t>(i);
    // Insertion sort of indices by code point; 128 entries, done once.
    for (int i = 1; i < 128; ++i) {
      uint16_t v = k[i];
      int j = i - 1;
      while (j >= 0 && kMacRomanHigh[k[j]] > kMacRomanHigh[v]) {
        k[j + 1] = k[j];
        --j;
      }
      k[j + 1] = v;
    }
    return k;
  }();
  int lo = 0, hi = 127;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    char16_t v = kMacRomanHigh[sortedKeys[mid]];
    if (v == c) return 0x80 + sortedKeys[mid];
    if (v < c) lo = mid + 1; else hi = mid - 1;
  }
  return -1;
}

std::string MacRomanToUtf8(std::string_view macRoman) {
  std::string out;
  out.reserve(macRoman.size() * 2);
  for (char ch : macRoman) AppendUtf8(&out, MacRomanToUnicode(static_cast<uint8_t>(ch)));
  return out;
}

bool Utf8ToMacRoman(std::string_view utf8, std::string* out) {
  out->clear();
  out->reserve(utf8.size());
  char32_t cp;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = DecodeUtf8At(utf8, i, &cp);
    if (n == 0) return false;
    int b = UnicodeToMacRoman(cp);
    if (b < 0) return false;
    out->push_back(static_cast<char>(b));
    i += n;
  }
  return true;
}

std::u16string MacRomanToUtf16(std::string_view macRoman) {
  std::u16string out;
  out.reserve(macRoman.size());
  for (char ch : macRoman) out.push_back(static_cast<char16_t>(MacRomanToUnicode(static_cast<uint8_t>(ch))));
  return out;
}

bool Utf16ToMacRoman(std::u16string_view units, std::string* out) {
  out->clear();
  out->reserve(units.size());
  for (char16_t u : units) {
    int b = UnicodeToMacRoman(u);  // surrogates have no Mac Roman form
    if (b < 0) return false;
    out->push_back(static_cast<char>(b));
  }
  return true;
}

}  // namespace platform

#include "host/text.h"

#include <algorithm>
#include <array>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vd {

namespace {

// The C library prints the decimal point of its current locale, and the
// module shares it with the host (msvcrt.dll): a host that set a Czech locale
// would have every mark and dimension text written with a comma whatever the
// user's separator setting. Numbers are printed with '.', as in the C
// locale; the texts put their own separator in afterwards.
void withDecimalPoint(std::string& printed) {
  const char* point = std::localeconv()->decimal_point;
  if (!point || !*point || std::strcmp(point, ".") == 0) return;
  const size_t at = printed.find(point);
  if (at != std::string::npos) printed.replace(at, std::strlen(point), ".");
}

}  // namespace

// A byte sequence that is not well-formed UTF-8 (a stray continuation byte, a
// cut or overlong sequence, an encoded surrogate unless kept, a value beyond
// U+10FFFF) becomes one U+FFFD for each maximal part of it, the way browsers
// and Windows' own converter read it. The bytes after such a part are read
// afresh, so one bad byte never swallows the letter that follows it.
vstring utf8ToUtf16(std::string_view s, Surrogates lone) {
  vstring out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const unsigned c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80) {
      out.push_back(static_cast<vchar>(c));
      continue;
    }
    size_t more = 0;
    char32_t cp = 0;
    // The allowed range of the first continuation byte excludes overlong
    // forms (E0, F0), surrogates (ED) and values past U+10FFFF (F4).
    unsigned low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1, cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2, cp = c & 0x0Fu;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED && lone == Surrogates::Replace) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3, cp = c & 0x07u;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      out.push_back(0xFFFD);
      continue;
    }
    for (; more > 0 && i < s.size(); --more) {
      const unsigned b = static_cast<unsigned char>(s[i]);
      if (b < low || b > high) break;
      cp = (cp << 6) | (b & 0x3Fu);
      low = 0x80, high = 0xBF;
      ++i;
    }
    if (more > 0) {
      out.push_back(0xFFFD);
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<vchar>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<vchar>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<vchar>(cp));
    }
  }
  return out;
}

std::string utf16ToUtf8(vstring_view s, Surrogates lone) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000 && lone == Surrogates::Replace) {
      cp = 0xFFFD;  // a surrogate without its partner has no UTF-8 form
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

namespace {
// Windows-1250, bytes 0x80..0xFF; 0 marks a byte the code page leaves undefined.
constexpr std::array<char16_t, 128> kCp1250High = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021, 0,      0x2030, 0x0160,
    0x2039, 0x015A, 0x0164, 0x017D, 0x0179, 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0,      0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0,
    0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6,
    0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1,
    0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A,
    0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2,
    0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED,
    0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159,
    0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};
}  // namespace

std::string utf16ToCp1250(vstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (vchar c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    char mapped = '?';
    for (size_t i = 0; i < kCp1250High.size(); ++i) {
      if (kCp1250High[i] == c) {
        mapped = static_cast<char>(0x80 + i);
        break;
      }
    }
    out.push_back(mapped);
  }
  return out;
}

bool fitsCp1250(vstring_view text) {
  for (vchar c : text) {
    if (c >= 0x80 && std::find(kCp1250High.begin(), kCp1250High.end(), c) == kCp1250High.end()) return false;
  }
  return true;
}

vstring cp1250ToUtf16(std::string_view text) {
  vstring out;
  out.reserve(text.size());
  for (char ch : text) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out.push_back(b);
    } else {
      char16_t c = kCp1250High[b - 0x80];
      out.push_back(c ? c : u'?');
    }
  }
  return out;
}

vstring vformatV(const vchar* fmt, va_list args) {
  // Each conversion is handed to the C library one at a time; %s is widened
  // here because the C library's %s is narrow on every platform we build for.
  vstring out;
  if (!fmt) return out;
  const vchar* p = fmt;
  while (*p) {
    if (*p != u'%') {
      out.push_back(*p++);
      continue;
    }
    if (p[1] == u'%') {
      out.push_back(u'%');
      p += 2;
      continue;
    }
    std::string directive = "%";
    ++p;
    while (*p && std::strchr("-+ #0123456789.*", static_cast<char>(*p & 0x7F)) && *p < 0x80) {
      const char c = static_cast<char>(*p++);
      if (c != '*') {
        directive.push_back(c);
        continue;
      }
      // A width or precision given as an argument ("%.*f") is written into
      // the directive; a negative precision counts as none, a negative width
      // as a left-aligned one, as in the C library.
      const int n = va_arg(args, int);
      if (!directive.empty() && directive.back() == '.') {
        if (n < 0) directive.pop_back();
        else directive += std::to_string(n);
      } else {
        if (n < 0) directive.push_back('-');
        directive += std::to_string(n < 0 ? -static_cast<long long>(n) : n);
      }
    }
    std::string lenmod;
    while (*p == u'l' || *p == u'h' || *p == u'I' || *p == u'6' || *p == u'4' || *p == u'z' ||
           *p == u'j' || *p == u'L' || *p == u'3' || *p == u'2') {
      lenmod.push_back(static_cast<char>(*p++));
    }
    vchar conv = *p ? *p++ : u'\0';
    char buf[512];
    switch (conv) {
      case u's': {
        const vchar* s = va_arg(args, const vchar*);
        vstring str = s ? vstring(s) : vstring(u"(null)");
        // Honour a precision ("%.5s") and a width; both are rare in texts.
        size_t dot = directive.find('.');
        if (dot != std::string::npos) {
          size_t prec = std::strtoul(directive.c_str() + dot + 1, nullptr, 10);
          if (str.size() > prec) str.resize(prec);
        }
        size_t width = std::strtoul(directive.c_str() + 1 + (directive.size() > 1 && directive[1] == '-'), nullptr, 10);
        if (str.size() < width) {
          vstring pad(width - str.size(), u' ');
          str = (directive.size() > 1 && directive[1] == '-') ? str + pad : pad + str;
        }
        out += str;
        break;
      }
      case u'c':
        out.push_back(static_cast<vchar>(va_arg(args, int)));
        break;
      case u'd':
      case u'i':
      case u'u':
      case u'x':
      case u'X':
      case u'o': {
        std::string f = directive;
        bool is64 = lenmod == "I64" || lenmod == "ll" || lenmod == "j" || lenmod == "z";
        bool isLong = lenmod == "l";
        f += is64 ? "ll" : (isLong ? "l" : "");
        f.push_back(static_cast<char>(conv));
        if (is64) {
          std::snprintf(buf, sizeof buf, f.c_str(), va_arg(args, long long));
        } else if (isLong) {
          std::snprintf(buf, sizeof buf, f.c_str(), va_arg(args, long));
        } else {
          std::snprintf(buf, sizeof buf, f.c_str(), va_arg(args, int));
        }
        out += utf8ToUtf16(buf);
        break;
      }
      case u'f':
      case u'F':
      case u'e':
      case u'E':
      case u'g':
      case u'G': {
        std::string f = directive;
        f.push_back(static_cast<char>(conv));
        // "%f" of a large value, or a wide field, outgrows any fixed buffer.
        const double value = va_arg(args, double);
        const int length = std::snprintf(nullptr, 0, f.c_str(), value);
        if (length < 0) break;
        std::string printed(static_cast<size_t>(length) + 1, '\0');
        std::snprintf(printed.data(), printed.size(), f.c_str(), value);
        printed.resize(static_cast<size_t>(length));
        withDecimalPoint(printed);
        out += utf8ToUtf16(printed);
        break;
      }
      case u'p': {
        std::snprintf(buf, sizeof buf, "%p", va_arg(args, void*));
        out += utf8ToUtf16(buf);
        break;
      }
      default:
        out += utf8ToUtf16(directive + lenmod);
        if (conv) out.push_back(conv);
        break;
    }
  }
  return out;
}

vstring vformat(const vchar* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  vstring r = vformatV(fmt, args);
  va_end(args);
  return r;
}

int copyToBuffer(vstring_view text, vchar* buffer, int capacity) {
  if (!buffer || capacity <= 0) return 0;
  size_t n = text.size() < static_cast<size_t>(capacity - 1) ? text.size() : static_cast<size_t>(capacity - 1);
  std::memcpy(buffer, text.data(), n * sizeof(vchar));
  buffer[n] = 0;
  return static_cast<int>(n);
}

namespace {
template <typename C>
C lowerAscii(C c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<C>(c + 32) : c;
}
template <typename View>
bool equalsNoCase(View a, View b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}
}  // namespace

bool equalsNoCaseAscii(vstring_view a, vstring_view b) { return equalsNoCase(a, b); }
bool equalsNoCaseAscii(std::string_view a, std::string_view b) { return equalsNoCase(a, b); }

namespace {
// The small letter of a Latin capital; any other character as it is.
vchar lowerLatin(vchar c) {
  if (c < 0x80) return lowerAscii(c);
  // Latin-1: À..Þ pair with à..þ, except the multiplication sign.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<vchar>(c + 0x20);
  // Latin Extended-A pairs a capital with the small letter after it: on even
  // capitals in 0100..0137 and 014A..0177, on odd ones in 0139..0148 and
  // 0179..017E; 0178 (Ÿ) pairs with ÿ.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return (c % 2 == 0) ? static_cast<vchar>(c + 1) : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? static_cast<vchar>(c + 1) : c;
  if (c == 0x178) return 0xFF;
  return c;
}

// The capital of a small Latin letter, the reverse of lowerLatin.
vchar upperLatin(vchar c) {
  if (c >= u'a' && c <= u'z') return static_cast<vchar>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<vchar>(c - 0x20);
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return (c % 2 == 1) ? static_cast<vchar>(c - 1) : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 0) ? static_cast<vchar>(c - 1) : c;
  if (c == 0xFF) return 0x178;
  return c;
}
}  // namespace

vstring upperCaseLatin(vstring_view text) {
  vstring out(text);
  for (vchar& c : out) c = upperLatin(c);
  return out;
}

bool equalsNoCaseLatin(vstring_view a, vstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lowerLatin(a[i]) != lowerLatin(b[i])) return false;
  }
  return true;
}

size_t vlength(const vchar* text) {
  if (!text) return 0;
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}

}  // namespace vd

#include "preview/text_codes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace GDI {
namespace {

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }
bool digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Appends characters to runs, starting a new run when the format changes.
class run_writer {
public:
  explicit run_writer(std::vector<text_run>& runs) : runs_(runs) {}
  void put(char16_t c, const text_format& format) {
    if (runs_.empty() || !(runs_.back().format == format))
      runs_.push_back(text_run{{}, format});
    runs_.back().text += c;
  }

private:
  std::vector<text_run>& runs_;
};

// A special character at text[i] ("%%d", "%%c", "%%p", "%%%", "%%nnn"):
// its character and length, or 0 when there is none there.
std::size_t specialCharacter(std::u16string_view text, std::size_t i, char16_t& out) {
  if (i + 2 >= text.size() || text[i] != u'%' || text[i + 1] != u'%')
    return 0;
  switch (lower(text[i + 2])) {
  case u'd': out = u'\u00B0'; return 3;
  case u'c': out = kDiameterSign; return 3;
  case u'p': out = u'\u00B1'; return 3;
  case u'%': out = u'%'; return 3;
  default: break;
  }
  std::size_t n = 0;
  unsigned code = 0;
  while (n < 3 && i + 2 + n < text.size() && digit(text[i + 2 + n]))
    code = code * 10 + (text[i + 2 + n++] - u'0');
  if (n == 0 || code == 0)
    return 0;
  out = static_cast<char16_t>(code);
  return 2 + n;
}

// The formatting a switch letter turns on and off: underline (its letter
// is u in one-line texts, l in multi-line ones), overline (o) or strike-out
// (k); null for any other letter.
bool* switched(text_format& format, char16_t letter, char16_t underline) {
  letter = lower(letter);
  if (letter == underline)
    return &format.underline;
  if (letter == u'o')
    return &format.overline;
  return letter == u'k' ? &format.strike_out : nullptr;
}

// The argument of an inline code from text[i] up to ';' (or the end); i
// moves past the ';'.
std::u16string_view argument(std::u16string_view text, std::size_t& i) {
  const std::size_t end = text.find(u';', i);
  const std::u16string_view arg = text.substr(i, end == std::u16string_view::npos ? std::u16string_view::npos : end - i);
  i = end == std::u16string_view::npos ? text.size() : end + 1;
  return arg;
}

// A number at the start of s (as strtod reads it in the C locale: blanks, a
// sign, decimal notation with '.'; ASCII only); nothing when there is none or
// it is not finite. from_chars reads it whatever locale the host gave the C
// library, where strtod would stop at the point of "\H2.5;".
bool number(std::u16string_view s, double& value, std::u16string_view& rest) {
  std::string ascii;
  for (char16_t c : s) {
    if (c > 0x7F)
      break;
    ascii += static_cast<char>(c);
  }
  const char* const end = ascii.data() + ascii.size();
  const char* at = ascii.data();
  while (at != end && std::isspace(static_cast<unsigned char>(*at)))
    ++at;
  if (at != end && *at == '+' && (at + 1 == end || at[1] != '-'))
    ++at;
  const auto [stop, error] = std::from_chars(at, end, value, std::chars_format::general);
  if (error != std::errc() || !std::isfinite(value))
    return false;
  rest = s.substr(static_cast<std::size_t>(stop - ascii.data()));
  return true;
}

// \Hn; or \Hnx;: an absolute height, or one relative to the current one.
void applyHeight(std::u16string_view arg, text_format& format) {
  double value = 0;
  std::u16string_view rest;
  if (!number(arg, value, rest) || !(value > 0.0))
    return;
  const bool relative = !rest.empty() && lower(rest.front()) == u'x';
  const double height = relative ? format.height * value : value;
  if (std::isfinite(height) && height > 0.0)
    format.height = height;
}

// A whole number, or -1.
long wholeNumber(std::u16string_view arg) {
  double value = 0;
  std::u16string_view rest;
  if (!number(arg, value, rest) || value < 0 || value > 0xFFFFFF || value != std::floor(value))
    return -1;
  return static_cast<long>(value);
}

int hexDigit(char16_t c) {
  if (digit(c))
    return c - u'0';
  c = lower(c);
  return c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
}

// A stacked fraction's argument shown on one line: top/bottom; a top alone
// (a superscript written as "2^") as itself.
std::u16string stacked(std::u16string_view arg) {
  std::u16string top, bottom;
  bool below = false;
  for (std::size_t i = 0; i < arg.size(); ++i) {
    char16_t c = arg[i];
    if (c == u'\\' && i + 1 < arg.size()) {
      c = arg[++i]; // an escaped separator is a character
    } else if (!below && (c == u'/' || c == u'#' || c == u'^')) {
      below = true;
      continue;
    }
    (below ? bottom : top) += c;
  }
  if (bottom.empty())
    return top;
  return top + u'/' + bottom;
}

} // namespace

std::vector<text_run> decode_text(std::u16string_view text, const text_format& base) {
  std::vector<text_run> runs;
  run_writer out(runs);
  text_format format = base;
  for (std::size_t i = 0; i < text.size();) {
    char16_t c = 0;
    if (const std::size_t n = specialCharacter(text, i, c)) {
      out.put(c, format);
      i += n;
      continue;
    }
    if (i + 2 < text.size() && text[i] == u'%' && text[i + 1] == u'%') {
      if (bool* flag = switched(format, text[i + 2], u'u')) {
        *flag = !*flag;
        i += 3;
        continue;
      }
    }
    out.put(text[i++], format);
  }
  return runs;
}

std::vector<text_paragraph> decode_mtext(std::u16string_view text, const text_format& base) {
  std::vector<text_paragraph> paragraphs(1);
  paragraphs.back().start = base;
  text_format format = base;
  std::vector<text_format> groups;
  auto put = [&](char16_t c) { run_writer(paragraphs.back().runs).put(c, format); };
  auto paragraph = [&] {
    paragraphs.emplace_back();
    paragraphs.back().start = format;
  };
  for (std::size_t i = 0; i < text.size();) {
    const char16_t c = text[i];
    char16_t special = 0;
    if (const std::size_t n = specialCharacter(text, i, special)) {
      put(special);
      i += n;
      continue;
    }
    if (c == u'{') {
      groups.push_back(format);
      ++i;
      continue;
    }
    if (c == u'}') {
      if (!groups.empty()) {
        format = groups.back();
        groups.pop_back();
      }
      ++i;
      continue;
    }
    if (c == u'^' && i + 1 < text.size()) {
      // A control character written as a caret and a letter.
      const char16_t k = text[i + 1];
      i += 2;
      if (k == u'J')
        paragraph();
      else if (k == u'I')
        put(u' ');
      else if (k == u' ')
        put(u'^');
      continue;
    }
    if (c == u'\t' || c == u'\n' || c == u'\r') {
      if (c == u'\n')
        paragraph();
      else if (c == u'\t')
        put(u' ');
      ++i;
      continue;
    }
    if (c != u'\\' || i + 1 >= text.size()) {
      put(c);
      ++i;
      continue;
    }
    const char16_t k = text[i + 1];
    i += 2;
    switch (k) {
    case u'P':
    case u'N':
    case u'X':
      paragraph();
      break;
    case u'~':
      put(u'\u00A0');
      break;
    case u'\\':
    case u'{':
    case u'}':
      put(k);
      break;
    case u'L':
    case u'l':
    case u'O':
    case u'o':
    case u'K':
    case u'k':
      // Upper case switches on, lower case off.
      *switched(format, k, u'l') = k != lower(k);
      break;
    case u'H':
      applyHeight(argument(text, i), format);
      break;
    case u'C':
      if (const long n = wholeNumber(argument(text, i)); n >= 0 && n <= 256) {
        format.colour_index = static_cast<int>(n);
        format.true_colour = -1;
      }
      break;
    case u'c':
      if (const long n = wholeNumber(argument(text, i)); n >= 0) {
        // Written with red in the low byte; group 420 holds it in the high one.
        format.true_colour = static_cast<std::int32_t>(((n & 0xFF) << 16) | (n & 0xFF00) | ((n >> 16) & 0xFF));
        format.colour_index = -1;
      }
      break;
    case u'S': {
      for (char16_t s : stacked(argument(text, i)))
        put(s);
      break;
    }
    case u'f':
    case u'F':
    case u'A':
    case u'Q':
    case u'W':
    case u'T':
    case u'p':
      argument(text, i);
      break;
    case u'U': {
      int value = 0, n = 0;
      if (i < text.size() && text[i] == u'+') {
        while (n < 4 && i + 1 + n < text.size() && hexDigit(text[i + 1 + n]) >= 0)
          value = value * 16 + hexDigit(text[i + 1 + n++]);
      }
      if (n == 4) {
        put(static_cast<char16_t>(value));
        i += 5;
      } else {
        put(u'\\');
        put(k);
      }
      break;
    }
    case u'M':
      // \M+nXXXX: a character of an East Asian code page, which the
      // picture's font cannot show.
      if (i < text.size() && text[i] == u'+')
        i = std::min(text.size(), i + 6);
      break;
    default:
      put(u'\\');
      put(k);
      break;
    }
  }
  return paragraphs;
}

} // namespace GDI

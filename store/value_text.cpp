#include "store/value_text.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace vd::storetext {

namespace {

vstring fromAscii(const char* begin, const char* end) { return vstring(begin, end); }

bool isBlank(vchar c) { return c == u' ' || c == u'\t'; }

vstring_view trimBlanks(vstring_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Numbers are ASCII; a text with anything else cannot be one.
std::optional<std::string> toAscii(vstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (vchar c : text) {
    if (c == 0 || c >= 0x80) return std::nullopt;
    out.push_back(static_cast<char>(c));
  }
  return out;
}

int hexValue(vchar c, bool allowLower) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (allowLower && c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

template <typename T, typename Parse>
bool parseList(vstring_view text, std::vector<T>& out, Parse parse) {
  out.clear();
  std::vector<T> values;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u';', start);
    if (end == vstring_view::npos) end = text.size();
    std::optional<T> v = parse(text.substr(start, end - start));
    if (!v) return false;
    values.push_back(*v);
    start = end + 1;  // past the separator; a trailing one ends the loop
  }
  out = std::move(values);
  return true;
}

template <typename T, typename Format>
vstring joinList(std::span<const T> values, Format format) {
  vstring out;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) out.push_back(u';');
    out += format(values[i]);
  }
  return out;
}

}  // namespace

vstring formatInt(int32_t value) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return fromAscii(buf, r.ptr);
}

vstring formatDouble(double value) {
  // to_chars with a precision is defined as printf's %g in the C locale, and
  // unlike snprintf it cannot be changed by the process locale.
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
  return fromAscii(buf, r.ptr);
}

std::optional<int32_t> parseInt(vstring_view text) {
  std::optional<std::string> ascii = toAscii(trimBlanks(text));
  if (!ascii || ascii->empty()) return std::nullopt;
  const char* first = ascii->data();
  const char* last = first + ascii->size();
  if (*first == '+') ++first;  // from_chars takes '-' but not '+'
  if (first == last || *first == '+' || (*first == '-' && first != ascii->data())) return std::nullopt;
  int32_t value = 0;
  auto r = std::from_chars(first, last, value, 10);
  if (r.ec != std::errc() || r.ptr != last) return std::nullopt;
  return value;
}

std::optional<double> parseDouble(vstring_view text) {
  std::optional<std::string> ascii = toAscii(trimBlanks(text));
  if (!ascii || ascii->empty()) return std::nullopt;
  const char* first = ascii->data();
  const char* last = first + ascii->size();
  if (*first == '+') ++first;
  if (first == last || *first == '+' || (*first == '-' && first != ascii->data())) return std::nullopt;
  double value = 0;
  auto r = std::from_chars(first, last, value, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<double> leadingDouble(vstring_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  auto digits = [&] {
    const size_t from = i;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ++i;
    return i - from;
  };
  const bool negative = i < text.size() && text[i] == u'-';
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
  const size_t mantissa = i;
  size_t count = digits();
  if (i < text.size() && text[i] == u'.') {
    ++i;
    count += digits();
  }
  if (count == 0) return std::nullopt;
  size_t end = i;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    if (digits() > 0) end = i;
  }
  // The characters taken are ASCII by construction.
  std::string ascii(text.begin() + static_cast<std::ptrdiff_t>(mantissa), text.begin() + static_cast<std::ptrdiff_t>(end));
  double value = 0;
  const auto r = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Too small reads as 0, too large as infinity: which it was, the exponent's sign tells.
    const size_t e = ascii.find_first_of("eE");
    value = e != std::string::npos && ascii.find('-', e) != std::string::npos ? 0.0 : HUGE_VAL;
  }
  return negative ? -value : value;
}

vstring joinInts(std::span<const int32_t> values) { return joinList(values, formatInt); }
vstring joinDoubles(std::span<const double> values) { return joinList(values, formatDouble); }

bool parseIntList(vstring_view text, std::vector<int32_t>& out) { return parseList(text, out, parseInt); }
bool parseDoubleList(vstring_view text, std::vector<double>& out) {
  return parseList(text, out, parseDouble);
}

vstring encodeHex(std::span<const uint8_t> bytes) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  vstring out;
  out.reserve(kCountDigits + 2 * bytes.size());
  uint32_t count = static_cast<uint32_t>(bytes.size());
  for (int shift = 28; shift >= 0; shift -= 4) out.push_back(kDigits[(count >> shift) & 0xF]);
  for (uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0xF]);
  }
  return out;
}

std::optional<uint32_t> decodeHexCount(vstring_view digits) {
  if (digits.size() != kCountDigits) return std::nullopt;
  uint32_t count = 0;
  for (vchar c : digits) {
    int v = hexValue(c, false);
    if (v < 0) return std::nullopt;
    count = (count << 4) | static_cast<uint32_t>(v);
  }
  return count;
}

bool decodeHexBytes(vstring_view digits, std::vector<uint8_t>& out) {
  out.clear();
  if (digits.size() % 2) return false;
  std::vector<uint8_t> bytes(digits.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    int hi = hexValue(digits[2 * i], true);
    int lo = hexValue(digits[2 * i + 1], true);
    if (hi < 0 || lo < 0) return false;
    bytes[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  out = std::move(bytes);
  return true;
}

}  // namespace vd::storetext

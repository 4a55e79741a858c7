#include "hostsim/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace hostsim {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The parts of a decimal real: where its digits are, and its exponent
// (saturated, since only its sign and size matter here).
struct DecimalShape {
  std::string_view whole, fraction;
  long exponent = 0;
};

// Splits a text in decimal notation; nothing when it is not one.
std::optional<DecimalShape> decimalShape(std::string_view t) {
  DecimalShape s;
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t start = i;
  while (i < t.size() && isDigit(t[i])) ++i;
  s.whole = t.substr(start, i - start);
  if (i < t.size() && t[i] == '.') {
    start = ++i;
    while (i < t.size() && isDigit(t[i])) ++i;
    s.fraction = t.substr(start, i - start);
  }
  if (s.whole.empty() && s.fraction.empty()) return std::nullopt;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    bool negative = i < t.size() && t[i] == '-';
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (i == t.size()) return std::nullopt;
    for (; i < t.size() && isDigit(t[i]); ++i) {
      if (s.exponent < 100000) s.exponent = s.exponent * 10 + (t[i] - '0');
    }
    if (negative) s.exponent = -s.exponent;
  }
  if (i != t.size()) return std::nullopt;
  return s;
}

// The power of ten of the first significant digit; only called for a value
// that is not zero.
long leadingPower(const DecimalShape& s) {
  size_t nz = s.whole.find_first_not_of('0');
  if (nz != std::string_view::npos) return static_cast<long>(s.whole.size() - nz - 1) + s.exponent;
  nz = s.fraction.find_first_not_of('0');
  return -static_cast<long>(nz + 1) + s.exponent;
}

}  // namespace

std::optional<double> parseFiniteReal(std::string_view text) {
  std::optional<DecimalShape> shape = decimalShape(text);
  if (!shape) return std::nullopt;
  bool negative = !text.empty() && text[0] == '-';
  // from_chars takes a leading '-' but no '+'.
  std::string_view digits = !text.empty() && text[0] == '+' ? text.substr(1) : text;
  double value = 0;
  auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Out of range either way: too small is the nearest double, zero; too large is no number.
    if (leadingPower(*shape) >= 0) return std::nullopt;
    return negative ? -0.0 : 0.0;
  }
  if (r.ec != std::errc() || r.ptr != digits.data() + digits.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<int> parseInteger(std::string_view text) {
  // from_chars takes a minus sign but no plus sign.
  if (text.size() > 1 && text[0] == '+' && isDigit(text[1])) text.remove_prefix(1);
  int value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::string formatNumber(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", value);
  return buf;
}

std::string formatPoint(const double p[3]) {
  return formatNumber(p[0]) + "," + formatNumber(p[1]) + "," + formatNumber(p[2]);
}

}  // namespace hostsim

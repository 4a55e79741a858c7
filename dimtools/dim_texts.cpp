#include "dimtools/dim_texts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace vd::dim {

namespace {

// Relative distance from a whole number within which an integer share is
// taken for that number.
constexpr double kWholeSlack = 1e-9;

// The text as ASCII; only called on texts numericKind accepts.
std::string ascii(vstring_view text) { return std::string(text.begin(), text.end()); }

std::optional<int64_t> integerOf(vstring_view text) {
  const std::string s = ascii(text);
  int64_t v = 0;
  auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

// The value of digits with points; from_chars reads it without regard to
// the C library's locale and, as the C library would, stops at a second
// point.
double realOf(vstring_view text) {
  std::string s = ascii(text);
  if (!s.empty() && s.front() == '.') s.insert(s.begin(), '0');
  double v = 0.0;
  std::from_chars(s.data(), s.data() + s.size(), v);
  return v;
}

int decimalsOf(vstring_view text, int kind) {
  return kind == kInteger ? 0 : static_cast<int>(text.size()) - kind - 1;
}

// A number printed with `decimals` decimals and '.' as the decimal point.
vstring fixed(double value, int decimals) { return vformat(u"%.*f", decimals, value); }

vstring integerText(int64_t n) {
  const std::string s = std::to_string(n);
  return vstring(s.begin(), s.end());
}

}  // namespace

int numericKind(vstring_view text) {
  bool digit = false;
  int lastPoint = kInteger;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= u'0' && text[i] <= u'9') {
      digit = true;
    } else if (text[i] == u'.') {
      lastPoint = static_cast<int>(i);
    } else {
      return kNotNumber;
    }
  }
  return digit ? lastPoint : kNotNumber;
}

vstring joinTexts(vstring_view first, vstring_view second) {
  const int kindA = numericKind(first), kindB = numericKind(second);
  if (kindA == kNotNumber || kindB == kNotNumber) return {};
  if (kindA == kInteger && kindB == kInteger) {
    std::optional<int64_t> a = integerOf(first), b = integerOf(second);
    if (!a || !b || *a > std::numeric_limits<int64_t>::max() - *b) return {};
    return integerText(*a + *b);
  }
  const int decimals = std::max(decimalsOf(first, kindA), decimalsOf(second, kindB));
  return fixed(realOf(first) + realOf(second), decimals);
}

std::pair<vstring, vstring> splitText(const GcGePoint3d& start, const GcGePoint3d& end, const GcGePoint3d& foot,
                                      vstring_view text) {
  const int kind = numericKind(text);
  const double length = start.distanceTo(end);
  if (kind == kNotNumber || !(length > 0.0)) return {};
  // Clamped so that a foot off the dimension can never take more than all;
  // multiplied before dividing, so that a share of whole units comes out
  // whole (700 at 695 of 700 is 695, not 694.99...).
  const double along = std::min(start.distanceTo(foot), length);
  if (kind == kInteger) {
    std::optional<int64_t> n = integerOf(text);
    if (!n) return {};
    double share = static_cast<double>(*n) * along / length;
    // Lengths computed from points carry noise in their last bits: a share
    // that is a whole number but for that noise is that number, not one less.
    const double whole = std::round(share);
    if (std::abs(share - whole) <= kWholeSlack * std::max(1.0, std::abs(share))) share = whole;
    const auto firstPart = static_cast<int64_t>(std::trunc(share));
    return {integerText(firstPart), integerText(*n - firstPart)};
  }
  const int decimals = decimalsOf(text, kind);
  const double value = realOf(text);
  const double firstPart = value * along / length;
  return {fixed(firstPart, decimals), fixed(value - firstPart, decimals)};
}

}  // namespace vd::dim

#include "heightdim/value_format.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "store/value_text.h"

namespace vd {

namespace {

vstring threeDecimals(const vchar* prefix, double value) {
  return vformat(u"%s%.*f", prefix, kHNoteDecimals, value);
}

// The step of the three decimals every text shows.
constexpr double kShownStep = 0.001;

// `value` rounded to the nearest multiple of `step`, halves away from zero.
// A level that is a half in millimetres (1.005 m at the step 0.01) has no
// exact binary form, and its quotient may come out a hair below the half
// (100.49999999999999), where plain rounding would go down. A quotient
// within a billionth of a step of a half counts as that half: coordinates
// of some thousand metres, subtracted, leave errors of some 1e-12 m. The
// allowance grows with the quotient's own last places, and stops where a
// double has no places left for halves.
double roundToStep(double value, double step) {
  const double q = value / step;
  const double whole = std::trunc(q);
  if (std::fabs(q) < 1e12 && std::fabs(std::fabs(q - whole) - 0.5) <= 1e-9 + 1e-15 * std::fabs(q))
    return (whole + std::copysign(1.0, q)) * step;
  return std::round(q) * step;
}

}  // namespace

FormattedValue formatHNoteValue(double value, double step, bool plus, bool plusMinus, vstring_view separator) {
  // The unrounded value as three decimals show it, rounded the same way, so
  // that at the step 0.001 the two texts agree; a minus zero is zero.
  double shown = roundToStep(value, kShownStep);
  if (shown == 0.0) shown = 0.0;
  double rounded = step > 0.0 && std::isfinite(step) ? roundToStep(value, step) : shown;

  const vchar* prefix = u"";
  if (rounded >= kHNoteZeroLimit) {
    if (plus) prefix = u"+";
  } else if (rounded <= -kHNoteZeroLimit) {
    // A negative value shows its own minus sign.
  } else {
    rounded = 0.0;  // also turns -0.0 into 0.0, which prints without a sign
    if (plusMinus) prefix = u"±";
  }

  FormattedValue out;
  const vstring text = threeDecimals(prefix, rounded);
  out.rounded = threeDecimals(prefix, shown) != text;
  out.text.reserve(text.size() + separator.size());
  for (vchar c : text) {
    if (c == u'.')
      out.text.append(separator);
    else
      out.text.push_back(c);
  }
  return out;
}

int hnoteDirectionClass(int type, double angle, double rotation) {
  if (type < 0 || type > 2) return 0;
  constexpr double pi = std::numbers::pi;
  constexpr double twoPi = 2.0 * pi;
  double a = angle - rotation;
  if (a < 0.0 || a >= twoPi) {
    a = std::fmod(a, twoPi);
    if (a < 0.0) a += twoPi;
    if (a >= twoPi) a = 0.0;  // fmod of a value just below zero can round up to the full turn
  }
  // The boundaries themselves belong to class 1; the constants are computed
  // the way callers write the angles, so an exact quarter is met exactly.
  const bool nearHorizontal =
      a < pi / 4 || (a > 3 * pi / 4 && a < 5 * pi / 4) || a > 7 * pi / 4;
  return nearHorizontal ? 2 : 1;
}

vstring hnoteNumberText(double value, vstring_view separator) {
  vstring text = vformat(u"%g", value);
  const size_t dot = text.find(u'.');
  if (dot != vstring::npos) text.replace(dot, 1, separator);
  return text;
}

std::optional<double> hnoteTypedNumber(vstring_view text, vstring_view separator) {
  vstring digits(text);
  if (!separator.empty() && separator != u".") {
    for (size_t at = digits.find(separator); at != vstring::npos; at = digits.find(separator, at + 1))
      digits.replace(at, separator.size(), u".");
  }
  std::replace(digits.begin(), digits.end(), u',', u'.');
  return storetext::leadingDouble(digits);
}

}  // namespace vd

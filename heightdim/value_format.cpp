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

}  // namespace

FormattedValue formatHNoteValue(double value, double step, bool plus, bool plusMinus, vstring_view separator) {
  double rounded = value;
  if (step > 0.0 && std::isfinite(step)) rounded = std::round(value / step) * step;  // halves away from zero

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
  vstring shown = threeDecimals(prefix, rounded);
  out.rounded = threeDecimals(prefix, value) != shown;
  out.text.reserve(shown.size() + separator.size());
  for (vchar c : shown) {
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

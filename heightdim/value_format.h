// The value text of a height dimension, the direction class that decides
// how a mark's underline runs, and the settings' numbers as typed and shown.
#pragma once
#include <optional>

#include "host/text.h"

namespace vd {

// What a value becomes on the drawing.
struct FormattedValue {
  vstring text;
  // The value had to be rounded to be shown: its unrounded text (same prefix,
  // three decimals) differs from the shown one.
  bool rounded = false;
};

// Decimals of every value text: the format is fixed, so a text shown
// without a separator still has its last three digits after the point.
inline constexpr int kHNoteDecimals = 3;

// Smallest value that counts as non-zero after rounding: the double just
// above 0.001, so a rounded value of exactly 0.001 reads as zero.
inline constexpr double kHNoteZeroLimit = 0.0010000000000000002;

// Formats `value` (metres) rounded to a multiple of `step` (halves away from
// zero, a quotient a hair off a half counting as the half) with three
// decimals. A positive value gets "+" when `plus` is set, a
// zero one "±" when `plusMinus` is set; "." is then replaced by `separator`
// (an empty separator drops it). The rounded flag compares the text with the
// value rounded to three decimals in the same way, both before the separator
// is put in, so it does not depend on the separator. A step that
// is not a positive finite number leaves the value as three decimals show it.
FormattedValue formatHNoteValue(double value, double step, bool plus, bool plusMinus, vstring_view separator);

// The direction class of a mark: 0 for types above 2 (and below 0); for
// section-view types, 2 when the mark's direction (`angle` turned back by
// `rotation`) lies within pi/4 of the X axis, the boundaries excluded, else 1.
int hnoteDirectionClass(int type, double angle, double rotation);

// A number of a settings record as the settings dialog shows it in a combo
// ("%g", with the locale's decimal separator in place of '.'), and a typed
// text read back as the user's typing reads: ',' and `separator` both stand
// for '.', and the number the text begins with counts, whatever follows it
// ("2,5 mm" is 2.5). Nothing when the text begins with no number; one beyond
// the range of a double is an infinity.
vstring hnoteNumberText(double value, vstring_view separator);
std::optional<double> hnoteTypedNumber(vstring_view text, vstring_view separator);

}  // namespace vd

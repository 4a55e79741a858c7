#pragma once
// Text of the display list without Windows: the substitutions of control
// sequences and the box a text is estimated (or measured) to cover.
#include "preview/extents.h"

#include <cstdint>
#include <string>

namespace GDI {

// "%%p" (or "%%P") becomes "±", the literal sequences "\U+00B2" and "\U+00B3"
// become "2" and "3".
std::u16string substitute_text(std::u16string_view text);

// Box of a text line of `width` drawing units along unit direction d from the
// insertion point, for the alignment codes (vertical 0 baseline, 1 bottom,
// 2 middle, 3 top; horizontal 0 left, 1 and 4 centre, 2 right). `shift` is
// how far right and centre alignment move the reference point back along d:
// n x h for the estimate, the measured width when measured.
extents text_box(const GcGePoint2d& insertion, const GcGeVector2d& d, double height, double width, double shift,
                 std::uint32_t vertical, std::uint32_t horizontal);

// Width of a character against the text's height in an estimate.
inline constexpr double kEstimatedCharWidth = 0.7;

// Estimated box: width 0.7 x characters x height, times the width factor.
extents estimate_text_extents(const GcGePoint2d& insertion, const GcGeVector2d& d, double height, std::size_t chars,
                              std::uint32_t vertical, std::uint32_t horizontal, double width_factor = 1.0);

// How a text is laid on the device (y down). Given the device images of its
// direction and of the direction above it: when the map mirrors the text
// (its up direction on the right of its direction), the text would read
// backwards or upside down. It is drawn instead, read as texts are, in the
// box the mirrored text covers: turned round its up direction (reading the
// other way, left and right alignment swapped), or when that would read from
// right to left on the device (or downwards), turned round its baseline
// (reading as before, the up direction reversed, top and bottom alignment
// swapped, and a baseline alignment moved to where the baseline of the
// turned glyphs lands: flip_baseline).
struct device_text_frame {
  GcGeVector2d reading;         // device direction the glyphs read in
  std::uint32_t vertical = 0;   // alignment codes to draw with
  std::uint32_t horizontal = 0;
  double up_sign = 1.0;         // -1: the glyphs' up is the reverse of the mapped up direction
  bool flip_baseline = false;   // move the baseline by ascent less descent along the mapped up direction
};
device_text_frame readable_text_frame(const GcGeVector2d& direction, const GcGeVector2d& up, std::uint32_t vertical,
                                      std::uint32_t horizontal);

} // namespace GDI

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
// The same with the glyphs' up direction given: the left normal of d for a
// text as it is written, its reverse for one written upside down (and d
// reversed for one written backwards).
extents text_box(const GcGePoint2d& insertion, const GcGeVector2d& d, const GcGeVector2d& up, double height,
                 double width, double shift, std::uint32_t vertical, std::uint32_t horizontal);

// Width of a character against the text's height in an estimate.
inline constexpr double kEstimatedCharWidth = 0.7;

// Estimated box: width 0.7 x characters x height, times the width factor.
extents estimate_text_extents(const GcGePoint2d& insertion, const GcGeVector2d& d, double height, std::size_t chars,
                              std::uint32_t vertical, std::uint32_t horizontal, double width_factor = 1.0);

// The axes a text's glyphs are drawn along: its direction and the direction
// above it, turned over for a text written backwards (group 71 bit 2: the
// glyphs run the other way from the insertion point) and upside down (bit
// 4: they hang below the baseline), as CAD programs draw such texts.
struct text_axes {
  GcGeVector2d along;
  GcGeVector2d up;
};
text_axes glyph_axes(const GcGeVector2d& direction, bool backward, bool upside_down);

} // namespace GDI

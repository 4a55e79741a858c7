#pragma once
// Texts of TEXT, ATTRIB and MTEXT chains laid out as the lines a view draws:
// where each line sits, how high and wide it is drawn, and the formatting it
// starts with. Used by item_from_chain; apart for its tests.
#include "preview/chain_items.h"
#include "preview/text_codes.h"

#include <vector>

namespace GDI {

// A line and the formatting it is drawn in: that of its first character.
// A line is one text element, so what changes within it (an underline or a
// colour from the middle on) is not drawn.
struct laid_text {
  chain_text text;
  text_format format;
};

// A one-line text (TEXT, ATTRIB): one line, or nothing for a chain without
// insertion point, a positive height or any character. Aligned (72 = 3) and
// fit (72 = 5) texts run from point 10 to point 11, the first at the height
// that makes the line as long as that, the second at its own height (40)
// with the glyphs widened or narrowed to it; middle (72 = 4) texts are
// centred both ways on point 11; other alignments are placed at point 11
// when they are not left and baseline (point 10 without a point 11). The
// width factor (41) widens the glyphs; the vertical alignment is group 73,
// group 74 on attributes; the generation flags (71) say whether the text is
// written backwards (2) or upside down (4).
std::vector<laid_text> one_line_text(const vd::ValueNode* chain, const text_measure& width);

// A multi-line text (MTEXT): a line per paragraph, paragraphs wrapped at the
// reference width (41) when it is positive. Lines follow each other from the
// top, each baseline 5/3 of a height times the spacing factor (44) below the
// one before: of the taller of the two lines ("at least", 73 = 1) or of the
// text's height (40, "exactly", 73 = 2). The attachment point (71) puts the
// top of the first line, the middle between it and the last baseline, or the
// last baseline at the insertion point (10), and the lines left, centred or
// right there. The direction is group 11, or the angle 50, whichever comes
// last. Nothing without an insertion point, a positive height or any
// character.
std::vector<laid_text> multi_line_text(const vd::ValueNode* chain, const text_measure& width);

// A paragraph's lines at most `width` long (not wrapped when it is not
// positive). Lines break at spaces, which the break drops; a word longer
// than the width is a line of its own. A line is measured at the height of
// its first character. An empty paragraph is one empty line.
struct text_line {
  std::u16string text;
  text_format format;
};
std::vector<text_line> wrap_paragraph(const text_paragraph& paragraph, double width, const text_measure& measure);

} // namespace GDI

// The text overrides of joined and split dimensions: a number the user
// typed is carried over as the sum of the joined texts, or shared out
// between the parts of a split in proportion to their lengths.
#pragma once
#include <utility>

#include "geom/point3d.h"
#include "host/text.h"

namespace vd::dim {

// How a text reads as a number: kNotNumber for an empty text, one holding
// anything but the digits 0-9 and '.', or one of points alone; kInteger for
// digits alone; otherwise the position of its last '.'.
inline constexpr int kNotNumber = -2;
inline constexpr int kInteger = -1;
int numericKind(vstring_view text);

// The text of a dimension joined from two: the sum of two numbers, an
// integer when both are, otherwise with the larger number of decimals of
// the two; empty (the joined dimension shows what it measures) when either
// is no number or an integer too long to add.
vstring joinTexts(vstring_view first, vstring_view second);

// The texts of the two parts of a dimension from `start` to `end` split at
// `foot`: an integer n gives the first part n times its share of the length
// cut toward zero and the second the rest; a decimal with k decimals gives
// the first its share and the second the rest, both with k decimals; no
// number (or a dimension of no length) gives two empty texts.
std::pair<vstring, vstring> splitText(const GcGePoint3d& start, const GcGePoint3d& end, const GcGePoint3d& foot,
                                      vstring_view text);

}  // namespace vd::dim

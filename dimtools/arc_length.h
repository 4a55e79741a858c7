// The length of part of an arc given by three points on it: the circle
// through them and the sweep from the first to the third through the second.
#pragma once
#include <cstdint>
#include <optional>

#include "geom/point3d.h"

namespace vd::dim {

struct ArcThreePoints {
  GcGePoint3d startPoint, middlePoint, endPoint;  // user coordinates
  GcGePoint3d arcCentre;
  double arcRadius = 0.0;
  int16_t lengthDecimals = 4;  // LUPREC
};

// Sets the centre and radius of the circle through the three points. False
// when they do not fix one: the second or third point on the first, or all
// three on one line.
bool fitCircle(ArcThreePoints& arc);

// Length of the arc part from the start through the middle to the end point
// about the fitted centre, rounded to `lengthDecimals` decimals (none when 0).
double arcPartLength(const ArcThreePoints& arc);

}  // namespace vd::dim

#include "host/text.h"

namespace vd::dim {

// Shows the length text in the dialog of a host of CAD type 0; null where
// the build has no dialogs (the length then goes to the command line).
using ArcLengthDialog = void (*)(const vstring& lengthText);

// The command: asks for the three points, reports the length. 0 when a
// length was reported; -1 when a point was not given (silently) or the
// points fix no arc (with the message 1535).
int runDimArcLength(ArcLengthDialog dialog);

}  // namespace vd::dim

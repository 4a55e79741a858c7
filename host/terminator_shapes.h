// The standard dimension terminators by name and their shapes, drawn one unit
// long with the tip at the origin and the dimension line coming from -X. The
// host makes its terminator blocks from these shapes and a preview draws a
// leader's arrowhead from them, so both show the same picture.
#pragma once
#include <vector>

#include "geom/point2d.h"
#include "host/text.h"

namespace vd {

// One member of a terminator's shape.
struct TerminatorPart {
  enum class Kind {
    Line,      // points[0] to points[1]
    Polyline,  // through points, back to the first when closed; `width` wide
    Solid,     // a filled triangle or quadrilateral, corners in the order of a
               // SOLID (the third and fourth crosswise; a triangle repeats the third)
    Circle,    // around points[0], `radius`
    Arc,       // around points[0], `radius`, counter-clockwise from startDegrees to endDegrees
    Disc,      // a filled disc around points[0], `radius`
  };
  Kind kind = Kind::Line;
  std::vector<GcGePoint2d> points;
  bool closed = false;
  double width = 0;
  double radius = 0;
  double startDegrees = 0, endDegrees = 0;
};

struct TerminatorShape {
  const vchar* name;       // as a user names it: "." for the closed filled arrow
  const vchar* blockName;  // the block the host makes for it: "_CLOSEDFILLED" for "."
  std::vector<TerminatorPart> parts;  // none for "_NONE"
};

// The 18 standard terminators, "." first.
const std::vector<TerminatorShape>& standardTerminators();

// The terminator of a name or block name in any case ("_open30",
// "_ClosedFilled"); null for any other name.
const TerminatorShape* findTerminator(vstring_view name);

}  // namespace vd

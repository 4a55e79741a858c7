// The host's own dimensioning: the interaction that places an angular
// dimension on an arc (DimArcEntry, DimArcEntryExit) and the dimension-style
// update a command text asks for (DIM UPDATE).
#pragma once
#include <string>
#include <vector>

#include "host/text.h"

namespace hostsim {

class Host;

// DimArcEntry(mode, withLimitPoints): asks through the script's answers for
// an arc, a circle or a bulged polyline segment (`pick` or `pickat`; another
// entity is refused with the host's message and asked for again), for a
// circle the start and end of the part to dimension (counter-clockwise from
// the one to the other), the dimension's location (`point`) and, with limit
// points, two points. It then leaves in the drawing a 3-point angular
// DIMENSION on the current layer and dimension style (15 the centre, 13 and
// 14 the ends of the arc, 10 on the dimension arc at the location's distance
// from the centre, 42 the angle from 13 to 14 in radians) and, with limit
// points, a POINT at each; the source stays as it was. A location outside
// the arc's sweep goes onto the arc's bisector at its distance: the host
// measures the arc that was picked. The current selection becomes the
// dimension, the source and the points in that order, for EntnextW.
// Answers 5100, or -1 when an answer cancelled (nothing is left then).
int beginArcDimensionEntry(Host& host, int mode, bool withLimitPoints);

// DimArcEntryExit(): the interaction ends; the temporaries it left and the
// module did not erase are removed. 1, or 0 when no interaction was open.
int endArcDimensionEntry(Host& host);

// DIM UPDATE on the entity of a handle: a DIMENSION takes the current
// dimension style (DIMSTYLE) and loses the overrides of its own (extended
// data "ACAD"), in place. False with the reason for anything else.
bool applyCurrentDimStyle(Host& host, vd::vstring_view handle, std::string& why);

}  // namespace hostsim

// Where entities are for a pick: the distance from a point to an entity's
// geometry, and whether an entity lies inside a window. Plan view: z is ignored.
#pragma once
#include "host/chain.h"

namespace hostsim {

// Distance in the XY plane from the point to the entity: lines, circles, arcs
// (angles in radians), light-weight polylines with bulges and the segments of
// solids and faces are measured on their outline; other entities by their
// nearest defining point (groups 10 to 18). Negative when the entity has none.
double pickDistance(vd::ChainView entity, double x, double y);

// True when the whole entity lies inside the rectangle of the two corners:
// its outline for lines, circles, arcs and polylines, its defining points otherwise.
bool insideWindow(vd::ChainView entity, const double a[3], const double b[3]);

}  // namespace hostsim

// Where entities are for a pick: the distance from a point to an entity's
// geometry, and whether an entity lies inside a window. Plan view: z is ignored.
#pragma once
#include <optional>
#include <vector>

#include "host/chain.h"

namespace hostsim {

class Host;
struct Answer;

// Distance in the XY plane from the point to the entity: lines, circles, arcs
// (angles in radians), light-weight polylines with bulges and the segments of
// solids and faces are measured on their outline; other entities by their
// nearest defining point (groups 10 to 18). Negative when the entity has none.
double pickDistance(vd::ChainView entity, double x, double y);

// True when the whole entity lies inside the rectangle of the two corners:
// its outline for lines, circles, arcs and polylines, its defining points otherwise.
bool insideWindow(vd::ChainView entity, const double a[3], const double b[3]);

// The entities a scripted selection answer names: `pick` by handle, `pickat`
// the entity nearest the point within the host's pick aperture (none when
// nothing is that near), `window` those inside it. Nothing, with the run
// failed, when a handle names no top-level entity of the drawing.
std::optional<std::vector<vd::vstring>> pickedEntities(Host& host, const Answer& answer);

// The arc an entity offers where it was picked: an ARC, a CIRCLE (the whole
// turn, `circle` set) or a bulged segment of a light-weight polyline. Angles
// are radians, counter-clockwise from `start` to `end`; z is the entity's
// (a polyline's elevation). For a polyline picked at a point, the piece of
// its outline nearest the point must be a bulged segment; without a point
// its first bulged segment is taken. Nothing for other entities.
struct PickedArc {
  double centre[3] = {0, 0, 0};
  double radius = 0;
  double start = 0, end = 0;
  bool circle = false;
};
std::optional<PickedArc> arcAt(vd::ChainView entity, const double* pickPoint);

}  // namespace hostsim

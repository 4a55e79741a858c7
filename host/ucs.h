// The user-coordinate transforms: module-wide, identity until a command
// refreshes them from the host's UCSORG, UCSXDIR and UCSYDIR before it reads points.
#pragma once
#include "geom/matrix2d.h"
#include "geom/matrix3d.h"

namespace vd {

struct UcsTransforms {
  GcGeMatrix2d userToWorld2d;
  GcGeMatrix2d worldToUser2d;
  GcGeMatrix3d userToWorld3d;
  GcGeMatrix3d worldToUser3d;
};

// The four transforms (identity until the first refresh).
UcsTransforms& ucsTransforms();

// Reads the user system from the host (a variable the host does not have keeps
// the value of the last refresh) and sets the transforms. The 2D pair maps
// only when the user Z axis is the world Z axis; otherwise both are identity.
void refreshUcsTransforms();

// Back to identity and the world system, for tests.
void resetUcsTransforms();

}  // namespace vd

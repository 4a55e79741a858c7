// Lining up linear dimensions on a sample (DimAlign) and turning the
// horizontal direction of dimensions to the current UCS (DimUpdateUCS).
// Both rewrite the dimensions they change in one batch and erase the old
// ones after it was flushed.
#pragma once
#include <optional>

#include "geom/tol.h"
#include "geom/point3d.h"
#include "geom/vector3d.h"
#include "host/chain.h"

namespace vd::dim {

// The tolerances DimAlign works with in a drawing of `units` (GetUnits): the
// context tolerance at equal-point u * 1e-6 and equal-vector u * 1e-8, the
// fine one at a thousandth of those; u is `units` truncated to an integer,
// at least 1, so that a failed GetUnits (0) never leaves them at zero.
struct AlignTolerances {
  GcGeTol context;
  GcGeTol fine;
};
AlignTolerances alignTolerances(double units);

// What DimAlign reads of a rotated or aligned dimension.
struct LinearDimension {
  GcGePoint3d definitionPoint;  // group 10, on the dimension line
  GcGeVector3d direction;       // unit direction of the dimension line
  GcGeVector3d normal;          // unit extrusion direction (210, world Z when absent)
  bool rotated = false;
};

// A dimension with the "AcDbAlignedDimension" marker and the groups 10, 11,
// 13 and 14; nothing for anything else. A rotated one (it also has the
// "AcDbRotatedDimension" marker) runs along the x axis of its object
// coordinate system turned by its rotation (50) about the normal; an
// aligned one from 13 to 14, or along that x axis when 13 and 14 are one
// point (compared with GcGeContext::gFineTol).
std::optional<LinearDimension> readLinearDimension(ChainView dimension);

// The x axis of the object coordinate system of an entity with the normal
// `n`: the arbitrary-axis rule of GcGeVector3d::perpVector, as the host
// places group 11 of a dimension.
GcGeVector3d objectXAxis(const GcGeVector3d& n);

// Moves the dimension line of `dimension` (read as `self`) onto the line of
// `sample`: group 10 goes where its extension line (the direction turned by
// π/2 about its normal) meets the plane through the sample's point 10
// spanned by the sample's direction and normal, and group 11 (in the object
// coordinate system) moves by the same shift. False, with the chain as it
// was, when the line does not meet the plane.
bool alignOnto(OwnedChain& dimension, const LinearDimension& self, const LinearDimension& sample);

// The horizontal direction (group 51) that makes a dimension's horizontal
// the current UCS X axis: 2π − α, α the direction angle of the UCS X axis
// in the world (from the UCS transforms, refreshed by the caller).
double ucsHorizontalDirection();

// Sets group 51 of a dimension: its value when it has one, else a new node
// behind group 71 and the nodes of codes 41 to 79 that directly follow it.
// False, with the chain as it was, when it has neither 51 nor 71.
bool setHorizontalDirection(OwnedChain& dimension, double angle);

// The commands. DimAlign: 0 when a selection was cancelled or the batch was
// refused, 1 when it was written. DimUpdateUCS: 0 when written, -1 when a
// selection was cancelled or the batch refused.
int runDimAlign();
int runDimUpdateUcs();

}  // namespace vd::dim

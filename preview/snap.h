#pragma once
// Snap points of the display list: the kinds, the result record, what a curve
// or point contributes, and the ordering of a query's results.
#include "geom/arrays.h"
#include "geom/curve2d.h"
#include "preview/extents.h"

#include <cstdint>
#include <vector>

namespace GDI {

// One bit per kind of characteristic point; a query asks for several at once.
enum snap_kind : std::uint32_t {
  snap_none = 0,             // the cursor centre itself
  snap_end = 1,              // ends of curves
  snap_middle = 2,           // middle of the parameter range of open curves
  snap_center = 4,           // centres of circular and elliptical arcs
  snap_node = 8,             // point entities
  snap_nearest = 16,         // nearest point to the cursor; point entities
  snap_solid = 32,           // centre of a filled solid's box
  snap_quadrant = 64,        // quadrant points of circles and ellipses
  snap_plus = 128,           // marker only, never produced
  snap_intersection = 256,   // crossing of two elements
  snap_perpendicular = 512,  // foot of the perpendicular from the last point
};
// Query option: search the whole list without the time limit.
inline constexpr std::uint32_t snap_no_timer = 0x80000000u;
inline constexpr std::uint64_t no_handle = ~std::uint64_t{0};

struct snap_result {
  GcGePoint2d point;
  double distance = 0.0;
  std::uint32_t snap_kind = 0;
  std::uint64_t handle = no_handle;
};

// Snap points of a curve or point entity (already in drawing units) inside
// window w, for the kinds asked in `modes`; `last` is the last picked point
// or null. Composite curves are handled member by member.
void collect_geometry_snap_points(const GcGeEntity2d& geometry, const extents& w, std::uint32_t modes,
                                  const GcGePoint2d* last, GcGePoint2dArray& points,
                                  std::vector<std::uint32_t>& kinds);

// Crossing and touching points of two curves; tol is the equal-point distance.
void collect_curve_intersections(const GcGeCurve2d& a, const GcGeCurve2d& b, double tol, GcGePoint2dArray& points);

// Sorts by distance and drops a result at the point of the previous one
// (within tol) whose kind shares a bit with the kinds already kept there.
void sort_snap_results(std::vector<snap_result>& results, double tol);

// Whether p lies inside a set of closed loops given as point rings, by the
// parity of the crossings of a ray to the right.
bool inside_rings(const GcGePoint2d& p, const GcGePoint2d* points, const std::uint32_t* counts, std::size_t rings);

// Unit segments of the marker drawn for a snap kind (device y down), as
// point pairs; unknown kinds draw nothing.
std::vector<GcGePoint2d> snap_marker_segments(std::uint32_t kind);

} // namespace GDI

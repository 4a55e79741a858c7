#pragma once
// The lines of a hatch pattern inside the hatch's boundary: each family of
// parallel lines is cut by the boundary rings with even-odd parity (a ring
// inside another makes a hole, one inside that an island again) and broken
// into its dashes. Portable; the preview turns the pieces into curves.
#include "geom/point2d.h"
#include "geom/vector2d.h"

#include <cstddef>
#include <vector>

namespace GDI {

// One family of parallel pattern lines: a line through base + k * offset for
// every whole k, running in the direction of `angle`. Each line's dash
// pattern starts at its own base point, so an offset with a part along the
// lines staggers the dashes from line to line.
struct pattern_family {
  double angle = 0.0;   // radians, counter-clockwise from the x axis
  GcGePoint2d base;
  GcGeVector2d offset;  // from one line's base point to the next line's
  // Lengths in turn: positive a dash, negative a gap, zero a dot; repeated
  // along the line. Empty: a continuous line.
  std::vector<double> dashes;
};

struct hatch_segment {
  GcGePoint2d from, to;
};

// A closed boundary ring: its corners in order, the last joined to the first.
using hatch_ring = std::vector<GcGePoint2d>;

// Caps that keep a fine pattern over a large area (a tiny pattern scale) from
// taking unbounded time and memory: every segment becomes a display element.
struct hatch_limits {
  std::size_t max_lines = 20000;      // lines of all families across the boundary's box
  std::size_t max_segments = 250000;  // dashes, dots and line pieces in all
};

enum class hatch_outcome {
  drawn,      // the segments were appended (possibly none)
  too_dense,  // a limit was exceeded; nothing was appended
};

// Appends to `out` the pieces of every family's lines that lie inside the
// rings. A line through a ring corner is counted once or not at all, as the
// corner's two edges lie on either side of it or on one, so corners do not
// upset the parity; an edge along a line adds no crossing of its own. A dot
// is drawn as a segment of 1/64 of its pattern's repeat length. Families or
// ring points that are not finite numbers are left out; a family whose
// offset has no part across its lines draws its one line through base.
hatch_outcome hatch_lines(const std::vector<hatch_ring>& rings, const std::vector<pattern_family>& families,
                          std::vector<hatch_segment>& out, const hatch_limits& limits = {});

} // namespace GDI

// Breaking linear dimensions at points the user gives, each into two
// dimensions that meet at the break (the command DimDivide).
#pragma once
#include <optional>
#include <span>
#include <vector>

#include "geom/point3d.h"
#include "host/chain.h"

namespace vd::dim {

// The two rotated dimensions a dimension breaks into, and the direction of
// its dimension line (radians).
struct DimSplit {
  OwnedChain first, second;
  double lineAngle = 0.0;
};

// Breaks a linear dimension where the line through `point` along its
// extension lines meets its dimension line: the first part runs from its
// first extension line to an extension line from `point`, the second from
// there to its second extension line. Both are rotated dimensions (an
// aligned one turns into one) with their texts from splitText and the
// DIMEXO override `exo` where the dimension has none. Nothing when the
// break falls outside the dimension line or within the point tolerance of
// an end, or when memory runs out.
std::optional<DimSplit> splitDim(ChainView dimension, const GcGePoint3d& point, double exo);

// Two dimension-line directions count as one, either way round, within this.
inline constexpr double kParallelTolerance = 0.01;
bool sameLineDirection(double a, double b);

enum class DivideResult {
  kDone,
  kNotParallel,  // two dimensions that broke do not lie along one direction
};

// Breaks the dimensions of the list at the points, the last point first:
// at each point every dimension it falls on is replaced by its two parts,
// the first in its place and the second behind it. The directions of all
// that break must agree with that of the first; when they do not, the list
// is left in a state the caller drops.
DivideResult divideDimensions(std::vector<OwnedChain>& dimensions, std::span<const GcGePoint3d> points, double exo);

// The command: break points until anything but a point ends the input
// (Enter, the keyword and Esc alike; the first with prompt 1513, the others
// with 1514, each with a rubber band from the previous one; as many as the
// user gives), then the dimensions to break (prompt 1515). No point given,
// or a cancelled selection, ends it with no change; dimensions of different
// directions get message 1516 and nothing changes. Always 0.
int runDimDivide();

}  // namespace vd::dim

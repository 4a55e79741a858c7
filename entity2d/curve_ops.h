// Geometry operations behind the entity objects: splitting a curve where
// another meets it, trimming the pieces on one side of a cutting curve,
// classifying a piece against a region, and turning curves back into
// entity objects and chains.
#pragma once
#include "entity2d/ent2d.h"
#include "geom/arrays.h"
#include "geom/boundblock2d.h"
#include "geom/curve2d.h"

namespace vd {

// Appends to `out` the pieces of `curve` cut at every point where `cutter`
// meets it (new curves, owned by the caller), in their order along the
// curve. A composite is split member by member; a curve of no length comes
// back as one unchanged copy. Cuts are made at the intersection's own
// parameters; cuts within the equal-point distance of each other or of an
// end are one, so no piece is a sliver.
void splitByCurve(const GcGeCurve2d& curve, const GcGeCurve2d& cutter, GcGeCurve2dPtrArray& out);

// Where a piece lies against a region.
enum RegionSide : int {
  kOutsideRegion = 0,
  kInsideRegion = 1,
  kUndecided = 2,  // too many samples on the boundary to tell
};

// Samples the piece and classifies the samples that are not on the region's
// boundary by their winding number (arcs and elliptical arcs taken exactly);
// more than two on one side decide.
int pieceInsideRegion(const GcGeCurve2d& piece, const GcGeCurve2d& region);

// Winding number of a closed curve (an open one is closed by the chord from
// its end back to its start) around a point off the curve.
int windingNumber(const GcGeCurve2d& region, const GcGePoint2d& p);

// Splits `curve` by `cutter` and keeps the pieces inside (keepInside) or
// outside the region. With a closing direction the region is the cutter
// closed by segments from its ends along that direction, long enough to leave
// `box` (or the extents of both curves when no box is given); without one it
// is the cutter itself. `removed` tells whether a piece was dropped. Returns
// the number of pieces appended.
int trimByCurve(const GcGeCurve2d& curve, const GcGeCurve2d& cutter, GcGeCurve2dPtrArray& out, bool keepInside,
                bool& removed, const GcGeVector2d* closingDirection = nullptr, const GcGeBoundBlock2d* box = nullptr);

// Makes an entity object of every curve whose type has one (segment, arc,
// elliptical arc, composite, ray, line), sharing `holder` and taking a copy
// of `props`; the objects are dirty, so their next chain is written anew.
// Takes every curve out of `curves` (the ones without an entity kind are
// deleted) and returns the number of objects appended.
int wrapCurvePieces(GcGeCurve2dPtrArray& curves, EntList& out, SharedChain* holder, const EntityProps& props);

// A new entity chain for a copy of the curve moved by the matrix, written by
// its type with the properties; codes the writers copy come from `prev` (none
// when it is empty). Empty for curve types without an entity.
OwnedChain writeCurveChain(const EntityProps& props, const GcGeCurve2d& curve, const GcGeMatrix2d& m,
                           ChainView prev = ChainView());

}  // namespace vd

#include "entity2d/curve_ops.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "entity2d/chain_write.h"
#include "entity2d/curve_entities.h"
#include "geom/curve_curve_int2d.h"
#include "geom/mathutils.h"

namespace vd {

namespace {

void flattenMembers(const GcGeCurve2d& c, std::vector<const GcGeCurve2d*>& out) {
  if (c.isKindOf(GcGe::kCompositeCrv2d)) {
    const auto& comp = static_cast<const GcGeCompositeCurve2d&>(c);
    for (int i = 0; i < comp.numCurves(); ++i) flattenMembers(comp.curveAt(i), out);
    return;
  }
  out.push_back(&c);
}

// Angle swept by the direction from p to the moving point as it runs along
// the chord from a to b.
double chordAngle(const GcGePoint2d& p, const GcGePoint2d& a, const GcGePoint2d& b) {
  const GcGeVector2d u = a - p, v = b - p;
  return std::atan2(u.crossProduct(v), u.dotProduct(v));
}

// A conic arc seen as the unit circle: point(t) = centre + R cos t M + r sin t N.
struct ConicFrame {
  GcGePoint2d centre;
  GcGeVector2d major, minor;  // unit
  double rMajor = 0, rMinor = 0;
  int orientation = 1;        // +1 when the arc runs counter-clockwise
  bool inside(const GcGePoint2d& p) const {
    const GcGeVector2d d = p - centre;
    const double u = d.dotProduct(major) / rMajor, v = d.dotProduct(minor) / rMinor;
    return u * u + v * v < 1.0;
  }
};

// Angle swept along a conic arc between two parameters: the chord's angle,
// plus a full turn when p lies in the segment between chord and arc (the
// loop arc-then-chord winds once round it).
double conicAngle(const GcGeCurve2d& c, const ConicFrame& f, const GcGePoint2d& p, double t0, double t1, int depth) {
  const double tm = 0.5 * (t0 + t1);
  const GcGePoint2d a = c.gcEvalPoint(t0), b = c.gcEvalPoint(t1), m = c.gcEvalPoint(tm);
  const GcGeVector2d pa = a - p, pb = b - p;
  // Halves of more than a half turn, and chords that run through p, are taken apart.
  const bool throughP = std::abs(pa.crossProduct(pb)) <= 1e-12 * pa.length() * pb.length() && pa.dotProduct(pb) < 0;
  if (depth < 8 && (t1 - t0 > vdgeom::kPi || throughP))
    return conicAngle(c, f, p, t0, tm, depth + 1) + conicAngle(c, f, p, tm, t1, depth + 1);
  double angle = chordAngle(p, a, b);
  const GcGeVector2d chord = b - a;
  const double sideOfArc = chord.crossProduct(m - a), sideOfP = chord.crossProduct(p - a);
  if (f.inside(p) && ((sideOfArc > 0 && sideOfP > 0) || (sideOfArc < 0 && sideOfP < 0)))
    angle += vdgeom::kTwoPi * f.orientation;
  return angle;
}

double memberAngle(const GcGeCurve2d& c, const GcGePoint2d& p) {
  const GcGeInterval range = c.interval();
  if (c.isKindOf(GcGe::kCircArc2d)) {
    const auto& arc = static_cast<const GcGeCircArc2d&>(c);
    const GcGeVector2d ref = arc.refVec().normal();
    ConicFrame f{arc.center(), ref, arc.isClockWise() ? -ref.perpVector() : ref.perpVector(), arc.radius(),
                 arc.radius(), arc.isClockWise() ? -1 : 1};
    if (f.rMajor <= 0) return 0.0;
    return conicAngle(c, f, p, range.lowerBound(), range.upperBound(), 0);
  }
  if (c.isKindOf(GcGe::kEllipArc2d)) {
    const auto& e = static_cast<const GcGeEllipArc2d&>(c);
    ConicFrame f{e.center(), e.majorAxis(), e.minorAxis(), e.majorRadius(), e.minorRadius(),
                 e.isClockWise() ? -1 : 1};
    if (f.rMajor <= 0 || f.rMinor <= 0) return chordAngle(p, c.startPoint(), c.endPoint());
    return conicAngle(c, f, p, range.lowerBound(), range.upperBound(), 0);
  }
  return chordAngle(p, c.startPoint(), c.endPoint());
}

}  // namespace

void splitByCurve(const GcGeCurve2d& curve, const GcGeCurve2d& cutter, GcGeCurve2dPtrArray& out) {
  GcGeCurve2dPtrArray members;
  if (curve.explode(members)) {
    for (GcGeCurve2d* m : members) splitByCurve(*m, cutter, out);
    deleteCurves(members);
    return;
  }
  const GcGeInterval range = curve.interval();
  if (range.isBounded() && curve.gcLength(range.lowerBound(), range.upperBound()) == 0.0) {
    out.append(curve.copyCurve());
    return;
  }

  // Cut parameters on the curve: those the intersection gives its points
  // (not found again from the points, which at large coordinates need not
  // pass the curve's own test), the ends of overlaps, and the ends of the
  // cutter's members that lie on the curve even where the intersection finds
  // nothing there (a polyline vertex on a segment).
  std::vector<double> cuts;
  const GcGeCurveCurveInt2d hits(curve, cutter);
  for (int i = 0; i < hits.numIntPoints(); ++i) cuts.push_back(hits.intParam1(i));
  for (int i = 0; i < hits.overlapCount(); ++i) {
    GcGeInterval r1, r2;
    hits.getOverlapRanges(i, r1, r2);
    if (r1.isBoundedBelow()) cuts.push_back(r1.lowerBound());
    if (r1.isBoundedAbove()) cuts.push_back(r1.upperBound());
  }
  std::vector<const GcGeCurve2d*> cutterMembers;
  if (cutter.isKindOf(GcGe::kCompositeCrv2d)) {
    const auto& comp = static_cast<const GcGeCompositeCurve2d&>(cutter);
    for (int i = 0; i < comp.numCurves(); ++i) cutterMembers.push_back(&comp.curveAt(i));
  } else {
    cutterMembers.push_back(&cutter);
  }
  for (const GcGeCurve2d* m : cutterMembers) {
    GcGePoint2d end;
    double t = 0.0;
    if (m->hasStartPoint(end) && curve.isOn(end, t)) cuts.push_back(t);
    if (m->hasEndPoint(end) && curve.isOn(end, t)) cuts.push_back(t);
  }
  std::sort(cuts.begin(), cuts.end());

  // Pieces between consecutive cuts. A cut within the equal-point distance
  // (along the curve) of an end or of the previous cut is the same place: it
  // would leave a sliver.
  const GcGeTol& tol = GcGeContext::gTol;
  const double lo = range.lowerOrInf(), hi = range.upperOrInf();
  double from = lo;
  for (double t : cuts) {
    if (!(t > from && t < hi)) continue;
    const double eps = curve.equalPointAt(t, tol);
    if (std::isfinite(from) && curve.gcLength(from, t, tol) <= eps) continue;
    if (std::isfinite(hi) && curve.gcLength(t, hi, tol) <= eps) continue;
    out.append(curve.trimmedCopy(from, t));
    from = t;
  }
  out.append(from == lo ? curve.copyCurve() : curve.trimmedCopy(from, hi));
}

int windingNumber(const GcGeCurve2d& region, const GcGePoint2d& p) {
  const GcGeInterval range = region.interval();
  if (!range.isBounded()) {
    // A line or ray bounds the half plane on its left.
    if (!region.isKindOf(GcGe::kLinearEnt2d)) return 0;
    const auto& line = static_cast<const GcGeLinearEnt2d&>(region);
    return line.direction().crossProduct(p - line.pointOnLine()) > 0 ? 1 : 0;
  }
  std::vector<const GcGeCurve2d*> members;
  flattenMembers(region, members);
  double total = 0.0;
  for (const GcGeCurve2d* m : members) {
    if (!m->interval().isBounded()) return 0;
    total += memberAngle(*m, p);
  }
  const GcGePoint2d s = region.startPoint(), e = region.endPoint();
  if (!e.isEqualTo(s)) total += chordAngle(p, e, s);
  return static_cast<int>(std::lround(total / vdgeom::kTwoPi));
}

int pieceInsideRegion(const GcGeCurve2d& piece, const GcGeCurve2d& region) {
  auto vote = [&](int samples, bool skipFirst) {
    GcGePoint2dArray points;
    if (!piece.getSamplePoints(samples, points)) return static_cast<int>(kUndecided);
    int inside = 0, outside = 0;
    for (int k = skipFirst ? 1 : 0; k < points.length(); ++k) {
      if (region.isOn(points[k])) continue;
      if (windingNumber(region, points[k]) != 0) {
        if (++inside > 2) return static_cast<int>(kInsideRegion);
      } else if (++outside > 2) {
        return static_cast<int>(kOutsideRegion);
      }
    }
    return static_cast<int>(kUndecided);
  };
  const int first = vote(5, false);
  if (first != kUndecided) return first;
  // Another look between the first samples.
  return vote(6, true);
}

int trimByCurve(const GcGeCurve2d& curve, const GcGeCurve2d& cutter, GcGeCurve2dPtrArray& out, bool keepInside,
                bool& removed, const GcGeVector2d* closingDirection, const GcGeBoundBlock2d* box) {
  removed = false;
  std::unique_ptr<GcGeCompositeCurve2d> closed;
  const GcGeCurve2d* region = &cutter;
  if (closingDirection) {
    GcGeBoundBlock2d bounds;
    if (box) {
      bounds = *box;
    } else {
      if (!curve.interval().isBounded() || !cutter.interval().isBounded()) return 0;
      bounds = curve.gcOrthoBoundBlock();
      GcGePoint2d lo, hi;
      cutter.gcOrthoBoundBlock().getMinMaxPoints(lo, hi);
      bounds.extend(lo);
      bounds.extend(hi);
    }
    if (!cutter.interval().isBounded() || closingDirection->isZeroLength()) return 0;
    if (!cutter.gcIsClosed()) {
      GcGePoint2d lo, hi;
      bounds.getMinMaxPoints(lo, hi);
      const GcGePoint2d s = cutter.startPoint(), e = cutter.endPoint();
      // Long enough that both far ends lie beyond the box whatever the direction.
      const double reach = 2.0 * (lo.distanceTo(hi) + s.distanceTo(lo) + e.distanceTo(lo)) + 1.0;
      const GcGeVector2d d = closingDirection->normal() * reach;
      closed = std::make_unique<GcGeCompositeCurve2d>();
      std::vector<const GcGeCurve2d*> members;
      flattenMembers(cutter, members);
      for (const GcGeCurve2d* m : members) closed->append(m->copyCurve());
      closed->append(new GcGeLineSeg2d(e, e + d));
      closed->append(new GcGeLineSeg2d(e + d, s + d));
      closed->append(new GcGeLineSeg2d(s + d, s));
      region = closed.get();
    }
  }
  const int first = out.length();
  splitByCurve(curve, *region, out);
  for (int i = out.length() - 1; i >= first; --i) {
    const int side = pieceInsideRegion(*out[i], *region);
    const bool drop = keepInside ? side == kOutsideRegion : side != kOutsideRegion;
    if (!drop) continue;
    delete out[i];
    out.removeAt(i);
    removed = true;
  }
  return out.length() - first;
}

int wrapCurvePieces(GcGeCurve2dPtrArray& curves, EntList& out, SharedChain* holder, const EntityProps& props) {
  int made = 0;
  for (GcGeCurve2d* c : curves) {
    std::unique_ptr<GcGeCurve2d> owned(c);
    std::unique_ptr<ltEnt2D> obj;
    switch (static_cast<int>(c->gcType())) {
      case GcGe::kLineSeg2d:
        obj = std::make_unique<ltAbscissa2D>(static_cast<const GcGeLineSeg2d&>(*c), holder);
        break;
      case GcGe::kCircArc2d:
        obj = std::make_unique<ltArc2D>(static_cast<const GcGeCircArc2d&>(*c), holder);
        break;
      case GcGe::kEllipArc2d:
        obj = std::make_unique<ltEllipse2D>(static_cast<const GcGeEllipArc2d&>(*c), holder);
        break;
      case GcGe::kCompositeCrv2d:
        obj = std::make_unique<ltPolyline2D>(static_cast<const GcGeCompositeCurve2d&>(*c), holder);
        break;
      case GcGe::kRay2d:
        obj = std::make_unique<ltRay2D>(static_cast<const GcGeRay2d&>(*c), holder);
        break;
      case GcGe::kLine2d:
        obj = std::make_unique<ltLine2D>(static_cast<const GcGeLine2d&>(*c), holder);
        break;
      default:
        continue;
    }
    obj->props() = props;
    out.push_back(std::move(obj));
    ++made;
  }
  curves.removeAll();
  return made;
}

OwnedChain writeCurveChain(const EntityProps& props, const GcGeCurve2d& curve, const GcGeMatrix2d& m, ChainView prev) {
  std::unique_ptr<GcGeCurve2d> copy(curve.copyCurve());
  if (!copy || !copy->transformBy(m)) return OwnedChain();
  ChainBuilder b;
  if (!ent::writeCurve(b, props, *copy, prev)) return OwnedChain();
  ent::writeExtendedData(b, props);
  return b.build();
}

}  // namespace vd

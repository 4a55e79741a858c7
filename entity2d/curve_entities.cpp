#include "entity2d/curve_entities.h"

#include <cmath>
#include <memory>

#include "entity2d/chain_write.h"
#include "geom/mathutils.h"
#include "host/names.h"

namespace vd {

using ent::point2;
using ent::point3;
using ent::vector2;

namespace {

constexpr ChainPoint kZAxis{0.0, 0.0, 1.0};

bool isFullTurn(double sweep) { return sweep >= vdgeom::kTwoPi - vdgeom::tol::kFullTurnSlack; }

// End angle as written: the representative in [0, 2pi), except that a full
// turn stays start + 2pi so that a closed curve reads back closed.
double writtenEnd(double start, double end) {
  if (isFullTurn(end - start)) return vdgeom::normalizeAngle(start) + vdgeom::kTwoPi;
  return vdgeom::normalizeAngle(end);
}

void writeLine(ChainBuilder& b, const EntityProps& props, const GcGeLineSeg2d& seg, ChainView prev) {
  ent::writeHeader(b, names::kLine, props);
  b.text(gc::kSubclass, names::kAcDbLine);
  ent::copyCode(b, prev, gc::kThickness);
  b.point(gc::kPoint0, point3(seg.startPoint()));
  b.point(gc::kPoint1, point3(seg.endPoint()));
  ent::copyCode(b, prev, gc::kExtrusion);
}

void writeArc(ChainBuilder& b, const EntityProps& props, const GcGeCircArc2d& source, ChainView prev) {
  GcGeCircArc2d arc = source;
  if (arc.isClockWise()) arc.gcReverseParam();
  const double ref = arc.refVec().angle();
  const double start = ref + arc.startAng();
  const double end = ref + arc.endAng();
  const bool circle = isFullTurn(end - start);
  ent::writeHeader(b, circle ? names::kCircle : names::kArc, props);
  b.text(gc::kSubclass, names::kAcDbCircle);
  ent::copyCode(b, prev, gc::kThickness);
  b.point(gc::kPoint0, point3(arc.center()));
  b.real(gc::kReal0, arc.radius());
  b.point(gc::kExtrusion, kZAxis);
  if (circle) return;
  b.text(gc::kSubclass, names::kAcDbArc);
  b.real(gc::kAngle0, vdgeom::normalizeAngle(start));
  b.real(gc::kAngle1, vdgeom::normalizeAngle(end));
}

void writeEllipse(ChainBuilder& b, const EntityProps& props, const GcGeEllipArc2d& source, ChainView prev) {
  GcGeEllipArc2d e = source;
  if (e.isClockWise()) e.gcReverseParam();
  GcGeVector2d major = e.majorAxis() * e.majorRadius();
  double ratio = e.majorRadius() > 0.0 ? e.minorRadius() / e.majorRadius() : 0.0;
  double start = e.startAng(), end = e.endAng();
  if (ratio > 1.0) {
    // The group wants the longer axis: turn the frame a right angle, which
    // moves every parameter back by pi/2.
    major = e.minorAxis() * e.minorRadius();
    ratio = 1.0 / ratio;
    start -= vdgeom::kPi / 2;
    end -= vdgeom::kPi / 2;
  }
  ent::writeHeader(b, names::kEllipse, props);
  b.text(gc::kSubclass, names::kAcDbEllipse);
  b.point(gc::kPoint0, point3(e.center()));
  b.point(gc::kPoint1, point3(major));
  ent::copyCode(b, prev, gc::kExtrusion);
  b.real(gc::kReal0, ratio);
  b.real(gc::kReal1, vdgeom::normalizeAngle(start));
  b.real(gc::kReal2, writtenEnd(start, end));
}

void writeStraight(ChainBuilder& b, const EntityProps& props, const GcGeLinearEnt2d& line, bool ray) {
  GcGePoint2d base = line.pointOnLine();
  GcGeVector2d dir = line.direction();
  if (ray && !line.interval().isBoundedBelow()) {
    // A reversed ray runs in from infinity: the entity keeps its point set.
    base = line.gcEvalPoint(line.interval().upperBound());
    dir = -dir;
  }
  ent::writeHeader(b, ray ? names::kRay : names::kXline, props);
  b.text(gc::kSubclass, ray ? names::kAcDbRay : names::kAcDbXline);
  b.point(gc::kPoint0, point3(base));
  b.point(gc::kPoint1, point3(dir));
}

void flatten(const GcGeCurve2d& c, std::vector<const GcGeCurve2d*>& out) {
  if (c.isKindOf(GcGe::kCompositeCrv2d)) {
    const auto& comp = static_cast<const GcGeCompositeCurve2d&>(c);
    for (int i = 0; i < comp.numCurves(); ++i) flatten(comp.curveAt(i), out);
    return;
  }
  out.push_back(&c);
}

struct WrittenVertex {
  GcGePoint2d point;
  double bulge = 0.0;
  const PolyVertex* widths = nullptr;
};

void writePolyline(ChainBuilder& b, const EntityProps& props, const GcGeCompositeCurve2d& poly, ChainView prev,
                   const std::vector<PolyVertex>* widths, int flags) {
  std::vector<const GcGeCurve2d*> members;
  flatten(poly, members);
  const bool closed = (flags & 1) && !members.empty() && poly.gcIsClosed();
  std::vector<WrittenVertex> out;
  for (size_t k = 0; k < members.size(); ++k) {
    const GcGeCurve2d& m = *members[k];
    const PolyVertex* w = widths && k < widths->size() ? &(*widths)[k] : nullptr;
    if (!m.isKindOf(GcGe::kCircArc2d)) {
      out.push_back({m.startPoint(), w ? w->flatBulge : 0.0, w});
      continue;
    }
    const auto& arc = static_cast<const GcGeCircArc2d&>(m);
    const double sweep = arc.endAng() - arc.startAng();
    if (!isFullTurn(sweep)) {
      out.push_back({arc.startPoint(), ent::bulgeOf(arc), w});
      continue;
    }
    // A whole circle has no finite bulge: two half-circle vertices.
    const double half = std::tan(sweep / 8) * (arc.isClockWise() ? -1.0 : 1.0);
    out.push_back({arc.startPoint(), half, w});
    out.push_back({arc.gcEvalPoint(arc.startAng() + sweep / 2), half, nullptr});
  }
  if (!closed && !members.empty()) {
    const PolyVertex* w = widths && members.size() < widths->size() ? &(*widths)[members.size()] : nullptr;
    out.push_back({members.back()->endPoint(), 0.0, w});
  }
  ent::writeHeader(b, names::kLwPolyline, props);
  b.text(gc::kSubclass, names::kAcDbPolyline);
  b.integer(gc::kCount, static_cast<int64_t>(out.size()));
  b.integer(gc::kFlags, closed ? flags : (flags & ~1));
  ent::copyCode(b, prev, gc::kReal3);
  ent::copyCode(b, prev, gc::kElevation);
  ent::copyCode(b, prev, gc::kThickness);
  for (const WrittenVertex& v : out) {
    b.point(gc::kPoint0, point3(v.point));
    if (v.widths && v.widths->hasWidths) {
      b.real(gc::kReal0, v.widths->startWidth);
      b.real(gc::kReal1, v.widths->endWidth);
    }
    if (v.bulge != 0.0) b.real(gc::kReal2, v.bulge);
  }
  ent::copyCode(b, prev, gc::kExtrusion);
}

}  // namespace

namespace ent {

bool writeCurve(ChainBuilder& b, const EntityProps& props, const GcGeCurve2d& c, ChainView prev,
                const std::vector<PolyVertex>* vertices, int polyFlags) {
  switch (static_cast<int>(c.gcType())) {
    case GcGe::kLineSeg2d:
      writeLine(b, props, static_cast<const GcGeLineSeg2d&>(c), prev);
      return true;
    case GcGe::kCircArc2d:
      writeArc(b, props, static_cast<const GcGeCircArc2d&>(c), prev);
      return true;
    case GcGe::kEllipArc2d:
      writeEllipse(b, props, static_cast<const GcGeEllipArc2d&>(c), prev);
      return true;
    case GcGe::kLine2d:
    case 69:  // a line kind of the library that is written the same way
      writeStraight(b, props, static_cast<const GcGeLinearEnt2d&>(c), false);
      return true;
    case GcGe::kRay2d:
      writeStraight(b, props, static_cast<const GcGeLinearEnt2d&>(c), true);
      return true;
    case GcGe::kCompositeCrv2d:
      writePolyline(b, props, static_cast<const GcGeCompositeCurve2d&>(c), prev, vertices, polyFlags);
      return true;
    default:
      return false;
  }
}

bool readBulgedVertices(ChainView chain, bool closed, GcGeCompositeCurve2d& out, std::vector<PolyVertex>* widths) {
  struct Vertex {
    GcGePoint2d p;
    double bulge = 0.0;
    PolyVertex w;
  };
  std::vector<Vertex> vs;
  for (ChainCursor c(chain.head()); !c.atEnd(); c.next()) {
    ChainItem item = c.item();
    switch (item.code()) {
      case gc::kPoint0:
        if (auto p = item.point()) vs.push_back({point2(*p), 0.0, {}});
        break;
      case gc::kReal0:
      case gc::kReal1:
        if (!vs.empty()) {
          if (auto v = item.real()) {
            (item.code() == gc::kReal0 ? vs.back().w.startWidth : vs.back().w.endWidth) = *v;
            vs.back().w.hasWidths = true;
          }
        }
        break;
      case gc::kReal2:
        if (!vs.empty()) vs.back().bulge = item.real().value_or(0.0);
        break;
      default:
        break;
    }
  }
  if (vs.empty()) return false;
  GcGeCompositeCurve2d comp;
  auto add = [&](Vertex& from, const Vertex& to) {
    GcGeCurve2d* m = bulgedMember(from.p, to.p, from.bulge);
    if (from.bulge != 0.0 && !m->isKindOf(GcGe::kCircArc2d)) from.w.flatBulge = from.bulge;
    comp.append(m);
  };
  for (size_t i = 0; i + 1 < vs.size(); ++i) add(vs[i], vs[i + 1]);
  // A closed polyline gets its closing member even when it has no length,
  // so that every vertex keeps a member of its own.
  if (closed || vs.size() == 1) add(vs.back(), vs.front());
  out = std::move(comp);
  if (widths) {
    widths->clear();
    for (const Vertex& v : vs) widths->push_back(v.w);
  }
  return true;
}

}  // namespace ent

bool sameCurve(const GcGeCurve2d& a, const GcGeCurve2d& b) {
  const GcGeInterval ia = a.interval(), ib = b.interval();
  if (ia.isBounded() && ib.isBounded()) {
    const double ma = 0.5 * (ia.lowerBound() + ia.upperBound());
    const double mb = 0.5 * (ib.lowerBound() + ib.upperBound());
    return a.startPoint().isEqualTo(b.startPoint()) && a.endPoint().isEqualTo(b.endPoint()) &&
           a.gcEvalPoint(ma).isEqualTo(b.gcEvalPoint(mb));
  }
  if (!a.isKindOf(GcGe::kLinearEnt2d) || !b.isKindOf(GcGe::kLinearEnt2d)) return false;
  const auto& la = static_cast<const GcGeLinearEnt2d&>(a);
  const auto& lb = static_cast<const GcGeLinearEnt2d&>(b);
  if (ia.isUnBounded() && ib.isUnBounded()) return la.isOn(lb.pointOnLine()) && la.isParallelTo(lb);
  GcGePoint2d sa, sb;
  const bool hasA = la.hasStartPoint(sa), hasB = lb.hasStartPoint(sb);
  if (hasA != hasB || ia.isBoundedAbove() != ib.isBoundedAbove()) return false;
  if (!hasA) {
    la.hasEndPoint(sa);
    lb.hasEndPoint(sb);
  }
  return sa.isEqualTo(sb) && la.direction().isCodirectionalTo(lb.direction());
}

// --- LINE ------------------------------------------------------------------

bool ltAbscissa2D::parseGeometry(ChainView chain) {
  if (!chain.isType(names::kLine)) return false;
  auto p0 = chain.point(gc::kPoint0), p1 = chain.point(gc::kPoint1);
  if (!p0 || !p1) return false;
  geom_ = GcGeLineSeg2d(point2(*p0), point2(*p1));
  return true;
}

bool ltAbscissa2D::buildChain(ChainBuilder& b, ChainView prev) const {
  return ent::writeCurve(b, props(), geom_, prev);
}

// --- ARC, CIRCLE -----------------------------------------------------------

bool ltArc2D::parseGeometry(ChainView chain) {
  const bool arc = chain.isType(names::kArc);
  if (!arc && !chain.isType(names::kCircle)) return false;
  auto centre = chain.point(gc::kPoint0);
  auto radius = chain.real(gc::kReal0);
  if (!centre || !radius) return false;
  if (!arc) {
    geom_ = GcGeCircArc2d(point2(*centre), *radius);
    return true;
  }
  auto start = chain.real(gc::kAngle0), end = chain.real(gc::kAngle1);
  if (!start || !end) return false;
  geom_ = GcGeCircArc2d(point2(*centre), *radius, vdgeom::normalizeAngle(*start), vdgeom::normalizeAngle(*end));
  return true;
}

bool ltArc2D::buildChain(ChainBuilder& b, ChainView prev) const { return ent::writeCurve(b, props(), geom_, prev); }

// --- LWPOLYLINE ------------------------------------------------------------

bool ltPolyline2D::parseGeometry(ChainView chain) {
  if (!chain.isType(names::kLwPolyline) || !chain.has(gc::kPoint0)) return false;
  const int flags = static_cast<int>(chain.integer(gc::kFlags).value_or(0));
  GcGeCompositeCurve2d comp;
  std::vector<PolyVertex> widths;
  if (!ent::readBulgedVertices(chain, (flags & 1) != 0, comp, &widths)) return false;
  geom_ = std::move(comp);
  vertices_ = std::move(widths);
  flags_ = flags;
  return true;
}

bool ltPolyline2D::buildChain(ChainBuilder& b, ChainView prev) const {
  return ent::writeCurve(b, props(), geom_, prev, &vertices_, flags_);
}

bool ltPolyline2D::reverse() {
  const size_t members = static_cast<size_t>(geom_.numCurves());
  auto swapped = [](PolyVertex v) {
    std::swap(v.startWidth, v.endWidth);
    v.flatBulge = -v.flatBulge;
    return v;
  };
  // Widths belong to the member that starts at their vertex: member k of the
  // reversed polyline is member (members - 1 - k) run backwards.
  std::vector<PolyVertex> out(vertices_.size());
  if (vertices_.size() == members || vertices_.size() == members + 1) {
    for (size_t k = 0; k < members; ++k) out[k] = swapped(vertices_[members - 1 - k]);
    if (vertices_.size() == members + 1) out[members] = swapped(vertices_[members]);
  } else {
    for (size_t k = 0; k < vertices_.size(); ++k) out[k] = swapped(vertices_[vertices_.size() - 1 - k]);
  }
  vertices_ = std::move(out);
  return ltCurveEnt2D::reverse();
}

bool ltPolyline2D::transformBy(const GcGeMatrix2d& m) {
  if (!ltCurveEnt2D::transformBy(m)) return false;
  if (m.det() < 0.0)
    for (PolyVertex& v : vertices_) v.flatBulge = -v.flatBulge;
  return true;
}

// --- ELLIPSE ---------------------------------------------------------------

bool ltEllipse2D::parseGeometry(ChainView chain) {
  if (!chain.isType(names::kEllipse)) return false;
  auto centre = chain.point(gc::kPoint0), axis = chain.point(gc::kPoint1);
  auto ratio = chain.real(gc::kReal0);
  if (!centre || !axis || !ratio) return false;
  GcGeVector2d major = vector2(*axis);
  const double r = major.length();
  if (r <= 0.0 || !std::isfinite(r)) return false;
  major /= r;
  const double start = chain.real(gc::kReal1).value_or(0.0);
  const double end = chain.real(gc::kReal2).value_or(vdgeom::kTwoPi);
  geom_ = GcGeEllipArc2d(point2(*centre), major, major.perpVector(), r, r * *ratio, vdgeom::normalizeAngle(start),
                         isFullTurn(end - start) ? vdgeom::normalizeAngle(start) + vdgeom::kTwoPi
                                                 : vdgeom::normalizeAngle(end));
  return true;
}

bool ltEllipse2D::buildChain(ChainBuilder& b, ChainView prev) const {
  return ent::writeCurve(b, props(), geom_, prev);
}

// --- RAY, XLINE ----------------------------------------------------------------

namespace {
bool readStraight(ChainView chain, const vchar* type, GcGePoint2d& base, GcGeVector2d& dir) {
  if (!chain.isType(type)) return false;
  auto p = chain.point(gc::kPoint0), d = chain.point(gc::kPoint1);
  if (!p || !d) return false;
  base = point2(*p);
  dir = vector2(*d);
  return !dir.isZeroLength();
}
}  // namespace

bool ltRay2D::parseGeometry(ChainView chain) {
  GcGePoint2d base;
  GcGeVector2d dir;
  if (!readStraight(chain, names::kRay, base, dir)) return false;
  geom_ = GcGeRay2d(base, dir);
  return true;
}

bool ltRay2D::buildChain(ChainBuilder& b, ChainView prev) const { return ent::writeCurve(b, props(), geom_, prev); }

bool ltLine2D::parseGeometry(ChainView chain) {
  GcGePoint2d base;
  GcGeVector2d dir;
  if (!readStraight(chain, names::kXline, base, dir)) return false;
  geom_ = GcGeLine2d(base, dir);
  return true;
}

bool ltLine2D::buildChain(ChainBuilder& b, ChainView prev) const { return ent::writeCurve(b, props(), geom_, prev); }

}  // namespace vd

#include "entity2d/shape_entities.h"

#include <cmath>

#include "entity2d/chain_write.h"
#include "entity2d/curve_entities.h"
#include "geom/mathutils.h"
#include "host/names.h"

namespace vd {

using ent::ChainCursor;
using ent::point2;
using ent::point3;
using ent::vector2;

namespace {

constexpr double kDegree = vdgeom::kPi / 180.0;

bool outlineExtents(const GcGeCompositeCurve2d& c, GcGeBoundBlock2d& box, bool extend) {
  if (c.numCurves() == 0) return false;
  GcGePoint2d lo, hi;
  c.gcOrthoBoundBlock().getMinMaxPoints(lo, hi);
  if (extend) {
    box.extend(lo);
    box.extend(hi);
  } else {
    box.set(lo, hi);
  }
  return true;
}

bool sameOutline(const GcGeCompositeCurve2d& a, const GcGeCompositeCurve2d& b) {
  if (a.numCurves() != b.numCurves()) return false;
  for (int i = 0; i < a.numCurves(); ++i) {
    if (!sameCurve(a.curveAt(i), b.curveAt(i))) return false;
  }
  return true;
}

GcGeCompositeCurve2d polygon(const std::vector<GcGePoint2d>& pts) {
  GcGeCompositeCurve2d out;
  for (size_t i = 0; i < pts.size(); ++i) out.append(new GcGeLineSeg2d(pts[i], pts[(i + 1) % pts.size()]));
  return out;
}

void setOrExtend(GcGeBoundBlock2d& box, bool extend, const std::vector<GcGePoint2d>& pts) {
  bool started = extend;
  for (const GcGePoint2d& p : pts) extendBox(box, started, p);
}

}  // namespace

// --- POINT -------------------------------------------------------------------

bool ltPoint2D::parseGeometry(ChainView chain) {
  if (!chain.isType(names::kPoint)) return false;
  auto p = chain.point(gc::kPoint0);
  if (!p) return false;
  point_ = point2(*p);
  return true;
}

bool ltPoint2D::buildChain(ChainBuilder& b, ChainView prev) const {
  ent::writeHeader(b, names::kPoint, props());
  b.text(gc::kSubclass, names::kAcDbPoint);
  b.point(gc::kPoint0, point3(point_));
  ent::copyCode(b, prev, gc::kThickness);
  ent::copyCode(b, prev, gc::kExtrusion);
  ent::copyCode(b, prev, gc::kAngle0);
  return true;
}

bool ltPoint2D::transformBy(const GcGeMatrix2d& m) {
  point_.transformBy(m);
  markDirty();
  return true;
}

bool ltPoint2D::extents(GcGeBoundBlock2d& box, bool extend) const {
  setOrExtend(box, extend, {point_});
  return true;
}

bool ltPoint2D::sameAs(const ltEnt2D& other) const {
  return other.typeId() == kEntPoint && static_cast<const ltPoint2D&>(other).point_.isEqualTo(point_);
}

// --- SOLID -------------------------------------------------------------------

bool ltSolid2D::parseGeometry(ChainView chain) {
  if (!chain.isType(names::kSolid)) return false;
  auto p1 = chain.point(gc::kPoint0), p2 = chain.point(gc::kPoint1), p3 = chain.point(gc::kPoint2);
  if (!p1 || !p2 || !p3) return false;
  auto p4 = chain.point(gc::kPoint3);
  if (!p4 || point2(*p4).isEqualTo(point2(*p3))) {
    outline_ = polygon({point2(*p1), point2(*p2), point2(*p3)});
  } else {
    // Corners 3 and 4 swap places along the outline: the fourth corner
    // lies across from the first.
    outline_ = polygon({point2(*p1), point2(*p2), point2(*p4), point2(*p3)});
  }
  return true;
}

bool ltSolid2D::buildChain(ChainBuilder& b, ChainView prev) const {
  const int n = outline_.numCurves();
  if (n < 3) return false;
  ent::writeHeader(b, names::kSolid, props());
  b.text(gc::kSubclass, names::kAcDbTrace);
  b.point(gc::kPoint0, point3(outline_.curveAt(0).startPoint()));
  b.point(gc::kPoint1, point3(outline_.curveAt(1).startPoint()));
  if (n == 3) {
    b.point(gc::kPoint2, point3(outline_.curveAt(2).startPoint()));
    b.point(gc::kPoint3, point3(outline_.curveAt(2).startPoint()));
  } else {
    b.point(gc::kPoint2, point3(outline_.curveAt(3).startPoint()));
    b.point(gc::kPoint3, point3(outline_.curveAt(2).startPoint()));
  }
  ent::copyCode(b, prev, gc::kThickness);
  ent::copyCode(b, prev, gc::kExtrusion);
  return true;
}

bool ltSolid2D::transformBy(const GcGeMatrix2d& m) {
  if (!outline_.transformBy(m)) return false;
  markDirty();
  return true;
}

bool ltSolid2D::extents(GcGeBoundBlock2d& box, bool extend) const { return outlineExtents(outline_, box, extend); }

bool ltSolid2D::sameAs(const ltEnt2D& other) const {
  return other.typeId() == kEntSolid && sameOutline(outline_, static_cast<const ltSolid2D&>(other).outline_);
}

// --- HATCH -------------------------------------------------------------------

namespace {

// Reads one edge of an edge-defined boundary path; null on a broken or
// unsupported (spline) edge.
GcGeCurve2d* readEdge(ChainCursor& c) {
  int64_t type = 0;
  if (!c.take(72, type)) return nullptr;
  ChainPoint p0, p1;
  double r = 0, a0 = 0, a1 = 0;
  int64_t ccw = 1;
  switch (type) {
    case 1:
      if (!c.take(gc::kPoint0, p0) || !c.take(gc::kPoint1, p1)) return nullptr;
      return new GcGeLineSeg2d(point2(p0), point2(p1));
    case 2: {
      if (!c.take(gc::kPoint0, p0) || !c.take(gc::kReal0, r) || !c.take(gc::kAngle0, a0) ||
          !c.take(gc::kAngle1, a1))
        return nullptr;
      c.take(gc::kFlags3, ccw);
      // Angles in degrees; a clockwise edge measures them clockwise.
      const double s = vdgeom::normalizeAngle(a0 * kDegree);
      double e = a1 * kDegree;
      e = (a1 - a0 >= 360.0) ? s + vdgeom::kTwoPi : vdgeom::normalizeAngle(e);
      return new GcGeCircArc2d(point2(p0), r, s, e, GcGeVector2d::kXAxis, ccw == 0);
    }
    case 3: {
      if (!c.take(gc::kPoint0, p0) || !c.take(gc::kPoint1, p1) || !c.take(gc::kReal0, r) ||
          !c.take(gc::kAngle0, a0) || !c.take(gc::kAngle1, a1))
        return nullptr;
      c.take(gc::kFlags3, ccw);
      GcGeVector2d major = vector2(p1);
      const double len = major.length();
      if (len <= 0.0) return nullptr;
      major /= len;
      const GcGeVector2d minor = ccw == 0 ? -major.perpVector() : major.perpVector();
      const double s = vdgeom::normalizeAngle(a0 * kDegree);
      const double e = (a1 - a0 >= 360.0) ? s + vdgeom::kTwoPi : vdgeom::normalizeAngle(a1 * kDegree);
      return new GcGeEllipArc2d(point2(p0), major, minor, len, len * r, s, e);
    }
    default:
      return nullptr;
  }
}

bool readLoop(ChainCursor& c, HatchLoop& loop) {
  int64_t flags = 0;
  if (!c.take(92, flags)) return false;
  loop.flags = static_cast<int>(flags);
  GcGeCompositeCurve2d comp;
  if (flags & 2) {
    int64_t bulge = 0, closed = 0, count = 0;
    c.take(72, bulge);
    c.take(gc::kFlags3, closed);
    if (!c.take(93, count) || count < 1) return false;
    std::vector<std::pair<GcGePoint2d, double>> vs;
    for (int64_t i = 0; i < count; ++i) {
      ChainPoint p;
      double b = 0.0;
      if (!c.take(gc::kPoint0, p)) return false;
      c.take(gc::kReal2, b);
      vs.emplace_back(point2(p), b);
    }
    for (size_t i = 0; i + 1 < vs.size(); ++i) comp.append(ent::bulgedMember(vs[i].first, vs[i + 1].first, vs[i].second));
    if (closed || vs.size() == 1) comp.append(ent::bulgedMember(vs.back().first, vs.front().first, vs.back().second));
    loop.hasBulge = bulge != 0;
    loop.closed = closed != 0;
  } else {
    int64_t count = 0;
    if (!c.take(93, count) || count < 0) return false;
    for (int64_t i = 0; i < count; ++i) {
      GcGeCurve2d* edge = readEdge(c);
      if (!edge) return false;
      comp.append(edge);
    }
  }
  loop.curve = std::move(comp);
  int64_t sources = 0;
  if (c.take(97, sources)) {
    for (int64_t i = 0; i < sources && c.code() == gc::kOwner; ++i, c.next()) {
      loop.sources.emplace_back(c.item().text().value_or(vstring_view()));
    }
  }
  return true;
}

// Reads the loops of a hatch chain; returns the first node after them (the
// pattern data), or null when the chain is not a readable hatch.
const ValueNode* readHatch(ChainView chain, std::vector<HatchLoop>* loops, bool* solid) {
  // The hatch's own data starts at its subclass marker, when the chain has one.
  ChainCursor c(chain.head());
  while (!c.atEnd() && !(c.code() == gc::kSubclass && c.item().text() == vstring_view(names::kAcDbHatch))) c.next();
  if (c.atEnd()) c = ChainCursor(chain.head());
  int64_t fill = 1;
  for (ChainCursor f = c; !f.atEnd() && f.code() != 91; f.next()) {
    if (f.code() == gc::kFlags) fill = f.item().integer().value_or(1);
  }
  if (!c.seek(91)) return nullptr;
  int64_t count = 0;
  if (!c.take(91, count) || count < 0) return nullptr;
  std::vector<HatchLoop> read;
  for (int64_t i = 0; i < count; ++i) {
    HatchLoop loop;
    if (!readLoop(c, loop)) return nullptr;
    read.push_back(std::move(loop));
  }
  if (loops) *loops = std::move(read);
  if (solid) *solid = fill != 0;
  // A chain that ends right after its loops has an empty tail: point at the
  // node past the end, which callers treat as "no pattern data".
  return c.node() ? c.node() : chain.head();
}

void flattenMembers(const GcGeCurve2d& c, std::vector<const GcGeCurve2d*>& out) {
  if (c.isKindOf(GcGe::kCompositeCrv2d)) {
    const auto& comp = static_cast<const GcGeCompositeCurve2d&>(c);
    for (int i = 0; i < comp.numCurves(); ++i) flattenMembers(comp.curveAt(i), out);
    return;
  }
  out.push_back(&c);
}

void writeEdge(ChainBuilder& b, const GcGeCurve2d& m) {
  if (m.isKindOf(GcGe::kCircArc2d)) {
    const auto& arc = static_cast<const GcGeCircArc2d&>(m);
    const double ref = arc.refVec().angle();
    // Counter-clockwise edges measure from the x axis counter-clockwise,
    // clockwise ones clockwise.
    const double s = arc.isClockWise() ? arc.startAng() - ref : arc.startAng() + ref;
    const double sweep = arc.endAng() - arc.startAng();
    const double sd = vdgeom::normalizeAngle(s) / kDegree;
    double ed = vdgeom::normalizeAngle(s + sweep) / kDegree;
    if (sweep >= vdgeom::kTwoPi - vdgeom::tol::kFullTurnSlack) ed = sd + 360.0;
    b.integer(72, 2).point(gc::kPoint0, point3(arc.center())).real(gc::kReal0, arc.radius());
    b.real(gc::kAngle0, sd).real(gc::kAngle1, ed).integer(gc::kFlags3, arc.isClockWise() ? 0 : 1);
    return;
  }
  if (m.isKindOf(GcGe::kEllipArc2d)) {
    const auto& e = static_cast<const GcGeEllipArc2d&>(m);
    const double sweep = e.endAng() - e.startAng();
    const double sd = vdgeom::normalizeAngle(e.startAng()) / kDegree;
    double ed = vdgeom::normalizeAngle(e.endAng()) / kDegree;
    if (sweep >= vdgeom::kTwoPi - vdgeom::tol::kFullTurnSlack) ed = sd + 360.0;
    const double ratio = e.majorRadius() > 0 ? e.minorRadius() / e.majorRadius() : 0.0;
    b.integer(72, 3).point(gc::kPoint0, point3(e.center())).point(gc::kPoint1, point3(e.majorAxis() * e.majorRadius()));
    b.real(gc::kReal0, ratio).real(gc::kAngle0, sd).real(gc::kAngle1, ed);
    b.integer(gc::kFlags3, e.isClockWise() ? 0 : 1);
    return;
  }
  b.integer(72, 1).point(gc::kPoint0, point3(m.startPoint())).point(gc::kPoint1, point3(m.endPoint()));
}

void writeLoop(ChainBuilder& b, const HatchLoop& loop) {
  std::vector<const GcGeCurve2d*> members;
  flattenMembers(loop.curve, members);
  bool asPolyline = (loop.flags & 2) != 0;
  for (const GcGeCurve2d* m : members) {
    if (!m->isKindOf(GcGe::kLineSeg2d) && !m->isKindOf(GcGe::kCircArc2d)) asPolyline = false;
  }
  if (asPolyline) {
    std::vector<std::pair<GcGePoint2d, double>> vs;
    bool anyBulge = loop.hasBulge;
    for (const GcGeCurve2d* m : members) {
      double bulge = m->isKindOf(GcGe::kCircArc2d) ? ent::bulgeOf(static_cast<const GcGeCircArc2d&>(*m)) : 0.0;
      anyBulge = anyBulge || bulge != 0.0;
      vs.emplace_back(m->startPoint(), bulge);
    }
    if (!loop.closed && !members.empty()) vs.emplace_back(members.back()->endPoint(), 0.0);
    b.integer(92, loop.flags).integer(72, anyBulge ? 1 : 0).integer(gc::kFlags3, loop.closed ? 1 : 0);
    b.integer(93, static_cast<int64_t>(vs.size()));
    for (const auto& [p, bulge] : vs) {
      b.point(gc::kPoint0, point3(p));
      if (anyBulge) b.real(gc::kReal2, bulge);
    }
  } else {
    b.integer(92, loop.flags & ~2).integer(93, static_cast<int64_t>(members.size()));
    for (const GcGeCurve2d* m : members) writeEdge(b, *m);
  }
  b.integer(97, static_cast<int64_t>(loop.sources.size()));
  for (const vstring& h : loop.sources) b.text(gc::kOwner, h);
}

}  // namespace

void ltHatch2D::setLoops(std::vector<HatchLoop> loops, bool solidFill) {
  loops_ = std::move(loops);
  solid_ = solidFill;
  markDirty();
}

bool ltHatch2D::parseGeometry(ChainView chain) {
  if (!chain.isType(names::kHatch)) return false;
  std::vector<HatchLoop> loops;
  bool solid = true;
  if (!readHatch(chain, &loops, &solid)) return false;
  loops_ = std::move(loops);
  solid_ = solid;
  return true;
}

bool ltHatch2D::buildChain(ChainBuilder& b, ChainView prev) const {
  ent::writeHeader(b, names::kHatch, props());
  b.text(gc::kSubclass, names::kAcDbHatch);
  const bool prevIsHatch = prev.isType(names::kHatch);
  // The elevation point is the 10 before the loops; later ones are vertices.
  bool elevation = false;
  for (ChainCursor c(prev.head()); prevIsHatch && !c.atEnd() && c.code() != 91; c.next()) {
    if (c.code() == gc::kPoint0) {
      elevation = ent::copyItem(b, c.item());
      break;
    }
  }
  if (!elevation) b.point(gc::kPoint0, 0, 0, 0);
  if (!prevIsHatch || !ent::copyCode(b, prev, gc::kExtrusion)) b.point(gc::kExtrusion, 0, 0, 1);
  if (!prevIsHatch || !ent::copyCode(b, prev, gc::kName)) b.text(gc::kName, u"SOLID");
  b.integer(gc::kFlags, solid_ ? 1 : 0);
  if (!prevIsHatch || !ent::copyCode(b, prev, gc::kFlags1)) b.integer(gc::kFlags1, 0);
  b.integer(91, static_cast<int64_t>(loops_.size()));
  for (const HatchLoop& loop : loops_) writeLoop(b, loop);
  const ValueNode* tail = prevIsHatch ? readHatch(prev, nullptr, nullptr) : nullptr;
  if (tail && tail != prev.head() && !ChainCursor(tail).atEnd()) {
    ent::copyRange(b, tail, nullptr);
  } else {
    b.integer(75, 0).integer(76, 1).integer(98, 0);
  }
  return true;
}

bool ltHatch2D::transformBy(const GcGeMatrix2d& m) {
  std::vector<HatchLoop> moved = loops_;
  for (HatchLoop& loop : moved) {
    if (!loop.curve.transformBy(m)) return false;
  }
  loops_ = std::move(moved);
  markDirty();
  return true;
}

bool ltHatch2D::extents(GcGeBoundBlock2d& box, bool extend) const {
  bool any = false;
  for (const HatchLoop& loop : loops_) {
    if (outlineExtents(loop.curve, box, extend || any)) any = true;
  }
  return any;
}

bool ltHatch2D::sameAs(const ltEnt2D& other) const {
  if (other.typeId() != kEntHatch) return false;
  const auto& o = static_cast<const ltHatch2D&>(other);
  if (o.loops_.size() != loops_.size()) return false;
  for (size_t i = 0; i < loops_.size(); ++i) {
    if (!sameOutline(loops_[i].curve, o.loops_[i].curve)) return false;
  }
  return true;
}

// --- INSERT ------------------------------------------------------------------

bool ltInsert2D::parseGeometry(ChainView chain) {
  if (!chain.isType(names::kInsert)) return false;
  auto name = chain.text(gc::kName);
  auto ins = chain.point(gc::kPoint0);
  if (!name || !ins) return false;
  name_ = vstring(*name);
  insertion_ = point2(*ins);
  scale_[0] = chain.real(gc::kReal1).value_or(1.0);
  scale_[1] = chain.real(gc::kReal2).value_or(1.0);
  scale_[2] = chain.real(gc::kReal3).value_or(1.0);
  rotation_ = chain.real(gc::kAngle0).value_or(0.0);
  second_ = insertion_ + GcGeVector2d(std::cos(rotation_), std::sin(rotation_));
  return true;
}

bool ltInsert2D::buildChain(ChainBuilder& b, ChainView prev) const {
  ent::writeHeader(b, names::kInsert, props());
  b.text(gc::kSubclass, names::kAcDbBlockReference);
  ent::copyCode(b, prev, gc::kEntitiesFollow);
  b.text(gc::kName, name_);
  b.point(gc::kPoint0, point3(insertion_));
  b.real(gc::kReal1, scale_[0]).real(gc::kReal2, scale_[1]).real(gc::kReal3, scale_[2]);
  b.real(gc::kAngle0, rotation_);
  for (int code : {70, 71, 44, 45, gc::kExtrusion}) ent::copyCode(b, prev, code);
  return true;
}

bool ltInsert2D::transformBy(const GcGeMatrix2d& m) {
  const GcGeVector2d x = second_ - insertion_;
  const GcGeVector2d mx = m.apply(x), my = m.apply(x.perpVector());
  const double kx = mx.length(), ky = my.length();
  if (kx <= 0.0 || ky <= 0.0) return false;
  insertion_ = m.apply(insertion_);
  second_ = insertion_ + mx / kx;
  rotation_ = mx.angle();
  // A mirroring map turns the block's y axis over.
  const double sign = mx.crossProduct(my) < 0.0 ? -1.0 : 1.0;
  scale_[0] *= kx;
  scale_[1] *= ky * sign;
  scale_[2] *= kx;
  markDirty();
  return true;
}

bool ltInsert2D::extents(GcGeBoundBlock2d& box, bool extend) const {
  setOrExtend(box, extend, {insertion_});
  return true;
}

bool ltInsert2D::sameAs(const ltEnt2D& other) const {
  if (other.typeId() != kEntInsert) return false;
  const auto& o = static_cast<const ltInsert2D&>(other);
  return o.name_ == name_ && o.insertion_.isEqualTo(insertion_) && o.second_.isEqualTo(second_) &&
         std::abs(o.scale_[0] - scale_[0]) <= GcGeContext::gTol.equalPoint() &&
         std::abs(o.scale_[1] - scale_[1]) <= GcGeContext::gTol.equalPoint();
}

// --- IMAGE, WIPEOUT ----------------------------------------------------------

const vchar* ltImage2D::typeName() const { return names::kImage; }
const vchar* ltImage2D::subclassMarker() const { return names::kAcDbRasterImage; }
const vchar* ltWipeout2D::typeName() const { return names::kWipeout; }
const vchar* ltWipeout2D::subclassMarker() const { return names::kAcDbWipeout; }

bool ltImage2D::parseGeometry(ChainView chain) {
  if (!chain.isType(typeName())) return false;
  auto ins = chain.point(gc::kPoint0), u = chain.point(gc::kPoint1), v = chain.point(gc::kPoint2);
  if (!ins || !u || !v) return false;
  std::vector<GcGePoint2d> clip;
  for (ChainCursor c(chain.head()); !c.atEnd(); c.next()) {
    if (c.code() != gc::kPoint4) continue;
    if (auto p = c.item().point()) clip.push_back(point2(*p));
  }
  const int type = static_cast<int>(chain.integer(gc::kFlags1).value_or(1));
  insertion_ = point2(*ins);
  u_ = vector2(*u);
  v_ = vector2(*v);
  size_ = chain.point(gc::kPoint3) ? vector2(*chain.point(gc::kPoint3)) : GcGeVector2d(1.0, 1.0);
  clipType_ = type;
  repeatsFirst_ = false;
  if (type == 1 && clip.size() == 2) {
    const GcGePoint2d a = clip[0], b = clip[1];
    clip_ = polygon({a, {b.x, a.y}, b, {a.x, b.y}});
  } else {
    if (clip.size() > 1 && clip.back().isEqualTo(clip.front())) {
      clip.pop_back();
      repeatsFirst_ = true;
    }
    clip_ = clip.empty() ? GcGeCompositeCurve2d() : polygon(clip);
  }
  return true;
}

bool ltImage2D::buildChain(ChainBuilder& b, ChainView prev) const {
  ent::writeHeader(b, typeName(), props());
  b.text(gc::kSubclass, subclassMarker());
  if (!ent::copyCode(b, prev, gc::kCount)) b.integer(gc::kCount, 0);
  b.point(gc::kPoint0, point3(insertion_));
  b.point(gc::kPoint1, point3(u_));
  b.point(gc::kPoint2, point3(v_));
  b.point(gc::kPoint3, point3(size_));
  ent::copyCode(b, prev, 340);
  if (!ent::copyCode(b, prev, gc::kFlags)) b.integer(gc::kFlags, 7);
  for (int code : {280, 281, 282, 283, 360}) ent::copyCode(b, prev, code);
  std::vector<GcGePoint2d> clip;
  const int n = clip_.numCurves();
  if (clipType_ == 1 && n == 4) {
    clip = {clip_.curveAt(0).startPoint(), clip_.curveAt(2).startPoint()};
  } else {
    for (int i = 0; i < n; ++i) clip.push_back(clip_.curveAt(i).startPoint());
    if (repeatsFirst_ && !clip.empty()) clip.push_back(clip.front());
  }
  b.integer(gc::kFlags1, clipType_);
  b.integer(91, static_cast<int64_t>(clip.size()));
  for (const GcGePoint2d& p : clip) b.point(gc::kPoint4, point3(p));
  ent::copyCode(b, prev, 290);
  return true;
}

bool ltImage2D::transformBy(const GcGeMatrix2d& m) {
  insertion_ = m.apply(insertion_);
  u_ = m.apply(u_);
  v_ = m.apply(v_);
  markDirty();
  return true;
}

bool ltImage2D::extents(GcGeBoundBlock2d& box, bool extend) const {
  const GcGeVector2d w = u_ * size_.x, h = v_ * size_.y;
  setOrExtend(box, extend, {insertion_, insertion_ + w, insertion_ + h, insertion_ + w + h});
  return true;
}

bool ltImage2D::sameAs(const ltEnt2D& other) const {
  if (other.typeId() != typeId()) return false;
  const auto& o = static_cast<const ltImage2D&>(other);
  return o.insertion_.isEqualTo(insertion_) && o.u_.isEqualTo(u_) && o.v_.isEqualTo(v_) &&
         sameOutline(o.clip_, clip_);
}

// --- any other entity --------------------------------------------------------

bool ltUnknown2D::parseGeometry(ChainView chain) { return chain.has(gc::kType); }

bool ltUnknown2D::buildChain(ChainBuilder& b, ChainView prev) const {
  if (!prev.has(gc::kType)) return false;
  // The chain as read, from its group 0 on (the host's entity name stays behind).
  const ValueNode* from = prev.find(gc::kType);
  ent::copyRange(b, from, nullptr);
  return true;
}

}  // namespace vd

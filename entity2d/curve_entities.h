// The entity kinds whose geometry is one library curve: lines, arcs and
// circles, polylines, ellipses, rays and construction lines.
#pragma once
#include <vector>

#include "entity2d/ent2d.h"
#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/elliparc2d.h"
#include "geom/linear_ent2d.h"

namespace vd {

// What the curve kinds share: the curve is the geometry.
template <class Self, class Geom, int Id>
class ltCurveEnt2D : public ltEnt2D {
 public:
  ltCurveEnt2D() = default;
  ltCurveEnt2D(const Geom& geom, SharedChain* holder) : ltEnt2D(holder), geom_(geom) {}

  const Geom& geometry() const { return geom_; }
  void setGeometry(const Geom& geom) {
    geom_ = geom;
    markDirty();
  }

  int typeId() const override { return Id; }
  ltEnt2D* clone() const override { return new Self(static_cast<const Self&>(*this)); }
  const GcGeCurve2d* curve() const override { return &geom_; }
  const GcGeEntity2d* entity() const override { return &geom_; }
  bool transformBy(const GcGeMatrix2d& m) override {
    if (!geom_.transformBy(m)) return false;
    markDirty();
    return true;
  }
  bool reverse() override {
    geom_.gcReverseParam();
    markDirty();
    return true;
  }
  bool extents(GcGeBoundBlock2d& box, bool extend) const override { return curveExtents(geom_, box, extend); }
  bool sameAs(const ltEnt2D& other) const override;

 protected:
  ltCurveEnt2D(const ltCurveEnt2D&) = default;
  Geom geom_;
};

// Whether two curves have the same points where they start and end (and in
// the middle, so that complementary arcs differ), within the global tolerance.
bool sameCurve(const GcGeCurve2d& a, const GcGeCurve2d& b);

template <class Self, class Geom, int Id>
bool ltCurveEnt2D<Self, Geom, Id>::sameAs(const ltEnt2D& other) const {
  if (other.typeId() != Id || !other.curve()) return false;
  return sameCurve(geom_, *other.curve());
}

// "LINE".
class ltAbscissa2D final : public ltCurveEnt2D<ltAbscissa2D, GcGeLineSeg2d, kEntAbscissa> {
 public:
  using ltCurveEnt2D::ltCurveEnt2D;
  ltAbscissa2D() = default;
  ltAbscissa2D(const ltAbscissa2D&) = default;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;
};

// "ARC" and "CIRCLE" (a circle is the full arc).
class ltArc2D final : public ltCurveEnt2D<ltArc2D, GcGeCircArc2d, kEntArc> {
 public:
  using ltCurveEnt2D::ltCurveEnt2D;
  ltArc2D() = default;
  ltArc2D(const ltArc2D&) = default;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;
};

// Widths a polyline vertex carried (groups 40 and 41); the bulge is read from
// the geometry, except one too small to bend its member (the member is a
// segment, being straight within its tolerance), which is kept here so that
// the polyline is written back as read.
struct PolyVertex {
  double startWidth = 0.0;
  double endWidth = 0.0;
  bool hasWidths = false;
  double flatBulge = 0.0;
};

// "LWPOLYLINE": a composite of segments and arcs, one member per vertex.
class ltPolyline2D final : public ltCurveEnt2D<ltPolyline2D, GcGeCompositeCurve2d, kEntPolyline> {
 public:
  using ltCurveEnt2D::ltCurveEnt2D;
  ltPolyline2D() = default;
  ltPolyline2D(const ltPolyline2D&) = default;

  const std::vector<PolyVertex>& vertices() const { return vertices_; }
  bool isClosedFlag() const { return (flags_ & 1) != 0; }
  bool reverse() override;
  // A reflection turns the kept bulges of straight members the other way.
  bool transformBy(const GcGeMatrix2d& m) override;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;

 private:
  std::vector<PolyVertex> vertices_;
  int flags_ = 0;  // group 70 as read
};

// "ELLIPSE".
class ltEllipse2D final : public ltCurveEnt2D<ltEllipse2D, GcGeEllipArc2d, kEntEllipse> {
 public:
  using ltCurveEnt2D::ltCurveEnt2D;
  ltEllipse2D() = default;
  ltEllipse2D(const ltEllipse2D&) = default;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;
};

// "RAY".
class ltRay2D final : public ltCurveEnt2D<ltRay2D, GcGeRay2d, kEntRay> {
 public:
  using ltCurveEnt2D::ltCurveEnt2D;
  ltRay2D() = default;
  ltRay2D(const ltRay2D&) = default;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;
};

// "XLINE": the unbounded line through point 10 along direction 11.
class ltLine2D final : public ltCurveEnt2D<ltLine2D, GcGeLine2d, kEntLine> {
 public:
  using ltCurveEnt2D::ltCurveEnt2D;
  ltLine2D() = default;
  ltLine2D(const ltLine2D&) = default;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;
};

namespace ent {
// The header and geometry part of a chain for one curve, by its library type;
// false for curve types without an entity. `vertices` and `polyFlags` are the
// extra data of a polyline (none for a plain composite).
bool writeCurve(ChainBuilder& b, const EntityProps& props, const GcGeCurve2d& c, ChainView prev,
                const std::vector<PolyVertex>* vertices = nullptr, int polyFlags = 0);
// Reads a polyline's vertices (10 with its 40, 41, 42) into a composite;
// `closed` adds the member from the last vertex back to the first.
bool readBulgedVertices(ChainView chain, bool closed, GcGeCompositeCurve2d& out, std::vector<PolyVertex>* widths);
// Polyline members by bulge, from the geometry library.
using ::bulgedMember;
using ::bulgeOf;
}  // namespace ent

}  // namespace vd

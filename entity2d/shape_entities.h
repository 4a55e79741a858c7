// Entity kinds whose geometry is not one curve: points, solids, hatches,
// block references, images and wipeouts, and any other entity kept as read.
#pragma once
#include <vector>

#include "entity2d/ent2d.h"
#include "geom/composite_curve2d.h"

namespace vd {

// "POINT".
class ltPoint2D final : public ltEnt2D {
 public:
  ltPoint2D() = default;
  ltPoint2D(const ltPoint2D&) = default;
  const GcGePoint2d& position() const { return point_; }

  int typeId() const override { return kEntPoint; }
  ltEnt2D* clone() const override { return new ltPoint2D(*this); }
  bool transformBy(const GcGeMatrix2d& m) override;
  bool extents(GcGeBoundBlock2d& box, bool extend) const override;
  bool sameAs(const ltEnt2D& other) const override;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;

 private:
  GcGePoint2d point_;
};

// "SOLID": the outline through the corners in drawing order 1, 2, 4, 3 (a
// triangle when corner 4 is missing or repeats corner 3).
class ltSolid2D final : public ltEnt2D {
 public:
  ltSolid2D() = default;
  ltSolid2D(const ltSolid2D&) = default;
  const GcGeCompositeCurve2d& outline() const { return outline_; }

  int typeId() const override { return kEntSolid; }
  ltEnt2D* clone() const override { return new ltSolid2D(*this); }
  bool transformBy(const GcGeMatrix2d& m) override;
  bool extents(GcGeBoundBlock2d& box, bool extend) const override;
  bool sameAs(const ltEnt2D& other) const override;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;

 private:
  GcGeCompositeCurve2d outline_;
};

// One boundary path of a hatch.
struct HatchLoop {
  int flags = 1;              // 92: 1 external, 2 polyline, 4 derived, 16 outermost...
  GcGeCompositeCurve2d curve;
  bool hasBulge = false;      // 72 of a polyline path
  bool closed = true;         // 73 of a polyline path
  std::vector<vstring> sources;  // 330 handles of the boundary objects (after 97)
};

// "HATCH": the solid-fill flag and the boundary loops. The pattern, seed
// points and gradient after the loops are carried over from the chain read.
class ltHatch2D final : public ltEnt2D {
 public:
  ltHatch2D() = default;
  ltHatch2D(const ltHatch2D&) = default;
  bool solidFill() const { return solid_; }
  const std::vector<HatchLoop>& loops() const { return loops_; }
  void setLoops(std::vector<HatchLoop> loops, bool solidFill);

  int typeId() const override { return kEntHatch; }
  ltEnt2D* clone() const override { return new ltHatch2D(*this); }
  bool transformBy(const GcGeMatrix2d& m) override;
  bool extents(GcGeBoundBlock2d& box, bool extend) const override;
  bool sameAs(const ltEnt2D& other) const override;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;

 private:
  bool solid_ = true;
  std::vector<HatchLoop> loops_;
};

// "INSERT": block name, insertion point, scales and rotation. The second
// point lies one unit along the block's x axis from the insertion point, so
// that a transform carries rotation and scale along.
class ltInsert2D final : public ltEnt2D {
 public:
  ltInsert2D() = default;
  ltInsert2D(const ltInsert2D&) = default;
  const vstring& blockName() const { return name_; }
  const GcGePoint2d& insertion() const { return insertion_; }
  const GcGePoint2d& secondPoint() const { return second_; }
  double scaleX() const { return scale_[0]; }
  double scaleY() const { return scale_[1]; }
  double scaleZ() const { return scale_[2]; }
  double rotation() const { return rotation_; }

  int typeId() const override { return kEntInsert; }
  ltEnt2D* clone() const override { return new ltInsert2D(*this); }
  bool transformBy(const GcGeMatrix2d& m) override;
  bool extents(GcGeBoundBlock2d& box, bool extend) const override;
  bool sameAs(const ltEnt2D& other) const override;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;

 private:
  vstring name_;
  GcGePoint2d insertion_;
  GcGePoint2d second_{1.0, 0.0};
  double scale_[3] = {1.0, 1.0, 1.0};
  double rotation_ = 0.0;
};

// "IMAGE": the picture's frame (insertion point, pixel vectors u and v, size
// in pixels) and its clip outline in pixel coordinates.
class ltImage2D : public ltEnt2D {
 public:
  ltImage2D() = default;
  ltImage2D(const ltImage2D&) = default;
  const GcGeCompositeCurve2d& clipOutline() const { return clip_; }
  const GcGePoint2d& insertion() const { return insertion_; }
  const GcGeVector2d& uVector() const { return u_; }
  const GcGeVector2d& vVector() const { return v_; }
  const GcGeVector2d& size() const { return size_; }
  int clipType() const { return clipType_; }

  int typeId() const override { return kEntImage; }
  ltEnt2D* clone() const override { return new ltImage2D(*this); }
  bool transformBy(const GcGeMatrix2d& m) override;
  bool extents(GcGeBoundBlock2d& box, bool extend) const override;
  bool sameAs(const ltEnt2D& other) const override;
  const vchar* typeName() const override;
  const vchar* subclassMarker() const override;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;

 private:
  GcGeCompositeCurve2d clip_;
  GcGePoint2d insertion_;
  GcGeVector2d u_{1.0, 0.0};
  GcGeVector2d v_{0.0, 1.0};
  GcGeVector2d size_{1.0, 1.0};
  int clipType_ = 1;            // 71: 1 rectangle, 2 polygon
  bool repeatsFirst_ = false;   // the polygon's last vertex repeats its first
};

// "WIPEOUT": an image without a picture that masks what lies under it.
class ltWipeout2D final : public ltImage2D {
 public:
  ltWipeout2D() = default;
  ltWipeout2D(const ltWipeout2D&) = default;
  int typeId() const override { return kEntWipeout; }
  ltEnt2D* clone() const override { return new ltWipeout2D(*this); }
  const vchar* typeName() const override;
  const vchar* subclassMarker() const override;
};

// Any other entity: chain and properties only; its regeneration writes the
// chain as read.
class ltUnknown2D final : public ltEnt2D {
 public:
  ltUnknown2D() = default;
  ltUnknown2D(const ltUnknown2D&) = default;
  int typeId() const override { return kEntUnknown; }
  ltEnt2D* clone() const override { return new ltUnknown2D(*this); }

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;
};

}  // namespace vd

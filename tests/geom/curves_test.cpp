// Curve kinds: parameters, lengths, areas, extents, sampling, transforms,
// splitting and offsets.
#include "geom_test_util.h"

#include "geom/point_ent2d.h"

#include <gtest/gtest.h>

using namespace geomtest;
using vdgeom::kPi;
using vdgeom::kTwoPi;

namespace {

struct NamedCurve {
  std::string name;
  CurvePtr curve;
};

std::vector<NamedCurve> sampleCurves() {
  return {
      {"segment", seg(1, 2, -3, 5)},
      {"ray", std::make_shared<GcGeRay2d>(GcGePoint2d(1, 1), GcGeVector2d(0.5, -2))},
      {"line", std::make_shared<GcGeLine2d>(GcGePoint2d(-1, 4), GcGeVector2d(3, 1))},
      {"ccw arc", arc(1, -1, 2.5, 0.3, 2.0)},
      {"cw arc", arc(1, -1, 2.5, 0.3, 2.0, true)},
      {"arc across the seam", arc(0, 0, 3, 5.5, 0.5)},
      {"cw arc across the seam, tilted reference", arc(2, 2, 1, 5.0, 1.0, true, {1, 1})},
      {"full circle", circle(4, 4, 0.5)},
      {"rotated ellipse arc", ellipse(1, 2, 5, 2, 0.7, 1.0, 4.0)},
      {"ellipse across the seam", ellipse(0, 0, 3, 1, -0.4, 5.0, 7.5)},
      {"composite with arcs", roundedRect(10, 6, 1.5)},
  };
}

TEST(Curves, TransformsKeepPointsOnTheImage) {
  GcGeMatrix2d shear;
  shear.entry[0][1] = 0.7;
  GcGeMatrix2d squash;
  squash.setToScaling(GcGeScale2d(2, 0.5), {1, 1});
  const GcGeMatrix2d mirror = GcGeMatrix2d::mirroring(GcGeLine2d({0, 1}, GcGeVector2d(1, 2)));
  const GcGeMatrix2d rigid = GcGeMatrix2d::rotation(2.0, {3, 1}) * GcGeMatrix2d::scaling(1.5);
  const GcGeMatrix2d transforms[] = {shear, squash, mirror, rigid};
  for (const NamedCurve& nc : sampleCurves()) {
    for (const GcGeMatrix2d& m : transforms) {
      SCOPED_TRACE(nc.name);
      CurvePtr copy(nc.curve->copyCurve());
      if (!copy->transformBy(m)) {
        // Only circular pieces refuse, and only non-similar transforms.
        EXPECT_FALSE(m.isUniScaledOrtho());
        continue;
      }
      const GcGeInterval r = nc.curve->interval();
      const double lo = r.isBoundedBelow() ? r.lowerBound() : -10.0;
      const double hi = r.isBoundedAbove() ? r.upperBound() : 10.0;
      for (int i = 0; i <= 16; ++i) {
        const GcGePoint2d p = m.apply(nc.curve->gcEvalPoint(lo + (hi - lo) * i / 16.0));
        EXPECT_LT(copy->distanceTo(p), 1e-9);
      }
      if (r.isBounded()) {
        // Direction of travel survives the transform.
        EXPECT_TRUE(copy->startPoint().isEqualTo(m.apply(nc.curve->startPoint()), GcGeTol(1e-9, 1e-9)));
        EXPECT_TRUE(copy->endPoint().isEqualTo(m.apply(nc.curve->endPoint()), GcGeTol(1e-9, 1e-9)));
      }
    }
  }
  // An ellipse under non-uniform scaling stays an ellipse with exact area.
  CurvePtr e = ellipse(0, 0, 3, 1, 0.5);
  ASSERT_TRUE(e->transformBy(squash));
  double area = 0.0;
  ASSERT_TRUE(e->gcArea(area));
  EXPECT_NEAR(area, 3 * kPi, 1e-12);
}

TEST(Curves, SplitAndExplode) {
  for (const NamedCurve& nc : sampleCurves()) {
    const GcGeInterval r = nc.curve->interval();
    if (!r.isBounded())
      continue;
    SCOPED_TRACE(nc.name);
    const double t = r.lowerBound() + 0.37 * r.length();
    GcGeCurve2d *a = nullptr, *b = nullptr;
    nc.curve->getSplitCurves(t, a, b);
    ASSERT_TRUE(a && b);
    std::unique_ptr<GcGeCurve2d> ua(a), ub(b);
    const GcGePoint2d at = nc.curve->gcEvalPoint(t);
    EXPECT_TRUE(a->startPoint().isEqualTo(nc.curve->startPoint(), GcGeTol(1e-12, 1e-12)));
    EXPECT_TRUE(a->endPoint().isEqualTo(at, GcGeTol(1e-12, 1e-12)));
    EXPECT_TRUE(b->startPoint().isEqualTo(at, GcGeTol(1e-12, 1e-12)));
    EXPECT_TRUE(b->endPoint().isEqualTo(nc.curve->endPoint(), GcGeTol(1e-12, 1e-12)));
    EXPECT_NEAR(a->gcLength() + b->gcLength(), nc.curve->gcLength(), 1e-10);
    // A split at an end gives the whole curve on one side only.
    nc.curve->getSplitCurves(r.lowerBound(), a, b);
    ua.reset(a);
    ub.reset(b);
    EXPECT_EQ(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NEAR(b->gcLength(), nc.curve->gcLength(), 1e-10);
  }
  const auto rr = roundedRect(10, 6, 1.5);
  OwnedCurves pieces;
  ASSERT_TRUE(rr->explode(pieces.list));
  ASSERT_EQ(pieces.list.length(), 8);
  EXPECT_EQ(pieces.list[1]->gcType(), GcGe::kCircArc2d);
  EXPECT_FALSE(seg(0, 0, 1, 1)->explode(pieces.list));
}

// Arcs built through points keep those points as their ends exactly,
// whatever the bulge and wherever they lie, through reversal, trimming,
// moving and sampling; centre and radius follow the closed form of the
// bulge. The three-point form agrees with the bulge form.
TEST(Curves, ArcsThroughPointsKeepTheirEnds) {
  struct Case {
    GcGePoint2d a, b;
    double bulge;
  };
  const Case cases[] = {
      {{0.3, 0.7}, {1.1, -0.2}, 2e-7},         {{0.3, 0.7}, {1.1, -0.2}, -1e-6},
      {{-743210.25, -1043210.5}, {-743209.5, -1043211.75}, 3e-6},
      {{-743210250.5, -1043210500.25}, {-743209500.75, -1043211750.5}, -0.4},
      {{2, 1}, {-1, 3}, 1.0},                  {{2, 1}, {-1, 3}, -3.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "bulge " << c.bulge << " from " << c.a.x << "," << c.a.y);
    GcGeCircArc2d arc;
    ASSERT_TRUE(arc.setFromBulge(c.a, c.b, c.bulge));
    auto exact = [](const GcGePoint2d& p, const GcGePoint2d& q) { return p.x == q.x && p.y == q.y; };
    // Whether a curve runs exactly from p to q.
    auto runs = [&](const GcGeCurve2d& curve, const GcGePoint2d& p, const GcGePoint2d& q) {
      return exact(curve.startPoint(), p) && exact(curve.endPoint(), q);
    };
    EXPECT_TRUE(runs(arc, c.a, c.b));
    const double len = c.a.distanceTo(c.b);
    EXPECT_NEAR(arc.radius(), len * (1 + c.bulge * c.bulge) / (4 * std::abs(c.bulge)), 1e-12 * arc.radius());
    EXPECT_EQ(arc.isClockWise(), c.bulge < 0);
    EXPECT_NEAR(std::tan((arc.endAng() - arc.startAng()) / 4), std::abs(c.bulge), 1e-15 * std::abs(c.bulge) + 1e-300);
    // The middle of the arc lies bulge * chord / 2 to the right of the chord.
    const GcGeVector2d chord = c.b - c.a;
    const GcGePoint2d sagittaPoint = midPoint(c.a, c.b) - chord.perpVector() * (c.bulge / 2);
    const GcGePoint2d middle = arc.gcEvalPoint(0.5 * (arc.startAng() + arc.endAng()));
    const double scale = std::max(c.a.magnitude(), 1.0);
    EXPECT_LT(middle.distanceTo(sagittaPoint), 1e-15 * scale + 1e-15 * len);

    // Through three points: the same arc, the same exact ends.
    GcGeCircArc2d three;
    ASSERT_TRUE(three.set(c.a, sagittaPoint, c.b));
    EXPECT_TRUE(runs(three, c.a, c.b));
    EXPECT_TRUE(three.isOn(sagittaPoint));

    GcGeCircArc2d reversed = arc;
    reversed.gcReverseParam();
    EXPECT_TRUE(runs(reversed, c.b, c.a));
    EXPECT_LT(reversed.gcEvalPoint(0.5 * (reversed.startAng() + reversed.endAng())).distanceTo(middle), 1e-15 * scale + 1e-15 * len);
    std::unique_ptr<GcGeCurve2d> firstHalf(arc.trimmedCopy(arc.startAng(), 0.5 * (arc.startAng() + arc.endAng())));
    std::unique_ptr<GcGeCurve2d> secondHalf(arc.trimmedCopy(0.5 * (arc.startAng() + arc.endAng()), arc.endAng()));
    EXPECT_TRUE(runs(*firstHalf, c.a, secondHalf->startPoint()));
    EXPECT_TRUE(exact(secondHalf->endPoint(), c.b));
    const GcGeMatrix2d move = GcGeMatrix2d::translation({1e5, -2e5}) * GcGeMatrix2d::rotation(0.3, c.a);
    GcGeCircArc2d moved = arc;
    ASSERT_TRUE(moved.transformBy(move));
    EXPECT_TRUE(runs(moved, move.apply(c.a), move.apply(c.b)));
    GcGePoint2dArray pts;
    arc.getSamplePoints(1e-3 * len, pts);
    ASSERT_GE(pts.length(), 2);
    EXPECT_TRUE(exact(pts.first(), c.a));
    EXPECT_TRUE(exact(pts.last(), c.b));
  }
  // Straight within the arc's own tolerance: no arc (a polyline keeps such a
  // member straight); equal ends: no arc.
  GcGeCircArc2d none;
  EXPECT_FALSE(none.setFromBulge({0, 0}, {1, 0}, 1e-9));
  EXPECT_FALSE(none.setFromBulge({0, 0}, {0, 0}, 0.5));
  EXPECT_FALSE(none.set({0, 0}, {0.5, 1e-12}, {1, 0})) << "collinear within equal-vector";
  EXPECT_TRUE(none.center().isEqualTo({0, 0}) && none.radius() == 1.0) << "a refused arc stays as it was";
  // Three points refuse only what is collinear: the same flat arc is made,
  // with its ends, and passes through its middle.
  GcGeCircArc2d flat;
  ASSERT_TRUE(flat.set({0, 0}, {0.5, -5e-10}, {1, 0}));
  EXPECT_TRUE(flat.startPoint().x == 0.0 && flat.startPoint().y == 0.0);
  EXPECT_TRUE(flat.endPoint().x == 1.0 && flat.endPoint().y == 0.0);
  EXPECT_LT(flat.gcEvalPoint(0.5 * flat.endAng()).distanceTo({0.5, -5e-10}), 1e-15);
}

TEST(Curves, CompositeMembers) {
  auto rr = roundedRect(10, 6, 1.5);
  GcGeCurve2dPtrArray members;
  rr->getCurveList(members);
  ASSERT_EQ(members.length(), 8);
  EXPECT_TRUE(members[1]->isKindOf(GcGe::kCircArc2d));
  // Member i occupies [i, i + 1].
  EXPECT_TRUE(rr->gcEvalPoint(1.5).isEqualTo(members[1]->gcEvalPoint(-kPi / 4)));
  GcGeCurve2dPtrArray withLine = members;
  GcGeLine2d line;
  withLine.append(&line);
  EXPECT_FALSE(rr->setCurveList(withLine)) << "unbounded members are refused";
  EXPECT_EQ(rr->numCurves(), 8);
  // A transform one member cannot take leaves the whole composite as it was.
  GcGeMatrix2d squash;
  squash.setToScaling(GcGeScale2d(2, 1));
  EXPECT_FALSE(rr->transformBy(squash));
  EXPECT_TRUE(rr->gcEvalPoint(2).isEqualTo({10, 1.5}));
  members.removeAll();
  const CurvePtr unit = seg(0, 0, 1, 0);
  members.append(unit.get());
  ASSERT_TRUE(rr->setCurveList(members));
  EXPECT_NEAR(rr->gcLength(), 1.0, 1e-15);
}

TEST(Offsets, CompositesWithArcsMatchClosedForms) {
  const double w = 10, h = 6, r = 1.5;
  struct Case {
    std::string name;
    std::shared_ptr<GcGeCompositeCurve2d> shape;
    double d; // positive: to the left, inside a counter-clockwise loop
    double area, length;
  };
  const auto rect = composite({seg(0, 0, w, 0), seg(w, 0, w, h), seg(w, h, 0, h), seg(0, h, 0, 0)});
  const Case cases[] = {
      // Rounded rectangle: corner radius r - d.
      {"rounded rect inwards", roundedRect(w, h, r), 1.0, (w - 2) * (h - 2) - (4 - kPi) * 0.25,
       2 * (w - 2 + h - 2) - 8 * 0.5 + kPi},
      {"rounded rect outwards", roundedRect(w, h, r), -2.0, (w + 4) * (h + 4) - (4 - kPi) * 3.5 * 3.5,
       2 * (w + 4 + h + 4) - 8 * 3.5 + 7 * kPi},
      // Inward past the corner radius: the arcs vanish, the sides are trimmed.
      {"rounded rect inwards past the radius", roundedRect(w, h, r), 2.0, (w - 4) * (h - 4), 2 * (w - 4 + h - 4)},
      // Plain rectangle outwards: fillet arcs of radius d at the corners.
      {"rectangle outwards", rect, -1.0, w * h + 2 * (w + h) + kPi, 2 * (w + h) + kTwoPi},
      {"rectangle inwards", rect, 1.0, (w - 2) * (h - 2), 2 * (w - 2 + h - 2)},
  };
  for (const Case& c : cases) {
    for (bool reversed : {false, true}) {
      SCOPED_TRACE(c.name + (reversed ? " reversed" : ""));
      GcGeCompositeCurve2d shape(*c.shape);
      double d = c.d;
      if (reversed) {
        // The other way round the left side is the outside.
        shape.gcReverseParam();
        d = -d;
      }
      OwnedCurves out;
      ASSERT_TRUE(shape.getTrimmedOffset(d, out.list));
      ASSERT_EQ(out.list.length(), 1);
      const GcGeCurve2d& off = *out.list[0];
      EXPECT_TRUE(off.gcIsClosed(GcGeTol(1e-9, 1e-9)));
      double area = 0.0;
      ASSERT_TRUE(off.gcArea(area));
      EXPECT_NEAR(area, c.area, 1e-9);
      EXPECT_NEAR(off.gcLength(), c.length, 1e-9);
      // Every offset point keeps the distance |d| from the original.
      GcGePoint2dArray pts;
      off.getSamplePoints(1e-3, pts);
      for (const GcGePoint2d& p : pts)
        ASSERT_NEAR(shape.distanceTo(p), std::abs(d), 1e-9);
    }
  }
  // Open polyline with a chamfered corner.
  const auto open = composite({seg(0, 0, 4, 0), seg(4, 0, 4, 4)});
  OwnedCurves chamfer;
  ASSERT_TRUE(open->getTrimmedOffset(-1.0, chamfer.list, GcGe::kChamfer));
  EXPECT_NEAR(chamfer.list[0]->gcLength(), 4 + 4 + std::sqrt(2.0), 1e-12);
  OwnedCurves extend;
  ASSERT_TRUE(open->getTrimmedOffset(-1.0, extend.list, GcGe::kExtend));
  EXPECT_NEAR(extend.list[0]->gcLength(), 10, 1e-12);
  EXPECT_TRUE(extend.list[0]->gcEvalPoint(1).isEqualTo({5, -1}));
  // An elliptical member has no offset.
  OwnedCurves none;
  EXPECT_FALSE(composite({seg(0, 0, 1, 0), ellipse(0, 0, 1, 0.5, 0, 0, 1)})->getTrimmedOffset(0.1, none.list));
}

} // namespace

// Splitting, trimming, region tests and the curve-level operations of the
// entity objects: extents, same-as, transform, reverse, wrapping and writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <numbers>
#include <random>

#include "entity2d/curve_entities.h"
#include "entity2d/curve_ops.h"
#include "entity2d/entity_factory.h"
#include "entity2d/shape_entities.h"
#include "entity2d/text_entities.h"
#include "host/host_api.h"
#include "geom_test_util.h"
#include "tests/chain/chain_test_support.h"
#include "tests/hostsim/host_fixture.h"

namespace {

using namespace vd;

constexpr double kPi = std::numbers::pi;

using Curves = geomtest::OwnedCurves;
using chaintest::chainOf;

// A new segment, for the tables of curves and cutters.
GcGeLineSeg2d* seg(double x0, double y0, double x1, double y1) {
  return new GcGeLineSeg2d(GcGePoint2d(x0, y0), GcGePoint2d(x1, y1));
}

GcGeCompositeCurve2d* composite(std::vector<GcGeCurve2d*> members) {
  auto* c = new GcGeCompositeCurve2d();
  for (GcGeCurve2d* m : members) c->append(m);
  return c;
}

GcGeCompositeCurve2d* polyline(std::vector<GcGePoint2d> pts) {
  auto* c = new GcGeCompositeCurve2d();
  for (size_t i = 0; i + 1 < pts.size(); ++i) c->append(new GcGeLineSeg2d(pts[i], pts[i + 1]));
  return c;
}

// The upper half of the disk of radius 5 round the origin: chord from left to
// right, arc back over the top (counter-clockwise).
GcGeCompositeCurve2d* halfDisk() {
  return composite({seg(-5, 0, 5, 0), new GcGeCircArc2d({0, 0}, 5, 0, kPi)});
}

// The lower-left and upper-right corners of the extents of the entities,
// each after the first growing the box; none when one has none.
std::optional<std::pair<GcGePoint2d, GcGePoint2d>> extentsOf(std::initializer_list<const ltEnt2D*> entities) {
  GcGeBoundBlock2d box;
  bool grow = false;
  for (const ltEnt2D* entity : entities) {
    if (!entity->extents(box, grow)) return std::nullopt;
    grow = true;
  }
  GcGePoint2d lo, hi;
  box.getMinMaxPoints(lo, hi);
  return std::pair{lo, hi};
}

// Checks that pieces cover the curve exactly: each lies on it, in order of
// their middles they meet end to start, they run from the curve's start to its
// end, and their lengths add up.
void expectCover(const GcGeCurve2d& curve, const Curves& pieces) {
  ASSERT_GT(pieces.size(), 0);
  std::vector<std::pair<double, const GcGeCurve2d*>> ordered;
  double total = 0.0;
  for (int i = 0; i < pieces.size(); ++i) {
    const GcGeCurve2d& p = pieces[i];
    const GcGeInterval r = p.interval();
    const GcGePoint2d mid = p.gcEvalPoint(0.5 * (r.lowerBound() + r.upperBound()));
    ASSERT_LE(curve.distanceTo(mid), 1e-7);
    ordered.emplace_back(curve.paramOf(mid), &p);
    total += p.gcLength();
  }
  std::sort(ordered.begin(), ordered.end(), [](auto& a, auto& b) { return a.first < b.first; });
  const GcGeTol loose(1e-7, 1e-7);
  EXPECT_TRUE(ordered.front().second->startPoint().isEqualTo(curve.startPoint(), loose));
  EXPECT_TRUE(ordered.back().second->endPoint().isEqualTo(curve.endPoint(), loose));
  for (size_t i = 0; i + 1 < ordered.size(); ++i)
    EXPECT_TRUE(ordered[i].second->endPoint().isEqualTo(ordered[i + 1].second->startPoint(), loose)) << "gap after piece " << i;
  EXPECT_NEAR(total, curve.gcLength(), 1e-8 * (1.0 + curve.gcLength()));
}

TEST(SplitByCurve, Cases) {
  struct Case {
    const char* name;
    std::function<GcGeCurve2d*()> curve, cutter;
    int pieces;
  };
  auto line = [] { return seg(0, 0, 10, 0); };
  const Case cases[] = {
      {"segment crossed once", line, [] { return seg(5, -1, 5, 1); }, 2},
      {"segment touched at its end", line, [] { return seg(10, -1, 10, 1); }, 1},
      {"segment touched at its start by a cutter's end", line, [] { return seg(0, 0, -3, 4); }, 1},
      {"cutter ending on the segment", line, [] { return seg(3, 0, 3, 5); }, 2},
      {"polyline vertex on the segment", line, [] { return polyline({{2, 5}, {4, 0}, {6, 5}}); }, 2},
      {"polyline crossing three times", line, [] { return polyline({{1, -1}, {3, 1}, {5, -1}, {7, 1}}); }, 4},
      {"zero-length segment", [] { return seg(3, 3, 3, 3); }, [] { return seg(3, 0, 3, 5); }, 1},
      {"collinear overlap", line, [] { return seg(3, 0, 6, 0); }, 3},
      {"no contact", line, [] { return seg(0, 1, 10, 2); }, 1},
      {"arc crossed twice", [] { return new GcGeCircArc2d({0, 0}, 5, 0, kPi); }, [] { return seg(-6, 3, 6, 3); }, 3},
      {"circle through its centre", [] { return new GcGeCircArc2d({0, 0}, 5); }, [] { return seg(0, -6, 0, 6); }, 3},
      {"clockwise arc by a circle", [] { return new GcGeCircArc2d({0, 0}, 5, 0.2, 2.5, GcGeVector2d::kXAxis, true); },
       [] { return new GcGeCircArc2d({5, 0}, 5); }, 2},
      {"ellipse by a line", [] { return new GcGeEllipArc2d({0, 0}, {1, 0}, {0, 1}, 6, 3); },
       [] { return new GcGeLine2d({1, 0}, GcGeVector2d(0, 1)); }, 3},
      {"polyline uncut comes apart in members", [] { return polyline({{0, 0}, {5, 0}, {5, 5}, {0, 5}}); },
       [] { return seg(20, 0, 20, 5); }, 3},
      {"polyline with an arc cut in both",
       [] { return composite({seg(0, 0, 10, 0), new GcGeCircArc2d({10, 0}, {15, 5}, {10, 10})}); },
       [] { return seg(5, -1, 15, 11); }, 4},
      {"segment by a ray", line, [] { return new GcGeRay2d({4, -3}, GcGeVector2d(0, 1)); }, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GcGeCurve2d> curve(c.curve()), cutter(c.cutter());
    Curves pieces;
    splitByCurve(*curve, *cutter, pieces.list);
    EXPECT_EQ(pieces.size(), c.pieces);
    if (curve->gcLength() == 0.0) {
      ASSERT_EQ(pieces.size(), 1);
      EXPECT_TRUE(pieces[0].startPoint().isEqualTo(curve->startPoint()));
      EXPECT_EQ(pieces[0].gcType(), curve->gcType());
      continue;
    }
    expectCover(*curve, pieces);
  }
}

// At survey coordinates the cut points the intersection computes need not
// pass the curve's own test at 1e-10: a segment across a circle is cut at the
// intersection's parameters, and trimming keeps the chord inside.
TEST(SplitByCurve, SegmentAcrossACircleAtLargeCoordinates) {
  struct Case {
    GcGePoint2d s0, s1, centre;
    double radius;
  };
  const Case cases[] = {
      {{-2829625.544640908, 7062150.3055986166}, {-2543808.0164496894, 1692007.0357456615},
       {-2522838.8243448026, 4385800.8201591372}, 1407022.1590311041},
      {{-699142.59299880988, -442810.95418425812}, {309922.05586066906, 751467.05022897781},
       {-402769.29147177667, 330204.94651338563}, 377934.46731420112},
      {{-646286.55187373958, 657590.30717425304}, {-646286.69703182741, 657590.94150522957},
       {-646286.32764512976, 657590.69226016942}, 0.3606290848322683},
      {{836289469.79489219, -713902826.08392382}, {836289571.59834814, -713902871.14443099},
       {836289473.19736648, -713902955.92739868}, 120.10255722245888},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "circle at " << c.centre.x << "," << c.centre.y);
    const GcGeLineSeg2d seg(c.s0, c.s1);
    const GcGeCircArc2d circle(c.centre, c.radius);
    // The chord: the segment's line at distance d from the centre.
    const GcGeVector2d dir = (c.s1 - c.s0).normal();
    const double d = std::abs(dir.crossProduct(c.centre - c.s0));
    const double chord = 2 * std::sqrt((c.radius - d) * (c.radius + d));
    const double scale = std::max(std::abs(c.centre.x), std::abs(c.centre.y));
    Curves pieces;
    splitByCurve(seg, circle, pieces.list);
    ASSERT_EQ(pieces.size(), 3);
    EXPECT_NEAR(pieces[1].gcLength(), chord, 1e-13 * scale);
    Curves inside, outside;
    bool removed = false;
    ASSERT_EQ(trimByCurve(seg, circle, inside.list, true, removed), 1);
    EXPECT_TRUE(removed);
    EXPECT_NEAR(inside[0].gcLength(), chord, 1e-13 * scale);
    ASSERT_EQ(trimByCurve(seg, circle, outside.list, false, removed), 2);
    EXPECT_NEAR(outside[0].gcLength() + outside[1].gcLength(), seg.length() - chord, 1e-13 * scale);
  }
}

TEST(RegionTest, WindingNumberWithArcs) {
  std::unique_ptr<GcGeCompositeCurve2d> half(halfDisk());
  std::unique_ptr<GcGeCurve2d> reversed(half->copyCurve());
  reversed->gcReverseParam();
  GcGeCircArc2d circle({1, 1}, 2);
  GcGeCompositeCurve2d twoHalves;
  twoHalves.append(new GcGeCircArc2d({0, 0}, 3, 0, kPi));
  twoHalves.append(new GcGeCircArc2d({0, 0}, 3, kPi, 2 * kPi));
  GcGeEllipArc2d ellipse({0, 0}, {1, 0}, {0, -1}, 4, 1);  // clockwise
  GcGeCircArc2d openArc({0, 0}, 5, 0, kPi);                // closed by its chord
  struct Case {
    const char* name;
    const GcGeCurve2d* region;
    GcGePoint2d p;
    int winding;
  };
  const Case cases[] = {
      {"half disk, middle", half.get(), {0, 2}, 1},
      {"half disk, just under the arc top", half.get(), {0, 4.99}, 1},
      {"half disk, inside the arc's bulge", half.get(), {4.5, 2}, 1},
      {"half disk, just outside the arc", half.get(), {4.6, 2.2}, 0},
      {"half disk, below the chord", half.get(), {0, -0.01}, 0},
      {"half disk, on the chord's line beyond it", half.get(), {7, 0}, 0},
      {"half disk, above", half.get(), {0, 6}, 0},
      {"reversed half disk", reversed.get(), {1, 1}, -1},
      {"circle, inside", &circle, {2.5, 1}, 1},
      {"circle, outside", &circle, {3.5, 1}, 0},
      {"two half circles, at the centre on both chords", &twoHalves, {0, 0}, 1},
      {"two half circles, on the joint chord left", &twoHalves, {-2.9, 0}, 1},
      {"clockwise ellipse, inside", &ellipse, {3.5, 0.3}, -1},
      {"clockwise ellipse, outside", &ellipse, {3.5, 0.6}, 0},
      {"open arc closed by its chord", &openArc, {1, 1}, 1},
      {"open arc, below its chord", &openArc, {1, -1}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(windingNumber(*c.region, c.p), c.winding);
  }
}

TEST(RegionTest, PieceInsideRegion) {
  std::unique_ptr<GcGeCompositeCurve2d> region(halfDisk());
  struct Case {
    const char* name;
    std::function<GcGeCurve2d*()> piece;
    int side;
  };
  const Case cases[] = {
      {"inside", [] { return seg(-1, 1, 1, 1); }, kInsideRegion},
      {"outside", [] { return seg(-1, -1, 1, -1); }, kOutsideRegion},
      {"on the chord", [] { return seg(-5, 0, 5, 0); }, kUndecided},
      {"on the arc", [] { return new GcGeCircArc2d({0, 0}, 5, 0.5, 2.0); }, kUndecided},
      {"chord to arc, through the inside", [] { return seg(0, 0, 0, 5); }, kInsideRegion},
      {"mostly outside", [] { return seg(0, 2, 0, 10); }, kOutsideRegion},
      {"arc inside, ends on the boundary", [] { return new GcGeCircArc2d({-3, 0}, {0, 3}, {3, 0}); }, kInsideRegion},
      {"along the chord then beyond", [] { return seg(0, 0, 20, 0); }, kOutsideRegion},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GcGeCurve2d> piece(c.piece());
    EXPECT_EQ(pieceInsideRegion(*piece, *region), c.side);
  }
}

TEST(TrimByCurve, Cases) {
  struct Case {
    const char* name;
    std::function<GcGeCurve2d*()> curve, cutter;
    bool keepInside;
    std::optional<GcGeVector2d> direction;
    int pieces;
    bool removed;
    double keptLength;
  };
  const double chordAt2 = 2 * std::sqrt(21.0);
  auto across = [] { return seg(-10, 0, 10, 0); };
  auto upright = [] { return seg(0, -5, 0, 5); };
  const GcGeVector2d right(1, 0);
  const Case cases[] = {
      {"all on the region, keep outside: removed", [] { return seg(-5, 0, 5, 0); }, halfDisk, false, {}, 0, true, 0.0},
      {"all on the region, keep inside: kept", [] { return seg(-5, 0, 5, 0); }, halfDisk, true, {}, 1, false, 10.0},
      {"crossing, keep inside", [] { return seg(-10, 2, 10, 2); }, halfDisk, true, {}, 1, true, chordAt2},
      {"crossing, keep outside", [] { return seg(-10, 2, 10, 2); }, halfDisk, false, {}, 2, true, 20.0 - chordAt2},
      {"closed towards +x, keep inside", across, upright, true, right, 1, true, 10.0},
      {"closed towards +x, keep outside", across, upright, false, right, 1, true, 10.0},
      {"closed towards -y by an arc", [] { return seg(-10, 1, 10, 1); },
       [] { return new GcGeCircArc2d({0, 0}, 3, 0, kPi); }, true, GcGeVector2d(0, -1), 1, true, 2 * std::sqrt(8.0)},
      {"closed, nothing to cut", [] { return seg(-10, 9, 10, 9); }, upright, true, right, 0, true, 0.0},
      {"unbounded cutter cannot be closed", across, [] { return new GcGeLine2d({0, 0}, GcGeVector2d(0, 1)); }, true,
       right, 0, false, 0.0},
      {"zero closing direction", across, upright, true, GcGeVector2d(0, 0), 0, false, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GcGeCurve2d> curve(c.curve()), cutter(c.cutter());
    Curves kept;
    bool removed = !c.removed;
    const int n = trimByCurve(*curve, *cutter, kept.list, c.keepInside, removed,
                              c.direction ? &*c.direction : nullptr);
    EXPECT_EQ(n, c.pieces);
    EXPECT_EQ(kept.size(), c.pieces);
    EXPECT_EQ(removed, c.removed);
    double length = 0;
    for (int i = 0; i < kept.size(); ++i) length += kept[i].gcLength();
    EXPECT_NEAR(length, c.keptLength, 1e-9);
  }
}

TEST(EntityOps, SplitAndTrimSlots) {
  OwnedChain src = chainOf([](ChainBuilder& b) {
    b.text(0, u"LINE").text(5, u"77").text(8, u"WALLS").integer(62, 2).point(10, 0, 0).point(11, 10, 0);
  });
  auto line = makeEntity(src.get());
  ltArc2D cutter(GcGeCircArc2d({5, 0}, 2), nullptr);
  EntList out;
  EXPECT_EQ(line->splitBy(cutter, out), 3);
  ASSERT_EQ(out.size(), 3u);
  for (auto& piece : out) {
    EXPECT_EQ(piece->typeId(), kEntAbscissa);
    EXPECT_TRUE(piece->isDirty());
    EXPECT_EQ(piece->holder(), line->holder());
    ChainView made = piece->chain(kChainRegenerateWhenDirty);
    ASSERT_TRUE(made);
    EXPECT_EQ(*made.text(8), u"WALLS");
    EXPECT_EQ(*made.integer(62), 2);
  }
  // Slot 10: the part inside the circle only.
  EntList inside;
  bool removed = false;
  EXPECT_EQ(line->splitBy(cutter, inside, true, &removed, nullptr, nullptr), 1);
  EXPECT_TRUE(removed);
  ASSERT_EQ(inside.size(), 1u);
  const GcGeCurve2d* c = inside[0]->curve();
  EXPECT_TRUE(c->startPoint().isEqualTo({3, 0}));
  EXPECT_TRUE(c->endPoint().isEqualTo({7, 0}));

  // Kinds without a curve answer with a clone.
  OwnedChain pointChain = chainOf([](ChainBuilder& b) { b.text(0, u"POINT").point(10, 1, 2); });
  auto point = makeEntity(pointChain.get());
  EntList same;
  EXPECT_EQ(point->splitBy(cutter, same), 0);
  ASSERT_EQ(same.size(), 1u);
  EXPECT_TRUE(same[0]->sameAs(*point));
  EXPECT_EQ(line->splitBy(*point, same), 0);
  EXPECT_EQ(same.size(), 2u);
}

TEST(EntityOps, WrapAndWriteCurves) {
  Curves curves;
  curves.list.append(seg(0, 0, 1, 0));
  curves.list.append(new GcGeCircArc2d({0, 0}, 1, 0, 1));
  curves.list.append(new GcGeEllipArc2d({0, 0}, {1, 0}, {0, 1}, 2, 1));
  curves.list.append(polyline({{0, 0}, {1, 0}, {1, 1}}));
  curves.list.append(new GcGeRay2d({0, 0}, GcGeVector2d(1, 1)));
  curves.list.append(new GcGeLine2d({0, 0}, GcGeVector2d(1, 1)));
  EntityProps props;
  props.layer = u"CUT";
  props.colour = 4;
  EntList out;
  EXPECT_EQ(wrapCurvePieces(curves.list, out, nullptr, props), 6);
  EXPECT_EQ(curves.size(), 0);
  const int ids[] = {kEntAbscissa, kEntArc, kEntEllipse, kEntPolyline, kEntRay, kEntLine};
  const char16_t* types[] = {u"LINE", u"ARC", u"ELLIPSE", u"LWPOLYLINE", u"RAY", u"XLINE"};
  for (size_t i = 0; i < out.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(out[i]->typeId(), ids[i]);
    EXPECT_TRUE(out[i]->isDirty());
    ChainView made = out[i]->chain(kChainRegenerateWhenDirty);
    ASSERT_TRUE(made);
    EXPECT_EQ(made.type(), vstring_view(types[i]));
    EXPECT_EQ(*made.text(8), u"CUT");
    EXPECT_EQ(*made.integer(62), 4);
  }

  // writeCurveChain moves a copy and takes the bracketed codes from the previous chain.
  OwnedChain prev =
      chainOf([](ChainBuilder& b) { b.text(0, u"LINE").real(39, 3.0).point(210, 0, 0, 1).point(10, 0, 0).point(11, 1, 0); });
  GcGeLineSeg2d seg(GcGePoint2d(0, 0), GcGePoint2d(1, 0));
  OwnedChain written = writeCurveChain(props, seg, GcGeMatrix2d::translation({5, 5}), prev);
  ASSERT_TRUE(written);
  EXPECT_EQ(*written.view().point(10), (ChainPoint{5, 5, 0}));
  EXPECT_EQ(*written.view().point(11), (ChainPoint{6, 5, 0}));
  EXPECT_EQ(*written.view().real(39), 3.0);
  EXPECT_TRUE(written.view().has(210));
  EXPECT_TRUE(seg.endPoint().isEqualTo({1, 0}));  // the caller's curve is untouched
  OwnedChain noPrev = writeCurveChain(props, seg, GcGeMatrix2d::kIdentity);
  EXPECT_FALSE(noPrev.view().has(39));
  // A circle cannot be stretched into a circle.
  GcGeMatrix2d stretch;
  stretch.entry[0][0] = 2.0;
  GcGeCircArc2d circle({0, 0}, 1);
  EXPECT_FALSE(writeCurveChain(props, circle, stretch));
  OwnedChain asCircle = writeCurveChain(props, circle, GcGeMatrix2d::scaling(2.0));
  EXPECT_EQ(asCircle.view().type(), vstring_view(u"CIRCLE"));
  EXPECT_EQ(*asCircle.view().real(40), 2.0);
}

TEST(EntityOps, ExtentsSameAsTransformReverse) {
  ltAbscissa2D seg(GcGeLineSeg2d(GcGePoint2d(3, 4), GcGePoint2d(-1, 2)), nullptr);
  ltArc2D arc(GcGeCircArc2d({10, 0}, 2, 0, kPi / 2), nullptr);
  const auto segBox = extentsOf({&seg}), bothBox = extentsOf({&seg, &arc});
  ASSERT_TRUE(segBox && bothBox);
  EXPECT_TRUE(segBox->first.isEqualTo({-1, 2}) && segBox->second.isEqualTo({3, 4}));
  EXPECT_TRUE(bothBox->first.isEqualTo({-1, 0}) && bothBox->second.isEqualTo({12, 4}));
  const ltRay2D ray(GcGeRay2d({0, 0}, GcGeVector2d(1, 0)), nullptr);
  EXPECT_FALSE(extentsOf({&ray}));

  ltAbscissa2D same(GcGeLineSeg2d(GcGePoint2d(3, 4), GcGePoint2d(-1, 2 + 1e-12)), nullptr);
  ltAbscissa2D other(GcGeLineSeg2d(GcGePoint2d(3, 4), GcGePoint2d(-1, 2.001)), nullptr);
  EXPECT_TRUE(seg.sameAs(same));
  EXPECT_FALSE(seg.sameAs(other));
  EXPECT_FALSE(seg.sameAs(arc));
  ltAbscissa2D reversed(seg);
  ASSERT_TRUE(reversed.reverse());
  EXPECT_TRUE(reversed.isDirty());
  EXPECT_FALSE(seg.sameAs(reversed));
  EXPECT_TRUE(reversed.geometry().startPoint().isEqualTo({-1, 2}));
  ltArc2D complement(GcGeCircArc2d({10, 0}, 2, kPi / 2, 2 * kPi), nullptr);
  EXPECT_FALSE(arc.sameAs(complement));

  ASSERT_TRUE(arc.transformBy(GcGeMatrix2d::rotation(kPi / 2, {10, 0})));
  EXPECT_TRUE(arc.geometry().startPoint().isEqualTo({10, 2}));
  GcGeMatrix2d stretch;
  stretch.entry[1][1] = 3.0;
  ltArc2D clean(GcGeCircArc2d({0, 0}, 1), nullptr);
  ASSERT_TRUE(clean.chain(kChainRegenerateWhenDirty));
  EXPECT_FALSE(clean.transformBy(stretch));
  EXPECT_FALSE(clean.isDirty());
  ltEllipse2D ellipse(GcGeEllipArc2d(GcGeCircArc2d({0, 0}, 1)), nullptr);
  EXPECT_TRUE(ellipse.transformBy(stretch));
  ltPoint2D point;
  EXPECT_FALSE(point.reverse());
}

// Against the headless host, which measures the texts.
class MTextExtents : public hosttest::HostTest {
 protected:
  static std::unique_ptr<ltEnt2D> mtext(vstring_view text, int attachment, double rotation) {
    ChainBuilder b;
    b.text(0, u"MTEXT").point(10, 10, 10).real(40, 2.0).integer(71, attachment).text(1, text).real(50, rotation);
    OwnedChain c = b.build();
    return makeEntity(c.get());
  }
  // The box of a line as the host measures it (with the text style's font
  // in the Windows build, 0.8 of the height per character and the height
  // natively).
  static std::pair<double, double> measured(const vchar* text, double height) {
    double w = 0, h = 0;
    EXPECT_EQ(hostCallOr<&HostApi::GetTextExtentsW>(0, text, u"STANDARD", height, 1.0, &w, &h), 1);
    return {w, h};
  }
};

// "ABCD" at height 2 is a box w by h as the host measures it (6.4 by 2
// natively).
TEST_F(MTextExtents, AttachmentPlacesTheBox) {
  struct Case {
    int attachment;
    double rotation;
    GcGePoint2d lo, hi;
  };
  const auto [w, h] = measured(u"ABCD", 2.0);
  ASSERT_GE(h, 2.0);
  const Case cases[] = {
      {1, 0, {10, 10 - h}, {10 + w, 10}},         {5, 0, {10 - w / 2, 10 - h / 2}, {10 + w / 2, 10 + h / 2}},
      {9, 0, {10 - w, 10}, {10, 10 + h}},         {3, 0, {10 - w, 10 - h}, {10, 10}},
      {7, 0, {10, 10}, {10 + w, 10 + h}},         {1, kPi / 2, {10, 10}, {10 + h, 10 + w}},
      {0, 0, {10, 10 - h}, {10 + w, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "attachment " << c.attachment << " rotation " << c.rotation);
    const auto box = extentsOf({mtext(u"ABCD", c.attachment, c.rotation).get()});
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->first.isEqualTo(c.lo, GcGeTol(1e-9, 1e-9))) << box->first.x << ", " << box->first.y;
    EXPECT_TRUE(box->second.isEqualTo(c.hi, GcGeTol(1e-9, 1e-9))) << box->second.x << ", " << box->second.y;
  }
}

TEST_F(MTextExtents, FormattingCodesAreNotMeasured) {
  EXPECT_EQ(plainMText(u"{\\H2x;\\C1;AB}\\PC\\~D\\\\\\S1^2;"), u"AB\nC D\\1/2");
  auto obj = mtext(u"{\\fArial|b1;AB}\\PCDE", 1, 0);
  const auto box = extentsOf({obj.get()});
  ASSERT_TRUE(box);
  const auto [lo, hi] = *box;
  EXPECT_NEAR(hi.x - lo.x, std::max(measured(u"AB", 2.0).first, measured(u"CDE", 2.0).first), 1e-12);  // the longer line
  EXPECT_NEAR(hi.y - lo.y, measured(u"AB", 2.0).second + 2.0 * 5.0 / 3.0, 1e-12);  // two lines
  unbindHost();
  EXPECT_FALSE(extentsOf({obj.get()}));  // nothing measures without a host
}

}  // namespace

// Entity chains read into display-list items: geometry, colours, texts and
// references of each supported type, and chains that give nothing.
#include <gtest/gtest.h>

#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/linear_ent2d.h"
#include "geom/point_ent2d.h"
#include "host/value_chain.h"
#include "preview/chain_items.h"
#include "preview/palette.h"

#include <cmath>

using namespace GDI;
using vd::buildValueChain;

namespace {

struct Chain {
  vd::ValueNode* head;
  explicit Chain(vd::ValueNode* h) : head(h) { EXPECT_NE(h, nullptr); }
  ~Chain() { vd::releaseValueChain(head, false); }
};

const double kPi = std::acos(-1.0);

} // namespace

TEST(ChainItems, CurvesOfEachType) {
  const double a[] = {1, 2, 0}, b[] = {4, 6, 0}, c[] = {0, 0, 0}, d[] = {2, 0, 0};
  {
    Chain line(buildValueChain(0, 0, u"LINE", 10, a, 11, b, 62, 1, 6, u"DASH", -9));
    auto item = item_from_chain(line.head);
    ASSERT_TRUE(item);
    ASSERT_TRUE(item->geometry->isKindOf(GcGe::kLineSeg2d));
    EXPECT_NEAR(static_cast<GcGeCurve2d&>(*item->geometry).gcLength(), 5.0, 1e-12);
    EXPECT_EQ(item->colour, palette_colour(1));
    EXPECT_EQ(item->linetype, "DASH");
  }
  {
    // Chains hold angles in radians: a quarter from the top to the left.
    Chain arc(buildValueChain(0, 0, u"ARC", 10, c, 40, 2.0, 50, kPi / 2, 51, kPi, 420, 0x112233, -9));
    auto item = item_from_chain(arc.head);
    ASSERT_TRUE(item);
    const auto& g = static_cast<const GcGeCircArc2d&>(*item->geometry);
    EXPECT_TRUE(g.startPoint().isEqualTo(GcGePoint2d(0, 2), GcGeTol(1e-12, 0)));
    EXPECT_TRUE(g.endPoint().isEqualTo(GcGePoint2d(-2, 0), GcGeTol(1e-12, 0)));
    EXPECT_EQ(item->colour >> 32, 0x332211u) << "true colour as 0x00BBGGRR";
    EXPECT_NEAR(g.gcLength(), kPi, 1e-9) << "a quarter of a circle of radius 2";
  }
  {
    // An end angle below the start wraps round through zero.
    Chain arc(buildValueChain(0, 0, u"ARC", 10, c, 40, 1.0, 50, 3 * kPi / 2, 51, kPi / 2, -9));
    auto item = item_from_chain(arc.head);
    ASSERT_TRUE(item);
    const auto& g = static_cast<const GcGeCircArc2d&>(*item->geometry);
    EXPECT_TRUE(g.startPoint().isEqualTo(GcGePoint2d(0, -1), GcGeTol(1e-12, 0)));
    EXPECT_TRUE(g.isOn(GcGePoint2d(1, 0))) << "through the right";
    EXPECT_NEAR(g.gcLength(), kPi, 1e-9);
  }
  {
    // Closed polyline: a unit bulge makes a counter-clockwise half circle.
    Chain poly(buildValueChain(0, 0, u"LWPOLYLINE", 70, 1, 10, c, 42, 1.0, 10, d, -9));
    auto item = item_from_chain(poly.head);
    ASSERT_TRUE(item);
    const auto& g = static_cast<const GcGeCompositeCurve2d&>(*item->geometry);
    ASSERT_EQ(g.numCurves(), 2);
    EXPECT_NEAR(g.gcLength(), kPi + 2.0, 1e-9);
    EXPECT_TRUE(g.curveAt(0).isOn(GcGePoint2d(1, -1))) << "bulge to the right of the chord";
  }
  {
    Chain point(buildValueChain(0, 0, u"point", 10, a, -9));
    auto item = item_from_chain(point.head);
    ASSERT_TRUE(item);
    EXPECT_TRUE(item->geometry->isKindOf(GcGe::kPointEnt2d));
  }
}

TEST(ChainItems, SolidsTextsAndReferences) {
  const double p1[] = {0, 0, 0}, p2[] = {4, 0, 0}, p3[] = {0, 3, 0}, p4[] = {4, 3, 0};
  {
    Chain solid(buildValueChain(0, 0, u"SOLID", 10, p1, 11, p2, 12, p3, 13, p4, -9));
    auto item = item_from_chain(solid.head);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->what, chain_item::kind::solid);
    double area = 0;
    ASSERT_TRUE(static_cast<GcGeCurve2d&>(*item->geometry).gcArea(area));
    EXPECT_NEAR(area, 12.0, 1e-12) << "corners 1, 2, 4, 3 make the rectangle, not a bow tie";
  }
  {
    Chain text(buildValueChain(0, 0, u"TEXT", 10, p1, 11, p4, 40, 2.5, 1, u"±0,000", 50, kPi / 2, 72, 2, 73, 3, -9));
    auto item = item_from_chain(text.head);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->what, chain_item::kind::text);
    EXPECT_EQ(item->text, u"±0,000");
    EXPECT_TRUE(item->position.isEqualTo(GcGePoint2d(4, 3))) << "aligned text sits at its second point";
    EXPECT_TRUE(item->direction.isEqualTo(GcGeVector2d(0, 1), GcGeTol(1e-12, 1e-12)));
    EXPECT_EQ(item->horizontal, 2u);
    EXPECT_EQ(item->vertical, 3u);
  }
  {
    Chain attrib(buildValueChain(0, 0, u"ATTRIB", 10, p2, 40, 1.0, 1, u"+3.000", 2, u"LEVEL", 50, -kPi / 6, -9));
    auto item = item_from_chain(attrib.head);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->what, chain_item::kind::text);
    EXPECT_TRUE(item->position.isEqualTo(GcGePoint2d(4, 0)));
    EXPECT_TRUE(item->direction.isEqualTo(GcGeVector2d(std::sqrt(3.0) / 2, -0.5), GcGeTol(1e-12, 1e-12)))
        << "minus 30 degrees";
  }
  {
    Chain insert(buildValueChain(0, 0, u"INSERT", 2, u"Arrow", 10, p4, 41, 2.0, 42, 3.0, 50, kPi, -9));
    auto item = item_from_chain(insert.head);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->block_key, block_key(u"ARROW"));
    EXPECT_NE(block_key(u"ARROW"), block_key(u"ARROWS"));
    EXPECT_DOUBLE_EQ(item->scale.sx, 2.0);
    EXPECT_DOUBLE_EQ(item->scale.sy, 3.0);
    EXPECT_NEAR(item->direction.x, -1.0, 1e-12);
    EXPECT_NEAR(item->direction.y, 0.0, 1e-12);
  }
  {
    Chain none(buildValueChain(0, 0, u"DIMENSION", 10, p1, -9));
    EXPECT_FALSE(item_from_chain(none.head));
    Chain circle(buildValueChain(0, 0, u"CIRCLE", 10, p1, -9));
    EXPECT_FALSE(item_from_chain(circle.head)) << "no radius";
  }
}

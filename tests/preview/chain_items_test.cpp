// Entity chains read into display-list items: geometry, colours, texts and
// references of each supported type, colours resolved through layers and
// references, polylines with widths, hatches, and chains that give nothing.
#include <gtest/gtest.h>

#include "colour/palette.h"
#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/linear_ent2d.h"
#include "geom/point_ent2d.h"
#include "host/chain.h"
#include "host/value_chain.h"
#include "preview/chain_items.h"
#include "preview/palette.h"
#include "preview/snap.h"
#include "preview_test_shapes.h"

#include <cmath>
#include <deque>
#include <functional>
#include <limits>
#include <string>

using namespace GDI;
using vd::buildValueChain;

namespace {

struct Chain {
  vd::ValueNode* head;
  explicit Chain(vd::ValueNode* h) : head(h) { EXPECT_NE(h, nullptr); }
  ~Chain() { vd::releaseValueChain(head, false); }
};

// The item of a chain from buildValueChain, which is released again.
std::optional<chain_item> itemOf(vd::ValueNode* head, const colour_context* colours = nullptr) {
  const Chain chain(head);
  return item_from_chain(chain.head, colours);
}

const double kPi = std::acos(-1.0);

const GcGeCurve2d& curveOf(const chain_item& item) { return static_cast<const GcGeCurve2d&>(*item.parts.at(0).curve); }

double areaOf(const GcGeCurve2d& loop) {
  double area = 0;
  EXPECT_TRUE(loop.gcArea(area));
  return area;
}

// The project's chain builder, holding the chain it made while a test reads it.
class Builder : public vd::ChainBuilder {
public:
  // A polyline boundary path of straight sides.
  Builder& polylinePath(int flags, std::initializer_list<GcGePoint2d> corners) {
    integer(92, flags | 2).integer(72, 0).integer(73, 1).integer(93, static_cast<int>(corners.size()));
    for (const GcGePoint2d& p : corners)
      point(10, p.x, p.y);
    integer(97, 0);
    return *this;
  }
  const vd::ValueNode* head() {
    if (!chain_) {
      chain_ = build();
      EXPECT_TRUE(chain_) << error();
    }
    return chain_.get();
  }

private:
  vd::OwnedChain chain_;
};

// The item of the chain of the groups `groups` adds.
std::optional<chain_item> itemOf(const std::function<void(Builder&)>& groups, const colour_context* colours = nullptr) {
  Builder b;
  groups(b);
  return item_from_chain(b.head(), colours);
}

// A hatch's groups up to its boundary paths: solid or pattern, path count.
Builder& hatchHead(Builder& b, bool solid, int paths) {
  b.text(0, u"HATCH").text(8, u"0").point(10, 0, 0).text(2, solid ? u"SOLID" : u"USER").integer(70, solid)
      .integer(71, 0).integer(91, paths);
  return b;
}

// A solid hatch of one edge path of `edges` edges, up to its first edge.
Builder& edgePath(Builder& b, int edges) {
  hatchHead(b, true, 1).integer(92, 1).integer(93, edges);
  return b;
}

// One pattern line after the paths: angle in degrees, base, offset, dashes.
vd::ChainBuilder& patternLine(vd::ChainBuilder& b, double degrees, GcGePoint2d base, GcGeVector2d offset,
                              std::initializer_list<double> dashes = {}) {
  b.real(53, degrees).real(43, base.x).real(44, base.y).real(45, offset.x).real(46, offset.y)
      .integer(79, static_cast<int>(dashes.size()));
  for (double d : dashes)
    b.real(49, d);
  return b;
}

// An edge path of `edges` edges beginning with a quadratic spline edge of
// three control points without inner knots, up to its control points.
vd::ChainBuilder& quadraticSplineEdge(vd::ChainBuilder& b, int edges, bool rational) {
  b.integer(92, 1).integer(93, edges).integer(72, 4).integer(94, 2).integer(73, rational).integer(74, 0);
  b.integer(95, 6).integer(96, 3);
  for (double k : {0.0, 0.0, 0.0, 1.0, 1.0, 1.0})
    b.real(40, k);
  return b;
}

// Lower-left and upper-right corners of a curve's extents.
std::pair<GcGePoint2d, GcGePoint2d> extentsOf(const GcGeCurve2d& c) {
  GcGePoint2d lo, hi;
  c.gcOrthoBoundBlock().getMinMaxPoints(lo, hi);
  return {lo, hi};
}

// Parts as letters (f a fill, c a curve) and the area of all fills.
std::string shapeOf(const chain_item& item, double& fillArea) {
  std::string kinds;
  fillArea = 0;
  for (const chain_part& part : item.parts) {
    kinds += part.curve ? 'c' : 'f';
    for (const auto& loop : part.loops)
      fillArea += areaOf(*loop);
  }
  return kinds;
}

// Texts measured as every character one unit wide at height 1.
colour_context measuredByChars() {
  colour_context colours;
  colours.text_width = [](std::u16string_view text) { return static_cast<double>(text.size()); };
  return colours;
}

// How far a point lies from a drawn curve.
double distanceTo(const GcGeCurve2d& curve, const GcGePoint2d& p) { return p.distanceTo(curve.closestPointTo(p)); }

} // namespace

TEST(ChainItems, CurvesOfEachType) {
  const double a[] = {1, 2, 0}, b[] = {4, 6, 0}, c[] = {0, 0, 0}, d[] = {2, 0, 0};
  const auto line = itemOf(buildValueChain(0, 0, u"LINE", 10, a, 11, b, 62, 1, 6, u"DASH", -9));
  ASSERT_TRUE(line && line->parts.size() == 1 && line->parts[0].curve);
  ASSERT_TRUE(line->parts[0].curve->isKindOf(GcGe::kLineSeg2d));
  EXPECT_NEAR(curveOf(*line).gcLength(), 5.0, 1e-12);
  EXPECT_EQ(line->colour, palette_colour(1));
  EXPECT_EQ(line->linetype, "DASH");
  // Chains hold angles in radians: a quarter from the top to the left; an end
  // angle below the start wraps round through zero.
  const auto quarter = itemOf(buildValueChain(0, 0, u"ARC", 10, c, 40, 2.0, 50, kPi / 2, 51, kPi, 420, 0x112233, -9));
  const auto wrapped = itemOf(buildValueChain(0, 0, u"ARC", 10, c, 40, 1.0, 50, 3 * kPi / 2, 51, kPi / 2, -9));
  ASSERT_TRUE(quarter && wrapped);
  const GcGeCurve2d &q = curveOf(*quarter), &w = curveOf(*wrapped);
  EXPECT_TRUE(q.startPoint().isEqualTo(GcGePoint2d(0, 2), GcGeTol(1e-12, 0)));
  EXPECT_TRUE(q.endPoint().isEqualTo(GcGePoint2d(-2, 0), GcGeTol(1e-12, 0)));
  EXPECT_EQ(quarter->colour >> 32, 0x332211u) << "true colour as 0x00BBGGRR";
  EXPECT_NEAR(q.gcLength(), kPi, 1e-9) << "a quarter of a circle of radius 2";
  EXPECT_TRUE(w.startPoint().isEqualTo(GcGePoint2d(0, -1), GcGeTol(1e-12, 0)));
  EXPECT_TRUE(w.isOn(GcGePoint2d(1, 0))) << "through the right";
  EXPECT_NEAR(w.gcLength(), kPi, 1e-9);
  // Closed polyline: a unit bulge makes a counter-clockwise half circle.
  const auto poly = itemOf(buildValueChain(0, 0, u"LWPOLYLINE", 70, 1, 10, c, 42, 1.0, 10, d, -9));
  ASSERT_TRUE(poly);
  const auto& g = static_cast<const GcGeCompositeCurve2d&>(curveOf(*poly));
  ASSERT_EQ(g.numCurves(), 2);
  EXPECT_NEAR(g.gcLength(), kPi + 2.0, 1e-9);
  EXPECT_TRUE(g.curveAt(0).isOn(GcGePoint2d(1, -1))) << "bulge to the right of the chord";
  const auto point = itemOf(buildValueChain(0, 0, u"point", 10, a, -9));
  ASSERT_TRUE(point);
  ASSERT_EQ(point->parts.size(), 1u);
  EXPECT_TRUE(point->parts[0].curve->isKindOf(GcGe::kPointEnt2d));
}

TEST(ChainItems, SolidsTextsAndReferences) {
  const double p1[] = {0, 0, 0}, p2[] = {4, 0, 0}, p3[] = {0, 3, 0}, p4[] = {4, 3, 0};
  const auto solid = itemOf(buildValueChain(0, 0, u"SOLID", 10, p1, 11, p2, 12, p3, 13, p4, -9));
  ASSERT_TRUE(solid);
  EXPECT_EQ(solid->what, chain_item::kind::shapes);
  ASSERT_EQ(solid->parts.size(), 1u);
  ASSERT_EQ(solid->parts[0].loops.size(), 1u) << "one fill of one loop";
  EXPECT_NEAR(areaOf(*solid->parts[0].loops[0]), 12.0, 1e-12) << "corners 1, 2, 4, 3 make the rectangle, not a bow tie";

  const auto text = itemOf(buildValueChain(0, 0, u"TEXT", 10, p1, 11, p4, 40, 2.5, 1, u"±0,000", 50, kPi / 2, 72, 2, 73, 3, -9));
  const auto attrib = itemOf(buildValueChain(0, 0, u"ATTRIB", 10, p2, 40, 1.0, 1, u"+3.000", 2, u"LEVEL", 50, -kPi / 6, -9));
  ASSERT_TRUE(text && attrib);
  EXPECT_EQ(text->what, chain_item::kind::text);
  EXPECT_EQ(attrib->what, chain_item::kind::text);
  ASSERT_EQ(text->texts.size(), 1u);
  ASSERT_EQ(attrib->texts.size(), 1u);
  const chain_text& line = text->texts[0];
  EXPECT_EQ(line.text, u"±0,000");
  EXPECT_TRUE(line.position.isEqualTo(GcGePoint2d(4, 3))) << "a right-aligned text sits at its second point";
  EXPECT_TRUE(line.direction.isEqualTo(GcGeVector2d(0, 1), GcGeTol(1e-12, 1e-12)));
  EXPECT_EQ(line.horizontal, 2u);
  EXPECT_EQ(line.vertical, 3u);
  EXPECT_FALSE(line.colour) << "in the item's colour";
  EXPECT_TRUE(attrib->texts[0].position.isEqualTo(GcGePoint2d(4, 0)));
  EXPECT_TRUE(attrib->texts[0].direction.isEqualTo(GcGeVector2d(std::sqrt(3.0) / 2, -0.5), GcGeTol(1e-12, 1e-12)))
      << "minus 30 degrees";

  // Attributes: an invisible one shows nothing, a preset one shows; a
  // definition shows only when constant.
  struct Attribute {
    const char16_t* type;
    int flags;
    bool shown;
  } attributes[] = {{u"ATTRIB", 1, false}, {u"ATTRIB", 8, true}, {u"ATTDEF", 0, false},
                    {u"ATTDEF", 2, true},  {u"ATTDEF", 3, false}};
  for (const Attribute& a : attributes) {
    const auto item = itemOf(buildValueChain(0, 0, a.type, 10, p2, 40, 1.0, 1, u"K1", 2, u"ID", 70, a.flags, -9));
    ASSERT_EQ(item.has_value(), a.shown) << vd::utf16ToUtf8(a.type) << " " << a.flags;
    if (item)
      EXPECT_EQ(item->texts.at(0).text, u"K1");
  }

  const auto insert = itemOf(buildValueChain(0, 0, u"INSERT", 2, u"Arrow", 10, p4, 41, 2.0, 42, 3.0, 50, kPi, -9));
  ASSERT_TRUE(insert);
  EXPECT_EQ(insert->block_key, block_key(u"ARROW"));
  EXPECT_NE(block_key(u"ARROW"), block_key(u"ARROWS"));
  EXPECT_DOUBLE_EQ(insert->scale.sx, 2.0);
  EXPECT_DOUBLE_EQ(insert->scale.sy, 3.0);
  EXPECT_NEAR(insert->direction.x, -1.0, 1e-12);
  EXPECT_NEAR(insert->direction.y, 0.0, 1e-12);
  EXPECT_EQ(insert->columns * insert->rows, 1) << "a plain reference is one copy";
  // A multiple insert is a grid; one too large to be meant is one copy.
  struct Grid {
    int columns, rows;
    double spacing44, spacing45;
    int expectedColumns, expectedRows;
  } grids[] = {{2, 3, 10, 5, 2, 3}, {0, 0, 10, 5, 1, 1}, {1000, 1000, 1, 1, 1, 1}, {2, 1, std::nan(""), 1, 1, 1}};
  for (const Grid& g : grids) {
    const auto grid = itemOf(buildValueChain(0, 0, u"INSERT", 2, u"Column", 10, p4, 50, kPi / 2, 70, g.columns, 71,
                                             g.rows, 44, g.spacing44, 45, g.spacing45, -9));
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->columns, g.expectedColumns) << g.columns << " x " << g.rows;
    EXPECT_EQ(grid->rows, g.expectedRows) << g.columns << " x " << g.rows;
    if (g.expectedColumns > 1) {
      EXPECT_DOUBLE_EQ(grid->column_spacing, 10.0);
      EXPECT_DOUBLE_EQ(grid->row_spacing, 5.0);
    }
  }
}

TEST(ChainItems, ColoursThroughLayersAndReferences) {
  colour_context colours;
  colours.set_layer(u"Walls", 30, false);
  colours.set_layer(u"OFF", -5, false);
  colours.set_layer(u"FROZEN", 3, true);
  colours.set_layer(u"0", 7, false);
  colours.set_layer(u"DOORS", 1, false);
  colours.set_layer(u"GREEN", 3, false);
  colours.set_layer(u"TRUE", 3, false, {}, 0xFF8000);
  const std::uint32_t black = vd::colour::rgb(0, 0, 0), white = vd::colour::rgb(255, 255, 255);
  const std::uint32_t orange = vd::colour::rgb(255, 0x80, 0), red = vd::colour::rgb(255, 0, 0);
  const std::uint32_t green = vd::colour::rgb(0, 255, 0);
  struct Case {
    const char* what;
    const char16_t* layer; // null: no group 8
    int index;             // -1: no group 62
    int trueColour;        // -1: no group 420
    int blockIndex, blockTrueColour;
    std::uint32_t background;
    std::optional<std::uint32_t> expected; // none: not drawn
    const char16_t* layer0 = u"";          // the placing reference's layer, which layer 0 stands for
  } cases[] = {
      {"by layer when 62 is absent", u"WALLS", -1, -1, 7, -1, white, orange},
      {"layer names without regard to case", u"walls", -1, -1, 7, -1, white, orange},
      {"by layer given", u"WALLS", 256, -1, 7, -1, white, orange},
      {"own colour", u"WALLS", 1, -1, 7, -1, white, vd::colour::rgb(255, 0, 0)},
      {"true colour wins", u"WALLS", 1, 0x123456, 7, -1, white, vd::colour::rgb(0x12, 0x34, 0x56)},
      {"a layer without a record", u"NOWHERE", -1, -1, 7, -1, white, black},
      {"no layer group: layer 0", nullptr, -1, -1, 7, -1, white, black},
      {"layer 0 on a dark ground", nullptr, -1, -1, 7, -1, black, white},
      {"a layer that is off", u"OFF", 1, -1, 7, -1, white, std::nullopt},
      {"a frozen layer", u"FROZEN", -1, -1, 7, -1, white, std::nullopt},
      {"by block: the reference's colour", u"WALLS", 0, -1, 5, -1, white, vd::colour::rgb(0, 0, 255)},
      {"by block: the reference's true colour", u"WALLS", 0, -1, 5, 0x00FF00, white, vd::colour::rgb(0, 255, 0)},
      {"by block outside a reference", u"WALLS", 0, -1, 7, -1, white, black},
      {"layer 0 itself", u"0", -1, -1, 7, -1, white, black},
      {"layer 0 takes the reference's layer", u"0", -1, -1, 7, -1, white, red, u"Doors"},
      {"no group 8 is layer 0, by layer", nullptr, 256, -1, 7, -1, white, red, u"DOORS"},
      {"on layer 0 its own colour stays", u"0", 3, -1, 7, -1, white, green, u"DOORS"},
      {"another layer keeps its own", u"GREEN", -1, -1, 7, -1, white, green, u"DOORS"},
      {"hidden with a reference's layer that is off", u"0", 1, -1, 7, -1, white, std::nullopt, u"OFF"},
      {"hidden with a reference's layer that is frozen", u"0", -1, -1, 7, -1, white, std::nullopt, u"FROZEN"},
      {"a reference's layer without a record", u"0", -1, -1, 7, -1, white, black, u"NOWHERE"},
      {"by layer: the layer's true colour", u"TRUE", -1, -1, 7, -1, white, orange},
      {"on a true-colour layer its own number stays", u"TRUE", 1, -1, 7, -1, white, red},
      {"layer 0 takes the reference layer's true colour", u"0", -1, -1, 7, -1, white, orange, u"TRUE"},
  };
  const double a[] = {0, 0, 0}, b[] = {1, 1, 0};
  for (const Case& c : cases) {
    Chain line(buildValueChain(0, 0, u"LINE", 8, c.layer ? c.layer : vd::kOmitString, 10, a, 11, b, -9));
    if (c.index >= 0)
      vd::spliceChainAfter(line.head, buildValueChain(0, 62, c.index, -9));
    if (c.trueColour >= 0)
      vd::spliceChainAfter(line.head, buildValueChain(0, 420, c.trueColour, -9));
    colours.block_index = c.blockIndex;
    colours.block_true_colour = c.blockTrueColour;
    colours.background = c.background;
    colours.layer0 = c.layer0;
    auto item = item_from_chain(line.head, &colours);
    ASSERT_EQ(item.has_value(), c.expected.has_value()) << c.what;
    if (item) {
      EXPECT_EQ(item->colour >> 32, *c.expected) << c.what;
    }
  }
  // The colour number goes with the resolved colour, and a reference's own
  // colour is what its by-block members take.
  const chain_colour byLayer{256, -1, u"WALLS"}, byBlock{0, -1, u"WALLS"};
  colours.block_index = 3;
  EXPECT_EQ(colours.resolved_index(byLayer), 30);
  EXPECT_EQ(colours.resolved_index(byBlock), 3);
  EXPECT_EQ(colours.resolved_index(chain_colour{256, -1, u"OFF"}), 5) << "an off layer keeps its colour";
  colours.layer0 = u"DOORS";
  EXPECT_EQ(colours.resolved_index(chain_colour{256, -1, u"0"}), 1) << "layer 0 as the reference's layer";
  EXPECT_EQ(colours.resolved_index(chain_colour{256, -1, u"GREEN"}), 3);
  // What a reference passes on to its by-block members: its own true
  // colour, or its layer's when it is by layer.
  colours.layer0.clear();
  colours.block_true_colour = 0x123456;
  EXPECT_EQ(colours.resolved_true_colour(chain_colour{256, -1, u"TRUE"}), 0xFF8000);
  EXPECT_EQ(colours.resolved_true_colour(chain_colour{256, 0x00FF00, u"TRUE"}), 0x00FF00);
  EXPECT_EQ(colours.resolved_true_colour(chain_colour{0, -1, u"TRUE"}), 0x123456);
  EXPECT_EQ(colours.resolved_true_colour(chain_colour{5, -1, u"TRUE"}), -1);
  EXPECT_EQ(colours.resolved_true_colour(chain_colour{256, -1, u"WALLS"}), -1);
  // A reference on a layer that is off still places its members on other
  // layers; a frozen one places nothing.
  const double at[] = {0, 0, 0};
  for (const auto& [layer, placed] : {std::pair{u"OFF", true}, {u"FROZEN", false}, {u"WALLS", true}}) {
    Chain insert(buildValueChain(0, 0, u"INSERT", 8, layer, 2, u"B", 10, at, -9));
    EXPECT_EQ(item_from_chain(insert.head, &colours).has_value(), placed) << vd::utf16ToUtf8(layer);
  }
}

TEST(ChainItems, PolylineWidthsBecomeBands) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Vertex {
    double x, y, start = -1, end = -1, bulge = 0; // widths -1: none given
  };
  struct Case {
    const char* what;
    std::vector<Vertex> vertices;
    bool closed;
    double constant; // -1: no group 43
    std::string parts;
    double area, tolerance;
  } cases[] = {
      {"closed rectangle, corners mitred", {{0, 0}, {10, 0}, {10, 6}, {0, 6}}, true, 1.0, "ffff", 11 * 7 - 9 * 5, 1e-9},
      {"right-angle corner of an open polyline", {{0, 0}, {10, 0}, {10, 10}}, false, 2.0, "ff", 40, 1e-9},
      {"tapered from nothing to 2", {{0, 0, 0, 2}, {10, 0}}, false, -1, "f", 10, 1e-9},
      {"widths only on some segments", {{0, 0, 1, 1}, {10, 0, 0, 0}, {10, 10, 1, 1}, {0, 10}}, false, -1, "fcf", 20,
       1e-9},
      {"a half circle band", {{-1, 0, 0.5, 0.5, 1.0}, {1, 0}}, false, -1, "f", kPi / 2, 1e-3},
      {"wider than the arc: the inside stops at the centre", {{-1, 0, 4, 4, 1.0}, {1, 0}}, false, -1, "f",
       kPi / 2 * 9, 0.02},
      {"negative widths count as their size", {{0, 0, -2, -2}, {10, 0}}, false, -1, "f", 20, 1e-9},
      {"a wide segment of no length is left out", {{0, 0}, {0, 0}, {10, 0}}, false, 1.0, "f", 10, 1e-9},
      {"a width that is not a number draws a line", {{0, 0}, {10, 0}}, false, nan, "c", 0, 0},
      {"a wide band for its length", {{0, 0}, {1e-3, 0}}, false, 1e3, "f", 1.0, 1e-9},
      {"a width beyond reason draws a line", {{0, 0}, {10, 0}}, false, 1e300, "c", 0, 0},
      {"no widths: one curve", {{0, 0}, {10, 0, 0, 0}, {10, 10}}, false, 0.0, "c", 0, 0},
  };
  for (const Case& c : cases) {
    Builder b;
    b.text(0, u"LWPOLYLINE").integer(90, static_cast<int>(c.vertices.size())).integer(70, c.closed ? 1 : 0);
    if (!(c.constant == -1))
      b.real(43, c.constant);
    for (const Vertex& v : c.vertices) {
      b.point(10, v.x, v.y);
      if (v.start >= 0 || v.start < -1)
        b.real(40, v.start);
      if (v.end >= 0 || v.end < -1)
        b.real(41, v.end);
      if (v.bulge != 0)
        b.real(42, v.bulge);
    }
    auto item = item_from_chain(b.head());
    ASSERT_TRUE(item) << c.what;
    double area = 0;
    EXPECT_EQ(shapeOf(*item, area), c.parts) << c.what;
    EXPECT_NEAR(area, c.area, c.tolerance) << c.what;
  }
}

TEST(ChainItems, BandGeometry) {
  // The outside corner of a mitred join reaches the crossing of the outer edges.
  auto item = itemOf([](Builder& b) { b.text(0, u"LWPOLYLINE").real(43, 2.0).point(10, 0, 0).point(10, 10, 0).point(10, 10, 10); });
  ASSERT_TRUE(item && item->parts.size() == 2);
  const auto [firstLow, firstHigh] = extentsOf(*item->parts[0].loops.at(0));
  EXPECT_TRUE(firstLow.isEqualTo(GcGePoint2d(0, -1))) << "square end at the start";
  EXPECT_TRUE(firstHigh.isEqualTo(GcGePoint2d(11, 1))) << "out to the corner";
  // A counter-clockwise half circle below its chord, as the bulge says.
  item = itemOf([](Builder& b) { b.text(0, u"LWPOLYLINE").real(43, 0.5).point(10, -1, 0).real(42, 1.0).point(10, 1, 0); });
  ASSERT_TRUE(item && item->parts.size() == 1);
  const GcGeCurve2d& band = *item->parts[0].loops.at(0);
  const auto [low, high] = extentsOf(band);
  EXPECT_NEAR(low.y, -1.25, 1e-9);
  EXPECT_NEAR(high.y, 0.0, 1e-9);
  EXPECT_NEAR(low.x, -1.25, 1e-9);
  EXPECT_NEAR(high.x, 1.25, 1e-9);
  EXPECT_TRUE(band.isKindOf(GcGe::kCompositeCrv2d));
  const auto& pieces = static_cast<const GcGeCompositeCurve2d&>(band);
  for (int i = 0; i < pieces.numCurves(); ++i)
    ASSERT_TRUE(pieces.curveAt(i).isKindOf(GcGe::kLineSeg2d)) << "a loop of straight segments";
  EXPECT_TRUE(pieces.startPoint().isEqualTo(pieces.endPoint())) << "closed";
}

TEST(ChainItems, SolidHatchLoops) {
  struct Case {
    const char* what;
    std::function<void(Builder&)> paths;
    int pathCount;
    std::vector<double> areas;   // of each loop
    double minY, maxY;           // of the first loop
    double tolerance = 1e-9;     // of the areas: curves drawn from their samples come within this
  };
  const Case cases[] = {
      {"outer square with an island", [](Builder& b) {
         b.polylinePath(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}).polylinePath(0, {{4, 4}, {6, 4}, {6, 6}, {4, 6}});
       }, 2, {100, 4}, 0, 10},
      {"line and counter-clockwise arc: the upper half disc", [](Builder& b) {
         b.integer(92, 1).integer(93, 2).integer(72, 1).point(10, -1, 0).point(11, 1, 0);
         b.integer(72, 2).point(10, 0, 0).real(40, 1.0).real(50, 0.0).real(51, 180.0).integer(73, 1);
         b.integer(97, 0);
       }, 1, {kPi / 2}, 0, 1},
      {"a clockwise arc holds its angles mirrored: the lower half", [](Builder& b) {
         b.integer(92, 1).integer(93, 2).integer(72, 1).point(10, -1, 0).point(11, 1, 0);
         b.integer(72, 2).point(10, 0, 0).real(40, 1.0).real(50, 0.0).real(51, 180.0).integer(73, 0);
         b.integer(97, 1).text(330, u"2F");
       }, 1, {kPi / 2}, -1, 0},
      {"counts that promise far more than the chain holds", [](Builder& b) {
         b.integer(92, 3).integer(72, 0).integer(73, 1).integer(93, 1000000000);
         b.point(10, 0, 0).point(10, 3, 0).point(10, 3, 2).point(10, 0, 2).integer(97, 1000000000);
       }, 1000000000, {6}, 0, 2},
      {"a whole ellipse, angles in degrees", [](Builder& b) {
         b.integer(92, 1).integer(93, 1).integer(72, 3).point(10, 0, 0).point(11, 2, 0).real(40, 0.5);
         b.real(50, 0.0).real(51, 360.0).integer(73, 1).integer(97, 0);
       }, 1, {2 * kPi}, -1, 1},
      {"half an ellipse from 90 to 270 degrees closed by a line", [](Builder& b) {
         b.integer(92, 1).integer(93, 2).integer(72, 3).point(10, 0, 0).point(11, 2, 0).real(40, 0.5);
         b.real(50, 90.0).real(51, 270.0).integer(73, 1).integer(72, 1).point(10, 0, -1).point(11, 0, 1);
         b.integer(97, 0);
       }, 1, {kPi}, -1, 1},
      {"ellipse angles are angles from the major axis, not parameters: a sector to the 45-degree ray", [](Builder& b) {
         const double end = 2 / std::sqrt(5.0);  // where the ray meets x^2/4 + y^2 = 1
         b.integer(92, 1).integer(93, 3).integer(72, 1).point(10, 0, 0).point(11, 2, 0);
         b.integer(72, 3).point(10, 0, 0).point(11, 2, 0).real(40, 0.5).real(50, 0.0).real(51, 45.0).integer(73, 1);
         b.integer(72, 1).point(10, end, end).point(11, 0, 0).integer(97, 0);
       }, 1, {std::atan(2.0)}, 0, 2 / std::sqrt(5.0)},
      {"a spline edge is its curve, not its control polygon, and an edge given backwards", [](Builder& b) {
         // A quadratic arc of a parabola: it cuts off two thirds of the
         // triangle of its control points (area 6) from the chord.
         quadraticSplineEdge(b, 2, false);
         b.point(10, 0, 0).point(10, 4, 0).point(10, 4, 3);
         b.integer(97, 2).point(11, 0, 0).point(11, 4, 3); // fit data
         b.integer(72, 1).point(10, 0, 0).point(11, 4, 3);
         b.integer(97, 0);
       }, 1, {4}, 0, 3, 4e-3},
      {"a rational spline edge: weights after each control point make a quarter circle", [](Builder& b) {
         quadraticSplineEdge(b, 3, true);
         b.point(10, 2, 0).real(42, 1.0).point(10, 2, 2).real(42, std::sqrt(0.5)).point(10, 0, 2).real(42, 1.0);
         b.integer(72, 1).point(10, 0, 2).point(11, 0, 0);
         b.integer(72, 1).point(10, 0, 0).point(11, 2, 0);
         b.integer(97, 0);
       }, 1, {kPi}, 0, 2, 4e-3},
  };
  for (const Case& c : cases) {
    auto item = itemOf([&](Builder& b) {
      c.paths(hatchHead(b, true, c.pathCount));
      b.integer(75, 0).integer(76, 1).integer(98, 1).point(10, 5, 5);
    });
    ASSERT_TRUE(item) << c.what;
    ASSERT_EQ(item->parts.size(), 1u) << c.what << ": one fill";
    const auto& loops = item->parts[0].loops;
    ASSERT_EQ(loops.size(), c.areas.size()) << c.what;
    for (std::size_t i = 0; i < loops.size(); ++i)
      EXPECT_NEAR(areaOf(*loops[i]), c.areas[i], c.tolerance) << c.what << " loop " << i;
    EXPECT_NEAR(extentsOf(*loops[0]).first.y, c.minY, 1e-9) << c.what;
    EXPECT_NEAR(extentsOf(*loops[0]).second.y, c.maxY, 1e-9) << c.what;
  }
}

TEST(ChainItems, PatternHatchLines) {
  const std::initializer_list<GcGePoint2d> outer{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  const std::initializer_list<GcGePoint2d> island{{4, 4}, {6, 4}, {6, 6}, {4, 6}};
  struct Case {
    const char* what;
    std::function<void(Builder&)> tail; // after the paths
    int style;
    std::size_t parts;
    double length;
    bool boundaryOnly;
  };
  const Case cases[] = {
      {"horizontal lines split by the island",
       [](Builder& b) { patternLine(b.integer(78, 1), 0, {0, 0.5}, {0, 1}); }, 0, 12, 96, false},
      {"pattern angles are degrees: vertical lines",
       [](Builder& b) { patternLine(b.integer(78, 1), 90, {0.5, 0}, {-1, 0}); }, 0, 12, 96, false},
      {"dashed", [](Builder& b) { patternLine(b.integer(78, 1), 0, {0, 0.5}, {0, 1}, {1.0, -1.0}); }, 0, 48, 48, false},
      {"double crosses the lines",
       [](Builder& b) { patternLine(b.integer(77, 1).integer(78, 1), 0, {0.5, 0.5}, {0, 1}); }, 0, 24, 192, false},
      {"double with the crossing lines already stored", [](Builder& b) {
         patternLine(b.integer(77, 1).integer(78, 2), 0, {0.5, 0.5}, {0, 1});
         patternLine(b, 90, {0.5, 0.5}, {-1, 0});
       }, 0, 24, 192, false},
      {"a line count far above the lines given",
       [](Builder& b) { patternLine(b.integer(78, 32767), 0, {0, 0.5}, {0, 1}); }, 0, 12, 96, false},
      {"style ignore: the island is not cut out",
       [](Builder& b) { patternLine(b.integer(78, 1), 0, {0, 0.5}, {0, 1}); }, 2, 10, 100, false},
      {"too fine: the boundary instead",
       [](Builder& b) { patternLine(b.integer(78, 1), 0, {0, 0.5}, {0, 1e-9}); }, 0, 2, 40 + 8, true},
  };
  for (const Case& c : cases) {
    auto item = itemOf([&](Builder& b) {
      hatchHead(b, false, 2).polylinePath(1, outer).polylinePath(0, island);
      b.integer(75, c.style).integer(76, 0).real(52, 0.0).real(41, 1.0);
      c.tail(b);
      b.integer(98, 0);
    });
    ASSERT_TRUE(item) << c.what;
    ASSERT_EQ(item->parts.size(), c.parts) << c.what;
    double length = 0;
    for (const chain_part& part : item->parts) {
      ASSERT_TRUE(part.curve) << c.what;
      const auto& curve = static_cast<const GcGeCurve2d&>(*part.curve);
      EXPECT_EQ(curve.isKindOf(GcGe::kLineSeg2d), !c.boundaryOnly) << c.what;
      length += curve.gcLength();
    }
    EXPECT_NEAR(length, c.length, 1e-9) << c.what;
  }
}

TEST(ChainItems, ChainsThatDrawNothing) {
  const std::initializer_list<GcGePoint2d> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  // The groups after group 0, or all of them when no type is given.
  struct Case { const char* what; const char16_t* type; std::function<void(Builder&)> build; };
  const Case cases[] = {
      {"a type not drawn", u"DIMENSION", [](Builder& b) { b.point(10, 0, 0); }},
      {"a circle without a radius", u"CIRCLE", [](Builder& b) { b.point(10, 0, 0); }},
      {"a solid of one point", u"SOLID", [](Builder& b) { b.point(10, 0, 0).point(11, 0, 0).point(12, 0, 0); }},
      {"a text without text", u"MTEXT", [](Builder& b) { b.point(10, 0, 0).real(40, 1).text(1, u""); }},
      {"a text of breaks and a hard space only", u"MTEXT", [](Builder& b) { b.point(10, 0, 0).real(40, 1).text(1, u"  \\P\\~"); }},
      {"a text of an empty group", u"MTEXT", [](Builder& b) { b.point(10, 0, 0).real(40, 1).text(1, u"{\\H2;}"); }},
      {"a text of no height", u"MTEXT", [](Builder& b) { b.point(10, 0, 0).real(40, 0).text(1, u"a"); }},
      {"an ellipse without an axis", u"ELLIPSE", [](Builder& b) { b.point(10, 0, 0).real(40, 0.5); }},
      {"an ellipse of an axis of no length", u"ELLIPSE", [](Builder& b) { b.point(10, 0, 0).point(11, 0, 0).real(40, 0.5); }},
      {"an ellipse of ratio 0", u"ELLIPSE", [](Builder& b) { b.point(10, 0, 0).point(11, 1, 0).real(40, 0); }},
      {"an ellipse of a ratio not a number", u"ELLIPSE",
       [](Builder& b) { b.point(10, 0, 0).point(11, 1, 0).real(40, std::nan("")); }},
      {"an ellipse without a centre", u"ELLIPSE", [](Builder& b) { b.point(11, 1, 0).real(40, 0.5); }},
      {"an ellipse of a normal of no length", u"ELLIPSE",
       [](Builder& b) { b.point(10, 0, 0).point(11, 1, 0).real(40, 0.5).point(210, 0, 0); }},
      {"a spline of one control point", u"SPLINE", [](Builder& b) { b.point(10, 1, 1); }},
      {"a spline of one fit point twice", u"SPLINE", [](Builder& b) { b.point(11, 1, 1).point(11, 1, 1); }},
      {"a spline of no points", u"SPLINE", [](Builder& b) { b.integer(71, 3); }},
      {"no path count", u"HATCH", [](Builder& b) { b.integer(70, 1).integer(75, 0); }},
      {"no paths", nullptr, [](Builder& b) { hatchHead(b, true, 0).integer(75, 0).integer(98, 0); }},
      {"a pattern without lines", nullptr,
       [&](Builder& b) { hatchHead(b, false, 1).polylinePath(1, square).integer(75, 0).integer(78, 0); }},
      {"a path cut off after its flags", nullptr, [](Builder& b) { hatchHead(b, true, 1).integer(92, 1); }},
      {"a polyline path of one vertex", nullptr, [](Builder& b) { hatchHead(b, true, 1).polylinePath(1, {{3, 3}}); }},
      {"an arc edge cut off after its centre", nullptr, [](Builder& b) { edgePath(b, 1).integer(72, 2).point(10, 0, 0); }},
      {"an arc from an angle to itself", nullptr, [](Builder& b) {
         edgePath(b, 1).integer(72, 2).point(10, 0, 0).real(40, 1.0).real(50, 90.0).real(51, 90.0).integer(73, 1);
       }},
      {"an arc of no radius", nullptr, [](Builder& b) { edgePath(b, 1).integer(72, 2).point(10, 0, 0).real(40, 0.0); }},
      {"an ellipse of no size and one of ratio not a number", nullptr, [](Builder& b) {
         edgePath(b, 2).integer(72, 3).point(10, 0, 0).point(11, 0, 0).real(40, 0.5);
         b.integer(72, 3).point(10, 0, 0).point(11, 1, 0).real(40, std::nan(""));
       }},
      {"an edge of unknown type", nullptr, [](Builder& b) { edgePath(b, 1).integer(72, 9).point(10, 0, 0); }},
      {"a spline of one control point", nullptr, [](Builder& b) { edgePath(b, 1).integer(72, 4).integer(94, 3).point(10, 1, 1); }},
  };
  const colour_context colours = measuredByChars();
  for (const Case& c : cases)
    EXPECT_FALSE(itemOf([&](Builder& b) {
      if (c.type)
        b.text(0, c.type);
      c.build(b);
    }, &colours)) << c.what;
}

TEST(ChainItems, MergedLoopsKeepTheirParity) {
  auto square = [](double x0, double y0, double x1, double y1) {
    return std::unique_ptr<GcGeCurve2d>(previewtest::rectangle(x0, y0, x1, y1));
  };
  std::vector<std::unique_ptr<GcGeCurve2d>> loops;
  loops.push_back(square(0, 0, 10, 10));
  loops.push_back(std::make_unique<GcGeCircArc2d>(GcGePoint2d(5, 5), 3.0)); // a hole
  loops.push_back(square(4, 4, 6, 6));                                      // an island in it
  loops.push_back(square(20, 0, 25, 5));                                    // apart
  // Open: the last side is missing and must be closed.
  auto open = std::make_unique<GcGeCompositeCurve2d>();
  open->append(new GcGeLineSeg2d(GcGePoint2d(30, 0), GcGePoint2d(35, 0)));
  open->append(new GcGeLineSeg2d(GcGePoint2d(35, 0), GcGePoint2d(35, 5)));
  loops.push_back(std::move(open));
  const std::unique_ptr<GcGeCurve2d> merged = merge_loops(std::move(loops));
  ASSERT_TRUE(merged);
  EXPECT_TRUE(merged->startPoint().isEqualTo(merged->endPoint())) << "one closed loop";
  GcGePoint2dArray ring;
  merged->getSamplePoints(1e-3, ring);
  const std::uint32_t samples = static_cast<std::uint32_t>(ring.length());
  struct Probe { double x, y; bool filled; const char* what; } probes[] = {
      {1, 1, true, "inside the outer loop"},       {5, 2.5, false, "in the round hole"},
      {5, 5, true, "on the island in the hole"},   {9.5, 5.5, true, "between hole and outer side"},
      {22, 3, true, "in the loop apart"},          {15, 3, false, "between the loops"},
      {34, 1, true, "in the loop closed here"},    {31, 4, false, "beyond its closing side"},
      {-1, 5, false, "outside everything"},
  };
  for (const Probe& p : probes)
    EXPECT_EQ(inside_rings(GcGePoint2d(p.x, p.y), ring.begin(), &samples, 1), p.filled) << p.what;
  // One loop stays the loop it was; none gives nothing.
  std::vector<std::unique_ptr<GcGeCurve2d>> one;
  one.push_back(square(0, 0, 1, 1));
  const GcGeCurve2d* kept = one.front().get();
  EXPECT_EQ(merge_loops(std::move(one)).get(), kept);
  EXPECT_FALSE(merge_loops({}));
}

TEST(ChainItems, LinetypesThroughLayersAndReferences) {
  colour_context colours;
  colours.set_layer(u"Hidden", 8, false, u"Dashed");
  colours.set_layer(u"PLAIN", 1, false);
  colours.set_layer(u"SOLIDS", 1, false, u"continuous");
  colours.set_layer(u"0", 7, false, u"CENTER");
  colours.set_layer(u"DAMAGED", 7, false, u"ByBlock");
  struct Case {
    const char* what;
    const char16_t* layer;    // null: no group 8
    const char16_t* linetype; // null: no group 6
    const char* blockLinetype;
    const char16_t* layer0;
    std::string expected;
  } cases[] = {
      {"its own", u"HIDDEN", u"DASHDOT", "", u"", "DASHDOT"},
      {"its own, continuous", u"HIDDEN", u"Continuous", "", u"", ""},
      {"by layer when 6 is absent", u"hidden", nullptr, "", u"", "Dashed"},
      {"by layer given", u"HIDDEN", u"bylayer", "", u"", "Dashed"},
      {"a layer without a linetype", u"PLAIN", nullptr, "", u"", ""},
      {"a layer drawn continuous", u"SOLIDS", u"BYLAYER", "", u"", ""},
      {"a layer without a record", u"NOWHERE", nullptr, "", u"", ""},
      {"a layer naming by block", u"DAMAGED", nullptr, "HIDDEN", u"", ""},
      {"by block: the reference's", u"PLAIN", u"BYBLOCK", "HIDDEN2", u"", "HIDDEN2"},
      {"by block outside a reference", u"PLAIN", u"ByBlock", "", u"", ""},
      {"layer 0 when 8 is absent", nullptr, nullptr, "", u"", "CENTER"},
      {"layer 0 standing for the reference's layer", u"0", nullptr, "", u"HIDDEN", "Dashed"},
      {"layer 0 implied, standing for the reference's", nullptr, u"BYLAYER", "", u"hidden", "Dashed"},
      {"only layer 0 stands for another", u"PLAIN", nullptr, "", u"HIDDEN", ""},
      {"its own on layer 0 standing for another", u"0", u"DOT", "", u"HIDDEN", "DOT"},
      {"a name beyond ASCII, as UTF-8", u"PLAIN", u"Čárka", "", u"", "\xC4\x8C\xC3\xA1rka"},
  };
  const double a[] = {0, 0, 0}, b[] = {1, 1, 0};
  for (const Case& c : cases) {
    Chain line(buildValueChain(0, 0, u"LINE", 8, c.layer ? c.layer : vd::kOmitString, 6,
                               c.linetype ? c.linetype : vd::kOmitString, 10, a, 11, b, -9));
    colours.block_linetype = c.blockLinetype;
    colours.layer0 = c.layer0;
    auto item = item_from_chain(line.head, &colours);
    ASSERT_TRUE(item) << c.what;
    EXPECT_EQ(item->linetype, c.expected) << c.what;
    EXPECT_EQ(colours.linetype_of(colour_of_chain(line.head)), c.expected) << c.what;
  }
  // Without layers the chain's own name goes in; by layer and by block are
  // not known there.
  EXPECT_EQ(itemOf(buildValueChain(0, 0, u"LINE", 6, u"Dashed", 10, a, 11, b, -9))->linetype, "Dashed");
  EXPECT_EQ(itemOf(buildValueChain(0, 0, u"LINE", 6, u"BYLAYER", 10, a, 11, b, -9))->linetype, "");
  // A pattern hatch draws its own dashes whatever its layer's linetype.
  Builder hatch;
  hatchHead(hatch, false, 1).polylinePath(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  patternLine(hatch.integer(75, 0).integer(76, 1).integer(78, 1), 0, {0, 0}, {0, 1}, {1, -1});
  colours.layer0.clear();
  auto item = item_from_chain(hatch.head(), &colours);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->linetype, "");
}

TEST(ChainItems, LinetypeScales) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* what;
    std::optional<double> own; // code 48
    double drawing;            // the context's scale
    double expected;
  } cases[] = {
      {"none given", std::nullopt, 1, 1},
      {"its own", 2.5, 1, 2.5},
      {"times the drawing's", 2.5, 4, 10},
      {"the drawing's alone", std::nullopt, 0.5, 0.5},
      {"zero", 0.0, 1, 1},
      {"negative", -3.0, 2, 2},
      {"not a number", nan, 3, 3},
      {"infinite", inf, 1, 1},
      {"a drawing scale that is not a number", 2.0, nan, 2},
      {"a product beyond a double", 1e300, 1e300, 1},
      {"tiny but positive", 1e-6, 1, 1e-6},
  };
  const double a[] = {0, 0, 0}, b[] = {1, 1, 0};
  for (const Case& c : cases) {
    Chain line(buildValueChain(0, 0, u"LINE", 10, a, 11, b, 6, u"DASHED", -9));
    if (c.own)
      vd::spliceChainAfter(line.head, buildValueChain(0, 48, *c.own, -9));
    colour_context colours;
    colours.linetype_scale = c.drawing;
    auto item = item_from_chain(line.head, &colours);
    ASSERT_TRUE(item) << c.what;
    EXPECT_DOUBLE_EQ(item->linetype_scale, c.expected) << c.what;
    if (c.drawing == 1) {
      auto plain = item_from_chain(line.head);
      EXPECT_DOUBLE_EQ(plain->linetype_scale, c.expected) << c.what << " without a context";
    }
  }
}

TEST(ChainItems, LinetypeNamesAsUtf8) {
  EXPECT_EQ(linetype_name(u"DASHED"), "DASHED");
  EXPECT_EQ(linetype_name(u""), "");
  EXPECT_EQ(linetype_name(u"Čárkovaná"), "\xC4\x8C\xC3\xA1rkovan\xC3\xA1");
  EXPECT_EQ(linetype_name(u"\u20AC"), "\xE2\x82\xAC") << "three bytes";
  EXPECT_EQ(linetype_name(u"\U0001F600"), "\xF0\x9F\x98\x80") << "a surrogate pair is one character";
  EXPECT_EQ(linetype_name(std::u16string(1, char16_t(0xD800)) + u"A"), "\xEF\xBF\xBD" "A") << "a lone surrogate";
  EXPECT_NE(linetype_name(u"Čára"), linetype_name(u"Śára")) << "names beyond ASCII stay apart";
}

TEST(ChainItems, OneLineTextsAlignAsDrawingsDo) {
  struct Case {
    const char* what;
    const char16_t* type;
    std::function<void(Builder&)> groups; // after 0, 1 and 10
    GcGePoint2d position;
    GcGeVector2d direction;
    double height, widthFactor;
    std::uint32_t vertical, horizontal;
  } cases[] = {
      {"left on the baseline: at point 10 whatever point 11 says", u"TEXT",
       [](Builder& b) { b.point(11, 9, 9).real(40, 2).integer(72, 0).integer(73, 0); }, {1, 1}, {1, 0}, 2, 1, 0, 0},
      {"aligned: from 10 to 11 at the height that fills the run", u"TEXT",
       [](Builder& b) { b.point(11, 1, 9).real(40, 5).real(50, 1.0).integer(72, 3); }, {1, 1}, {0, 1}, 2, 1, 0, 0},
      {"aligned with a width factor: lower", u"TEXT",
       [](Builder& b) { b.point(11, 1, 9).real(40, 5).real(41, 2).integer(72, 3); }, {1, 1}, {0, 1}, 1, 2, 0, 0},
      {"fit: its own height, the glyphs widened to the run", u"TEXT",
       [](Builder& b) { b.point(11, 21, 1).real(40, 2).integer(72, 5).integer(73, 3); }, {1, 1}, {1, 0}, 2, 2.5, 0, 0},
      {"fit: the glyphs narrowed", u"TEXT",
       [](Builder& b) { b.point(11, 1, -3).real(40, 2).integer(72, 5); }, {1, 1}, {0, -1}, 2, 0.5, 0, 0},
      {"aligned without a second point: left at the first", u"TEXT",
       [](Builder& b) { b.real(40, 3).integer(72, 3); }, {1, 1}, {1, 0}, 3, 1, 0, 0},
      {"aligned on one point: left at it", u"TEXT",
       [](Builder& b) { b.point(11, 1, 1).real(40, 3).integer(72, 5); }, {1, 1}, {1, 0}, 3, 1, 0, 0},
      {"middle: centred both ways on point 11, whatever 73 says", u"TEXT",
       [](Builder& b) { b.point(11, 5, 6).real(40, 2).real(50, kPi / 2).integer(72, 4).integer(73, 3); }, {5, 6},
       {0, 1}, 2, 1, 2, 1},
      {"centre at the bottom", u"TEXT",
       [](Builder& b) { b.point(11, 5, 6).real(40, 2).integer(72, 1).integer(73, 1); }, {5, 6}, {1, 0}, 2, 1, 1, 1},
      {"right at the top", u"TEXT",
       [](Builder& b) { b.point(11, 5, 6).real(40, 2).integer(72, 2).integer(73, 3); }, {5, 6}, {1, 0}, 2, 1, 3, 2},
      {"left in the middle: at point 11", u"TEXT",
       [](Builder& b) { b.point(11, 5, 6).real(40, 2).integer(73, 2); }, {5, 6}, {1, 0}, 2, 1, 2, 0},
      {"alignment codes out of range: left on the baseline", u"TEXT",
       [](Builder& b) { b.point(11, 5, 6).real(40, 2).integer(72, 9).integer(73, 7); }, {1, 1}, {1, 0}, 2, 1, 0, 0},
      {"a width factor that is no number: 1", u"TEXT",
       [](Builder& b) { b.real(40, 2).real(41, -1); }, {1, 1}, {1, 0}, 2, 1, 0, 0},
      {"an attribute's vertical alignment is 74; its 73 is a field length", u"ATTRIB",
       [](Builder& b) { b.point(11, 5, 6).real(40, 2).text(2, u"TAG").integer(73, 3).integer(74, 1).integer(72, 2); },
       {5, 6}, {1, 0}, 2, 1, 1, 2},
  };
  const colour_context colours = measuredByChars();
  for (const Case& c : cases) {
    auto item = itemOf([&](Builder& b) { b.text(0, c.type).text(1, u"ABCD").point(10, 1, 1); c.groups(b); }, &colours);
    ASSERT_TRUE(item) << c.what;
    ASSERT_EQ(item->what, chain_item::kind::text) << c.what;
    ASSERT_EQ(item->texts.size(), 1u) << c.what;
    const chain_text& t = item->texts[0];
    EXPECT_EQ(t.text, u"ABCD") << c.what;
    EXPECT_TRUE(t.position.isEqualTo(c.position)) << c.what << ": " << t.position.x << ", " << t.position.y;
    EXPECT_TRUE(t.direction.isEqualTo(c.direction, GcGeTol(1e-12, 1e-12))) << c.what;
    EXPECT_DOUBLE_EQ(t.height, c.height) << c.what;
    EXPECT_DOUBLE_EQ(t.width_factor, c.widthFactor) << c.what;
    EXPECT_EQ(t.vertical, c.vertical) << c.what;
    EXPECT_EQ(t.horizontal, c.horizontal) << c.what;
  }
  // Without a measure the estimate of 0.7 of the height a character counts.
  EXPECT_DOUBLE_EQ(
      itemOf([](Builder& b) { b.text(0, u"TEXT").text(1, u"ABCD").point(10, 0, 0).point(11, 14, 0).real(40, 1).integer(72, 3); })
          ->texts[0].height,
      5.0);
}

TEST(ChainItems, OneLineTextSpecialCharacters) {
  struct Case {
    const char16_t* text;
    const char16_t* shown; // null: no item
    bool underline, strikeOut;
  } cases[] = {
      {u"%%c50", u"\u230050", false, false},
      {u"90%%d %%p5", u"90\u00B0 \u00B15", false, false},
      {u"%%uNADPIS%%u", u"NADPIS", true, false},
      {u"a %%ub", u"a b", false, false},
      {u"%%kx", u"x", false, true},
      {u"%%u%%o", nullptr, false, false},
      {u"", nullptr, false, false},
  };
  for (const Case& c : cases) {
    const double origin[] = {0, 0, 0};
    auto item = itemOf(buildValueChain(0, 0, u"TEXT", 1, c.text, 10, origin, 40, 1.0, -9));
    ASSERT_EQ(item.has_value(), c.shown != nullptr);
    if (!item)
      continue;
    EXPECT_EQ(item->texts[0].text, c.shown);
    EXPECT_EQ(item->texts[0].underline, c.underline);
    EXPECT_EQ(item->texts[0].strike_out, c.strikeOut);
  }
}

TEST(ChainItems, MultiLineTextsLayTheirLines) {
  const double third = 5.0 / 3.0; // one line spacing of a text one unit high
  struct Line {
    const char16_t* text;
    GcGePoint2d position;
    double height;
  };
  struct Case {
    const char* what;
    std::function<void(Builder&)> groups; // after 0 and 10 (10, 20)
    std::uint32_t horizontal;
    std::vector<Line> lines;
  } cases[] = {
      {"top left: the first line's top at the point",
       [](Builder& b) { b.real(40, 1).integer(71, 1).text(1, u"ab\\Pcd"); }, 0,
       {{u"ab", {10, 19}, 1}, {u"cd", {10, 19 - third}, 1}}},
      {"middle centre: halfway between the top and the last baseline",
       [](Builder& b) { b.real(40, 1).integer(71, 5).text(1, u"ab\\Pcd"); }, 1,
       {{u"ab", {10, 20 + (1 + third) / 2 - 1}, 1}, {u"cd", {10, 20 + (1 + third) / 2 - 1 - third}, 1}}},
      {"bottom right: the last baseline at the point",
       [](Builder& b) { b.real(40, 1).integer(71, 9).text(1, u"ab\\Pcd"); }, 2,
       {{u"ab", {10, 20 + third}, 1}, {u"cd", {10, 20}, 1}}},
      {"wrapped at the reference width",
       [](Builder& b) { b.real(40, 1).real(41, 5).integer(71, 7).text(1, u"aa bb cc"); }, 0,
       {{u"aa bb", {10, 20 + third}, 1}, {u"cc", {10, 20}, 1}}},
      {"twice the spacing", [](Builder& b) { b.real(40, 1).real(44, 2).text(1, u"a\\Pb"); }, 0,
       {{u"a", {10, 19}, 1}, {u"b", {10, 19 - 2 * third}, 1}}},
      {"a spacing factor beyond 4 is 4", [](Builder& b) { b.real(40, 1).real(44, 9).text(1, u"a\\Pb"); }, 0,
       {{u"a", {10, 19}, 1}, {u"b", {10, 19 - 4 * third}, 1}}},
      {"at least: the taller line sets the spacing", [](Builder& b) { b.real(40, 1).text(1, u"a\\P{\\H3;b}"); }, 0,
       {{u"a", {10, 19}, 1}, {u"b", {10, 19 - 3 * third}, 3}}},
      {"exactly: the text's height sets it",
       [](Builder& b) { b.real(40, 1).integer(73, 2).text(1, u"a\\P{\\H3;b}"); }, 0,
       {{u"a", {10, 19}, 1}, {u"b", {10, 19 - third}, 3}}},
      {"an empty paragraph takes its room", [](Builder& b) { b.real(40, 1).text(1, u"a\\P\\Pb"); }, 0,
       {{u"a", {10, 19}, 1}, {u"b", {10, 19 - 2 * third}, 1}}},
      {"chunks 3 before 1", [](Builder& b) { b.real(40, 2).text(3, u"ab").text(3, u"cd").text(1, u"ef"); }, 0,
       {{u"abcdef", {10, 18}, 2}}},
      {"turned by its direction: lines run down the page's x",
       [](Builder& b) { b.real(40, 1).point(11, 0, 3).text(1, u"a\\Pb"); }, 0,
       {{u"a", {11, 20}, 1}, {u"b", {11 + third, 20}, 1}}},
      {"the angle after the direction wins", [](Builder& b) { b.real(40, 1).point(11, 0, 3).real(50, 0).text(1, u"a"); },
       0, {{u"a", {10, 19}, 1}}},
      {"the direction after the angle wins",
       [](Builder& b) { b.real(40, 1).real(50, kPi).point(11, 0, -1).text(1, u"a"); }, 0, {{u"a", {9, 20}, 1}}},
      {"an attachment out of range: top left", [](Builder& b) { b.real(40, 1).integer(71, 12).text(1, u"a"); }, 0,
       {{u"a", {10, 19}, 1}}},
  };
  const colour_context colours = measuredByChars();
  for (const Case& c : cases) {
    auto item = itemOf([&](Builder& b) { b.text(0, u"MTEXT").point(10, 10, 20); c.groups(b); }, &colours);
    ASSERT_TRUE(item) << c.what;
    ASSERT_EQ(item->texts.size(), c.lines.size()) << c.what;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
      const chain_text& t = item->texts[i];
      EXPECT_EQ(t.text, c.lines[i].text) << c.what;
      EXPECT_TRUE(t.position.isEqualTo(c.lines[i].position, GcGeTol(1e-12, 1e-12)))
          << c.what << " line " << i << ": " << t.position.x << ", " << t.position.y;
      EXPECT_DOUBLE_EQ(t.height, c.lines[i].height) << c.what;
      EXPECT_EQ(t.vertical, 0u) << c.what << ": on the baseline";
      EXPECT_EQ(t.horizontal, c.horizontal) << c.what;
    }
  }
}

TEST(ChainItems, MultiLineTextColoursAndUnderlines) {
  colour_context colours = measuredByChars();
  colours.set_layer(u"NOTES", 5, false);
  colours.block_index = 3;
  Builder b;
  b.text(0, u"MTEXT").text(8, u"NOTES").point(10, 0, 0).real(40, 1).integer(62, 30);
  b.text(1, u"plain\\P{\\C1;red} then\\P\\C256;layer\\P\\C0;block\\P\\c16711680;blue\\P\\C7;\\Lunder\\l x\\Pno");
  auto item = item_from_chain(b.head(), &colours);
  ASSERT_TRUE(item);
  ASSERT_EQ(item->texts.size(), 7u);
  const std::uint32_t orange = vd::colour::rgb(255, 0x80, 0);
  EXPECT_EQ(item->colour >> 32, orange) << "the entity's own colour 30";
  EXPECT_FALSE(item->texts[0].colour);
  auto rgbOf = [&](std::size_t i) { return item->texts[i].colour ? *item->texts[i].colour >> 32 : 0xFFFFFFFFu; };
  EXPECT_EQ(rgbOf(1), vd::colour::rgb(255, 0, 0)) << "a line that starts red is red";
  EXPECT_EQ(rgbOf(2), vd::colour::rgb(0, 0, 255)) << "256: the layer's";
  EXPECT_EQ(rgbOf(3), vd::colour::rgb(0, 255, 0)) << "0: the placing reference's";
  EXPECT_EQ(rgbOf(4), vd::colour::rgb(0, 0, 255)) << "true colour, red written in the low byte";
  EXPECT_EQ(rgbOf(5), vd::colour::rgb(0, 0, 0)) << "7 on white";
  EXPECT_TRUE(item->texts[5].underline) << "underlined from its first character";
  EXPECT_TRUE(item->texts[6].colour) << "a colour stays to the end unless a group ends it";
  EXPECT_FALSE(item->texts[6].underline);
  // Without a context the colour number goes to the view's palette.
  auto plain = item_from_chain(b.head());
  ASSERT_TRUE(plain && plain->texts.size() == 7u);
  EXPECT_EQ(*plain->texts[1].colour, palette_colour(1));
  EXPECT_EQ(*plain->texts[4].colour >> 32, vd::colour::rgb(0, 0, 255));
}

TEST(ChainItems, EllipsesInPlan) {
  const double s = std::sqrt(0.5);
  struct Case {
    const char* what;
    std::function<void(Builder&)> groups; // after 0 and 10 (1, 2)
    GcGePoint2d start, middle, end;       // the points at the ends and halfway
    double length;                        // 0: not checked
  } cases[] = {
      {"a whole ellipse", [](Builder& b) { b.point(11, 4, 0).real(40, 0.5); }, {5, 2}, {-3, 2}, {5, 2}, 0},
      {"equal parameters: a whole ellipse", [](Builder& b) { b.point(11, 4, 0).real(40, 0.5).real(41, 1).real(42, 1); },
       {1 + 4 * std::cos(1.0), 2 + 2 * std::sin(1.0)}, {1 - 4 * std::cos(1.0), 2 - 2 * std::sin(1.0)},
       {1 + 4 * std::cos(1.0), 2 + 2 * std::sin(1.0)}, 0},
      {"a quarter, counter-clockwise", [](Builder& b) { b.point(11, 4, 0).real(40, 0.5).real(41, 0).real(42, kPi / 2); },
       {5, 2}, {1 + 4 * s, 2 + 2 * s}, {1, 4}, 0},
      {"parameters across the seam", [](Builder& b) { b.point(11, 4, 0).real(40, 0.5).real(41, 3 * kPi / 2).real(42, kPi / 2); },
       {1, 0}, {5, 2}, {1, 4}, 0},
      {"a normal pointing down runs clockwise: below the centre",
       [](Builder& b) { b.point(11, 4, 0).real(40, 0.5).real(41, 0).real(42, kPi).point(210, 0, 0, -1); }, {5, 2}, {1, 0},
       {-3, 2}, 0},
      {"a turned major axis", [](Builder& b) { b.point(11, 0, 2).real(40, 0.5).real(41, 0).real(42, kPi); }, {1, 4},
       {0, 2}, {1, 0}, 0},
      {"a circle's quarter", [](Builder& b) { b.point(11, 0, 1).real(40, 1).real(41, 0).real(42, kPi / 2); }, {1, 3},
       {1 - s, 2 + s}, {0, 2}, kPi / 2},
  };
  for (const Case& c : cases) {
    auto item = itemOf([&](Builder& b) { b.text(0, u"ELLIPSE").point(10, 1, 2); c.groups(b); });
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(item && item->parts.size() == 1);
    ASSERT_TRUE(item->parts[0].curve->isKindOf(GcGe::kEllipArc2d));
    const GcGeCurve2d& e = curveOf(*item);
    const GcGeTol tol(1e-9, 1e-9);
    EXPECT_TRUE(e.startPoint().isEqualTo(c.start, tol)) << e.startPoint().x << ", " << e.startPoint().y;
    EXPECT_TRUE(e.gcEvalPoint(0.5 * (e.interval().lowerBound() + e.interval().upperBound())).isEqualTo(c.middle, tol));
    EXPECT_TRUE(e.endPoint().isEqualTo(c.end, tol));
    if (c.length > 0) {
      EXPECT_NEAR(e.gcLength(), c.length, 1e-9);
    }
  }
  // Tilted 45 degrees about the x axis, a circle of radius 2 is seen as an
  // ellipse 2 wide and 2 cos 45 high.
  auto tilted = itemOf([&](Builder& b) { b.text(0, u"ELLIPSE").point(10, 0, 0).point(11, 2, 0).real(40, 1).point(210, 0, -s, s); });
  ASSERT_TRUE(tilted);
  EXPECT_NEAR(extentsOf(curveOf(*tilted)).second.x, 2.0, 1e-9);
  EXPECT_NEAR(extentsOf(curveOf(*tilted)).second.y, 2 * s, 1e-9);
}

TEST(ChainItems, SplinesAreTheirCurves) {
  struct Case {
    const char* what;
    std::function<void(Builder&)> groups; // after 0
    std::vector<GcGePoint2d> on, off;     // points on the curve and off it
  } cases[] = {
      {"control points and knots: a cubic Bezier curve", [](Builder& b) {
         b.integer(70, 8).integer(71, 3).integer(72, 8).integer(73, 4);
         for (double k : {0, 0, 0, 0, 1, 1, 1, 1})
           b.real(40, k);
         b.point(10, 0, 0).point(10, 1, 2).point(10, 3, 2).point(10, 4, 0);
       }, {{0, 0}, {2, 1.5}, {4, 0}}, {{1, 2}, {3, 2}, {2, 2}}},
      {"weights: a quarter circle", [](Builder& b) {
         b.integer(70, 12).integer(71, 2);
         for (double k : {0, 0, 0, 1, 1, 1})
           b.real(40, k);
         b.real(41, 1).real(41, std::sqrt(0.5)).real(41, 1);
         b.point(10, 1, 0).point(10, 1, 1).point(10, 0, 1);
       }, {{1, 0}, {std::sqrt(0.5), std::sqrt(0.5)}, {0, 1}}, {{0.75, 0.75}}},
      {"fit points only: through every one",
       [](Builder& b) { b.integer(71, 3).point(11, 0, 0).point(11, 2, 3).point(11, 5, -1).point(11, 8, 2); },
       {{0, 0}, {2, 3}, {5, -1}, {8, 2}}, {}},
      {"a closed spline through fit points returns to the first",
       [](Builder& b) { b.integer(70, 1).point(11, 0, 0).point(11, 4, 0).point(11, 4, 4).point(11, 0, 4); },
       {{0, 0}, {4, 0}, {4, 4}, {0, 4}}, {}},
      {"end tangents: leaves along the first",
       [](Builder& b) { b.point(12, 0, 1).point(13, 0, -1).point(11, 0, 0).point(11, 4, 0); }, {{0, 0}, {4, 0}},
       {{2, 0}}},
  };
  for (const Case& c : cases) {
    auto item = itemOf([&](Builder& b) { b.text(0, u"SPLINE"); c.groups(b); });
    ASSERT_TRUE(item) << c.what;
    ASSERT_EQ(item->parts.size(), 1u) << c.what;
    const GcGeCurve2d& curve = curveOf(*item);
    const auto [lo, hi] = extentsOf(curve);
    const double tolerance = 2e-4 * lo.distanceTo(hi);
    for (const GcGePoint2d& p : c.on)
      EXPECT_LT(distanceTo(curve, p), tolerance) << c.what << ": on (" << p.x << ", " << p.y << ")";
    for (const GcGePoint2d& p : c.off)
      EXPECT_GT(distanceTo(curve, p), 0.05) << c.what << ": off (" << p.x << ", " << p.y << ")";
  }
}

TEST(ChainItems, OldStylePolylinesFromTheirVertices) {
  struct Vertex {
    double x, y;
    std::function<void(Builder&)> more = {}; // groups after the point
  };
  // A POLYLINE of the head's groups and the vertices, read as one item; as a
  // drawing writes it, with a point 10 on the head and a SEQEND, or without.
  auto read = [](const std::function<void(Builder&)>& head, const std::vector<Vertex>& vertices, bool written = true) {
    Builder polyline;
    polyline.text(0, u"POLYLINE");
    if (written)
      polyline.point(10, 0, 0);
    head(polyline);
    std::deque<Builder> followers(vertices.size() + (written ? 1 : 0));
    std::vector<const vd::ValueNode*> heads;
    for (std::size_t i = 0; i < vertices.size(); ++i) {
      followers[i].text(0, u"VERTEX").point(10, vertices[i].x, vertices[i].y);
      if (vertices[i].more)
        vertices[i].more(followers[i]);
      heads.push_back(followers[i].head());
    }
    if (written) {
      followers.back().text(0, u"SEQEND");
      heads.push_back(followers.back().head());
    }
    return item_from_chain(polyline.head(), nullptr, heads);
  };
  auto flags = [](int f) { return [f](Builder& b) { b.integer(70, f); }; };
  auto bulge = [](Builder& b) { b.real(42, 1); };
  struct Case {
    const char* what;
    std::function<void(Builder&)> head; // after 0 POLYLINE and 10
    std::vector<Vertex> vertices;
    std::string parts; // c a curve, f a fill
    double length;     // of the first curve, or the area of the fills
  } cases[] = {
      {"open, a bulge", [](Builder& b) { b.integer(66, 1).integer(70, 0); }, {{0, 0, bulge}, {2, 0}, {2, 2}}, "c", kPi + 2},
      {"closed", flags(1), {{0, 0}, {4, 0}, {4, 2}}, "c", 6 + std::sqrt(20.0)},
      {"widths of the polyline for vertices without", [](Builder& b) { b.real(40, 1).real(41, 1); },
       {{0, 0}, {4, 0}, {4, 2, [](Builder& b) { b.real(40, 0).real(41, 0); }}}, "ff", 4 + 2},
      {"a vertex's own width", [](Builder&) {}, {{0, 0, [](Builder& b) { b.real(40, 2).real(41, 2); }}, {4, 0}}, "f", 8},
      {"spline-fit: the fitted vertices, not the frame", flags(4),
       {{0, 5, flags(16)}, {0, 0, flags(8)}, {4, 0, flags(8)}, {9, 5, flags(16)}}, "c", 4},
      {"curve-fit: the fitting's vertices drawn with their bulges", flags(2),
       {{0, 0, bulge}, {2, 0, [](Builder& b) { b.integer(70, 1).real(42, 1); }}, {4, 0}}, "c", 2 * kPi},
      {"a 3D polyline in plan", flags(8), {{0, 0, flags(32)}, {3, 4, flags(32)}}, "c", 5},
  };
  for (const Case& c : cases) {
    auto item = read(c.head, c.vertices);
    ASSERT_TRUE(item) << c.what;
    double area = 0;
    EXPECT_EQ(shapeOf(*item, area), c.parts) << c.what;
    if (c.parts[0] == 'c')
      EXPECT_NEAR(curveOf(*item).gcLength(), c.length, 1e-9) << c.what;
    else
      EXPECT_NEAR(area, c.length, 1e-9) << c.what;
  }
  // A spline-fit polyline that holds its frame alone: the B-spline of the
  // frame, quadratic for curve type 5 (through (2, 1), the middle of the
  // parabola of (0, 0), (2, 2), (4, 0)).
  auto frame = read([](Builder& b) { b.integer(70, 4).integer(75, 5); },
                    {{0, 0, flags(16)}, {2, 2, flags(16)}, {4, 0, flags(16)}}, false);
  ASSERT_TRUE(frame);
  EXPECT_LT(distanceTo(curveOf(*frame), GcGePoint2d(2, 1)), 1e-3);
  EXPECT_GT(distanceTo(curveOf(*frame), GcGePoint2d(2, 2)), 0.5);
  // Nothing for meshes, polyface meshes and fewer than two vertices.
  for (int f : {16, 64, 0})
    EXPECT_FALSE(read(flags(f), f ? std::vector<Vertex>{{0, 0}, {4, 0}} : std::vector<Vertex>{{0, 0}}, false)) << f;
}

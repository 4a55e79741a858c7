// The geometry builder against an in-process host: what reaches the drawing
// (block, reference, attributes, sequence end, underline), chain by chain, and
// what a preview collects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "heightdim/builder.h"
#include "heightdim/records.h"
#include "host/host_api.h"
#include "host/terminator_shapes.h"
#include "hostsim/host.h"
#include "hostsim/terminators.h"
#include "tests/heightdim/builder_test_support.h"
#include "tests/heightdim/records_test_support.h"

using namespace vd;
using hnotetest::groupsOf;
using Groups = std::vector<std::string>;

namespace {

constexpr double kPi = std::numbers::pi;
const char* const kId = "0A1B2C3D-0000-4000-8000-00AABBCCDDEE";

class Builder : public hnotetest::BuilderHost {
 protected:
  // A ČSN record with round numbers: HXLEN 4, HYLEN 2, LVERTLEN 8, LHORZLEN
  // 12, TEXTDISTX 1, TEXTDISTY 0.5 (the texts at (1, 8.5) and (1, 7.5)).
  static HNoteData csn(int arrowIndex = 3) {
    HNoteData r;
    hnoteDefaults(r, 0);
    r.layer = u"KOTY";
    r.layerText = u"TEXTY";
    r.colorDim = 5;
    r.colorText = 3;
    r.hxLen = 4;
    r.hyLen = 2;
    r.lvertLen = 8;
    r.lhorzLen = 12;
    r.textDistX = 1;
    r.textDistY = 0.5;
    r.arrowIndex = arrowIndex;
    r.underlineDraw = false;
    r.backgroundMask = false;
    r.valueText = u"+1.250";
    r.valueText2 = u"A";
    r.id = utf8ToUtf16(kId);
    r.baseId = u"BASE";
    r.insertPoint = {100, 200};
    r.rotation = 0;
    return r;
  }

  // Builds into one batch and flushes it; the result of the build.
  bool build(HNoteData& r, bool underline = false, bool elementTag = false, GcGePoint2d at = GcGePoint2d(7, 9)) {
    EXPECT_EQ(hostCallOr<&HostApi::Header_bin>(0), kRtNorm);
    bool ok = buildHNote(r, nullptr, underline, elementTag, at);
    if (ok) {
      EXPECT_EQ(hostCallOr<&HostApi::Flush_bin>(0, 1), kRtNorm);
    }
    return ok;
  }

  // The chain of a drawing entity without the host's entity name and handle.
  static Groups own(vd::ChainView chain) {
    Groups g = groupsOf(chain);
    std::erase_if(g, [](const std::string& s) { return s.rfind("-1", 0) == 0 || s.rfind("5 ", 0) == 0; });
    return g;
  }
  std::vector<Groups> topLevel() {
    std::vector<Groups> out;
    for (const auto& e : drawing().allEntities()) {
      if (!e->erased) out.push_back(own(e->view()));
    }
    return out;
  }
  std::vector<Groups> blockEntities(vstring_view name) {
    std::vector<Groups> out;
    const hostsim::Block* b = drawing().findBlock(name);
    EXPECT_NE(b, nullptr) << utf16ToUtf8(name);
    if (!b) return out;
    for (const auto& e : b->entities) out.push_back(own(e->view()));
    return out;
  }
};

std::string num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}
std::string pt(double x, double y, double z = 0) { return num(x) + "," + num(y) + "," + num(z); }

// An attribute definition or an attribute as the builder writes it: the text
// groups of `type` on `layer` in `colour` at `at` (both points), aligned by
// `h72`, then the groups of its own kind (`tail`).
Groups textEntity(const std::string& type, const std::string& layer, const std::string& colour, const std::string& at,
                  const std::string& text, const std::string& h72, const Groups& tail, const std::string& angle = "0") {
  Groups g = {"0 " + type, "100 AcDbEntity", "8 " + layer, "6 BYLAYER", "62 " + colour, "370 -1", "48 1",
              "100 AcDbText", "39 0", "10 " + at, "40 2.5", text.empty() ? "1" : "1 " + text, "50 " + angle,
              "41 0.80000000000000004", "51 0", "7 STANDARD", "71 0", "72 " + h72, "11 " + at, "210 " + pt(0, 0, 1)};
  g.insert(g.end(), tail.begin(), tail.end());
  return g;
}

// Values of the groups with one code, in order.
std::vector<std::string> values(const Groups& g, int code) {
  std::vector<std::string> out;
  const std::string prefix = std::to_string(code) + " ";
  for (const std::string& s : g) {
    if (s.rfind(prefix, 0) == 0) out.push_back(s.substr(prefix.size()));
    if (s == std::to_string(code)) out.push_back("");  // an empty text
  }
  return out;
}
std::string value(const Groups& g, int code) {
  auto v = values(g, code);
  return v.empty() ? "<none>" : v.front();
}
double real(const Groups& g, int code) { return std::stod(value(g, code)); }
std::pair<double, double> point(const Groups& g, int code) {
  const std::string v = value(g, code);
  const size_t c = v.find(',');
  return {std::stod(v.substr(0, c)), std::stod(v.substr(c + 1))};
}
void expectNear(std::pair<double, double> got, double x, double y, double tolerance = 1e-9) {
  EXPECT_NEAR(got.first, x, tolerance);
  EXPECT_NEAR(got.second, y, tolerance);
}

TEST_F(Builder, ChainsOfAPlanViewMarkCodeByCode) {
  HNoteData r;
  hnoteDefaults(r, 3);
  r.layer = u"KOTY";
  r.layerText = u"*";  // the current layer
  r.valueText = u"+3.500";
  r.id = utf8ToUtf16(kId);
  r.insPt = 5;  // upper right corner
  r.insertPoint = {10, 20};
  r.angle = kPi / 2;
  r.backgroundMask = true;
  r.backgroundMaskDwg = false;
  r.backgroundMaskColor = 4;
  ASSERT_TRUE(build(r));
  // "+3.500XX": 8 × 0.8 × 2.5 × 0.8 = 12.8 wide, narrower than the 14.225 minimum.
  EXPECT_DOUBLE_EQ(r.cxSize, 14.225);
  EXPECT_DOUBLE_EQ(r.cySize, 6.25);
  EXPECT_DOUBLE_EQ(r.direction.x, -7.1125);
  EXPECT_DOUBLE_EQ(r.direction.y, -3.125);

  const hostsim::Block* b = drawing().findBlock(r.blockName);
  ASSERT_NE(b, nullptr);
  EXPECT_DOUBLE_EQ(b->base[0], 7.1125);
  EXPECT_DOUBLE_EQ(b->base[1], 3.125);
  std::vector<Groups> members = blockEntities(r.blockName);
  ASSERT_EQ(members.size(), 2u);  // frame and one attribute definition
  EXPECT_EQ(values(members[0], 10), (std::vector<std::string>{pt(-7.1125, -3.125), pt(7.1125, -3.125),
                                                               pt(7.1125, 3.125), pt(-7.1125, 3.125),
                                                               pt(-7.1125, -3.125)}));
  // The texts' colour is the default "DleBlok": by block, the reference's colour.
  EXPECT_EQ(members[1], textEntity("ATTDEF", "AKTUALNI", "0", pt(0, 0), "+3.500", "1",
                                   {"100 AcDbAttributeDefinition", "3 Výška", "2 VÝŠKA", "70 0", "74 2"}));

  std::vector<Groups> top = topLevel();
  ASSERT_EQ(top.size(), 3u);
  // The reference with its extended data, then the look the mark keeps:
  // format 1, separator, the two line lengths, the boundary mark and its
  // size, the text offsets, the underline and its length, the least frame
  // size of the settings (not the size this text needed), the arrowhead and
  // its size, the text position, the plan-view options and the side.
  const Groups insert = {
      "0 INSERT", "100 AcDbEntity", "8 KOTY", "6 BYLAYER", "62 256", "370 -1", "48 1",
      "100 AcDbBlockReference", "66 1", "2 VD2D_HEIGHTDIM_" + std::string(kId), "10 " + pt(10, 20),
      "41 1", "42 1", "43 1", "50 " + num(kPi / 2),
      "-3", "1001 VDHNOTEDATA", "1070 3", "1001 VD_ASSOCDESC1", "1000 " + std::string(kId),
      "1001 VDHNOTESTYLE", "1070 1", "1000 .", "1040 0", "1040 0", "1071 0", "1040 0", "1040 0", "1040 0", "1040 0",
      "1070 0", "1040 5", "1040 " + num(14.225), "1040 6.25", "1040 0.25", "1000 _DOT", "1071 5", "1071 0", "1070 0"};
  EXPECT_EQ(top[0], insert);
  // The attribute stands at the frame's centre: (O - P3) turned by 90 degrees from the insertion point.
  const Groups attrib = textEntity("ATTRIB", "AKTUALNI", "0", pt(10 + 3.125, 20 - 7.1125), "+3.500", "1",
                                  {"100 AcDbAttribute", "2 VÝŠKA", "70 0", "73 0", "74 2", "280 0", "90 1", "63 4", "45 1"},
                                  num(kPi / 2));
  ASSERT_EQ(top[1].size(), attrib.size());
  for (size_t i = 0; i < attrib.size(); ++i) {
    if (attrib[i].rfind("10 ", 0) == 0 || attrib[i].rfind("11 ", 0) == 0) {
      expectNear(point(Groups{top[1][i]}, std::stoi(attrib[i])), 13.125, 12.8875, 1e-12);
    } else {
      EXPECT_EQ(top[1][i], attrib[i]);
    }
  }
  EXPECT_EQ(top[2], (Groups{"0 SEQEND", "100 AcDbEntity", "8 KOTY", "6 BYLAYER", "62 256", "370 -1", "48 1"}));
}

TEST_F(Builder, DrawingFactorScalesTheReferenceAndPlacesTheAttributes) {
  struct Case {
    double scale, units, f;
  } cases[] = {{1, 1000, 1}, {50, 1000, 50}, {1, 1, 0.001}, {50, 1, 0.05}, {0, 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "scale " << c.scale << " units " << c.units);
    drawing().clear();
    host().scale = c.scale;
    host().units = c.units;
    EXPECT_DOUBLE_EQ(hnoteDrawingFactor(), c.f);
    HNoteData r = csn();
    r.angle = kPi / 2;
    r.roundingMark = 1;
    r.rounded = true;
    ASSERT_TRUE(build(r));
    std::vector<Groups> top = topLevel();
    ASSERT_EQ(top.size(), 5u);
    EXPECT_DOUBLE_EQ(real(top[0], 41), c.f);
    EXPECT_DOUBLE_EQ(real(top[0], 43), c.f);
    // Local (1, 8.5) turned by 90 degrees: (-8.5, 1); the mark 12 further along: (-8.5, 13).
    const double want[3][2] = {{-8.5, 1}, {-7.5, 1}, {-8.5, 13}};
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(testing::Message() << "attribute " << i);
      expectNear(point(top[1 + i], 10), 100 + want[i][0] * c.f, 200 + want[i][1] * c.f);
      EXPECT_DOUBLE_EQ(real(top[1 + i], 40), 2.5 * c.f);
      EXPECT_DOUBLE_EQ(real(top[1 + i], 50), kPi / 2);
    }
    EXPECT_EQ(value(top[3], 1), "!");
    // The block stays in millimetres.
    EXPECT_EQ(values(blockEntities(r.blockName)[0], 10).back(), pt(12, 8));
  }
}

// The groups after the rotation of a reference: each given one in its place
// (70, 71, 44, 45, 210), then the 210 of the chain it replaces.
TEST_F(Builder, ReferenceWritesTheGivenArrayAndNormalGroupsInOrder) {
  ChainBuilder p;
  p.text(0, u"INSERT").integer(66, 1).point(210, 0, 0, -1);
  const OwnedChain prev = p.build();
  EntityProps props;
  props.layer = u"K";
  auto tail = [&](const HNoteInsertExtras& extras, ChainView from) {
    Groups g = groupsOf(hnoteInsertChain(props, u"B", GcGePoint2d(1, 2), 2, 0.5, from, extras));
    auto at = std::find_if(g.begin(), g.end(), [](const std::string& s) { return s.rfind("50 ", 0) == 0; });
    return at == g.end() ? Groups{} : Groups(at + 1, g.end());
  };
  struct Case {
    const char* what;
    HNoteInsertExtras extras;
    bool withPrev;
    Groups expected;
  } cases[] = {
      {"nothing given", {}, false, {}},
      {"nothing given, the old normal kept", {}, true, {"210 0,0,-1"}},
      {"rows alone", {std::nullopt, 3, std::nullopt, std::nullopt, std::nullopt}, false, {"71 3"}},
      {"a whole array and a normal",
       {4, 3, 2.5, 1.5, ChainPoint{0, 0, 1}},
       true,
       {"70 4", "71 3", "44 2.5", "45 1.5", "210 0,0,1", "210 0,0,-1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(tail(c.extras, c.withPrev ? ChainView(prev.get()) : ChainView()), c.expected);
  }
}

// Records what a preview receives.
class RecordingPreview : public HNotePreview {
 public:
  struct Curve {
    std::vector<GcGePoint2d> points;  // start of each member, then the end
    bool fill;
    int colour;
  };
  struct Text {
    GcGePoint2d at;
    std::string text;
    double height, widthFactor;
    int colour, v, h;
  };
  bool defineBlock(const GcGePoint2d& b, uint64_t key) override {
    base = b;
    blockKey = key;
    return true;
  }
  bool addCurve(const GcGeCompositeCurve2d& c, int colour, uint64_t key) override { return add(c, false, colour, key); }
  bool addFill(const GcGeCompositeCurve2d& c, int colour, uint64_t key) override { return add(c, true, colour, key); }
  bool addReference(uint64_t key, const GcGePoint2d&, double s, const GcGeVector2d& d) override {
    refKey = key;
    scale = s;
    direction = d;
    return true;
  }
  bool addText(const GcGePoint2d& at, const GcGeVector2d&, vstring_view t, double height, double widthFactor,
               int colour, int v, int h) override {
    texts.push_back({at, utf16ToUtf8(t), height, widthFactor, colour, v, h});
    return true;
  }
  bool addLine(const GcGePoint2d& a, const GcGePoint2d& b, int colour) override {
    lines.push_back({{a, b}, false, colour});
    return true;
  }
  bool add(const GcGeCompositeCurve2d& c, bool fill, int colour, uint64_t key) {
    if (key != blockKey && key != kHNotePreviewDrawing) return false;
    Curve out{{}, fill, colour};
    for (int i = 0; i < c.numCurves(); ++i) out.points.push_back(c.curveAt(i).startPoint());
    if (c.numCurves() > 0) out.points.push_back(c.curveAt(c.numCurves() - 1).endPoint());
    (key == kHNotePreviewDrawing ? drawn : curves).push_back(std::move(out));
    return true;
  }
  GcGePoint2d base;
  uint64_t blockKey = ~0ull, refKey = 0;
  double scale = 0;
  GcGeVector2d direction;
  std::vector<Curve> curves, lines;
  std::vector<Curve> drawn;  // curves and fills in drawing coordinates
  std::vector<Text> texts;
};

// The underline of a section-view mark: along the user's X axis, across a
// steep mark; the element-tagged variant draws it across the mark's own
// direction, by layer. 5 mm long at factor 1, centred on the mark's point.
TEST_F(Builder, UnderlineRunsAlongTheUserAxisOrAcrossTheTaggedMark) {
  struct Case {
    const char* what;
    double angle;
    bool elementTag;
    HNotePoint a, b;  // the LINE's ends
    const char* colour;
  } cases[] = {
      {"level mark", 0, false, {102.5, 200}, {97.5, 200}, "5"},
      {"steep mark: across, along Y", kPi / 2, false, {100, 202.5}, {100, 197.5}, "5"},
      {"element-tagged level mark: across its direction", 0, true, {100, 202.5}, {100, 197.5}, "256"},
      {"element-tagged mark turned a quarter: along -X", kPi / 2, true, {97.5, 200}, {102.5, 200}, "256"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    drawing().clear();
    HNoteData r = csn();
    r.underlineDraw = true;
    r.underlineLength = 5;
    r.angle = c.angle;
    ASSERT_TRUE(build(r, true, c.elementTag));
    const std::vector<Groups> top = topLevel();
    auto line = std::find_if(top.begin(), top.end(), [](const Groups& g) { return value(g, 0) == "LINE"; });
    ASSERT_NE(line, top.end()) << "no underline";
    EXPECT_EQ(value(*line, 62), c.colour);
    expectNear(point(*line, 10), c.a.x, c.a.y);
    expectNear(point(*line, 11), c.b.x, c.b.y);
  }
}

TEST_F(Builder, PreviewGetsTheDrawingsGeometryAndTheDrawingNothing) {
  struct Case {
    int type, arrowIndex, insPt, options;
    double angle;
  } cases[] = {{0, 2, -1, 0, 0.3}, {0, 5, -1, 0, 0}, {1, 0, -1, 0, 1.0}, {2, 0, -1, 0, 0}, {3, 0, 6, 4, 0.5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " arrowIndex " << c.arrowIndex);
    drawing().clear();
    host().scale = 20;
    HNoteData r = c.type == 0 ? csn(c.arrowIndex) : HNoteData();
    if (c.type != 0) {
      hnoteDefaults(r, c.type);
      r.valueText = u"+1.000";
      r.insertPoint = {100, 200};
    }
    r.insPt = c.insPt;
    r.hnoteOptions = c.options;
    r.angle = c.angle;
    r.underlineDraw = c.type == 0;
    r.id.clear();
    r.blockName.clear();
    HNoteData forPreview = r;
    RecordingPreview preview;
    ASSERT_TRUE(buildHNote(forPreview, &preview, true, false, GcGePoint2d()));
    EXPECT_TRUE(forPreview.id.empty()) << "a preview makes no identifier";
    EXPECT_TRUE(drawing().allEntities().empty());
    EXPECT_TRUE(drawing().blocks().empty());
    ASSERT_TRUE(build(r, true));

    const hostsim::Block* b = drawing().findBlock(r.blockName);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(preview.refKey, preview.blockKey);
    EXPECT_DOUBLE_EQ(preview.base.x, b->base[0]);
    EXPECT_DOUBLE_EQ(preview.base.y, b->base[1]);
    EXPECT_DOUBLE_EQ(preview.scale, 20);
    EXPECT_NEAR(preview.direction.x, std::cos(c.angle), 1e-15);
    EXPECT_NEAR(preview.direction.y, std::sin(c.angle), 1e-15);
    // Every outline and fill of the block, vertex by vertex.
    std::vector<Groups> members = blockEntities(r.blockName);
    size_t k = 0;
    for (const Groups& m : members) {
      const std::string type = value(m, 0);
      if (type == "ATTDEF") continue;
      ASSERT_LT(k, preview.curves.size());
      const RecordingPreview::Curve& curve = preview.curves[k++];
      EXPECT_EQ(curve.fill, type == "HATCH");
      EXPECT_EQ(curve.colour, std::stoi(value(m, 62)));
      std::vector<std::string> vs = values(m, 10);
      if (type == "HATCH") vs.erase(vs.begin());  // the elevation point
      std::vector<std::string> got;
      for (const GcGePoint2d& p : curve.points) got.push_back(pt(p.x, p.y));
      if (type == "HATCH") got.pop_back();  // a closed loop ends where it began
      EXPECT_EQ(got, vs) << type;
    }
    EXPECT_EQ(k, preview.curves.size());
    // Texts where the attributes stand, the empty rounding mark left out.
    std::vector<Groups> top = topLevel();
    size_t t = 0;
    for (const Groups& e : top) {
      if (value(e, 0) != "ATTRIB" || value(e, 1).empty()) continue;
      ASSERT_LT(t, preview.texts.size());
      const RecordingPreview::Text& text = preview.texts[t++];
      expectNear(point(e, 10), text.at.x, text.at.y);
      EXPECT_EQ(text.text, value(e, 1));
      EXPECT_DOUBLE_EQ(text.height, real(e, 40));
      EXPECT_DOUBLE_EQ(text.widthFactor, real(e, 41));
      EXPECT_EQ(text.colour, std::stoi(value(e, 62)));
      EXPECT_EQ(text.v, std::stoi(value(e, 74)));
      EXPECT_EQ(text.h, std::stoi(value(e, 72)));
    }
    EXPECT_EQ(t, preview.texts.size());
    // The underline of the ČSN mark, the sample leader of the plan view; the DIN marks have neither.
    ASSERT_EQ(preview.lines.size(), c.type == 0 || c.type == 3 ? 1u : 0u);
    if (c.type == 0) {
      expectNear(point(top.back(), 10), preview.lines[0].points[0].x, preview.lines[0].points[0].y);
    } else if (c.type == 3) {
      // Ends at P1 (lower right corner) of the frame, which the base point P1 puts on the insertion point.
      expectNear({preview.lines[0].points[1].x, preview.lines[0].points[1].y}, 100, 200);
    }
  }
}

// A plan-view mark whose frame corner P1 stands on (100, 200), its preview
// built at drawing factor 20, turned by -0.7 radians.
TEST_F(Builder, PlanViewArrowheadsInThePreviewMatchTheHostsTerminatorBlocks) {
  const double angle = -0.7;
  host().scale = 20;
  // A point of the unit terminator where the preview puts it: as on a placed
  // leader, tip at the sample leader's start, 20 × (1.8, 5) turned by the
  // mark's angle short of P1 (the insertion point), pointing away from P1;
  // HSIZE 0.25 times the factor 20 long.
  auto at = [&](double x, double y) {
    const double lead = std::atan2(-5.0, -1.8) + angle;
    const double ca = std::cos(angle), sa = std::sin(angle);
    const GcGePoint2d tip(100 - 20 * (ca * 1.8 - sa * 5.0), 200 - 20 * (sa * 1.8 + ca * 5.0));
    const double c = std::cos(lead), s = std::sin(lead), size = 0.25 * 20;
    return GcGePoint2d(tip.x + size * (c * x - s * y), tip.y + size * (s * x + c * y));
  };
  // What a member of the host's block looks like in the preview: its
  // vertices (a closed outline back to the first), a circle or disc from the
  // point at angle 0, an arc from its start to its end, a wide segment as the
  // band around it, a SOLID through corners 1, 2, 4, 3.
  auto expected = [&](const Groups& m) {
    RecordingPreview::Curve want{{}, false, 0};
    std::vector<GcGePoint2d> v;
    for (const std::string& s : values(m, 10)) {
      auto [x, y] = point(Groups{"10 " + s}, 10);
      v.emplace_back(x, y);
    }
    const std::string type = value(m, 0);
    if (type == "LINE") {
      auto [x, y] = point(m, 11);
      want.points = {at(v[0].x, v[0].y), at(x, y)};
    } else if (type == "CIRCLE" || type == "ARC") {
      const double r = real(m, 40);
      const double a0 = type == "ARC" ? real(m, 50) : 0, a1 = type == "ARC" ? real(m, 51) : 0;
      want.points = {at(v[0].x + r * std::cos(a0), v[0].y + r * std::sin(a0)),
                     at(v[0].x + r * std::cos(a1), v[0].y + r * std::sin(a1))};
    } else if (type == "SOLID") {
      want.fill = true;
      auto [x1, y1] = point(m, 11);
      auto [x2, y2] = point(m, 12);
      auto [x3, y3] = point(m, 13);
      for (GcGePoint2d q : {v[0], GcGePoint2d(x1, y1), GcGePoint2d(x3, y3), GcGePoint2d(x2, y2), v[0]}) {
        if (want.points.empty() || !(want.points.back() == at(q.x, q.y))) want.points.push_back(at(q.x, q.y));
      }
    } else if (type == "LWPOLYLINE" && !values(m, 42).empty()) {
      // Two half circles as wide as the polyline: a disc.
      want.fill = true;
      const double r = (v[1].x - v[0].x) / 2 + real(m, 43) / 2;
      const GcGePoint2d c((v[0].x + v[1].x) / 2, (v[0].y + v[1].y) / 2);
      want.points = {at(c.x + r, c.y), at(c.x + r, c.y)};
    } else if (type == "LWPOLYLINE" && !values(m, 43).empty()) {
      want.fill = true;
      const GcGeVector2d d = v[1] - v[0];
      const GcGeVector2d n = GcGeVector2d(-d.y, d.x) * (real(m, 43) / 2 / d.length());
      for (GcGePoint2d q : {v[0] + n, v[1] + n, v[1] - n, v[0] - n, v[0] + n}) want.points.push_back(at(q.x, q.y));
    } else {
      EXPECT_EQ(type, "LWPOLYLINE");
      for (const GcGePoint2d& q : v) want.points.push_back(at(q.x, q.y));
      if (value(m, 70) == "1") want.points.push_back(at(v[0].x, v[0].y));
    }
    return want;
  };
  ASSERT_EQ(standardTerminators().size(), size_t{hostsim::kStandardTerminatorCount});
  for (const TerminatorShape& t : standardTerminators()) {
    SCOPED_TRACE(utf16ToUtf8(t.name));
    std::optional<std::vector<OwnedChain>> block = hostsim::terminatorShape(t.blockName);
    ASSERT_TRUE(block.has_value());
    HNoteData r;
    hnoteDefaults(r, 3);
    r.valueText = u"+1.000";
    r.insertPoint = {100, 200};
    r.insPt = 6;
    r.angle = angle;
    r.hSize = 0.25;
    r.arrowName = t.name;
    RecordingPreview got;
    ASSERT_TRUE(buildHNote(r, &got, false, false, GcGePoint2d()));
    ASSERT_EQ(got.drawn.size(), block->size());
    for (size_t i = 0; i < block->size(); ++i) {
      const Groups m = groupsOf((*block)[i]);
      SCOPED_TRACE(value(m, 0));
      const RecordingPreview::Curve want = expected(m);
      EXPECT_EQ(got.drawn[i].fill, want.fill);
      ASSERT_EQ(got.drawn[i].points.size(), want.points.size());
      for (size_t k = 0; k < want.points.size(); ++k)
        expectNear({got.drawn[i].points[k].x, got.drawn[i].points[k].y}, want.points[k].x, want.points[k].y);
    }
  }
}

}  // namespace

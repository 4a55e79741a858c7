// The arc-length dimension commands against the in-process host, whose
// dimensioning interaction is played by the test: it leaves a temporary
// 3-point angular dimension, the source and the limit points, as a CAD host
// does, and the command must turn them into the arc-length dimension.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "dimtools/commands.h"
#include "host/chain.h"
#include "host/host_api.h"
#include "res/string_ids.h"
#include "tests/dimtools/dim_test_host.h"
#include "tests/hostsim/host_fixture.h"
#include "tests/dimtools/linear_dims.h"

using namespace vd;

namespace {

constexpr double kPi = std::numbers::pi;
const ChainPoint kCentre{10, 10, 0};
constexpr double kRadius = 5;

// A point at `degrees` on the circle of `radius` about the centre.
ChainPoint at(double degrees, double radius = kRadius) {
  double a = degrees * kPi / 180;
  return {kCentre.x + radius * std::cos(a), kCentre.y + radius * std::sin(a), 0};
}

// What the host's interaction leaves, in the order EntnextW gives it.
struct Scene {
  int entryResult = 0;
  bool dimension = true;
  double arcEnd = 90;    // the source arc runs from 0 to here, in degrees
  double location = 45;  // the direction of the dimension's location
  std::vector<ChainPoint> limits;
  int exitCalls = 0;
};
Scene g_scene;
vstring g_source;  // handle of the source entity

OwnedChain temporaryDimension() {
  ChainBuilder b;
  b.text(0, u"DIMENSION").text(100, u"AcDbEntity").text(8, u"0").text(100, u"AcDbDimension");
  b.point(10, at(g_scene.location, 8)).integer(70, 37).real(42, g_scene.arcEnd * kPi / 180);
  b.text(100, u"AcDb3PointAngularDimension").point(13, at(0)).point(14, at(g_scene.arcEnd)).point(15, kCentre);
  return b.build();
}

int fakeDimArcEntry(int, int) {
  if (g_scene.entryResult < 0) return g_scene.entryResult;
  hostsim::Drawing& d = hostsim::Host::instance().drawing();
  std::vector<OwnedChain> temps;
  if (g_scene.dimension) temps.push_back(temporaryDimension());
  for (const ChainPoint& p : g_scene.limits) temps.push_back(ChainBuilder().text(0, u"POINT").text(8, u"0").point(10, p).build());
  d.beginBatch();
  for (const OwnedChain& c : temps) d.addEntity(c.get());
  d.flush();
  // The dimension (when there is one), the source, then the limit points.
  std::vector<vstring> order = d.lastMade();
  order.insert(order.begin() + (g_scene.dimension ? 1 : 0), g_source);
  d.setSelection(order);
  return 0;
}
int fakeDimArcEntryExit() { return ++g_scene.exitCalls; }

class ArcDimension : public dimtest::DimToolsHost {
 protected:
  void SetUp() override {
    dimtest::hostTexts() = {
        {IDS_FMT_DIMARC_LENGTH_RADIUS, u"dl.=%s, R=%s"},
        {IDS_MSG_DIMARC_READ_ERROR, u"Chyba při načítání kóty."},
        {IDS_MSG_DIMARC_LIMIT_AT_CENTER, u"Některý z omezujícíh bodů je stejný jako střed."},
        {IDS_MSG_DIMARC_DRAW_ERROR, u"Chyba při kreslení kóty."},
        {IDS_MSG_DIMARC_LIMITS_MOVED, u"moved"},
    };
    DimToolsHost::SetUp();
    host().environment[u"DIMDEC"] = u"2";
    host().environment[u"DIMZIN"] = u"0";
    host().environment[u"DIMDSEP"] = u".";
    host().layerKeys[3] = u"KOTY";
    hostApi()->DimArcEntry = &fakeDimArcEntry;
    hostApi()->DimArcEntryExit = &fakeDimArcEntryExit;
    g_scene = Scene{};
  }
  // Adds the source, an arc about the centre from 0 to the scene's end (a
  // quarter unless the test says otherwise), and runs `command`.
  int run(int (*command)(int, const char* const*)) {
    ChainBuilder b;
    b.text(0, u"ARC").text(100, u"AcDbEntity").text(8, u"0").text(100, u"AcDbCircle").point(10, kCentre);
    b.real(40, kRadius).text(100, u"AcDbArc").real(50, 0).real(51, g_scene.arcEnd * kPi / 180);
    std::vector<OwnedChain> source;
    source.push_back(b.build());
    g_source = add(source).at(0);
    return command(0, nullptr);
  }
  std::vector<const hostsim::Entity*> ofType(const char16_t* type) const {
    return hosttest::ofType(host().drawing(), type);
  }
  // The one dimension left in the drawing.
  ChainView dimension() const {
    auto dims = ofType(u"DIMENSION");
    EXPECT_EQ(dims.size(), 1u);
    return dims.empty() ? ChainView() : dims[0]->view();
  }
};


// The source arc runs from 0 to arcEnd degrees, the host's dimension point
// lies in the direction `location`.
struct LimitCase {
  const char* what;
  double arcEnd, location;
  std::vector<ChainPoint> limits;
  const char16_t* text;
  ChainPoint p13, p14, p10;
  bool moved;
};

TEST_F(ArcDimension, LimitPoints) {
  const LimitCase cases[] = {
      {"both inside", 90, 45, {at(30), at(60)}, u"2.62", at(30), at(60), at(45, 8), false},
      {"both inside, given the other way", 90, 45, {at(60), at(30)}, u"2.62", at(60), at(30), at(45, 8), false},
      {"both outside: the arc ends", 90, 45, {at(120), at(200)}, u"7.85", at(0), at(90), at(45, 8), true},
      {"one outside, nearer the second end", 90, 45, {at(30), at(100)}, u"5.24", at(30), at(90), at(45, 8), true},
      {"one outside, nearer the first end", 90, 45, {at(-20), at(60)}, u"5.24", at(0), at(60), at(45, 8), true},
      {"the arc point outside the limits goes onto their bisector", 90, 45, {at(10), at(30)}, u"1.75", at(10),
       at(30), at(20, 8), false},
      {"the same limits given the other way: still the part between them", 90, 45, {at(30), at(10)}, u"1.75",
       at(30), at(10), at(20, 8), false},
      {"limits off the circle count by their direction", 90, 45, {at(30, 2), at(60, 9)}, u"2.62", at(30, 2),
       at(60, 9), at(45, 8), false},
      {"off the circle, the arc point outside: the bisector of their directions", 90, 80, {at(10, 2), at(60, 9)},
       u"4.36", at(10, 2), at(60, 9), at(35, 8), false},
      // Limits straight across the centre, whose directions add up to
      // nothing: the arc point goes to the middle of the half they limit.
      {"limits across the centre", 270, 225, {at(0), at(180)}, u"15.71", at(0), at(180), at(90, 8), false},
      {"limits across the centre, off the circle", 270, 225, {at(0, 2), at(180, 9)}, u"15.71", at(0, 2),
       at(180, 9), at(90, 8), false},
      {"a limit moved to the arc end across from the other", 270, 45, {at(300), at(90)}, u"15.71", at(270),
       at(90), at(180, 8), true},
  };
  for (const LimitCase& c : cases) {
    TearDown();
    SetUp();
    g_scene.limits = c.limits;
    g_scene.arcEnd = c.arcEnd;
    g_scene.location = c.location;
    EXPECT_EQ(run(&dimtools::commandDimArc3), 0) << c.what;
    ChainView d = dimension();
    EXPECT_EQ(utf16ToUtf8(d.text(1).value_or(u"")), utf16ToUtf8(c.text)) << c.what;
    dimtest::expectPoint(d, 13, c.p13, c.what);
    dimtest::expectPoint(d, 14, c.p14, c.what);
    dimtest::expectPoint(d, 10, c.p10, c.what);
    EXPECT_FALSE(d.has(42)) << c.what << ": the stored measurement goes";
    EXPECT_TRUE(ofType(u"POINT").empty()) << c.what;
    EXPECT_EQ(dimtest::errorBoxes(), c.moved ? std::vector<std::string>{"moved"} : std::vector<std::string>{}) << c.what;
  }
}

// Every failure leaves no dimension, no limit point and no style re-applied.
// Without a dimension from the host the variants with limit points write the
// source back; a refused new dimension or batch says it could not draw.
TEST_F(ArcDimension, FailuresLeaveNoDimension) {
  const char* const kAtCentre = "Některý z omezujícíh bodů je stejný jako střed.";
  const char* const kRead = "Chyba při načítání kóty.";
  const char* const kDraw = "Chyba při kreslení kóty.";
  const struct {
    const char* what;
    int (*command)(int, const char* const*);
    std::vector<ChainPoint> limits;
    bool dimension;
    int entryResult;
    std::optional<HostOp> refused;
    const char* box;  // null: none
    size_t arcs;
    int exitCalls;
  } cases[] = {
      {"a limit at the centre", &dimtools::commandDimArc4, {kCentre, at(30)}, true, 0, {}, kAtCentre, 1, 1},
      {"no dimension", &dimtools::commandDimArc, {}, false, 0, {}, kRead, 1, 1},
      {"no dimension, limits", &dimtools::commandDimArc3, {}, false, 0, {}, kRead, 2, 1},
      {"Header refused", &dimtools::commandDimArc2, {}, true, 0, HostOp::Header_bin, kDraw, 1, 1},
      {"Entmake refused", &dimtools::commandDimArc2, {}, true, 0, HostOp::Entmake_binW, kDraw, 1, 1},
      {"Flush refused", &dimtools::commandDimArc2, {}, true, 0, HostOp::Flush_bin, kDraw, 1, 1},
      {"cancelled", &dimtools::commandDimArc2, {}, true, -1, {}, nullptr, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    g_scene.limits = c.limits;
    g_scene.dimension = c.dimension;
    g_scene.entryResult = c.entryResult;
    if (c.refused) host().calls.failFromNow(*c.refused, 1);
    EXPECT_EQ(run(c.command), -1);
    EXPECT_EQ(dimtest::errorBoxes(), c.box ? std::vector<std::string>{c.box} : std::vector<std::string>{});
    EXPECT_TRUE(ofType(u"DIMENSION").empty());
    EXPECT_TRUE(ofType(u"POINT").empty());
    EXPECT_EQ(ofType(u"ARC").size(), c.arcs);
    EXPECT_EQ(g_scene.exitCalls, c.exitCalls);
    for (const hostsim::HostCall& call : host().calls.log())
      EXPECT_NE(call.operation, HostOp::CommandW) << "a style for nothing";
  }
}

}  // namespace

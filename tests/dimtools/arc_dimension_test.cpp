// The arc-length dimension commands against the in-process host, whose
// dimensioning interaction is played by the test: it leaves a temporary
// 3-point angular dimension, the source and the limit points, as a CAD host
// does, and the command must turn them into the arc-length dimension.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "dimtools/commands.h"
#include "host/chain.h"
#include "host/host_api.h"
#include "res/string_ids.h"
#include "tests/dimtools/dim_test_host.h"

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
  bool dimensionFirst = true;
  double dimensionArcDegrees = 45;  // where the dimension arc point lies, at radius 8
  std::vector<ChainPoint> limits;
  bool polyline = false;  // the source is a bulged polyline instead of an arc
  int entryCalls = 0, exitCalls = 0;
};
Scene g_scene;
vstring g_source;  // handle of the source entity

OwnedChain temporaryDimension() {
  ChainBuilder b;
  b.text(0, u"DIMENSION").text(100, u"AcDbEntity").text(8, u"0").text(100, u"AcDbDimension");
  b.point(10, at(g_scene.dimensionArcDegrees, 8)).integer(70, 37).real(42, kPi / 2);
  b.text(100, u"AcDb3PointAngularDimension").point(13, at(0)).point(14, at(90)).point(15, kCentre);
  return b.build();
}

int fakeDimArcEntry(int, int) {
  ++g_scene.entryCalls;
  if (g_scene.entryResult < 0) return g_scene.entryResult;
  hostsim::Drawing& d = hostsim::Host::instance().drawing();
  std::vector<OwnedChain> temps;
  if (g_scene.dimension) temps.push_back(temporaryDimension());
  for (const ChainPoint& p : g_scene.limits) temps.push_back(ChainBuilder().text(0, u"POINT").text(8, u"0").point(10, p).build());
  d.beginBatch();
  for (const OwnedChain& c : temps) d.addEntity(c.get());
  d.flush();
  std::vector<vstring> made = d.lastMade();
  std::vector<vstring> order;
  if (g_scene.dimensionFirst) {
    order = made;
    order.insert(order.begin() + (g_scene.dimension ? 1 : 0), g_source);
  } else {
    order.push_back(g_source);
    order.insert(order.end(), made.begin(), made.end());
  }
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
  void addSource(bool polyline) {
    ChainBuilder b;
    if (polyline) {
      // A straight leg, then a quarter arc about the centre (bulge tan(90°/4)).
      b.text(0, u"LWPOLYLINE").text(100, u"AcDbEntity").text(8, u"0").text(100, u"AcDbPolyline").integer(90, 3);
      b.integer(70, 0).point(10, 20, 10).point(10, at(0)).real(42, std::tan(kPi / 8)).point(10, at(90));
    } else {
      b.text(0, u"ARC").text(100, u"AcDbEntity").text(8, u"0").text(100, u"AcDbCircle").point(10, kCentre);
      b.real(40, kRadius).text(100, u"AcDbArc").real(50, 0).real(51, kPi / 2);
    }
    OwnedChain c = b.build();
    hostsim::Drawing& d = host().drawing();
    d.beginBatch();
    d.addEntity(c.get());
    d.flush();
    g_source = d.lastMade().at(0);
  }
  int run(int (*command)(int, const char* const*), bool polyline = false) {
    addSource(polyline);
    return command(0, nullptr);
  }
  std::vector<const hostsim::Entity*> ofType(const char16_t* type) const {
    std::vector<const hostsim::Entity*> out;
    for (const hostsim::Entity* e : host().drawing().entities())
      if (e->view().isType(type)) out.push_back(e);
    return out;
  }
  // The one dimension left in the drawing.
  ChainView dimension() const {
    auto dims = ofType(u"DIMENSION");
    EXPECT_EQ(dims.size(), 1u);
    return dims.empty() ? ChainView() : dims[0]->view();
  }
};

void expectNear(std::optional<ChainPoint> p, const ChainPoint& want, const char* what) {
  ASSERT_TRUE(p) << what;
  EXPECT_NEAR(p->x, want.x, 1e-9) << what;
  EXPECT_NEAR(p->y, want.y, 1e-9) << what;
}

struct LimitCase {
  const char* what;
  std::vector<ChainPoint> limits;
  double arcPointDegrees;
  const char16_t* text;
  ChainPoint p13, p14, p10;
  bool moved;
};

TEST_F(ArcDimension, LimitPoints) {
  const LimitCase cases[] = {
      {"both inside", {at(30), at(60)}, 45, u"2.62", at(30), at(60), at(45, 8), false},
      {"both inside, given the other way", {at(60), at(30)}, 45, u"2.62", at(60), at(30), at(45, 8), false},
      {"both outside: the arc ends", {at(120), at(200)}, 45, u"7.85", at(0), at(90), at(45, 8), true},
      {"one outside, nearer the second end", {at(30), at(100)}, 45, u"5.24", at(30), at(90), at(45, 8), true},
      {"one outside, nearer the first end", {at(-20), at(60)}, 45, u"5.24", at(0), at(60), at(45, 8), true},
      {"the arc point outside the limits goes onto their bisector", {at(10), at(30)}, 45, u"1.75", at(10), at(30),
       at(20, 8), false},
      {"limits off the circle count by their direction", {at(30, 2), at(60, 9)}, 45, u"2.62", at(30, 2), at(60, 9),
       at(45, 8), false},
  };
  for (const LimitCase& c : cases) {
    TearDown();
    SetUp();
    g_scene.limits = c.limits;
    g_scene.dimensionArcDegrees = c.arcPointDegrees;
    EXPECT_EQ(run(&dimtools::commandDimArc3), 0) << c.what;
    ChainView d = dimension();
    EXPECT_EQ(utf16ToUtf8(d.text(1).value_or(u"")), utf16ToUtf8(c.text)) << c.what;
    expectNear(d.point(13), c.p13, c.what);
    expectNear(d.point(14), c.p14, c.what);
    expectNear(d.point(10), c.p10, c.what);
    EXPECT_FALSE(d.has(42)) << c.what << ": the stored measurement goes";
    EXPECT_TRUE(ofType(u"POINT").empty()) << c.what;
    EXPECT_EQ(dimtest::errorBoxes(), c.moved ? std::vector<std::string>{"moved"} : std::vector<std::string>{}) << c.what;
  }
}

TEST_F(ArcDimension, FailuresLeaveNoDimension) {
  // A limit point at the centre.
  g_scene.limits = {kCentre, at(30)};
  EXPECT_EQ(run(&dimtools::commandDimArc4), -1);
  EXPECT_EQ(dimtest::errorBoxes(), std::vector<std::string>{"Některý z omezujícíh bodů je stejný jako střed."});
  EXPECT_TRUE(ofType(u"DIMENSION").empty());
  EXPECT_TRUE(ofType(u"POINT").empty());
  EXPECT_EQ(ofType(u"ARC").size(), 1u);

  // No dimension left by the host: the variants with limit points write the source back.
  for (auto [command, arcs] : {std::pair{&dimtools::commandDimArc, 1u}, std::pair{&dimtools::commandDimArc3, 2u}}) {
    TearDown();
    SetUp();
    g_scene.dimension = false;
    EXPECT_EQ(run(command), -1);
    EXPECT_EQ(dimtest::errorBoxes(), std::vector<std::string>{"Chyba při načítání kóty."});
    EXPECT_EQ(ofType(u"ARC").size(), arcs);
    EXPECT_EQ(g_scene.exitCalls, 1);
  }

  // The host refuses the new dimension or its batch: nothing is flushed after
  // that, the style is not re-applied, and the command says it could not draw.
  for (vd::HostOp refused : {vd::HostOp::Header_bin, vd::HostOp::Entmake_binW, vd::HostOp::Flush_bin}) {
    TearDown();
    SetUp();
    host().calls.failFromNow(refused, 1);
    EXPECT_EQ(run(&dimtools::commandDimArc2), -1) << vd::hostOperationName(refused);
    EXPECT_EQ(dimtest::errorBoxes(), std::vector<std::string>{"Chyba při kreslení kóty."}) << vd::hostOperationName(refused);
    EXPECT_TRUE(ofType(u"DIMENSION").empty()) << vd::hostOperationName(refused);
    EXPECT_EQ(ofType(u"ARC").size(), 1u);
    for (const hostsim::HostCall& c : host().calls.log()) {
      EXPECT_NE(c.operation, vd::HostOp::CommandW) << vd::hostOperationName(refused) << ": no style for nothing";
    }
  }

  // The interaction cancelled: nothing at all.
  TearDown();
  SetUp();
  g_scene.entryResult = -1;
  EXPECT_EQ(run(&dimtools::commandDimArc2), -1);
  EXPECT_TRUE(dimtest::errorBoxes().empty());
  EXPECT_EQ(g_scene.exitCalls, 0);
  EXPECT_TRUE(ofType(u"DIMENSION").empty());
}

}  // namespace

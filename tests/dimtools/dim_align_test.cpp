// DimAlign and DimUpdateUCS against the in-process host: the dimensions
// are written into its drawing, the selections answered by handle, and the
// drawing read afterwards.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "dimtools/commands.h"
#include "dimtools/dim_align.h"
#include "host/chain.h"
#include "host/host_api.h"
#include "host/ucs.h"
#include "res/string_ids.h"
#include "tests/dimtools/dim_test_host.h"

using namespace vd;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr const char* kNotParallel = "nejsou rovnoběžné";

// One dimension as the test writes it.
struct Dim {
  bool rotated = true;
  ChainPoint p13, p14, p10, p11;
  double rotation = 0;                 // radians, rotated ones
  std::optional<ChainPoint> normal;    // group 210
  bool withText = true;                // group 11
  bool alignedMarker = true;
};

OwnedChain dimensionChain(const Dim& d) {
  ChainBuilder b;
  b.text(0, u"DIMENSION").text(100, u"AcDbEntity").text(8, u"0").text(100, u"AcDbDimension").text(2, u"*D1");
  b.point(10, d.p10);
  if (d.withText) b.point(11, d.p11);
  b.integer(70, d.rotated ? 32 : 33).integer(71, 5).real(42, 10).text(3, u"VD");
  if (d.normal) b.point(210, *d.normal);
  if (d.alignedMarker) b.text(100, u"AcDbAlignedDimension");
  b.point(13, d.p13).point(14, d.p14);
  if (d.rotated) b.real(50, d.rotation).text(100, u"AcDbRotatedDimension");
  return b.build();
}

hostsim::Answer pick(const std::vector<vstring>& handles) {
  hostsim::Answer a;
  a.kind = hostsim::Answer::Kind::Pick;
  a.handles = handles;
  return a;
}
hostsim::Answer cancel() { return hostsim::Answer{}; }

void expectPoint(std::optional<ChainPoint> got, const ChainPoint& want, const std::string& what) {
  ASSERT_TRUE(got) << what;
  EXPECT_NEAR(got->x, want.x, 1e-9) << what;
  EXPECT_NEAR(got->y, want.y, 1e-9) << what;
  EXPECT_NEAR(got->z, want.z, 1e-9) << what;
}

// The tolerances each SSGetW and Entmake_binW call saw.
struct SeenTolerances {
  GcGeTol context, fine;
};
std::vector<SeenTolerances> g_seen;
decltype(HostApi::SSGetW) g_hostSSGet = nullptr;
decltype(HostApi::Entmake_binW) g_hostEntmake = nullptr;
int seeingSSGet(int mode, const vchar* prompt, ValueNode* filter, int x) {
  g_seen.push_back({GcGeContext::gTol, GcGeContext::gFineTol});
  return g_hostSSGet(mode, prompt, filter, x);
}
int seeingEntmake(ValueNode* chain, int x) {
  g_seen.push_back({GcGeContext::gTol, GcGeContext::gFineTol});
  return g_hostEntmake(chain, x);
}

class DimAlign : public dimtest::DimToolsHost {
 protected:
  void SetUp() override {
    dimtest::hostTexts() = {
        {IDS_PROMPT_DIMALIGN_SAMPLE, u"Vyberte vzorovou kótu:"},
        {IDS_PROMPT_DIMALIGN_SELECT, u"Vyberte kóty k zarovnání:"},
        {IDS_MSG_DIMALIGN_NOT_PARALLEL, u"Některé kóty nebyly zarovnány protože nejsou rovnoběžné se vzorovou kótou."},
        {IDS_PROMPT_DIMUCS_SELECT, u"Vyberte kóty:"},
    };
    DimToolsHost::SetUp();
    resetUcsTransforms();
    g_seen.clear();
    g_hostSSGet = hostApi()->SSGetW;
    g_hostEntmake = hostApi()->Entmake_binW;
    hostApi()->SSGetW = &seeingSSGet;
    hostApi()->Entmake_binW = &seeingEntmake;
  }
  void TearDown() override {
    resetUcsTransforms();
    DimToolsHost::TearDown();
  }
  static ChainView entity(const vstring& handle) {
    const hostsim::Entity* e = host().drawing().findEntity(handle);
    return e ? e->view() : ChainView();
  }
  // The dimensions of the drawing other than those of `old` handles, in the
  // order they were made.
  static std::vector<ChainView> made(const std::vector<vstring>& old) {
    std::vector<ChainView> out;
    for (const hostsim::Entity* e : host().drawing().entities()) {
      bool known = false;
      for (const vstring& h : old) known = known || e->view().handle() == h;
      if (!known) out.push_back(e->view());
    }
    return out;
  }
  static size_t notParallelBoxes() {
    size_t n = 0;
    for (const std::string& b : dimtest::errorBoxes()) n += b.find(kNotParallel) != std::string::npos;
    return n;
  }
};

// A horizontal rotated sample whose line runs at y = 20.
const Dim kSample{true, {40, 0, 0}, {60, 0, 0}, {60, 20, 0}, {50, 21.875, 0}};

TEST_F(DimAlign, TolerancesFollowTheUnitsAndNeverReachZero) {
  struct Case {
    double units, point, vector;
  } cases[] = {{1000, 1e-3, 1e-5}, {1, 1e-6, 1e-8}, {2.9, 2e-6, 2e-8}, {0, 1e-6, 1e-8}, {-5, 1e-6, 1e-8}};
  for (const Case& c : cases) {
    const dim::AlignTolerances t = dim::alignTolerances(c.units);
    EXPECT_DOUBLE_EQ(t.context.equalPoint(), c.point) << c.units;
    EXPECT_DOUBLE_EQ(t.context.equalVector(), c.vector) << c.units;
    EXPECT_DOUBLE_EQ(t.fine.equalPoint(), c.point * 1e-3) << c.units;
    EXPECT_DOUBLE_EQ(t.fine.equalVector(), c.vector * 1e-3) << c.units;
  }
}

// Every way the command ends puts both tolerances back, and while it runs
// the host's calls see the drawing's (units 1000: 1e-3 / 1e-5, fine 1e-6 /
// 1e-8). The drawing is unchanged unless the batch went through.
TEST_F(DimAlign, TolerancesAreSetWhileItRunsAndRestoredOnEveryPath) {
  enum Ending { CancelSample, CancelSelection, Success, EntmakeRefused, FlushFails };
  struct Case {
    const char* what;
    Ending ending;
    bool changed;
  } cases[] = {
      {"cancel at the sample", CancelSample, false},
      {"cancel at the dimensions", CancelSelection, false},
      {"aligned", Success, true},
      {"Entmake refused", EntmakeRefused, false},
      {"flush failed", FlushFails, false},
  };
  const Dim entry{false, {0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {5, 6.875, 0}};
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    std::vector<OwnedChain> chains;
    chains.push_back(dimensionChain(kSample));
    chains.push_back(dimensionChain(entry));
    const std::vector<vstring> h = add(chains);
    host().queueAnswer(c.ending == CancelSample ? cancel() : pick({h[0]}));
    if (c.ending != CancelSample) host().queueAnswer(c.ending == CancelSelection ? cancel() : pick({h[1]}));
    if (c.ending == EntmakeRefused) host().calls.failFromNow(HostOp::Entmake_binW, 1);
    if (c.ending == FlushFails) host().calls.failFromNow(HostOp::Flush_bin, 1);

    const GcGeScopedTol outer(GcGeTol(0.5, 0.25));
    const GcGeScopedTol outerFine(GcGeContext::gFineTol, GcGeTol(0.125, 0.0625));
    dimtools::commandDimAlign(0, nullptr);
    EXPECT_EQ(GcGeContext::gTol.equalPoint(), 0.5) << c.what;
    EXPECT_EQ(GcGeContext::gTol.equalVector(), 0.25) << c.what;
    EXPECT_EQ(GcGeContext::gFineTol.equalPoint(), 0.125) << c.what;
    EXPECT_EQ(GcGeContext::gFineTol.equalVector(), 0.0625) << c.what;
    ASSERT_FALSE(g_seen.empty()) << c.what;
    for (const SeenTolerances& s : g_seen) {
      EXPECT_DOUBLE_EQ(s.context.equalPoint(), 1e-3) << c.what;
      EXPECT_DOUBLE_EQ(s.context.equalVector(), 1e-5) << c.what;
      EXPECT_DOUBLE_EQ(s.fine.equalPoint(), 1e-6) << c.what;
      EXPECT_DOUBLE_EQ(s.fine.equalVector(), 1e-8) << c.what;
    }
    EXPECT_TRUE(entity(h[0])) << c.what << ": the sample keeps its handle";
    EXPECT_EQ(!entity(h[1]), c.changed) << c.what;
    EXPECT_EQ(host().drawing().entities().size(), 2u) << c.what;
    if (!c.changed) expectPoint(entity(h[1]).point(10), entry.p10, c.what);
  }
}

// Each dimension aligned onto kSample: where its points 10 and 11 go, or
// that it stays as it was (same handle) and whether it counts as not
// parallel.
TEST_F(DimAlign, MovesTheDimensionLineOntoTheSample) {
  struct Case {
    const char* what;
    Dim dim;
    bool aligned;
    ChainPoint p10, p11;  // after, when aligned
    bool notParallel;
  } cases[] = {
      {"aligned, horizontal", {false, {0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {5, 6.875, 0}}, true, {10, 20, 0},
       {5, 21.875, 0}, false},
      {"aligned, reversed", {false, {10, 0, 0}, {0, 0, 0}, {0, -5, 0}, {5, -6, 0}}, true, {0, 20, 0}, {5, 19, 0},
       false},
      {"rotated 0: its rotation, not its slanted points", {true, {0, 0, 0}, {10, 10, 0}, {10, 40, 0}, {5, 41, 0}},
       true, {10, 20, 0}, {5, 21, 0}, false},
      {"rotated π: still parallel", {true, {0, 0, 0}, {10, 3, 0}, {10, -2, 0}, {5, -3, 0}, kPi}, true, {10, 20, 0},
       {5, 19, 0}, false},
      {"aligned with the same slanted points: not parallel", {false, {0, 0, 0}, {10, 10, 0}, {15, 5, 0}, {7, 8, 0}},
       false, {}, {}, true},
      {"rotated 90°: not parallel", {true, {0, 0, 0}, {0, 10, 0}, {-5, 10, 0}, {-6, 5, 0}, kPi / 2}, false, {}, {},
       true},
      {"13 and 14 one point: along the x axis", {false, {3, 0, 0}, {3, 0, 0}, {3, 4, 0}, {3, 5, 0}}, true,
       {3, 20, 0}, {3, 21, 0}, false},
      {"no group 11", {false, {0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {}, 0, std::nullopt, false}, false, {}, {}, false},
      {"no aligned marker", {false, {0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {5, 6, 0}, 0, std::nullopt, true, false},
       false, {}, {}, false},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    std::vector<OwnedChain> chains;
    chains.push_back(dimensionChain(kSample));
    chains.push_back(dimensionChain(c.dim));
    const std::vector<vstring> h = add(chains);
    host().queueAnswer(pick({h[0]}));
    host().queueAnswer(pick({h[1]}));
    EXPECT_EQ(dimtools::commandDimAlign(0, nullptr), 1) << c.what;
    EXPECT_EQ(notParallelBoxes(), c.notParallel ? 1u : 0u) << c.what;
    expectPoint(entity(h[0]).point(10), kSample.p10, std::string(c.what) + ": the sample stays");
    if (!c.aligned) {
      EXPECT_TRUE(entity(h[1])) << c.what << ": left as it was";
      EXPECT_TRUE(made(h).empty()) << c.what;
      continue;
    }
    EXPECT_FALSE(entity(h[1])) << c.what;
    const std::vector<ChainView> now = made(h);
    ASSERT_EQ(now.size(), 1u) << c.what;
    expectPoint(now[0].point(10), c.p10, std::string(c.what) + ": 10");
    expectPoint(now[0].point(11), c.p11, std::string(c.what) + ": 11");
    expectPoint(now[0].point(13), c.dim.p13, std::string(c.what) + ": 13 stays");
    expectPoint(now[0].point(14), c.dim.p14, std::string(c.what) + ": 14 stays");
  }
}

// Group 11 lies in the object coordinate system of the dimension's normal:
// its x axis is the arbitrary axis of the normal (perpVector), so a shift of
// the world point 10 lands on other axes of 11.
TEST_F(DimAlign, TextMovesInTheObjectCoordinateSystem) {
  struct Case {
    const char* what;
    ChainPoint normal;
    Dim sample, dim;
    ChainPoint p10, p11;
  } cases[] = {
      // Normal -Z: the object x axis is world -X, so a shift of +25 in x is -25 in 11.
      {"normal -Z",
       {0, 0, -1},
       {false, {20, 0, 0}, {20, 10, 0}, {30, 10, 0}, {-30, 5, 0}},
       {false, {0, 0, 0}, {0, 10, 0}, {5, 10, 0}, {-5, 5, 0}},
       {30, 10, 0},
       {-30, 5, 0}},
      // Normal +X: object x is world Y, y is world Z, so a shift in world z is one in 11's y.
      {"normal +X",
       {1, 0, 0},
       {false, {0, 20, 0}, {0, 30, 0}, {0, 30, 20}, {25, 21, 0}},
       {false, {0, 0, 0}, {0, 10, 0}, {0, 10, 5}, {5, 6, 0}},
       {0, 10, 20},
       {5, 21, 0}},
  };
  for (Case& c : cases) {
    TearDown();
    SetUp();
    c.sample.normal = c.normal;
    c.dim.normal = c.normal;
    std::vector<OwnedChain> chains;
    chains.push_back(dimensionChain(c.sample));
    chains.push_back(dimensionChain(c.dim));
    const std::vector<vstring> h = add(chains);
    host().queueAnswer(pick({h[0]}));
    host().queueAnswer(pick({h[1]}));
    dimtools::commandDimAlign(0, nullptr);
    const std::vector<ChainView> now = made(h);
    ASSERT_EQ(now.size(), 1u) << c.what;
    expectPoint(now[0].point(10), c.p10, std::string(c.what) + ": 10");
    expectPoint(now[0].point(11), c.p11, std::string(c.what) + ": 11");
    expectPoint(now[0].point(210), c.normal, std::string(c.what) + ": 210");
  }
}

// A pick that is no linear dimension is asked again; the sample is never
// rewritten when it is not selected among the dimensions.
TEST_F(DimAlign, TheSampleIsAskedAgainAndNeverRewritten) {
  std::vector<OwnedChain> chains;
  chains.push_back(ChainBuilder().text(0, u"LINE").text(8, u"0").point(10, 0, 0).point(11, 5, 5).build());
  chains.push_back(dimensionChain(kSample));
  chains.push_back(dimensionChain({false, {0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {5, 6, 0}}));
  const std::vector<vstring> h = add(chains);
  host().queueAnswer(pick({h[0]}));
  host().queueAnswer(pick({h[1]}));
  host().queueAnswer(pick({h[2]}));
  dimtools::commandDimAlign(0, nullptr);
  EXPECT_EQ(host().pendingAnswers(), 0u);
  ASSERT_TRUE(entity(h[0]));
  ASSERT_TRUE(entity(h[1]));
  expectPoint(entity(h[1]).point(10), kSample.p10, "the sample");
  EXPECT_FALSE(entity(h[2]));
}

class DimUpdateUcs : public DimAlign {
 protected:
  static void setUcs(double degrees) {
    const double a = degrees * kPi / 180;
    auto point = [](double x, double y) {
      hostsim::Variable v;
      v.kind = hostsim::Variable::Kind::Point;
      v.value[0] = x;
      v.value[1] = y;
      return v;
    };
    host().setVariable(u"UCSXDIR", point(std::cos(a), std::sin(a)));
    host().setVariable(u"UCSYDIR", point(-std::sin(a), std::cos(a)));
    host().setVariable(u"UCSORG", point(100, 50));
  }
  static std::vector<int> codes(ChainView c) {
    std::vector<int> out;
    for (ChainItem i : c) out.push_back(i.code());
    return out;
  }
};

TEST_F(DimUpdateUcs, WritesTheUcsDirectionAsGroup51) {
  struct Case {
    const char* what;
    double ucsDegrees;
    double before;  // an existing group 51, NaN for none
    double want;
  } cases[] = {
      {"world UCS", 0, NAN, 2 * kPi},
      {"UCS turned by 30°", 30, NAN, 2 * kPi - kPi / 6},
      {"UCS turned by -90°", -90, NAN, 2 * kPi - 3 * kPi / 2},
      {"an existing 51 takes the value", 30, 1.0, 2 * kPi - kPi / 6},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    setUcs(c.ucsDegrees);
    OwnedChain dim = dimensionChain(kSample);
    if (!std::isnan(c.before)) dim.insertAfter(42, ChainBuilder().real(51, c.before).build());
    std::vector<OwnedChain> chains;
    chains.push_back(std::move(dim));
    const std::vector<vstring> h = add(chains);
    host().queueAnswer(pick(h));
    EXPECT_EQ(dimtools::commandDimUpdateUcs(0, nullptr), 0) << c.what;
    const std::vector<ChainView> now = made(h);
    ASSERT_EQ(now.size(), 1u) << c.what;
    EXPECT_NEAR(now[0].real(51).value_or(-1), c.want, 1e-12) << c.what;
    EXPECT_EQ(now[0].count(51), 1) << c.what;
  }
}

// A new 51 goes behind 71 and the run of 41-79 codes after it; a dimension
// without 71 gets none; other entities are not touched.
TEST_F(DimUpdateUcs, Group51GoesBehindTheTextAttachmentRun) {
  ChainBuilder b;
  b.text(0, u"DIMENSION").text(100, u"AcDbEntity").text(8, u"0").text(100, u"AcDbDimension").point(10, 60, 20);
  b.point(11, 50, 21).integer(70, 33).integer(71, 5).integer(72, 1).real(41, 1).real(42, 10).text(3, u"VD");
  b.real(52, 0).text(100, u"AcDbAlignedDimension").point(13, 40, 0).point(14, 60, 0);
  ChainBuilder without;
  without.text(0, u"DIMENSION").text(100, u"AcDbEntity").text(8, u"0").text(100, u"AcDbDimension");
  without.point(10, 60, 20).integer(70, 33).text(100, u"AcDbAlignedDimension").point(13, 40, 0).point(14, 60, 0);
  std::vector<OwnedChain> chains;
  chains.push_back(b.build());
  chains.push_back(without.build());
  chains.push_back(ChainBuilder().text(0, u"LINE").text(8, u"0").point(10, 0, 0).point(11, 5, 5).build());
  const std::vector<vstring> h = add(chains);
  host().queueAnswer(pick(h));
  EXPECT_EQ(dimtools::commandDimUpdateUcs(0, nullptr), 0);
  EXPECT_TRUE(entity(h[2])) << "the line keeps its handle";
  const std::vector<ChainView> now = made(h);
  ASSERT_EQ(now.size(), 2u);
  const std::vector<int> c = codes(now[0]);
  const auto at71 = std::find(c.begin(), c.end(), 71);
  ASSERT_NE(at71, c.end());
  EXPECT_EQ(std::vector<int>(at71, at71 + 6), (std::vector<int>{71, 72, 41, 42, 51, 3}));
  EXPECT_FALSE(now[1].has(51)) << "no 71, no 51";
}

TEST_F(DimUpdateUcs, CancelAndRefusalsChangeNothing) {
  enum Ending { Cancel, EntmakeRefused, FlushFails };
  for (Ending ending : {Cancel, EntmakeRefused, FlushFails}) {
    TearDown();
    SetUp();
    std::vector<OwnedChain> chains;
    chains.push_back(dimensionChain(kSample));
    chains.push_back(dimensionChain({false, {0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {5, 6, 0}}));
    const std::vector<vstring> h = add(chains);
    host().queueAnswer(ending == Cancel ? cancel() : pick(h));
    if (ending == EntmakeRefused) host().calls.failFromNow(HostOp::Entmake_binW, 2);
    if (ending == FlushFails) host().calls.failFromNow(HostOp::Flush_bin, 1);
    EXPECT_EQ(dimtools::commandDimUpdateUcs(0, nullptr), -1) << ending;
    EXPECT_TRUE(entity(h[0]) && entity(h[1])) << ending;
    EXPECT_EQ(host().drawing().entities().size(), 2u) << ending;
    EXPECT_FALSE(entity(h[0]).has(51)) << ending;
  }
}

}  // namespace

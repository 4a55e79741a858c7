// DimAlign and DimUpdateUCS against the in-process host: the dimensions
// are written into its drawing, the selections answered by handle, and the
// drawing read afterwards.
#include <gtest/gtest.h>

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
#include "tests/dimtools/linear_dims.h"

using namespace vd;

namespace {

// A dimension as a host hands it out: rotated (at 0 radians) or aligned.
struct Dim {
  bool rotated;
  ChainPoint p13, p14, p10, p11;
};

OwnedChain dimensionChain(const Dim& d) {
  ChainBuilder b;
  b.text(0, u"DIMENSION").text(100, u"AcDbEntity").text(8, u"0").text(100, u"AcDbDimension").text(2, u"*D1");
  b.point(10, d.p10).point(11, d.p11).integer(70, d.rotated ? 32 : 33).integer(71, 5).real(42, 10).text(3, u"VD");
  b.text(100, u"AcDbAlignedDimension").point(13, d.p13).point(14, d.p14);
  if (d.rotated) b.real(50, 0).text(100, u"AcDbRotatedDimension");
  return b.build();
}

hostsim::Answer pick(const std::vector<vstring>& handles) {
  hostsim::Answer a;
  a.kind = hostsim::Answer::Kind::Pick;
  a.handles = handles;
  return a;
}
hostsim::Answer cancel() { return hostsim::Answer{}; }

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
};

// A horizontal rotated sample whose line runs at y = 20.
const Dim kSample{true, {40, 0, 0}, {60, 0, 0}, {60, 20, 0}, {50, 21.875, 0}};

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
    if (!c.changed) dimtest::expectPoint(entity(h[1]), 10, entry.p10, c.what);
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
  dimtest::expectPoint(entity(h[1]), 10, kSample.p10, "the sample");
  EXPECT_FALSE(entity(h[2]));
}

using DimUpdateUcs = DimAlign;

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

// Placing height dimensions against the headless host in the same process:
// values in a turned UCS, the orientation table, values out of range and
// failing host calls. The plan-view dialog is a recorder that answers what
// each test gives it. Cancels, bases, the plan-view dialog and leaders are
// checked by the heightdim_* scenarios, their drawings read back by
// check_heightdims.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <map>
#include <numbers>
#include <random>

#include "heightdim/command_args.h"
#include "heightdim/place.h"
#include "host/services.h"
#include "host/ucs.h"
#include "hostsim/fault_sweep.h"
#include "hostsim/number_text.h"
#include "hostsim/script.h"
#include "tests/heightdim/builder_test_support.h"
#include "tests/heightdim/mark_drawing.h"
#include "tests/heightdim/records_test_support.h"
#include "tests/store/store_test_support.h"

using namespace vd;

namespace {

constexpr double kDeg = std::numbers::pi / 180;

// The command linked in: HeightDim parses its arguments and places marks
// with the recording dialog; the outcome of the last run is kept.
class PlaceModule : public hostsim::ModuleFace {
 public:
  bool initApp(int& result) override {
    result = 1;
    return true;
  }
  bool runCommand(const std::string& name, const std::vector<std::string>& args, int& result) override {
    if (name != "HeightDim") return false;
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::optional<heightdim::PlaceArgs> parsed = heightdim::parsePlaceArgs(static_cast<int>(argv.size()), argv.data());
    outcome = parsed ? placeHeightDims(*parsed, hnoteDataPath(), dialog()) : PlaceOutcome{};
    result = outcome.placed;
    return true;
  }
  bool omitExport(const std::string&, std::string& error) override {
    error = "not here";
    return false;
  }
  PlanViewDialog dialog() {
    return [this](const vstring&, int32_t) {
      if (answers.empty()) return std::optional<PlanViewChoice>();
      std::optional<PlanViewChoice> a = answers.front();
      answers.pop_front();
      return a;
    };
  }
  std::deque<std::optional<PlanViewChoice>> answers;
  PlaceOutcome outcome;
};

// What a mark left in the drawing.
struct SeenMark {
  vstring handle, id, baseId;
  ChainPoint at;
  double rotation = 0;
  std::vector<vstring> values;  // attribute texts in order
};

// A base entry of TR2D_HEIGHTDIM.
struct SeenBase {
  int64_t type = 0, kind = 0;
  ChainPoint point;
  double angle = 0, level1 = 0, level2 = 0;
};

// The first 1000 text of an application's extended data; empty when none.
vstring xdText(ChainView entity, const vchar* app) {
  ChainView xd = entity.extendedData(app);
  for (const ValueNode* n = xd ? xd.head()->next : nullptr; n && n->code != gc::kXdApp; n = n->next) {
    if (n->code == gc::kXdString) return vstring(*ChainItem(n).text());
  }
  return {};
}

class PlaceTest : public hnotetest::BuilderHost {
 protected:
  void SetUp() override { prepare(); }

  // A fresh host (the builder's layers and texts, the user data in a scratch
  // folder emptied), bound, world UCS, and a fresh recorder.
  void prepare() {
    hnotetest::BuilderHost::SetUp();
    host().stringSource = &hnotetest::commandTexts;
    host().userDataPath = dir.path().u16string();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove_all(entry, ec);
    module = PlaceModule();
  }
  bool run(const std::string& script) {
    hostsim::ScriptRunner runner(host(), module);
    const bool ok = runner.runText(script);
    EXPECT_TRUE(ok) << script << "\n" << host().error();
    return ok;
  }
  void setPoint(const char16_t* name, double x, double y) {
    hostsim::Variable v;
    v.kind = hostsim::Variable::Kind::Point;
    v.value[0] = x;
    v.value[1] = y;
    host().setVariable(name, v);
  }
  // The UCS turned by `deg` about the world origin.
  void setUcs(double deg) {
    setPoint(u"UCSXDIR", std::cos(deg * kDeg), std::sin(deg * kDeg));
    setPoint(u"UCSYDIR", -std::sin(deg * kDeg), std::cos(deg * kDeg));
  }
  std::vector<SeenMark> marks() {
    std::vector<SeenMark> out;
    for (const hostsim::Entity* e : drawing().entities()) {
      if (e->type() != u"INSERT" || !e->view().extendedData(kAppAssocDesc)) continue;
      SeenMark m;
      m.handle = e->handle;
      m.id = xdText(e->view(), kAppAssocDesc);
      m.baseId = xdText(e->view(), kAppHeightDim);
      m.at = e->view().point(gc::kPoint0).value_or(ChainPoint{});
      m.rotation = e->view().real(gc::kAngle0).value_or(0);
      for (const hostsim::Entity* f : drawing().followersOf(*e)) {
        if (f->type() == u"ATTRIB") m.values.emplace_back(f->view().text(gc::kText).value_or(u""));
      }
      out.push_back(std::move(m));
    }
    return out;
  }
  // The base entries of TR2D_HEIGHTDIM by key.
  std::map<vstring, SeenBase> bases() {
    std::map<vstring, SeenBase> out;
    const hostsim::NamedDictionary* d = drawing().findDictionary(kHNoteDictionary);
    if (!d) return out;
    for (const hostsim::DictionaryEntry& e : d->entries) {
      if (e.key == kHNoteCurrentKey) continue;
      const ValueNode* n = e.chain.view().find(91);
      SeenBase b;
      std::vector<ChainItem> items;
      for (n = n ? n->next : nullptr; n; n = n->next) items.emplace_back(n);
      if (items.size() == 6) {
        b = {*items[0].integer(), *items[1].integer(), *items[2].point(),
             *items[3].real(),    *items[4].real(),    *items[5].real()};
      }
      out[e.key] = b;
    }
    return out;
  }
  // The identifier "Current" names.
  vstring current() {
    for (const std::string& g : hnotetest::entryGroups(kHNoteCurrentKey)) {
      if (g.rfind("301 ", 0) == 0) return utf8ToUtf16(g.substr(4));
    }
    return {};
  }
  const SeenMark* markOf(const std::vector<SeenMark>& all, ChainPoint at) {
    for (const SeenMark& m : all) {
      if (std::abs(m.at.x - at.x) < 1e-6 && std::abs(m.at.y - at.y) < 1e-6) return &m;
    }
    return nullptr;
  }

  vdtest::ScratchDir dir;
  PlaceModule module;
};

// --- Values and orientation ----------------------------------------------------

// --- Bases -----------------------------------------------------------------------

// A pass reads the bases from the drawing only when the last one left them
// unsure; otherwise it goes on with what the last pass held and wrote. After
// every pass, on random drawings (bases with and without entries, marks of
// bases that are gone, unused entries, "Current" naming any of these or
// nothing) and random passes (marks, new bases of one or two levels, a
// picked mark's base made current), what the next pass starts from is what
// a fresh read gives, and once kept no pass walks the drawing again.

// --- Cancels ---------------------------------------------------------------------

// --- Failing host calls ----------------------------------------------------------

// --- Plan view ---------------------------------------------------------------------

}  // namespace

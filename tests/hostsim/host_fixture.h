// The module's side bound to the headless host in the same process: tests
// call the host through the table exactly as the module does.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "host/chain.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "hostsim/script.h"
#include "tests/chain/chain_test_support.h"

namespace hosttest {

// The drawing's entities of one type, in drawing order.
inline std::vector<const hostsim::Entity*> ofType(const hostsim::Drawing& drawing, const char16_t* type) {
  std::vector<const hostsim::Entity*> out;
  for (const hostsim::Entity* e : drawing.entities())
    if (e->view().isType(type)) out.push_back(e);
  return out;
}

// How many calls of `op` the host logged since its reset.
inline int callsOf(vd::HostOp op) {
  const auto& log = hostsim::Host::instance().calls.log();
  return static_cast<int>(
      std::count_if(log.begin(), log.end(), [op](const hostsim::HostCall& call) { return call.operation == op; }));
}
// For each of the first `calls` calls of `op`, once alone and once with
// the next one (a walk takes the null and the question after it for its
// end): `restart()`, that call made to fail, `attempt()`, traced.
inline void failEachCall(vd::HostOp op, int calls, const std::function<void()>& restart,
                         const std::function<void()>& attempt) {
  for (int nth = 1; nth <= calls; ++nth) {
    for (int inARow : {1, 2}) {
      SCOPED_TRACE(std::string(vd::hostOperationName(op)) + " call " + std::to_string(nth) + " failing, " +
                   std::to_string(inARow) + " in a row");
      restart();
      for (int k = 0; k < inARow; ++k) hostsim::Host::instance().calls.failFromNow(op, nth + k);
      attempt();
    }
  }
}

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vd::unbindHost();
    hostsim::Host::instance().reset();
    ASSERT_TRUE(vd::bindHost(nullptr, &hostsim::resolveExport, nullptr));
  }
  void TearDown() override { vd::unbindHost(); }

  static hostsim::Host& host() { return hostsim::Host::instance(); }
  static hostsim::Drawing& drawing() { return host().drawing(); }
  vd::HostApi& api() { return *vd::hostApi(); }

  // Writes one entity in its own batch; returns the Entmake answer.
  int make(vd::OwnedChain chain) {
    api().Header_bin();
    int r = api().Entmake_binW(chain.get(), 0);
    api().Flush_bin(1);
    return r;
  }
  // Defines a block holding one line, in its own batch, so that INSERTs may name it.
  void defineBlock(const char16_t* name) {
    double x = 0, y = 0, z = 0;
    api().Header_bin();
    ASSERT_EQ(api().BlkmakeHead_binW(name, 0, &x, &y, &z), vd::kRtNorm);
    vd::OwnedChain l = line(0, 0, 1, 0);
    ASSERT_EQ(api().BlkmakeEnt_binW(l.get()), vd::kRtNorm);
    ASSERT_EQ(api().BlkmakeEnd_binW(name), vd::kRtNorm);
    ASSERT_EQ(api().Flush_bin(1), vd::kRtNorm);
  }
  // Handle of the entity the last flush made.
  vd::vstring lastHandle() { return drawing().lastMade().empty() ? vd::vstring() : drawing().lastMade().back(); }

  static vd::OwnedChain line(double x0, double y0, double x1, double y1, const char16_t* layer = u"0") {
    return vd::ChainBuilder().text(0, u"LINE").text(8, layer).point(10, x0, y0).point(11, x1, y1).build();
  }
  static vd::OwnedChain circle(double x, double y, double r) {
    return vd::ChainBuilder().text(0, u"CIRCLE").text(8, u"0").point(10, x, y).real(40, r).build();
  }
  std::vector<vd::vstring> selected() {
    std::vector<vd::vstring> out;
    for (vd::ValueNode* n = api().EntnextW(1, 0); n; n = api().EntnextW(0, 0)) out.emplace_back(vd::ChainView(n).handle());
    return out;
  }
  size_t journalCount(hostsim::JournalEntry::Kind kind) {
    size_t n = 0;
    for (const auto& j : drawing().journal()) n += j.kind == kind;
    return n;
  }
  // Whether a line of the transcript holds `part` (is `part`, when `whole`).
  static bool transcriptHas(const std::string& part, bool whole = false) {
    for (const std::string& l : host().transcript())
      if (whole ? l == part : l.find(part) != std::string::npos) return true;
    return false;
  }
  // A scripted answer of that kind at the point (x, y).
  static hostsim::Answer answer(hostsim::Answer::Kind kind, double x = 0, double y = 0) {
    hostsim::Answer a;
    a.kind = kind;
    a.point[0] = x;
    a.point[1] = y;
    return a;
  }
  static std::vector<const hostsim::Entity*> ofType(const char16_t* type) { return hosttest::ofType(drawing(), type); }
};

// A module for host scripts: InitApp answers 1, there are no commands and no
// export can be taken away. Tests derive their modules from it.
class ScriptModule : public hostsim::ModuleFace {
 public:
  bool initApp(int& result) override {
    result = 1;
    return true;
  }
  bool runCommand(const std::string&, const std::vector<std::string>&, int&) override { return false; }
  bool omitExport(const std::string&, std::string& error) override {
    error = "not here";
    return false;
  }
};

// The host driven by script lines whose commands `module` runs.
template <class Module = ScriptModule>
class ScriptHostTest : public HostTest {
 protected:
  bool run(const std::string& text) {
    hostsim::ScriptRunner runner(host(), module);
    return runner.runText(text);
  }
  // The script fails, in a fresh host, with an error that holds `expected`.
  void expectScriptError(const std::string& text, const std::string& expected) {
    host().reset();
    EXPECT_FALSE(run(text)) << text;
    EXPECT_NE(host().error().find(expected), std::string::npos) << text << " gave: " << host().error();
  }
  Module module;
};

}  // namespace hosttest

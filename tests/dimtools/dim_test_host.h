// The in-process host as the dimension tools' tests need it: bound afresh for
// each test, serving the texts a test puts into hostTexts(), with the error
// boxes the module shows recorded in errorBoxes().
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "host/chain.h"
#include "host/host_api.h"
#include "host/services.h"
#include "hostsim/host.h"

namespace dimtest {

inline std::map<int, vd::vstring>& hostTexts() {
  static std::map<int, vd::vstring> texts;
  return texts;
}
inline bool hostText(int id, vd::vstring& out) {
  auto it = hostTexts().find(id);
  if (it == hostTexts().end()) return false;
  out = it->second;
  return true;
}
inline std::vector<std::string>& errorBoxes() {
  static std::vector<std::string> boxes;
  return boxes;
}
inline void recordErrorBox(const vd::vstring& text) { errorBoxes().push_back(vd::utf16ToUtf8(text)); }

class DimToolsHost : public testing::Test {
 protected:
  void SetUp() override {
    vd::unbindHost();
    host().reset();
    host().stringSource = &hostText;
    errorBoxes().clear();
    vd::setErrorBoxSink(&recordErrorBox);
    ASSERT_TRUE(vd::bindHost(nullptr, hostsim::resolveExport, nullptr));
  }
  void TearDown() override {
    vd::setErrorBoxSink(nullptr);
    vd::unbindHost();
    host().reset();
  }
  static hostsim::Host& host() { return hostsim::Host::instance(); }
  // Adds the chains in one batch: the handles the host gave them, in order.
  static std::vector<vd::vstring> add(const std::vector<vd::OwnedChain>& chains) {
    hostsim::Drawing& d = host().drawing();
    d.beginBatch();
    for (const vd::OwnedChain& c : chains) d.addEntity(c.get());
    d.flush();
    return d.lastMade();
  }
  // Queues the answer to the module's next question: a point, a pick of
  // `picked`, Enter or a cancel.
  static void answer(hostsim::Answer::Kind kind, double x = 0, double y = 0, std::vector<vd::vstring> picked = {}) {
    hostsim::Answer a;
    a.kind = kind;
    a.point[0] = x;
    a.point[1] = y;
    a.handles = std::move(picked);
    host().queueAnswer(a);
  }
  // The lines the module wrote to the command line.
  static std::vector<std::string> prompts() {
    std::vector<std::string> out;
    for (const std::string& line : host().transcript())
      if (line.rfind("prompt: ", 0) == 0) out.push_back(line);
    return out;
  }
};

}  // namespace dimtest

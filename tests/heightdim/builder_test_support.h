// An in-process host as the builder's tests need it: the module's attribute
// prompts, layer keys 1 and 2 and the current layer.
#pragma once
#include <gtest/gtest.h>

#include "host/host_api.h"
#include "host/ucs.h"
#include "hostsim/host.h"
#include "res/string_ids.h"

namespace hnotetest {

inline bool attributePrompts(int id, vd::vstring& out) {
  switch (id) {
    case IDS_ATTR_HEIGHT: out = u"Výška"; return true;
    case IDS_ATTR_LABEL: out = u"Označení"; return true;
    case IDS_ATTR_ROUNDING: out = u"Zaokrouhlení"; return true;
    default: return false;
  }
}

// Binds a fresh host for each test and drops it afterwards.
class BuilderHost : public testing::Test {
 protected:
  void SetUp() override {
    hostsim::Host& h = hostsim::Host::instance();
    h.reset();
    h.stringSource = &attributePrompts;
    h.layerKeys[1] = u"ZAOKR";
    h.layerKeys[2] = u"KOTY";
    hostsim::Variable clayer;
    clayer.kind = hostsim::Variable::Kind::String;
    clayer.text = u"AKTUALNI";
    h.setVariable(u"CLAYER", clayer);
    ASSERT_TRUE(vd::bindHost(nullptr, hostsim::resolveExport, nullptr));
    vd::resetUcsTransforms();
  }
  void TearDown() override {
    vd::unbindHost();
    hostsim::Host::instance().reset();
  }
  hostsim::Host& host() { return hostsim::Host::instance(); }
  hostsim::Drawing& drawing() { return host().drawing(); }
};

}  // namespace hnotetest

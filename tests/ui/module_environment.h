// The setting in which the tests of the module's dialogs and controls run:
// VdShared.dll loaded beside the test program for its resources, and the
// headless host bound in the same process, serving the module's string table.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include "host/host_api.h"
#include "hostsim/host.h"
#include "tools/vdhost/module_texts.h"
#include "ui/module_state.h"

namespace uitest {

inline HMODULE& moduleUnderTest() {
  static HMODULE module = nullptr;
  return module;
}

// The module's state: dialogs and controls made while it is current take
// their templates, texts and pictures from VdShared.dll.
inline ui::ModuleState& moduleUnderTestState() {
  static ui::ModuleState state;
  return state;
}

inline bool moduleUnderTestText(int id, vd::vstring& out) { return vdhost::loadModuleText(moduleUnderTest(), id, out); }

// Binds the host afresh: reset, serving the module's texts.
inline void bindTestHost() {
  hostsim::Host& host = hostsim::Host::instance();
  host.reset();
  host.stringSource = &moduleUnderTestText;
  vd::unbindHost();
  ASSERT_TRUE(vd::bindHost(nullptr, &hostsim::resolveExport, nullptr));
}

// Register once per test program:
//   testing::AddGlobalTestEnvironment(new uitest::ModuleEnvironment);
class ModuleEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    moduleUnderTest() = LoadLibraryW(L"VdShared.dll");
    ASSERT_NE(moduleUnderTest(), nullptr) << "VdShared.dll beside the test program";
    moduleUnderTestState().resources = moduleUnderTest();
    bindTestHost();
  }
  void TearDown() override {
    vd::unbindHost();
    if (moduleUnderTest()) FreeLibrary(moduleUnderTest());
    moduleUnderTest() = nullptr;
  }
};

}  // namespace uitest

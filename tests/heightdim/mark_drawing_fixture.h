// The fixture of the tests on drawings with marks.
#pragma once
#include <gtest/gtest.h>

#include "host/host_api.h"
#include "hostsim/host.h"
#include "tests/heightdim/mark_drawing.h"

namespace hnotetest {

// A fresh headless host bound in the same process for each test.
class MarkDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vd::unbindHost();
    host().reset();
    ASSERT_TRUE(vd::bindHost(nullptr, &hostsim::resolveExport, nullptr));
  }
  void TearDown() override { vd::unbindHost(); }
  static hostsim::Host& host() { return hostsim::Host::instance(); }
};

}  // namespace hnotetest

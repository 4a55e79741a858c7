// Linked into every test program of the Windows build: a test that is not
// marked as showing windows fails when its thread activates one
// (tools/vdhost/window_guard.h tells why).
#include <gtest/gtest.h>

#include "tools/vdhost/window_guard.h"

namespace {

// Made before main, on the thread that runs the tests.
const vdhost::WindowGuard g_guard([](const std::string& what) { ADD_FAILURE() << what; });

}  // namespace

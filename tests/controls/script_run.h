// Running a dialog script in the control tests: the dialog's result and every
// failure of its steps reported as the test's own.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "dialog_script.h"

namespace uitest {

// Runs the script's dialog, which must close with `expected`.
inline void runScript(DialogScript& script, INT_PTR expected = IDOK) {
  EXPECT_EQ(script.run(), expected);
  for (const std::string& f : script.failures()) ADD_FAILURE() << f;
}

}  // namespace uitest

// Running a dialog script in the control tests: the dialog's result and every
// failure of its steps reported as the test's own.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "dialog_script.h"

namespace uitest {

// Runs the script's dialog, which must close with `expected`.
inline void runScript(DialogScript& script, INT_PTR expected = IDOK) {
  EXPECT_EQ(script.run(), expected);
  for (const std::string& f : script.failures()) ADD_FAILURE() << f;
}

// Runs the script's dialog with `steps` queued once `ready` holds (`what` names
// that moment in a failure); OK closes it after them.
inline void runSteps(ui::Dialog& dlg, const std::function<bool()>& ready, const char* what,
                     const std::function<void(DialogScript&)>& steps) {
  DialogScript script(dlg);
  script.waitFor(ready, what);
  steps(script);
  script.then([&] { dlg.EndDialog(IDOK); });
  runScript(script);
}

}  // namespace uitest

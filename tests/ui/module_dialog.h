// A dialog of the module under test made and run as a command of the module
// makes and runs it, with steps played inside its message loop.
#pragma once
#include <functional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "dialog_script.h"
#include "module_environment.h"
#include "ui/dialog.h"
#include "ui/module_state.h"

namespace uitest {

// The dialog, made with the module's state current.
template <class Dlg>
struct ModuleDialog {
  template <class... A>
  explicit ModuleDialog(A&&... a) : scope(&moduleUnderTestState()), dialog(std::forward<A>(a)...) {}
  ui::ModuleStateScope scope;
  Dlg dialog;
  Dlg* operator->() { return &dialog; }
};

// Runs the dialog: `steps` once it shows; each failure of the script is one
// of the test. The dialog's answer.
template <class Dlg>
INT_PTR runModuleDialog(ModuleDialog<Dlg>& dlg, const std::function<void(Dlg&, DialogScript&)>& steps) {
  DialogScript script(dlg.dialog);
  script.waitFor([&] { return dlg.dialog.window().visible(); }, "the dialog to show");
  steps(dlg.dialog, script);
  const INT_PTR result = script.run();
  for (const std::string& f : script.failures()) ADD_FAILURE() << f;
  return result;
}

// A button clicked with the mouse, as a user does.
inline void clickButton(const ui::Dialog& dlg, int id) {
  HWND button = dlg.item(id).hwnd();
  postClick(button, clientCentre(button));
}

}  // namespace uitest

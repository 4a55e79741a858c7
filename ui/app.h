// The framework's application object: one per module, created with the module.
#pragma once
#include <windows.h>

#include "ui/module_state.h"

namespace ui {

class App {
 public:
  App();
  virtual ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // Called when the module is attached to and detached from the process.
  virtual bool InitInstance() { return true; }
  virtual int ExitInstance() { return 0; }

  ModuleState& moduleState() { return state_; }
  HINSTANCE instance() const { return state_.resources; }
  void setInstance(HINSTANCE instance) { state_.resources = instance; }

  static App* current();

 private:
  ModuleState state_;
};

}  // namespace ui

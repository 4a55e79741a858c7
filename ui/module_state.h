// Which module's resources the framework uses: the module state switch.
//
// The host and the module each have resources (dialogs, strings, icons). Every
// export switches the current state to the module's for its whole run and puts
// the caller's back on every exit, so that a dialog or resource loaded by id
// always comes from the module that asks.
#pragma once
#include <windows.h>

namespace ui {

struct ModuleState {
  HINSTANCE resources = nullptr;
};

ModuleState* currentModuleState();
HINSTANCE currentResources();

// The module whose resources a state names: its own, or the program's when
// the state has none (a program that is not a module keeps its resources in
// its executable).
HINSTANCE resourceModule(const ModuleState* state);

class ModuleStateScope {
 public:
  explicit ModuleStateScope(ModuleState* state) noexcept;
  ~ModuleStateScope();
  ModuleStateScope(const ModuleStateScope&) = delete;
  ModuleStateScope& operator=(const ModuleStateScope&) = delete;

 private:
  ModuleState* previous_;
};

}  // namespace ui

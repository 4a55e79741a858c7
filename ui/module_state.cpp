#include "ui/module_state.h"

namespace ui {

namespace {
// Everything runs on the host's command thread, so one slot is enough.
ModuleState g_processState{};
ModuleState* g_current = &g_processState;
}  // namespace

ModuleState* currentModuleState() { return g_current; }

HINSTANCE currentResources() { return g_current ? g_current->resources : nullptr; }

HINSTANCE resourceModule(const ModuleState* state) {
  if (state && state->resources) return state->resources;
  return GetModuleHandleW(nullptr);
}

ModuleStateScope::ModuleStateScope(ModuleState* state) noexcept : previous_(g_current) {
  g_current = state ? state : &g_processState;
}

ModuleStateScope::~ModuleStateScope() { g_current = previous_; }

}  // namespace ui

// The texts of a module's string table, which the host serves the module
// (LoadStringDBW) in place of its own.
#pragma once
#include <windows.h>

#include "host/text.h"

namespace vdhost {

// Text `id` of `module`'s string table; false when the module has none of that id.
bool loadModuleText(HMODULE module, int id, vd::vstring& out);

}  // namespace vdhost

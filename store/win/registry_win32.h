// A key of the Windows registry as the RegistryKey that reg_store uses.
#pragma once
#include <windows.h>

#include <memory>

#include "store/reg_store.h"

namespace vd {

// Opens (or, with `create`, creates) `path` under `root` for reading and
// writing; null when that fails.
std::unique_ptr<RegistryKey> openWin32RegistryKey(HKEY root, vstring_view path, bool create);

}  // namespace vd

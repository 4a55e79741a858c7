// Typed look-up of a DLL export.
#pragma once
#include <windows.h>

#include <cstring>

namespace ui {

// GetProcAddress with the export's real type; null when it is missing.
template <typename Fn>
Fn procAddress(HMODULE module, const char* name) {
  static_assert(sizeof(Fn) == sizeof(FARPROC), "function pointers are pointer-sized");
  FARPROC p = module ? GetProcAddress(module, name) : nullptr;
  Fn fn;
  std::memcpy(&fn, &p, sizeof fn);
  return fn;
}

}  // namespace ui

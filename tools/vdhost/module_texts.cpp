#include "tools/vdhost/module_texts.h"

namespace vdhost {

bool loadModuleText(HMODULE module, int id, vd::vstring& out) {
  if (!module) return false;
  const wchar_t* text = nullptr;
  // A length of 0 asks for a pointer into the resource itself.
  const int length = LoadStringW(module, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return false;
  out.assign(reinterpret_cast<const vd::vchar*>(text), static_cast<size_t>(length));
  return true;
}

}  // namespace vdhost

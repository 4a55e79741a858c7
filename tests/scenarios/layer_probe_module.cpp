// vdhost_layer_probe.dll: a module for the host program's layer scenarios.
// It binds the host's table as the module does and offers two commands:
//   LayerKeys OPTIONS   the layer-key combo (key options, hexadecimal) in a
//                       dialog of its own; OK writes what the combo shows and
//                       the layer it gives to the command line
//   LayerMap KEY...     writes, for each key, what the host's layer
//                       operations answer for it
#include <windows.h>

#include <cstdlib>
#include <string>

#include "host/host_api.h"
#include "host/text.h"
#include "layer_keys_dialog.h"
#include "ui/module_state.h"
#include "ui/proc.h"
#include "ui/wide_text.h"

namespace {

HMODULE thisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&thisModule), &module);
  return module;
}

void* resolveHostExport(void* module, const char* name) {
  return ui::procAddress<void*>(static_cast<HMODULE>(module), name);
}

bool bound() { return vd::bindHost(GetModuleHandleW(nullptr), &resolveHostExport, GetModuleHandleW(nullptr)); }

void prompt(const std::wstring& text) { vd::hostCall<&vd::HostApi::PromptW>(ui::fromWide(text).c_str()); }

std::wstring converted(const std::string& key, int direction) {
  vd::vchar buffer[256] = {};
  vd::copyToBuffer(vd::cp1250ToUtf16(key), buffer, 256);
  if (!vd::hostCallOr<&vd::HostApi::Vd2dLayerDev2LangW>(0, buffer, 256, direction)) return L"-";
  return ui::toWide(buffer);
}

}  // namespace

extern "C" {

__declspec(dllexport) int Command_LayerKeys(int argc, const char** argv) noexcept {
  try {
    if (argc < 1 || !bound()) return -1;
    ui::ModuleState state{thisModule()};
    ui::ModuleStateScope scope(&state);
    layerkeystest::LayerKeysDialog dialog(static_cast<uint32_t>(std::strtoul(argv[0], nullptr, 16)));
    const int result = static_cast<int>(dialog.DoModal());
    if (result == IDOK) prompt(L"combo: " + dialog.shownOnOk + L" -> " + dialog.layerOnOk);
    return result;
  } catch (...) {
    return -1;
  }
}

__declspec(dllexport) int Command_LayerMap(int argc, const char** argv) noexcept {
  try {
    if (!bound()) return -1;
    int mapped = 0;
    for (int i = 0; i < argc; ++i) {
      char layer[256] = {};
      const bool found = vd::hostCallOr<&vd::HostApi::Vd2dKeyLayerMappedA>(0, argv[i], layer, 256, 0) != 0;
      vd::HostLayerRecord record{sizeof record, 0};
      const bool known = found && vd::hostCallOr<&vd::HostApi::FindLayerInfoA>(0, layer, static_cast<void*>(&record));
      const std::wstring key = ui::toWide(vd::cp1250ToUtf16(argv[i]));
      prompt(key + L": layer " + (found ? ui::toWide(vd::cp1250ToUtf16(layer)) : L"-") + L", colour " +
             (known ? std::to_wstring(record.colour) : L"-") + L", language " + converted(argv[i], 0) +
             L", device " + converted(argv[i], 1));
      mapped += found ? 1 : 0;
    }
    return mapped;
  } catch (...) {
    return -1;
  }
}

}  // extern "C"

// The module's exports. Nothing escapes from here: every entry catches at the
// boundary and answers with the failure result the host expects.
#include <windows.h>

#include <cstdint>

#include "commands/commands.h"
#include "controls/colour_ext_dialog.h"
#include "host/host_api.h"
#include "host/services.h"
#include "host/win/vdshared_app.h"
#include "ui/handles.h"
#include "ui/proc.h"

namespace {

void* resolveHostExport(void* module, const char* name) {
  return ui::procAddress<void*>(static_cast<HMODULE>(module), name);
}

// Screen scale from the pixel density of the host's main window.
void measureScreenScale() {
  ui::window_dc dc(static_cast<HWND>(vd::hostBinding().mainWindow));
  if (!dc) return;
  int density = GetDeviceCaps(dc.get(), LOGPIXELSX);
  if (density > 0) vd::setDpiScale(density / 96.0);
}

int runExport(const char* name, int argc, const char* const* argv) noexcept {
  ui::ModuleStateScope scope(&vd::theApp().moduleState());
  const vd::CommandInfo* command = vd::findCommand(name);
  return command ? vd::runCommand(*command, argc, argv) : 0;
}

}  // namespace

extern "C" {

int InitApp(HMODULE hostModule) noexcept {
  ui::ModuleStateScope scope(&vd::theApp().moduleState());
  try {
    if (vd::hostApi()) return 1;
    if (!vd::bindHost(hostModule, &resolveHostExport, hostModule)) return 0;
    measureScreenScale();
    return 1;
  } catch (...) {
    return 0;
  }
}

int ColorExtFunction(HWND parent, int mode, uint32_t* colour, uint32_t* rgb, wchar_t* text,
                     int textLength) noexcept {
  static_assert(sizeof(wchar_t) == sizeof(vd::vchar), "the host's text is UTF-16");
  ui::ModuleStateScope scope(&vd::theApp().moduleState());
  try {
    return vd::colourExtFunction(parent, mode, colour, rgb, reinterpret_cast<vd::vchar*>(text), textLength);
  } catch (...) {
    return 0;
  }
}

#define VD_COMMAND_EXPORT(name) \
  int Command_##name(int argc, const char** argv) noexcept { return runExport(#name, argc, argv); }

VD_COMMAND_EXPORT(DimArc)
VD_COMMAND_EXPORT(DimArc2)
VD_COMMAND_EXPORT(DimArc3)
VD_COMMAND_EXPORT(DimArc4)
VD_COMMAND_EXPORT(DimArcLength)
VD_COMMAND_EXPORT(DimConnect)
VD_COMMAND_EXPORT(DimDivide)
VD_COMMAND_EXPORT(DimAlign)
VD_COMMAND_EXPORT(DimUpdateUCS)
VD_COMMAND_EXPORT(HeightDim)
VD_COMMAND_EXPORT(HeightDimEdit)
VD_COMMAND_EXPORT(HeightDimSetBase)
VD_COMMAND_EXPORT(HeightDimUpdate)
VD_COMMAND_EXPORT(HeightDimSettings)

#undef VD_COMMAND_EXPORT

}  // extern "C"

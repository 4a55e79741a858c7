#include "host/win/vdshared_app.h"

#include "dimtools/dim_style.h"
#include "host/host_api.h"
#include "host/services.h"
#include "ui/proc.h"

namespace vd {

namespace {

VdSharedApp g_app;

// The error box of every command: modal, owned by the host's main window.
void showErrorBox(const vstring& text) {
  MessageBoxW(static_cast<HWND>(hostBinding().mainWindow), reinterpret_cast<const wchar_t*>(text.c_str()),
              reinterpret_cast<const wchar_t*>(kErrorBoxCaption), kErrorBoxFlags);
}

// "alt_send" of a host program module that is already loaded; a module that
// is not there is not loaded for it.
dim::AltSend findAltSend(const char* moduleName) {
  return ui::procAddress<dim::AltSend>(GetModuleHandleA(moduleName), dim::kAltSendExport);
}

}  // namespace

VdSharedApp& theApp() { return g_app; }

bool VdSharedApp::InitInstance() {
  ui::ModuleStateScope scope(&moduleState());
  setErrorBoxSink(&showErrorBox);
  dim::setAltSendFinder(&findAltSend);
  return ui::App::InitInstance();
}

int VdSharedApp::ExitInstance() {
  ui::ModuleStateScope scope(&moduleState());
  setErrorBoxSink(nullptr);
  dim::setAltSendFinder(nullptr);
  // The host table lives while the module is loaded; a host that unloads and
  // loads the module again would otherwise lose one table each time.
  unbindHost();
  return ui::App::ExitInstance();
}

double VdSharedApp::DpiScale() const { return dpiScale(); }

}  // namespace vd

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(instance);
      vd::theApp().setInstance(instance);
      return vd::theApp().InitInstance() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      vd::theApp().ExitInstance();
      break;
    default:
      break;
  }
  return TRUE;
}

// A host program module of the kind a CAD host of type 0 ("VeldraLT.exe")
// or another type but 3 ("Veldra2d.arx") is: it takes command texts through
// its export "alt_send". vdhost loads it under both names and receives what
// it is sent, to record it (tools/vdhost/alt_send.h).
#include <windows.h>

namespace {
using Receiver = void (*)(const char* module, const char* text);
Receiver g_receiver = nullptr;
}  // namespace

extern "C" {

// The module's own name is compiled in: VD_ALT_SEND_MODULE.
__declspec(dllexport) void alt_send(const char* text) {
  if (g_receiver && text) g_receiver(VD_ALT_SEND_MODULE, text);
}

// The host program tells the module where the texts go.
__declspec(dllexport) void alt_send_receiver(Receiver receiver) { g_receiver = receiver; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

}  // extern "C"

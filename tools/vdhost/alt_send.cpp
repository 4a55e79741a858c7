#include "tools/vdhost/alt_send.h"

#include <windows.h>

#include <string>

#include "hostsim/host.h"
#include "ui/proc.h"

namespace vdhost {

namespace {

// A text as the transcript shows it: one line, a line feed as "\n".
void record(const char* module, const char* text) {
  std::string shown;
  for (const char* c = text; *c; ++c) shown += *c == '\n' ? std::string("\\n") : std::string(1, *c);
  hostsim::Host::instance().log(std::string("host: alt_send (") + module + ") \"" + shown + "\"");
}

}  // namespace

void loadAltSendModules() {
  wchar_t path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  std::wstring dir(path, n);
  dir.erase(dir.find_last_of(L"\\/") + 1);
  for (const wchar_t* name : {L"VeldraLT.exe", L"Veldra2d.arx"}) {
    // Kept loaded for the whole run, as a host program's own modules are.
    HMODULE m = LoadLibraryW((dir + name).c_str());
    using SetReceiver = void (*)(void (*)(const char*, const char*));
    if (auto set = ui::procAddress<SetReceiver>(m, "alt_send_receiver")) set(&record);
  }
}

}  // namespace vdhost

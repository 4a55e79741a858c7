// vdhost_fault_probe.dll: a module for the fault sweep's own scenario. It binds
// the host table from the host program as VdShared does, and its commands
// meet a failed host call the ways a module must not: by crashing, by
// hanging, by erasing before it writes. Each returns 1 when it did its work.
#include <windows.h>

#include <cstring>
#include <vector>

#include "host/chain.h"
#include "host/host_api.h"

namespace {

using vd::HostApi;

void* exportOf(void* hostModule, const char* name) {
  FARPROC p = GetProcAddress(static_cast<HMODULE>(hostModule), name);
  void* address;
  std::memcpy(&address, &p, sizeof address);
  return address;
}

HostApi& host() { return *vd::hostApi(); }

}  // namespace

extern "C" {

__declspec(dllexport) int InitApp(HMODULE hostModule) {
  return vd::bindHost(hostModule, &exportOf, hostModule) ? 1 : 0;
}

// Two lines to the command line; a failed one changes nothing.
__declspec(dllexport) int Command_Prompt(int, const char**) {
  int a = host().PromptW(u"první řádek\n");
  int b = host().PromptW(u"druhý řádek\n");
  return a == vd::kRtNorm && b == vd::kRtNorm ? 1 : 0;
}

// Reads through a null pointer when its prompt fails.
__declspec(dllexport) int Command_CrashOnFailure(int, const char**) {
  if (host().PromptW(u"zkouška\n") != vd::kRtNorm) {
    volatile int* nowhere = nullptr;
    return *nowhere;
  }
  return 1;
}

// Waits for ever when the drawing units come back as 0.
__declspec(dllexport) int Command_HangOnFailure(int, const char**) {
  if (host().GetUnits() == 0.0) {
    for (;;) Sleep(50);
  }
  return 1;
}

// Copies every entity onto layer NEW, but erases the originals first.
__declspec(dllexport) int Command_EraseFirst(int, const char**) {
  if (host().SSGetW(3, nullptr, nullptr, 0) != vd::kRtNorm) return 0;
  std::vector<vd::OwnedChain> copies;
  std::vector<vd::vstring> handles;
  for (vd::ValueNode* n = host().EntnextW(1, 0); n; n = host().EntnextW(0, 0)) {
    copies.push_back(vd::OwnedChain::copyOf(n));
    copies.back().setText(vd::gc::kLayer, u"NEW");
    copies.back().remove(vd::gc::kHandle);  // the copy is a new entity
    handles.emplace_back(vd::ChainView(n).handle());
  }
  std::vector<const vd::vchar*> texts;
  for (const vd::vstring& h : handles) texts.push_back(h.c_str());
  if (host().EraseHandles(texts.data(), static_cast<int>(texts.size()), 1) != vd::kRtNorm) return 0;
  if (host().Header_bin() != vd::kRtNorm) return 0;
  for (const vd::OwnedChain& c : copies) {
    if (host().Entmake_binW(c.get(), 0) != vd::kRtNorm) return 0;
  }
  return host().Flush_bin(1) == vd::kRtNorm ? 1 : 0;
}

}  // extern "C"

#include "dimtools/dim_style.h"

#include "host/host_api.h"

namespace vd::dim {

namespace {
AltSendFinder g_finder = nullptr;
}  // namespace

void setAltSendFinder(AltSendFinder finder) { g_finder = finder; }

int reapplyDimStyle() {
  int cadType = hostBinding().cadType;
  if (cadType == 3) {
    hostCall<&HostApi::CommandW>(kDimUpdateScript);
    return 1;
  }
  AltSend send = g_finder ? g_finder(cadType == 0 ? kAltSendModuleType0 : kAltSendModuleOther) : nullptr;
  if (!send) return 1;
  for (const char* text : kAltSendTexts) send(text);
  return 1;
}

}  // namespace vd::dim
